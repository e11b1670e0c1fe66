#include "app/main_window/main_actions.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

#include "app/main_window/main_window.h"

namespace {

constexpr const char* kFile = "ファイル(&F)";
constexpr const char* kEdit = "編集(&E)";
constexpr const char* kEditVar = "編集(&E)/変数(&V)";
constexpr const char* kEditData = "編集(&E)/データ組(&D)";
constexpr const char* kEditExpr = "編集(&E)/式(&Y)";
constexpr const char* kView = "表示(&V)";
constexpr const char* kViewGraph = "表示(&V)/グラフ(&G)";
constexpr const char* kTool = "ツール(&T)";
constexpr const char* kSettings = "設定(&S)";
constexpr const char* kHelp = "ヘルプ(&H)";

ActionSpec Cmd(const char* name, const char* menu, const char* caption, const char* shortcut, const char* hint,
               MainHandler handler = nullptr, int image = -1, int toolBar = 0, bool checkable = false) {
    return {ActionRow::Command, name, menu, caption, shortcut, hint, image, toolBar, checkable, handler};
}
ActionSpec Sep(const char* menu, int toolBar = 0) {
    return {ActionRow::Separator, "-", menu, nullptr, nullptr, nullptr, -1, toolBar, false, nullptr};
}
ActionSpec Key(const char* name, const char* shortcut, const char* hint, MainHandler handler = nullptr) {
    return {ActionRow::Command, name, nullptr, nullptr, shortcut, hint, -1, 0, false, handler};
}

}  // namespace

const std::vector<ActionSpec>& MainActionTable() {
    using F = TfrmREG;
    static const std::vector<ActionSpec> table = {
        // File
        Cmd("NewFile", kFile, "新規作成(&N)", "Ctrl+N", "新しいデータを作ります", &F::NewFileExecute, 1, 1),
        Cmd("LoadFile", kFile, "開く(&O)...", "Ctrl+O", "データファイルを開きます", &F::LoadFileExecute, 2, 1),
        Cmd("SaveFile", kFile, "保存(&S)", "Ctrl+S", "データを上書き保存します", &F::SaveFileExecute, 3, 1),
        Cmd("SaveAsFile", kFile, "名前を付けて保存(&A)", nullptr, "データを名前を付けて保存します",
            &F::SaveAsFileExecute),
        Sep(kFile),
        {ActionRow::RecentMenu, "mnuReload", kFile, "開き直す(&R)", nullptr, nullptr, -1, 0, false, nullptr},
        Cmd("mnuRFClear", kFile, "履歴を消す(&C)", nullptr, "ファイルの履歴を消します", &F::mnuRFClearClick),
        Sep(kFile),
        Cmd("mnuGrpSave", kFile, "グループの保存(&G)", nullptr, "グループを別のファイルに保存します", &F::mnuGrpSaveClick),
        Cmd("TextSave", kFile, "テキスト保存(&T)", "Ctrl+Alt+V", "結果をテキストファイルとして保存する",
            &F::TextSaveExecute),
        Sep(kFile),
        Cmd("Exit1", kFile, "終了(&X)", nullptr, "プログラムを終了します", &F::Exit1Click),
        // Edit
        Sep(nullptr, 1),
        Cmd("UndoEdit", kEdit, "元に戻す(&U)", "Ctrl+Z", "直前の編集を元に戻します", &F::UndoEditExecute, 7, 1),
        Cmd("RedoEdit", kEdit, "やり直す(&R)", "Ctrl+Alt+Z", "元に戻した編集をやり直します", &F::RedoEditExecute, 8,
            1),
        Sep(kEdit),
        Cmd("CutEdit", kEdit, "切り取り(&T)", "Ctrl+X", "選択範囲を切り取ります", &F::CutEditExecute, 9, 1),
        Cmd("CopyEdit", kEdit, "コピー(&C)", "Ctrl+C", "選択範囲をコピーします", &F::CopyEditExecute, 10, 1),
        Cmd("PasteEdit", kEdit, "貼り付け(&P)", "Ctrl+V", "貼り付けます", &F::PasteEditExecute, 11, 1),
        Sep(kEdit),
        Cmd("FindData", kEdit, "検索(&F)...", nullptr, "データを検索します", &F::FindDataExecute, 12, 1),
        Cmd("ReplaceData", kEdit, "置換(&E)...", nullptr, "データを置換します", &F::ReplaceDataExecute),
        Sep(kEdit),
        Cmd("VARADD", kEditVar, "追加(&A)", "F9", "変数を追加します", &F::VARADDExecute),
        Cmd("VARDEL", kEditVar, "削除(&D)", "F10", "変数を削除します", &F::VARDELExecute),
        Cmd("VARINS", kEditVar, "挿入(&I)", "F11", "変数を挿入します", &F::VARINSExecute),
        Cmd("VARXCHG", kEditVar, "交換(&X)", "F12", "変数を交換します", &F::VARXCHGExecute),
        Cmd("RENAME", kEditVar, "変数名の変更(&R)", "F3", "変数名を変更します", &F::RENAMEExecute),
        Sep(kEditVar),
        Cmd("mnuExpConv", kEditVar, "ボックスコックス変換(&B)", nullptr, nullptr),
        Cmd("mnuEV", kEditVar, "指数平滑変換(&M)", nullptr, nullptr),
        Cmd("mnuARE", kEditVar, "一般階差変換(&J)", nullptr, nullptr),
        Cmd("mnuMAF", kEditVar, "移動平均(&L)", nullptr, nullptr),
        Cmd("mnuPreREG", kEditVar, "予備回帰(&P)", nullptr, nullptr),
        Cmd("mnuYWxchg", kEditVar, "ユールウォーカー変換(&Y)", nullptr, nullptr),
        Sep(kEditVar),
        Cmd("InputVar", kEditVar, "単変数入力(&S)", "F2", "変数の値を一つずつ入力します", &F::InputVarExecute),
        Cmd("ImportVar", kEditVar, "外部変数情報(&V)", "Ctrl+J", "外部の変数を参照する", &F::ImportVarExecute, 38),
        Cmd("DATADD", kEditData, "追加(&A)", "F5", "データ組を追加します", &F::DATADDExecute),
        Cmd("DATDEL", kEditData, "削除(&D)", "F6", "データ組を削除します", &F::DATDELExecute),
        Cmd("DATINS", kEditData, "挿入(&I)", "F7", "データ組を挿入します", &F::DATINSExecute),
        Cmd("DATXCHG", kEditData, "交換(&X)", "F8", "データ組を交換します", &F::DATXCHGExecute),
        Sep(kEditData),
        Cmd("AppendData", kEditData, "ファイルからの追加(&M)", nullptr, "外部ファイルからデータ組の追加をする",
            &F::AppendDataExecute),
        Cmd("EXPADD", kEditExpr, "追加(&A)", "Ctrl+Alt+A", "推定した式を追加します", &F::EXPADDExecute),
        Cmd("EXPDEL", kEditExpr, "削除(&D)", "Ctrl+Alt+D", "式を削除します", &F::EXPDELExecute),
        Cmd("DECLADD", kEditExpr, "定義式の追加(&T)", "Ctrl+Alt+B", "定義式を追加します", &F::DECLADDExecute),
        Cmd("EXPCLR", kEditExpr, "クリアー(&C)", nullptr, "式をすべて消します", &F::EXPCLRExecute),
        Sep(kEdit),
        Cmd("mnuRenzoku", kEdit, "連続入力(&I)", nullptr, "セルに続けて入力します", &F::mnuRenzokuClick),
        Cmd("GROUPING", kEdit, "グループ設定(&G)", "Ctrl+Alt+G", "グループを設定します", &F::GROUPINGExecute),
        // View
        Cmd("mnuTBView", kView, "ツールバー(&T)", nullptr, "ツールバーを表示します", &F::mnuTBViewClick, -1, 0,
            true),
        Cmd("mnuSBView", kView, "ステータスバー(&S)", nullptr, "ステータスバーを表示します", &F::mnuSBViewClick, -1,
            0, true),
        Sep(kView),
        Cmd("RelMatView", kView, "相関行列(&R)", "Ctrl+Alt+R", "相関行列を表示します", nullptr, 20, 2),
        Cmd("PropertyView", kView, "データ情報(&V)", "Ctrl+P", "データ情報を表示します", &F::PropertyViewExecute, 21,
            2),
        Cmd("ExpresList", kView, "式リスト(&L)", "Ctrl+L", "式の一覧を表示します", &F::ExpresListExecute),
        Cmd("PlotsCS", kViewGraph, "残差・予測値(&C)", "Ctrl+Alt+C", "残差と予測値のプロット", &F::PlotsCSExecute, 26),
        Cmd("PlotsTS", kViewGraph, "残差時系列(&T)", "Ctrl+Alt+T", "残差の時系列プロット", &F::PlotsTSExecute, 27),
        Cmd("PRLPlots", kViewGraph, "偏回帰作用点(&P)", "Ctrl+Alt+P", nullptr, &F::PRLPlotsExecute),
        Cmd("NPlots", kViewGraph, "残差統計量(&N)", "Ctrl+Alt+N", "標準化残差の統計量", &F::NPlotsExecute, 30),
        Cmd("EEPlots", kViewGraph, "Ｅ(i)・Ｅ(i-1)(&E)", "Ctrl+Alt+E", "ラグ付き残差プロット", &F::EEPlotsExecute, 29),
        Cmd("XEPlots", kViewGraph, "残差・説明変数(&X)", "Ctrl+Alt+X", "残差と説明変数のプロット", &F::XEPlotsExecute, 28),
        Cmd("LRPlotter", kViewGraph, "Ｌ－Ｒプロット(&L)", "Ctrl+Alt+L", nullptr, &F::LRPlotterExecute),
        Cmd("XYPlotter", kViewGraph, "Ｘ－Ｙプロット(&G)", "Ctrl+G", "Ｘ－Ｙプロットを表示します", &F::XYPlotterExecute, 22, 2),
        Sep(kView),
        Cmd("mnuEditView", kView, "編集画面(&E)", nullptr, "データ編集画面に切り替えます", &F::mnuEditViewClick),
        Cmd("mnuSelectView", kView, "選択画面(&W)", nullptr, "変数選択画面に切り替えます",
            &F::mnuSelectViewClick),
        Cmd("mnuCheckView", kView, "回帰診断画面(&C)", nullptr, "回帰診断画面に切り替えます",
            &F::mnuCheckViewClick),
        Cmd("mnuAnalysisView", kView, "影響分析画面(&A)", nullptr, "影響分析画面に切り替えます",
            &F::mnuAnalysisViewClick),
        Cmd("mnuPredView", kView, "予測画面(&P)", nullptr, "予測画面に切り替えます", &F::mnuPredViewClick),
        // Tools
        Sep(nullptr, 2),
        Cmd("BCExchange", kTool, "ボックス・コックス変換(&B)", "Ctrl+B", "ボックス・コックス変換をする",
            &F::BCExchangeExecute),
        Cmd("MacroSet", kTool, "マクロ操作(&M)", "F4", "マクロを編集・実行します", &F::MacroSetExecute, 23, 2),
        Sep(kTool),
        Cmd("mnuRest", kTool, "線形制約(&L)", nullptr, nullptr),
        Cmd("mnuIVEst", kTool, "操作変数推定量(&I)", nullptr, nullptr),
        Cmd("mnuChowTest", kTool, "構造変化検定(&C)", nullptr, nullptr),
        Cmd("mnuSURE", kTool, "SURE推定量(&Z)", nullptr, nullptr),
        Cmd("mnuRidge", kTool, "リッジ回帰(&R)", nullptr, nullptr),
        Cmd("mnuGLS", kTool, "自己回帰過程(&G)", nullptr, nullptr),
        Cmd("WREGRun", kTool, "加重回帰(&W)", nullptr, nullptr),
        Cmd("PCARun", kTool, "主成分分析(&P)", nullptr, nullptr),
        Cmd("ReducedF", kTool, "誘導型(&Y)", "Ctrl+Alt+Y", nullptr),
        Cmd("mnuTobit", kTool, "ﾄｰビット推定量(&T)", nullptr, nullptr),
        // Settings
        Cmd("OptionSet", kSettings, "環境設定(&O)", "Ctrl+W", "環境を設定します", &F::OptionSetExecute, 24, 2),
        Cmd("UserDef", kSettings, "ユーザ定義(&U)", "Ctrl+U", "ユーザ変数と関数を定義します"),
        Cmd("LSE", kSettings, "推定法(&T)", "Ctrl+K", "最小二乗法と二段階最小二乗法を切り替えます", &F::LSEExecute,
            kImageOrdinaryLSE, 2, true),
        Cmd("mnuGlobalTolerance", kSettings, "係数信頼度(&P)", "Ctrl+T", "係数の信頼度を設定します", &F::mnuGlobalToleranceClick),
        // Help
        Cmd("HelpContents", kHelp, "目次(&C)", "F1", "ヘルプの目次を表示します", &F::HelpContentsExecute, 25, 2),
        Sep(kHelp),
        Cmd("About1", kHelp, "バージョン情報(&A)...", nullptr, "バージョン情報を表示します"),
        // Shortcuts without a menu item
        Key("FindNext", "Ctrl+F", "次を検索します", &F::FindNextExecute),
        Key("ReplaceNext", "Ctrl+R", "次を置換します", &F::ReplaceNextExecute),
        Key("Assist", "Ctrl+A", "入力補助", &F::AssistExecute),
        Key("CurLeft", "Ctrl+Alt+J", "カーソルを左へ", &F::CurLeftExecute),
        Key("CurRight", "Ctrl+Alt+K", "カーソルを右へ", &F::CurRightExecute),
        Key("CurUp", "Ctrl+Alt+I", "カーソルを上へ", &F::CurUpExecute),
        Key("CurDown", "Ctrl+Alt+M", "カーソルを下へ", &F::CurDownExecute),
        Key("CurHome", "Ctrl+Alt+U", "先頭へ", &F::CurHomeExecute),
        Key("CurEnd", "Ctrl+Alt+O", "末尾へ", &F::CurEndExecute),
        Key("V_Set", "Ctrl+F1", "変数を選択します", &F::V_SetExecute),
        Key("V_Reset", "Ctrl+F2", "変数の選択を解除します", &F::V_ResetExecute),
        Key("D_Set", "Ctrl+F3", "データ組を選択します", &F::D_SetExecute),
        Key("D_Reset", "Ctrl+F4", "データ組の選択を解除します", &F::D_ResetExecute),
        Key("ClearRowCol", "Ctrl+F5", "選択をすべて解除します", &F::ClearRowColExecute),
        Key("NextPage", "Ctrl+F8", "次の画面へ", &F::NextPageExecute),
        Key("PreviousPage", "Ctrl+F7", "前の画面へ", &F::PreviousPageExecute),
        Key("ChoiceData", "Ctrl+Alt+S", "選択状態を切り替えます", &F::ChoiceDataExecute),
        Key("EELagx", "Ctrl+E", "ラグ付き残差プロット", &F::EELagxExecute),
        Key("FileReload", "Ctrl+Alt+F", "ファイルの履歴を表示します", &F::FileReloadExecute),
        Key("HelpConText", "Ctrl+H", "この画面のヘルプを表示します", &F::HelpConTextExecute),
    };
    return table;
}

QIcon ImageIcon(int image) {
    QStyle* style = QApplication::style();
    QStyle::StandardPixmap pixmap;
    switch (image) {
        case 1: pixmap = QStyle::SP_FileIcon; break;
        case 2: pixmap = QStyle::SP_DialogOpenButton; break;
        case 3: pixmap = QStyle::SP_DialogSaveButton; break;
        case kImageRealCalc: pixmap = QStyle::SP_BrowserReload; break;
        case 7: pixmap = QStyle::SP_ArrowBack; break;
        case 8: pixmap = QStyle::SP_ArrowForward; break;
        case 9: pixmap = QStyle::SP_DialogDiscardButton; break;
        case 10: pixmap = QStyle::SP_FileDialogNewFolder; break;
        case 11: pixmap = QStyle::SP_DialogApplyButton; break;
        case 12: pixmap = QStyle::SP_FileDialogContentsView; break;
        case 20: pixmap = QStyle::SP_FileDialogDetailedView; break;
        case 21: pixmap = QStyle::SP_FileDialogInfoView; break;
        case 22: pixmap = QStyle::SP_DesktopIcon; break;
        case 23: pixmap = QStyle::SP_CommandLink; break;
        case 24: pixmap = QStyle::SP_ComputerIcon; break;
        case 25: pixmap = QStyle::SP_DialogHelpButton; break;
        case 26: pixmap = QStyle::SP_FileDialogListView; break;
        case 27: pixmap = QStyle::SP_MediaSeekBackward; break;
        case 28: pixmap = QStyle::SP_FileDialogToParent; break;
        case 29: pixmap = QStyle::SP_ArrowDown; break;
        case 30: pixmap = QStyle::SP_MessageBoxInformation; break;
        case kImageOrdinaryLSE: pixmap = QStyle::SP_MediaPlay; break;
        case kImageTwoStageLSE: pixmap = QStyle::SP_MediaSeekForward; break;
        default: return QIcon();
    }
    return style ? style->standardIcon(pixmap) : QIcon();
}
