#include "resources/string_table.h"

#include <gtest/gtest.h>

namespace {

TEST(StringTable, KnownEntries) {
    struct Case {
        int id;
        const char* text;
    };
    const Case cases[] = {
        {1, "観測値"},
        {18, "回帰分析 --- "},
        {20, "定数項"},
        {40, "+##0.0000;-##0.0000"},
        {41, "識別不能状態です。"},
        {70, "範囲エラー"},
        {74, "０除算エラー"},
        {77, "パラメータ不足"},
        {80, "HTML HELPファイルの表示に失敗しました。"},
        {83, "回帰標準誤差"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(LoadStrByNumber(c.id), c.text);
    }
}

TEST(StringTable, UnknownIdsGiveTheEmptyText) {
    for (int id : {-1, 0, 37, 84, 1000000}) EXPECT_EQ(LoadStrByNumber(id), "") << id;
}

TEST(StringTable, EveryOtherIdFromOneTo83HasAText) {
    int filled = 0;
    for (int id = 1; id <= 83; ++id) filled += LoadStrByNumber(id).empty() ? 0 : 1;
    EXPECT_EQ(filled, 83 - 4);  // 33, 37, 42 and 46 have no known text
}

}  // namespace
