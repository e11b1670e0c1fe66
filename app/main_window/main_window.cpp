#include "components/view/field_formula.h"
#include "app/main_window/main_window.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/guarded_slot.h"
#include "components/view/key_helpers.h"
#include "components/view/variable_list_drawing.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <tuple>

#include "app/main_window/main_actions.h"
#include "components/view/action_keys_first.h"
#include "app/placeholder_windows.h"
#include "app/settings/settings_dialog.h"
#include "core/data/group_mask.h"
#include "core/text/float_format.h"
#include "eval/calc_str.h"
#include "platform/qt/string_grid.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "resources/string_table.h"

namespace fs = std::filesystem;

namespace {

const char* const kOpenFilter =
    "多変量データ|*.MDF|マクロデータ|*.MCR|テキストデータ|*.TXT|マクロライブラリー|*.MLB|すべて|*.*";
const char* const kSaveFilter =
    "多変量データ|*.MDF|マクロデータ|*.MCR|テキストファイル|*.TXT|ビットマップファイル|*.BMP|"
    "マクロライブラリー|*.MLB|すべて|*.*";
const char* const kAskSave = "データが変更されています。保存しますか？";
const char* const kNoFile = "ファイルが見つかりません。\n";
const char* const kNotRegularFile = "通常のファイルではありません。\n";
const int kHelpContextMain = 1017;

std::string UpperExtension(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
    return ext;
}

QString StripMnemonic(const char* caption) {
    QString s = QString::fromUtf8(caption);
    s.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    s.remove(QLatin1Char('&'));
    s.remove(QStringLiteral("..."));
    return s;
}

}  // namespace

TfrmREG::TfrmREG(AppState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
    setObjectName(QStringLiteral("frmREG"));
    setWindowTitle(QStringLiteral("回帰分析 MERLOX"));
    DiagnosticColumnMarks.Reset(10);
    ObservationMarks.Reset(100);
    BuildPages();
    BuildActions();
    BuildPlotButtons();
    ConnectLaunchers();
    ConnectBoxCoxHint();
    LetActionKeysPass(cbInput->lineEdit(), {Action("Assist"), Action("UserDef")});
    // The edit keys are the window's (undo, redo and the clipboard
    // commands on observations) until the user types in the input box.
    connect(cbInput->lineEdit(), &QLineEdit::textEdited, this, [this] { inputEdited_ = true; });
    RouteActionKeys(cbInput->lineEdit(),
                    {Action("UndoEdit"), Action("RedoEdit"), Action("CutEdit"), Action("CopyEdit"), Action("PasteEdit")},
                    [this] { return inputEdited_; });
    // The variable list shows each name in its kind's colour.
    UseVariableListDrawing(
        cbSelect, [this]() -> const Reg* { return state_.Model(); },
        [this] { return !settings_ || settings_->Values().Coloring; });
    SetHelpFile((fs::path(QCoreApplication::applicationDirPath().toStdString()) / "MERLOX.chm").string());
    resize(1000, 680);
}

TfrmREG::~TfrmREG() { DisconnectLaunchers(); }

void TfrmREG::SetHelpFile(const std::string& path) {
    helpFile_ = path;
    state_.Work().helpFile = path;
}

void TfrmREG::BuildPages() {
    PC = new QTabWidget(this);
    PC->setObjectName(QStringLiteral("PC"));
    auto page = [this](const char* name, const char* title) {
        auto* w = new QWidget(PC);
        w->setObjectName(QString::fromLatin1(name));
        PC->addTab(w, QString::fromUtf8(title));
        return w;
    };
    tsEdit = page("tsEdit", "編集");
    tsSelect = page("tsSelect", "選択");
    tsCheck = page("tsCheck", "回帰診断");
    tsAnalysis = page("tsAnalysis", "影響分析");
    tsPredict = page("tsPredict", "予測");
    BuildGrids();
    setCentralWidget(PC);
    connect(PC, &QTabWidget::currentChanged, this,
            Guarded(state_, [this] { RefreshActivePage(); }));
}

TStringGrid* TfrmREG::NewGrid(QWidget* page, const char* name) {
    auto* grid = new TStringGrid(page);
    grid->setObjectName(QString::fromLatin1(name));
    grid->SetDefaultColWidth(100);
    grid->SetDefaultRowHeight(QFontMetrics(grid->font()).height() + 6);
    UseGridCellPainter(*grid, [this, grid]() -> const GridCellContext& { return CellContext(grid); });
    return grid;
}

void TfrmREG::BuildGrids() {
    auto guarded = [this](auto f) { return Guarded(state_, [this, f](auto... args) { (this->*f)(args...); }); };

    cbInput = new QComboBox(tsEdit);
    cbInput->setObjectName(QStringLiteral("cbInput"));
    cbInput->setEditable(true);
    cbInput->setMinimumWidth(320);
    sgEdit = NewGrid(tsEdit, "sgEdit");
    sgEdit->SetCellProvider([this](int c, int r) { return EditCellText(c, r); });
    auto* editLayout = new QVBoxLayout(tsEdit);
    editLayout->setContentsMargins(2, 2, 2, 2);
    editLayout->addWidget(cbInput, 0, Qt::AlignLeft);
    editLayout->addWidget(sgEdit, 1);
    connect(sgEdit, &TStringGrid::Click, this, guarded(&TfrmREG::sgEditClick));
    connect(sgEdit, &TStringGrid::TopLeftChanged, this, guarded(&TfrmREG::sgEditTopLeftChanged));
    connect(sgEdit, &TStringGrid::GridMouseDown, this, guarded(&TfrmREG::sgEditMouseDown));
    pmEdit = new QMenu(this);
    pmEdit->setObjectName(QStringLiteral("pmEdit"));
    QAction* choice = pmEdit->addAction(QStringLiteral("範囲内選択状態"));
    choice->setObjectName(QStringLiteral("mnuChoice"));
    connect(choice, &QAction::triggered, this, Guarded(state_, [this] { mnuChoiceClick(); }));
    QAction* range = pmEdit->addAction(QStringLiteral("範囲内編集(&E)"));
    range->setObjectName(QStringLiteral("mnuEditRange"));
    connect(range, &QAction::triggered, this, Guarded(state_, [this] { mnuEditRangeClick(); }));
    pmEdit->addSeparator();
    for (const auto& [name, caption, handler] : {std::tuple{"mnuSetGrp", "グループ設定(&S)", &TfrmREG::mnuSetGrpClick},
                                                 std::tuple{"mnuResetGrp", "グループ解除(&R)", &TfrmREG::mnuResetGrpClick},
                                                 std::tuple{"mnuClearGrp", "消去(&C)", &TfrmREG::mnuClearGrpClick}}) {
        QAction* item = pmEdit->addAction(QString::fromUtf8(caption));
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, Guarded(state_, [this, h = handler] { (this->*h)(); }));
    }
    // Enter is the input box's own: the typed text never joins the list by
    // itself, and the list is a history to choose from, never a completion
    // that Enter would take in place of what was typed.
    cbInput->setInsertPolicy(QComboBox::NoInsert);
    cbInput->setCompleter(nullptr);
    connect(cbInput->lineEdit(), &QLineEdit::returnPressed, this,
            Guarded(state_, [this] { cbInputKeyPress('\r'); }));
    ConnectInputBox();

    BuildEstimatesPage();

    BuildDiagnosticsPage();
    BuildInfluencePage();
    BuildPredictionPage();

    for (TStringGrid* grid : {sgEdit, sgRes, sgAna}) {
        connect(grid, &TStringGrid::GridMouseMove, this,
                Guarded(state_, [this, grid](Qt::MouseButtons b, Qt::KeyboardModifiers, int x, int y) {
                    GridMouseMove(grid, b, x, y);
                }));
        connect(grid, &TStringGrid::GridMouseUp, this,
                Guarded(state_, [this] { UpdateClipboardActions(); }));
    }
    editContext_.kind = GridKind::MainEdit;
    resContext_.kind = GridKind::MainDiagnostics;
    anaContext_.kind = GridKind::MainInfluence;
    for (GridCellContext* ctx : {&editContext_, &resContext_, &anaContext_})
        ctx->observationMarked = [this](int i) { return IsMarked(ObservationMarks, i); };
    editContext_.columnMarked = [this](int j) { return IsMarked(EditColumnMarks, j); };
    resContext_.columnMarked = [this](int j) { return IsMarked(DiagnosticColumnMarks, j); };
    anaContext_.columnMarked = [this](int j) { return IsMarked(InfluenceColumnMarks, j); };
    editContext_.groupColors = [this](std::uint16_t mask) {
        if (settings_ && !settings_->Values().FileGCL) return settings_->GetGroupColors(mask);
        return state_.Colors().GetColors(mask);
    };
}

const GridCellContext& TfrmREG::CellContext(TStringGrid* grid) {
    GridCellContext& ctx = grid == sgEdit ? editContext_ : grid == sgRes ? resContext_ : grid == sgAna ? anaContext_ : otherContext_;
    ctx.model = state_.Model();
    ctx.coloring = settings_ ? settings_->Values().Coloring : true;
    ctx.font = grid->font();
    return ctx;
}

void TfrmREG::BuildActions() {
    QMenuBar* bar = menuBar();
    std::map<std::string, QMenu*> menus;
    auto menuFor = [&](const char* path) -> QMenu* {
        if (!path) return nullptr;
        const std::string full(path);
        if (auto it = menus.find(full); it != menus.end()) return it->second;
        const auto slash = full.rfind('/');
        QMenu* menu;
        if (slash == std::string::npos) {
            menu = bar->addMenu(QString::fromStdString(full));
        } else {
            QMenu* parentMenu = menus.at(full.substr(0, slash));
            menu = parentMenu->addMenu(QString::fromStdString(full.substr(slash + 1)));
        }
        menus[full] = menu;
        return menu;
    };
    TB1 = addToolBar(QStringLiteral("TB1"));
    TB1->setObjectName(QStringLiteral("TB1"));
    TB2 = addToolBar(QStringLiteral("TB2"));
    TB2->setObjectName(QStringLiteral("TB2"));
    pmReload = new QMenu(this);
    pmReload->setObjectName(QStringLiteral("pmReload"));

    for (const ActionSpec& spec : MainActionTable()) {
        QMenu* menu = menuFor(spec.menu);
        QToolBar* tb = spec.toolBar == 1 ? TB1 : spec.toolBar == 2 ? TB2 : nullptr;
        if (spec.row == ActionRow::Separator) {
            if (menu) menu->addSeparator();
            if (tb) tb->addSeparator();
            continue;
        }
        if (spec.row == ActionRow::RecentMenu) {
            mnuReload = menu->addMenu(QString::fromUtf8(spec.caption));
            mnuReload->setObjectName(QString::fromLatin1(spec.name));
            mnuReload->menuAction()->setVisible(false);
            continue;
        }
        const QString caption = spec.caption ? QString::fromUtf8(spec.caption) : QString::fromLatin1(spec.name);
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(spec.name));
        if (spec.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(spec.shortcut)));
        action->setStatusTip(spec.hint ? QString::fromUtf8(spec.hint)
                                       : (spec.caption ? StripMnemonic(spec.caption) : QString()));
        action->setToolTip(spec.caption ? StripMnemonic(spec.caption) : action->statusTip());
        if (spec.image >= 0) action->setIcon(ImageIcon(spec.image));
        action->setCheckable(spec.checkable);
        action->setEnabled(spec.handler != nullptr);
        if (spec.handler) {
            const MainHandler handler = spec.handler;
            connect(action, &QAction::triggered, this,
                    Guarded(state_, [this, handler] { (this->*handler)(); }));
        }
        if (menu) {
            menu->addAction(action);
        } else {
            addAction(action);  // shortcut only: the window keeps it reachable
        }
        if (tb) tb->addAction(action);
        actions_[spec.name] = action;
    }
    Action("mnuTBView")->setChecked(true);
    Action("mnuSBView")->setChecked(true);
    // Cut and copy wait for marked observations, paste for a copy or cut.
    for (const char* name : {"CutEdit", "CopyEdit", "PasteEdit"}) Action(name)->setEnabled(false);
    if (QAction* clear = Action("mnuRFClear")) clear->setVisible(false);

    // The open button drops down the recent files.
    tbOpen = qobject_cast<QToolButton*>(TB1->widgetForAction(Action("LoadFile")));
    if (tbOpen) {
        tbOpen->setObjectName(QStringLiteral("tbOpen"));
        tbOpen->setMenu(pmReload);
        tbOpen->setPopupMode(QToolButton::MenuButtonPopup);
    }

    // Two-stage indicators: the smallest LIML root and the residual-mode
    // button, shown only while the model is two-stage.
    auto* realCalc = new QAction(QStringLiteral("再計算"), this);
    realCalc->setObjectName(QStringLiteral("btnRealCalc"));
    realCalc->setStatusTip(QStringLiteral("二段階推定の残差の計算法を切り替えます"));
    connect(realCalc, &QAction::triggered, this,
            Guarded(state_, [this] { btnRealCalcClick(); }));
    TB2->addAction(realCalc);
    realCalc->setVisible(false);
    actions_["btnRealCalc"] = realCalc;
    stLIML = new QLabel(this);
    stLIML->setObjectName(QStringLiteral("stLIML"));
    stLIML->setToolTip(QStringLiteral("最少分散比"));
    stLIML->setStatusTip(stLIML->toolTip());
    stLIMLAction = TB2->addWidget(stLIML);
    stLIMLAction->setVisible(false);

    QStatusBar* sb = statusBar();
    sb->setObjectName(QStringLiteral("SB"));
    sbPanel0 = new QLabel(sb);
    sbPanel0->setObjectName(QStringLiteral("sbPanel0"));
    sbPanel1 = new QLabel(sb);
    sbPanel1->setObjectName(QStringLiteral("sbPanel1"));
    sb->addWidget(sbPanel0, 3);
    sb->addWidget(sbPanel1, 2);
}

QAction* TfrmREG::Action(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void TfrmREG::DisplayHint(const QString& hint) { statusBar()->showMessage(hint); }

std::string TfrmREG::DataFolder() const {
    return settings_ ? settings_->Values().DataFolder : state_.Work().dataFolder;
}

bool TfrmREG::AutoSave() const { return settings_ && settings_->Values().AutoSave; }

void TfrmREG::ShowEditPage() { PC->setCurrentWidget(tsEdit); }

// ---- data files ----------------------------------------------------------------

bool TfrmREG::SaveModel() {
    Reg* model = state_.Model();
    if (!model) return true;
    if (model->GetFileName().empty()) {
        FileDialogRequest request;
        request.initialDir = DataFolder();
        request.filter = kSaveFilter;
        request.defaultExt = "MDF";
        request.title = "名前を付けて保存";
        const std::string name = state_.Services().ChooseSaveFile(request);
        if (name.empty()) return false;
        return GuardCommand(state_.Services(), [&] {
            SaveAs(*model, name);
            state_.Undo().MarkSaved();
        });
    }
    return GuardCommand(state_.Services(), [&] {
        WriteFile(*model);
        state_.Undo().MarkSaved();
    });
}

bool TfrmREG::ConfirmSaveIfModified() {
    Reg* model = state_.Model();
    if (!model || !model->IsModified()) return true;
    if (!AutoSave()) {
        const int answer = state_.Services().ShowMessageBox(MsgKind::Confirmation, kAskSave, mbYesNoCancel);
        if (answer == mrNo) return true;
        if (answer != mrYes) return false;
    }
    return SaveModel();
}

bool TfrmREG::OpenDataFile(const std::string& fileName) {
    if (fileName.empty()) return false;
    if (!CheckRegularFile(fileName)) return false;
    if (UpperExtension(fileName) == ".MCR") {
        if (!macro_) return true;
        macro_->OpenMacroFile(fileName);
        MacroSetExecute();
        return true;
    }
    ShowEditPage();
    if (!ConfirmSaveIfModified()) return false;

    state_.LoadModelFile(fileName);
    RefreshAfterLoad();
    ShowEditPage();
    return true;
}

void TfrmREG::OpenAndRemember(const std::string& fileName) {
    std::string name = fileName;
    if (!name.empty()) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(fs::path(name), ec);
        if (!ec) name = absolute.lexically_normal().string();
    }
    if (!OpenDataFile(name)) return;
    if (state_.RecentFiles().Add(name)) UpdateRecentFiles();
}

namespace {

constexpr int kMaxNewVariables = 1000;
constexpr int kMaxNewObservations = 10000000;
constexpr double kMaxNewCells = 2e8;

// The answer rounded to a count of at least least; false (and a message)
// for no number at all or one above max. Too small a count is raised to
// least by the caller's rule, not refused.
bool ReadCount(UiServices& ui, double v, int least, int max, const char* what, int& out) {
    if (!std::isfinite(v) || std::round(v) > max) {
        ErrorBox(ui, std::string(what) + "は " + std::to_string(max) + " までの数で入力してください。");
        return false;
    }
    const double rounded = std::round(v);
    out = rounded < least ? least : static_cast<int>(rounded);
    return true;
}

}  // namespace

void TfrmREG::NewFileExecute() {
    UiServices& ui = state_.Services();
    InputAnswer a = ui.AskInput("新しいデータの名前は？", {}, "");
    if (a.result != mrOK) return;
    const std::string title = a.text.empty() ? std::string("NONAME") : a.text;
    const std::string fileName = DataFolder() + title + ".MDF";
    std::error_code ec;
    if (fs::exists(fs::path(fileName), ec) &&
        !ui.AskYesNo(fileName + " は既にあります。上書きしますか？"))
        return;

    a = ui.AskInput("変数の数は？", {LoadStr(kStrImport)}, "");
    if (a.result != mrOK || a.text.empty()) return;
    if (a.text == LoadStr(kStrImport)) {
        NewFileFromImport(fileName);
        return;
    }
    int k = 0;
    if (!ReadCount(ui, state_.Evaluator().Evaluate(a.text, 2.0), 2, kMaxNewVariables, "変数の数", k)) return;

    a = ui.AskInput("データ組数は？", {}, "");
    if (a.result != mrOK) return;
    int n = 0;
    if (!ReadCount(ui, state_.Evaluator().Evaluate(a.text, k + 2.0), k + 2, kMaxNewObservations, "データ組数", n))
        return;
    if (static_cast<double>(n) * k > kMaxNewCells) {
        ErrorBox(ui, "データが大きすぎます。");
        return;
    }

    if (!ConfirmSaveIfModified()) return;
    // Built in full before the current data set goes.
    auto fresh = std::make_unique<Reg>(state_.Context(), n, k, title);
    fresh->SetFileCompanions(&state_.FileCompanions());
    fresh->SetFileName(fileName);
    fresh->SetTwoStage(false);
    state_.SetModel(std::move(fresh));
    ShowEditPage();
    RefreshAfterLoad();
    EnterInitialValues();

    Reg* model = state_.Model();
    model->SetTwoStage(false);
    const int best = model->SetDependent(k - 1);
    if (best != k - 1 && best >= 0 && best < k && model->GetFValue(best) > 0.0) (void)model->ToggleVariable(best);
    // The new data set is written at once; when that fails it stays open.
    SaveAs(*model, fileName);
    RefreshAfterLoad();
}

// Values typed cell by cell from the first one; Cancel stops, the dialog's
// navigation codes move the cursor, leaving the grid ends the entry.
void TfrmREG::EnterInitialValues() {
    Reg* model = state_.Model();
    if (!model) return;
    const int k = model->GetVarCount(), n = model->GetObsCount();
    int c = 1, r = 1;
    while (c >= 1 && c <= k && r >= 1 && r <= n) {
        sgEdit->SetCurrentCell(c, r);
        const InputAnswer a = state_.Services().AskInput(
            FormatIndexedLabel(model->GetVarName(c - 1), std::to_string(r), true), {}, "");
        switch (a.result) {
        case mrOK: {
            const std::optional<double> v = EvaluateFieldFormula(state_, a.text);
            if (!v) break;  // the same cell again
            model->SetValue(r - 1, c - 1, *v);
            sgEdit->InvalidateCell(c, r);
            if (++c > k) {
                c = 1;
                ++r;
            }
            break;
        }
        case 100: if (--c < 1) { c = k; --r; } break;
        case 101: if (++c > k) { c = 1; ++r; } break;
        case 102: c = 1; r = 1; break;
        case 103: c = k; r = n; break;
        case 104: --r; break;
        case 105: ++r; break;
        case 200: c = 1; break;
        case 201: c = k; break;
        case 202: r = 1; break;
        case 203: r = n; break;
        case 106: case 107: case 108: break;  // naming comes with the variable dialogs
        default: return;                       // Cancel
        }
    }
}

void TfrmREG::LoadFileExecute() {
    FileDialogRequest request;
    request.initialDir = DataFolder();
    request.filter = kOpenFilter;
    request.filterIndex = 1;
    request.title = "開く";
    const std::string name = state_.Services().ChooseOpenFile(request);
    if (!name.empty()) OpenAndRemember(name);
}

void TfrmREG::SaveFileExecute() {
    if (!state_.Model()) return;
    if (SaveModel()) RefreshAfterLoad();
}

void TfrmREG::SaveAsFileExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    FileDialogRequest request;
    request.initialDir = DataFolder();
    request.filter = kSaveFilter;
    request.filterIndex = 1;
    request.defaultExt = "MDF";
    request.title = "名前を付けて保存";
    const std::string name = state_.Services().ChooseSaveFile(request);
    if (name.empty()) return;
    SaveAs(*model, name);
    // Undo and redo clear the modified flag only at the state now on disk.
    state_.Undo().MarkSaved();
    UpdateCaption();
}

void TfrmREG::UpdateRecentFiles() {
    mnuReload->clear();
    pmReload->clear();
    ReloadFiles& files = state_.RecentFiles();
    // A file that is gone leaves the list; the same index is looked at again.
    for (int i = 0; i < files.Count();) {
        const std::string item = files.GetItem(i);
        std::error_code ec;
        if (!fs::is_regular_file(fs::path(item), ec)) {
            files.Remove(item);
            continue;
        }
        const QString path = QString::fromStdString(item);
        QString shown = path;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString caption = QStringLiteral("&%1 %2").arg(i).arg(shown);
        for (QMenu* menu : {mnuReload, pmReload}) {
            QAction* item = menu->addAction(caption);
            item->setData(path);
            connect(item, &QAction::triggered, this,
                    Guarded(state_, [this, item] { LastFileOpen(item->data().toString().toStdString()); }));
        }
        ++i;
    }
    const bool any = files.Count() > 0;
    mnuReload->menuAction()->setVisible(any);
    Action("mnuRFClear")->setVisible(any);
}

void TfrmREG::LastFileOpen(const std::string& fileName) {
    if (CheckRegularFile(fileName)) OpenAndRemember(fileName);
}

bool TfrmREG::CheckRegularFile(const std::string& fileName) {
    // A device or a folder (/dev/zero, a pipe) is never read as data.
    std::error_code ec;
    const fs::path path(fileName);
    if (fs::is_regular_file(path, ec)) return true;
    ErrorBox(state_.Services(), (fs::exists(path, ec) ? kNotRegularFile : kNoFile) + fileName);
    return false;
}

void TfrmREG::mnuRFClearClick() {
    state_.RecentFiles().Clear();
    UpdateRecentFiles();
}

void TfrmREG::FileReloadExecute() {
    if (pmReload->isEmpty()) return;
    const QPoint at = tbOpen ? tbOpen->mapToGlobal(QPoint(0, 24)) : mapToGlobal(QPoint(0, 0));
    pmReload->popup(at);
}

void TfrmREG::Exit1Click() { close(); }

// ---- refresh -------------------------------------------------------------------

void TfrmREG::RefreshAfterLoad() {
    UpdateCaption();
    BoxCoxDone = false;
    Reg* model = state_.Model();
    cbSelect->clear();
    if (model) {
        QStringList names;
        for (int j = 0; j < model->GetVarCount(); ++j) names << QString::fromStdString(model->GetVarName(j));
        names.sort();
        cbSelect->addItems(names);
        EditColumnMarks.Reset(model->GetVarCount());
        InfluenceColumnMarks.Reset(2 * model->GetVarCount() + 6);
        ObservationMarks.Reset(model->GetObsCount());
        DiagnosticColumnMarks.Reset(kDiagnosticColumns);
        MarkAnchor = -1;
    }
    UpdateTwoStageIndicator();
    // A data set as loaded or saved has no edit history: an undo must not
    // bring back what the file on disk no longer holds.
    state_.Undo().ClearAll();
    state_.Services().SetUndoEditEnabled(false);
    state_.Services().SetRedoEditEnabled(false);
    if (model) {
        for (TStringGrid* grid : {sgEdit, sgRes, sgAna}) {
            grid->SetTopRow(1);
            grid->SetLeftCol(1);
        }
        editTop_ = resTop_ = anaTop_ = 1;
        tsEditShow();
        sgEdit->SetCurrentCell(1, 1);
        RefreshActivePage();
    }
    UpdateClipboardActions();
}

void TfrmREG::UpdateCaption() {
    Reg* model = state_.Model();
    if (!model) return;
    std::string caption = LoadStr(kStrCaptionPrefix);
    const std::string& name = model->GetFileName();
    if (!name.empty()) {
        const std::string folder = DataFolder();
        if (!folder.empty() && name.size() > folder.size() && name.compare(0, folder.size(), folder) == 0)
            caption += name.substr(folder.size());
        else
            caption += name;
    }
    setWindowTitle(QString::fromStdString(caption));
}

void TfrmREG::UpdateTwoStageIndicator() {
    Reg* model = state_.Model();
    const bool twoStage = model && model->IsTwoStage();
    QAction* lse = Action("LSE");
    lse->setChecked(twoStage);
    lse->setIcon(ImageIcon(twoStage ? kImageTwoStageLSE : kImageOrdinaryLSE));
    if (twoStage && !model->HasEstimate()) {
        stLIML->setText(QStringLiteral("-"));  // no root beside a refused fit
    } else if (twoStage) {
        std::string root;
        try {
            const double ratio = ComputeLimlRoot(*model);
            root = ratio < 0.0 ? std::string() : FormatNumber(false, ratio);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            root = "-";  // not computable for this model; the fit itself stands
        }
        stLIML->setText(QString::fromStdString(root));
    }
    stLIMLAction->setVisible(twoStage);
    Action("btnRealCalc")->setVisible(twoStage);
}

void TfrmREG::btnRealCalcClick() {
    Reg* model = state_.Model();
    if (model && model->IsTwoStage()) {
        model->SetRealCalc(!model->IsRealCalc());
        model->Reestimate(false);
    }
    const bool on = model && model->IsRealCalc();
    Action("btnRealCalc")->setIcon(on ? ImageIcon(kImageRealCalc) : QIcon());
    RefreshActivePage();
}

// ---- view ------------------------------------------------------------------------

void TfrmREG::mnuTBViewClick() {
    const bool show = Action("mnuTBView")->isChecked();
    TB1->setVisible(show);
    TB2->setVisible(show);
}

void TfrmREG::mnuSBViewClick() { statusBar()->setVisible(Action("mnuSBView")->isChecked()); }

void TfrmREG::mnuEditViewClick() { PC->setCurrentWidget(tsEdit); }
void TfrmREG::mnuSelectViewClick() { PC->setCurrentWidget(tsSelect); }
void TfrmREG::mnuCheckViewClick() { PC->setCurrentWidget(tsCheck); }
void TfrmREG::mnuAnalysisViewClick() { PC->setCurrentWidget(tsAnalysis); }
void TfrmREG::mnuPredViewClick() { PC->setCurrentWidget(tsPredict); }

void TfrmREG::NextPageExecute() { PC->setCurrentIndex((PC->currentIndex() + 1) % PC->count()); }

void TfrmREG::PreviousPageExecute() { PC->setCurrentIndex((PC->currentIndex() + PC->count() - 1) % PC->count()); }

void TfrmREG::OptionSetExecute() {
    if (!settings_) return;
    settings_->exec();
    RefreshActivePage();
    UpdateCaption();
}

void TfrmREG::MacroSetExecute() {
    if (!macro_ || macro_->isVisible()) return;
    connect(macro_, &QDialog::finished, this, [this] {
        RefreshVariableList();
        RefreshActivePage();
    }, Qt::SingleShotConnection);
    // Modal without a nested event loop.
    macro_->setWindowModality(Qt::ApplicationModal);
    macro_->show();
}

// ---- help ------------------------------------------------------------------------

void TfrmREG::HelpContentsExecute() {
    if (!state_.Services().ShowHelp(helpFile_, 0)) ErrorBox(state_.Services(), LoadStr(kStrHelpFailed));
}

void TfrmREG::HelpConTextExecute() {
    if (!state_.Services().ShowHelp(helpFile_, kHelpContextMain)) ErrorBox(state_.Services(), LoadStr(kStrHelpFailed));
}

// ---- close -----------------------------------------------------------------------

bool TfrmREG::FormClose() {
    // The settings are written first, whatever becomes of the data.
    if (settings_) (void)settings_->SaveSettings();
    if (!ConfirmSaveIfModified()) return false;
    state_.SetModel(nullptr);
    return true;
}

void TfrmREG::closeEvent(QCloseEvent* event) {
    bool close = false;
    GuardCommand(state_.Services(), [&] { close = FormClose(); });
    if (close)
        event->accept();
    else
        event->ignore();
}

// ---- pages -----------------------------------------------------------------------

void TfrmREG::FitMarks() {
    Reg* model = state_.Model();
    if (!model) return;
    FitObservationMarks(ObservationMarks, MarkAnchor, model->GetObsCount());
    EditColumnMarks.Resize(model->GetVarCount());
}

void TfrmREG::RefreshActivePage() {
    if (!state_.Model()) return;
    FitMarks();
    switch (PC->currentIndex()) {
    case 0:
        tsEditShow();
        sgEditClick();
        break;
    case 1: tsSelectShow(); break;
    case 2: tsCheckShow(); break;
    case 3: tsAnalysisShow(); break;
    case 4: tsPredictShow(); break;
    default: break;
    }
}

QString TfrmREG::EditCellText(int c, int r) const {
    const Reg* model = state_.Model();
    if (!model) return {};
    if (r == 0) {
        if (c == 0) return QStringLiteral("CLR");
        return c - 1 < model->GetVarCount() ? QString::fromStdString(model->GetVarName(c - 1)) : QString();
    }
    if (r - 1 >= model->GetObsCount()) return {};
    if (c == 0) return QString::number(r);
    if (c - 1 >= model->GetVarCount()) return {};
    return QString::fromStdString(FormatNumber(false, model->GetValue(r - 1, c - 1)));
}

// The grids hold no texts of their own here: the rows in view are asked of
// the model when they are painted, so every visible row is filled however
// tall the window, and a scroll costs what one screen costs.
void TfrmREG::tsEditShow() {
    const Reg* model = state_.Model();
    if (!model) return;
    const int k = model->GetVarCount();
    const int n = model->GetObsCount();
    sgEdit->SetColCount(k + 1);
    sgEdit->SetRowCount(std::max(n + 1, 2));
    const QFontMetrics metrics(sgEdit->font());
    sgEdit->SetColWidth(0, std::max(metrics.horizontalAdvance(QString::number(n)) + 16, 48));
    for (int j = 0; j < k; ++j) {
        const int w = metrics.horizontalAdvance(QString::fromStdString(model->GetVarName(j)));
        sgEdit->SetColWidth(j + 1, w > 80 ? w + 20 : 100);
    }
    editTop_ = sgEdit->TopRow();
    sgEdit->InvalidateGrid();
}

void TfrmREG::sgEditTopLeftChanged() {
    if (sgEdit->TopRow() != editTop_) tsEditShow();
}

void TfrmREG::sgResTopLeftChanged() {
    if (sgRes->TopRow() != resTop_) tsCheckShow();
}

void TfrmREG::sgAnaTopLeftChanged() {
    if (sgAna->TopRow() != anaTop_) tsAnalysisShow();
}

QString TfrmREG::StatusPanel(int i) const { return (i == 0 ? sbPanel0 : sbPanel1)->text(); }

void TfrmREG::sgEditClick() {
    const Reg* model = state_.Model();
    if (!model) return;
    const int c = sgEdit->Col(), r = sgEdit->Row();
    const int j = c - 1, i = r - 1;
    inputEdited_ = false;
    if (j < 0 || i < 0 || j >= model->GetVarCount() || i >= model->GetObsCount()) {
        // No cell (the data set shrank under the cursor): no stale value
        // that Enter would write back.
        cbInput->setEditText(QString());
        inputHoldsCell_ = false;
        return;
    }
    const double value = model->GetValue(i, j);
    const std::string valueText = FloatToStrGeneral(value);
    std::string status = FormatIndexedLabel(sgEdit->Cell(c, 0).toStdString(), sgEdit->Cell(0, r).toStdString(), true);
    if (const std::uint16_t group = model->GetMark(i, j); group != 0)
        status += FormatIndexedLabel(" in group", GroupMaskText(group, false), true);
    status += " = " + valueText;
    sbPanel0->setText(QString::fromStdString(status));
    sbPanel1->setText(QString::fromStdString(model->GetVarInfo(j)));
    state_.Evaluator().SetCurrentValue(value);
    // Selected, the caret after its end: what is typed next replaces the
    // value rather than joining it; End, an arrow or a click keeps it.
    cbInput->setEditText(QString::fromStdString(valueText));
    if (QLineEdit* line = cbInput->lineEdit()) line->selectAll();
    inputHoldsCell_ = true;
    cbInput->setFocus();
}

// ---- marks -----------------------------------------------------------------------

void TfrmREG::ClearColumnMarks() {
    EditColumnMarks.Clear();
    DiagnosticColumnMarks.Clear();
    InfluenceColumnMarks.Clear();
}

void TfrmREG::SetObservationMarkRange(TStringGrid* grid, int from, bool value, int to) {
    const Reg* model = state_.Model();
    if (!model) return;
    ::SetObservationMarkRange(ObservationMarks, from, to, value, model->GetObsCount());
    for (int i = std::max(0, std::min(from, to)); i <= std::min(std::max(from, to), model->GetObsCount() - 1); ++i)
        grid->InvalidateCell(0, i + 1);
}

void TfrmREG::MarkObservationsByClick(TStringGrid* grid, Qt::KeyboardModifiers mods, int row) {
    const Reg* model = state_.Model();
    if (!model || row < 1) return;
    ::MarkObservationsByClick(ObservationMarks, MarkAnchor, KeysOf(mods), row - 1, model->GetObsCount());
    // A range or a cleared set changes other headers too.
    grid->InvalidateGrid();
}

void TfrmREG::UpdateClipboardActions() {
    const bool any = CountMarkedObservations() > 0;
    for (const char* name : {"CutEdit", "CopyEdit"})
        if (QAction* a = Action(name)) a->setEnabled(any);
}

int TfrmREG::CountMarkedObservations() const { return CountMarked(ObservationMarks); }

int TfrmREG::CountMarkedColumns(bool all) const {
    int count = CountMarked(EditColumnMarks);
    if (all) count += CountMarked(DiagnosticColumnMarks) + CountMarked(InfluenceColumnMarks);
    return count;
}

ResultColumn TfrmREG::AnalysisColumnCode(int j0, bool raw) const {
    std::vector<ResultColumn> columns = influenceColumns_;
    if (const Reg* model = state_.Model(); model && columns.empty()) columns = InfluenceGridColumns(*model);
    if (j0 < 0 || j0 >= static_cast<int>(columns.size())) return {};
    ResultColumn column = columns[static_cast<std::size_t>(j0)];
    if (raw && column.kind == ResultKind::ScaledDfbeta) column.kind = ResultKind::RawDfbeta;
    return column;
}

ResultColumn TfrmREG::TakeNextMarkedColumnCode() {
    if (int j = EditColumnMarks.FindFirst(); j >= 0) {
        EditColumnMarks.Set(j, 0);
        return {ResultKind::Variable, j};
    }
    if (int j = DiagnosticColumnMarks.FindFirst(); j >= 0) {
        DiagnosticColumnMarks.Set(j, 0);
        return {ResultKind::Diagnostic, j};
    }
    if (int j = InfluenceColumnMarks.FindFirst(); j >= 0) {
        InfluenceColumnMarks.Set(j, 0);
        return AnalysisColumnCode(j, false);
    }
    return {};
}

void TfrmREG::TakeXYColumnCodes() {
    PlotColumnY = TakeNextMarkedColumnCode();
    PlotColumnX = TakeNextMarkedColumnCode();
}

void TfrmREG::sgEditMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) {
    Reg* model = state_.Model();
    if (!model) return;
    int c, r;
    sgEdit->MouseToCell(x, y, c, r);
    if (c < 0 || r < 0) return;
    if (button == Qt::LeftButton) {
        if (c == 0 && r >= 1) {
            MarkObservationsByClick(sgEdit, mods, r);
        } else if (r == 0 && c >= 1 && c <= model->GetVarCount()) {
            Selekto* all[3] = {&EditColumnMarks, &DiagnosticColumnMarks, &InfluenceColumnMarks};
            ClickColumnMark(all, EditColumnMarks, mods & Qt::ControlModifier, c - 1);
            tsEditShow();
        } else if (c == 0 && r == 0) {
            ObservationMarks.Clear();
            ClearColumnMarks();
            tsEditShow();
        }
    } else if (button == Qt::RightButton && c == 0 && r == 0) {
        ChoiceDataExecute();
    } else if (button == Qt::RightButton && c >= 1 && r >= 1) {
        pmEdit->popup(sgEdit->viewport()->mapToGlobal(QPoint(x, y)));
    }
}

void TfrmREG::ShowResultColumnStatistics(ResultColumn column, int k) {
    const Reg* model = state_.Model();
    if (!model) return;
    if (ReadsFit(column)) model->RequireEstimate();
    const int n = model->GetObsCount();
    std::vector<double> values(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = ResultColumnValue(*model, column, i);
    std::vector<int> numbers;
    if (ReadsFit(column)) {
        // A figure of the fit that an observation of leverage 1 lacks: the
        // statistics are those of the other observations, under their own
        // numbers.
        std::vector<double> leverage;
        model->GetAnalysisRow(model->PressLeverageRow(), leverage);
        ColumnFigures figures = FiguresToShow(state_.Services(), values.data(), leverage.data(), n, k);
        values = std::move(figures.values);
        numbers = std::move(figures.numbers);
        k = figures.observation;
    }
    const std::string title = ResultColumnTitle(*model, column);
    if (showFundamentalStats_)
        showFundamentalStats_(title, values, k);
    else
        ShowFundamentalStats(ViewContext(), title, values.data(), static_cast<int>(values.size()), k, numbers);
}

void TfrmREG::GridMouseMove(TStringGrid* grid, Qt::MouseButtons buttons, int x, int y) {
    const Reg* model = state_.Model();
    if (!model || !(buttons & Qt::LeftButton)) return;
    int c, r;
    grid->MouseToCell(x, y, c, r);
    if (c != 0 || r < 1 || r > model->GetObsCount() || IsMarked(ObservationMarks, r - 1)) return;
    ObservationMarks.Set(r - 1, 1);
    grid->InvalidateCell(0, r);
}

// ---- cursor actions --------------------------------------------------------------

TStringGrid* TfrmREG::ActiveGrid() const {
    switch (PC->currentIndex()) {
    case 0: return sgEdit;
    case 2: return sgRes;
    case 3: return sgAna;
    default: return nullptr;
    }
}

Selekto* TfrmREG::ColumnMarksOf(TStringGrid* grid) {
    if (grid == sgEdit) return &EditColumnMarks;
    if (grid == sgRes) return &DiagnosticColumnMarks;
    if (grid == sgAna) return &InfluenceColumnMarks;
    return nullptr;
}

void TfrmREG::MoveCursor(int c, int r) {
    TStringGrid* grid = ActiveGrid();
    grid->SetCurrentCell(c, r);
    if (grid == sgEdit) sgEditClick();
}

void TfrmREG::CurLeftExecute() {
    TStringGrid* g = ActiveGrid();
    if (!g || !state_.Model()) return;
    if (g->Col() >= 2)
        MoveCursor(g->Col() - 1, g->Row());
    else if (g->Row() > 1)
        MoveCursor(g->ColCount() - 1, g->Row() - 1);
}

void TfrmREG::CurRightExecute() {
    TStringGrid* g = ActiveGrid();
    if (!g || !state_.Model()) return;
    if (g->Col() + 2 <= g->ColCount())
        MoveCursor(g->Col() + 1, g->Row());
    else if (g->Row() + 1 < g->RowCount())
        MoveCursor(1, g->Row() + 1);
}

void TfrmREG::CurUpExecute() {
    TStringGrid* g = ActiveGrid();
    if (!g || !state_.Model()) return;
    if (g->Row() >= 2)
        MoveCursor(g->Col(), g->Row() - 1);
    else if (g->Col() > 1)
        MoveCursor(g->Col() - 1, g->RowCount() - 1);
}

void TfrmREG::CurDownExecute() {
    TStringGrid* g = ActiveGrid();
    if (!g || !state_.Model()) return;
    if (g->Row() + 2 <= g->RowCount())
        MoveCursor(g->Col(), g->Row() + 1);
    else if (g->Col() + 1 < g->ColCount())
        MoveCursor(g->Col() + 1, 1);
}

void TfrmREG::CurHomeExecute() {
    if (ActiveGrid() && state_.Model()) MoveCursor(1, 1);
}

void TfrmREG::CurEndExecute() {
    if (TStringGrid* g = ActiveGrid(); g && state_.Model()) MoveCursor(g->ColCount() - 1, g->RowCount() - 1);
}

void TfrmREG::V_SetExecute() {
    TStringGrid* g = ActiveGrid();
    if (!g || !state_.Model()) return;
    ColumnMarksOf(g)->Set(g->Col() - 1, 1);
    RefreshActivePage();
}

void TfrmREG::V_ResetExecute() {
    TStringGrid* g = ActiveGrid();
    if (!g || !state_.Model()) return;
    ColumnMarksOf(g)->Set(g->Col() - 1, 0);
    RefreshActivePage();
}

void TfrmREG::D_SetExecute() {
    TStringGrid* g = ActiveGrid();
    if (!g || !state_.Model()) return;
    SetObservationMarkRange(g, g->Row() - 1, true, g->Row() - 1);
    UpdateClipboardActions();
}

void TfrmREG::D_ResetExecute() {
    TStringGrid* g = ActiveGrid();
    if (!g || !state_.Model()) return;
    SetObservationMarkRange(g, g->Row() - 1, false, g->Row() - 1);
    UpdateClipboardActions();
}

void TfrmREG::ClearRowColExecute() {
    if (!ActiveGrid() || !state_.Model()) return;
    ObservationMarks.Clear();
    ClearColumnMarks();
    UpdateClipboardActions();
    RefreshActivePage();
}

void TfrmREG::mnuChoiceClick() {
    const Reg* model = state_.Model();
    if (!model) return;
    const GridRect sel = sgEdit->Selection();
    ObservationMarks.Clear();
    EditColumnMarks.Clear();
    ::SetObservationMarkRange(ObservationMarks, sel.top - 1, sel.bottom - 1, true, model->GetObsCount());
    for (int j = sel.left - 1; j <= std::min(sel.right - 1, model->GetVarCount() - 1); ++j) EditColumnMarks.Set(j, 1);
    tsEditShow();
    UpdateClipboardActions();
}

void TfrmREG::ChoiceDataExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const InputAnswer a = state_.Services().AskInput("データ組選択", {}, "");
    if (a.result != mrOK || a.text.empty()) return;
    const int n = model->GetObsCount();
    try {
        if (a.text[0] == '=') {
            const std::string condition = a.text.substr(1);
            std::vector<std::uint8_t> marks(static_cast<std::size_t>(n), 0);
            for (int i = 0; i < n; ++i) marks[static_cast<std::size_t>(i)] = state_.Evaluator().TestAtObservation(condition, i) ? 1 : 0;
            ObservationMarks.Reset(n);
            for (int i = 0; i < n; ++i) ObservationMarks.Set(i, marks[static_cast<std::size_t>(i)]);
        } else {
            std::vector<std::uint8_t> listed(static_cast<std::size_t>(n), 0);
            state_.Evaluator().ParseIndexList(a.text, listed.data(), n);
            for (int i = 0; i < n; ++i)
                if (listed[static_cast<std::size_t>(i)]) ObservationMarks.Set(i, 1);
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
    RefreshActivePage();
    UpdateClipboardActions();
}
