#include "resources/string_table.h"

#include <array>

namespace {

// Index = id. Ids 33, 37, 42 and 46 are shown nowhere and have no known text.
const std::array<std::string, 84> kStrings = {
    "",                                          // 0: no entry
    "観測値",                                    // 1
    "予測値",                                    // 2
    "残差",                                      // 3
    "誤差率(%)",                                 // 4
    "PRESS残差",                                 // 5
    "SIG(RES)",                                  // 6
    "r(i)",                                      // 7
    "t(i)",                                      // 8
    "残差平方",                                  // 9
    "作用点",                                    // 10
    "s^2(i)",                                    // 11
    "COVRATIO",                                  // 12
    "DFFITS",                                    // 13
    "Cook's D",                                  // 14
    "W(i)",                                      // 15
    "R^2(i)",                                    // 16
    "R'^2(i)",                                   // 17
    "回帰分析 --- ",                             // 18: caption prefix before the file name
    "標準化残差",                                // 19
    "定数項",                                    // 20
    "TOL CHECK",                                 // 21
    "データ組番号",                              // 22
    "変数名",                                    // 23
    "追加する",                                  // 24
    "削除する",                                  // 25
    "挿入する",                                  // 26
    "交換する",                                  // 27
    "β推定値",                                   // 28
    "β標準誤差",                                 // 29
    "分散拡大要因",                              // 30
    "状態指標",                                  // 31
    "固有値",                                    // 32
    "",                                          // 33 (unknown)
    "説明変数の選択",                            // 34
    "決定係数(R^2)",                             // 35
    "自由度修正済R^2",                           // 36
    "",                                          // 37 (unknown)
    "時間",                                      // 38
    "名前の変更",                                // 39
    "+##0.0000;-##0.0000",                       // 40: equation coefficients
    "識別不能状態です。",                        // 41
    "",                                          // 42 (unknown)
    "設定に失敗しました。",                      // 43
    "β変化量",                                   // 44
    "標準偏差",                                  // 45
    "",                                          // 46 (unknown)
    "ｔ値",                                      // 47
    "(限界水準)",                                // 48
    "変数の選択",                                // 49
    "変更する",                                  // 50
    "+###0.00;-###0.00",                         // 51: error ratios in percent
    "未定義",                                    // 52
    "内生変数",                                  // 53
    "外生変数",                                  // 54
    "誘導型",                                    // 55
    "横軸？",                                    // 56
    "縦軸？",                                    // 57
    "全データ",                                  // 58
    "グループ",                                  // 59
    "平均値",                                    // 60
    "ウェイト",                                  // 61
    "<import>",                                  // 62
    "目的変数名",                                // 63
    "値",                                        // 64
    "e(i)",                                      // 65
    "定義式",                                    // 66
    "Ｆ値",                                      // 67
    "説明変数名",                                // 68
    "番号",                                      // 69
    "範囲エラー",                                // 70
    "型違反エラー",                              // 71
    "システムエラー",                            // 72
    "二重定義エラー",                            // 73
    "０除算エラー",                              // 74
    "未定義識別子エラー",                        // 75
    "文法エラー",                                // 76
    "パラメータ不足",                            // 77
    "分散",                                      // 78
    "推定値",                                    // 79
    "HTML HELPファイルの表示に失敗しました。",   // 80
    "区間上限",                                  // 81
    "区間下限",                                  // 82
    "回帰標準誤差",                              // 83
};

}  // namespace

const std::string& LoadStrByNumber(int id) {
    if (id < 1 || id >= static_cast<int>(kStrings.size())) return kStrings[0];
    return kStrings[static_cast<std::size_t>(id)];
}

const std::string& LoadStr(StringId id) { return LoadStrByNumber(static_cast<int>(id)); }
