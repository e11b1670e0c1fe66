#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
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
#include <filesystem>
#include <system_error>

#include "app/main_actions.h"
#include "app/placeholder_windows.h"
#include "app/settings_dialog.h"
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
    SetHelpFile((fs::path(QCoreApplication::applicationDirPath().toStdString()) / "MERLOX.chm").string());
    resize(1000, 680);
}

TfrmREG::~TfrmREG() = default;

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
    cbSelect = new QComboBox(tsSelect);
    cbSelect->setObjectName(QStringLiteral("cbSelect"));
    cbSelect->setMinimumWidth(240);
    auto* selectLayout = new QVBoxLayout(tsSelect);
    selectLayout->addWidget(cbSelect, 0, Qt::AlignLeft);
    selectLayout->addStretch();
    setCentralWidget(PC);
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
                    [this, handler] { GuardCommand(state_.Services(), [&] { (this->*handler)(); }); });
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
            [this] { GuardCommand(state_.Services(), [&] { btnRealCalcClick(); }); });
    TB2->addAction(realCalc);
    realCalc->setVisible(false);
    actions_["btnRealCalc"] = realCalc;
    stLIML = new QLabel(this);
    stLIML->setObjectName(QStringLiteral("stLIML"));
    stLIMLAction = TB2->addWidget(stLIML);
    stLIMLAction->setVisible(false);

    QStatusBar* sb = statusBar();
    sb->setObjectName(QStringLiteral("SB"));
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

void TfrmREG::tsEditShow() { PC->setCurrentWidget(tsEdit); }

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
        return GuardCommand(state_.Services(), [&] { SaveAs(*model, name); });
    }
    return GuardCommand(state_.Services(), [&] { WriteFile(*model); });
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
    std::error_code ec;
    if (!fs::is_regular_file(fs::path(fileName), ec)) {
        ErrorBox(state_.Services(), kNoFile + fileName);
        return false;
    }
    if (UpperExtension(fileName) == ".MCR") {
        if (macro_) macro_->OpenMacroFile(fileName);
        return true;
    }
    tsEditShow();
    if (!ConfirmSaveIfModified()) return false;

    // Read into a fresh model; the current one goes only when that worked.
    auto fresh = std::make_unique<Reg>(state_.Context(), 3, 2);
    fresh->SetFileCompanions(&state_.FileCompanions());
    GridColorList formerColors;
    formerColors.Assign(state_.Colors());
    state_.Colors().Clear();
    try {
        LoadFile(*fresh, fileName);
    } catch (...) {
        state_.Colors().Assign(formerColors);
        throw;
    }
    state_.SetModel(std::move(fresh));
    RefreshAfterLoad();
    tsEditShow();
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

void TfrmREG::NewFileExecute() {
    UiServices& ui = state_.Services();
    InputAnswer a = ui.AskInput("新しいデータの名前は？", {}, "");
    if (a.result != mrOK) return;
    const std::string title = a.text.empty() ? std::string("NONAME") : a.text;
    const std::string fileName = DataFolder() + title + ".MDF";

    a = ui.AskInput("変数の数は？", {LoadStr(kStrImport)}, "");
    if (a.result != mrOK || a.text.empty()) return;
    // Taking variables from another file comes with the external-variables window.
    if (a.text == LoadStr(kStrImport)) return;
    const int k = std::max(2, RoundToInt(state_.Evaluator().Evaluate(a.text, 2.0), "変数の数"));

    a = ui.AskInput("データ組数は？", {}, "");
    if (a.result != mrOK) return;
    int n = RoundToInt(state_.Evaluator().Evaluate(a.text, k + 2.0), "データ組数");
    if (n <= k + 1) n = k + 2;

    if (!ConfirmSaveIfModified()) return;
    auto fresh = std::make_unique<Reg>(state_.Context(), n, k, title);
    fresh->SetFileName(fileName);
    fresh->SetTwoStage(false);
    const int best = fresh->SetDependent(k - 1);
    (void)fresh->ToggleVariable(best);
    state_.SetModel(std::move(fresh));
    tsEditShow();
    RefreshAfterLoad();
    // The new data set is written at once; when that fails it stays open.
    SaveAs(*state_.Model(), fileName);
    RefreshAfterLoad();
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
    UpdateCaption();
}

void TfrmREG::UpdateRecentFiles() {
    mnuReload->clear();
    pmReload->clear();
    ReloadFiles& files = state_.RecentFiles();
    int i = 0;
    while (i < files.Count()) {
        const std::string name = files.GetItem(i);
        std::error_code ec;
        if (!fs::is_regular_file(fs::path(name), ec)) {
            files.Remove(name);
            continue;
        }
        QString caption = QStringLiteral("&%1 %2").arg(i).arg(QString::fromStdString(name).replace(
                                                                   QLatin1Char('&'), QStringLiteral("&&")));
        for (QMenu* menu : {mnuReload, pmReload}) {
            QAction* item = menu->addAction(caption);
            connect(item, &QAction::triggered, this,
                    [this, name] { GuardCommand(state_.Services(), [&] { LastFileOpen(name); }); });
        }
        ++i;
    }
    const bool any = files.Count() > 0;
    mnuReload->menuAction()->setVisible(any);
    Action("mnuRFClear")->setVisible(any);
}

void TfrmREG::LastFileOpen(const std::string& fileName) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::path(fileName), ec)) {
        // A recent file that is gone leaves the list.
        state_.RecentFiles().Remove(fileName);
        UpdateRecentFiles();
    }
    OpenAndRemember(fileName);
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
        for (int j = 0; j < model->GetVarCount(); ++j) cbSelect->addItem(QString::fromStdString(model->GetVarName(j)));
        EditColumnMarks.Reset(model->GetVarCount());
        InfluenceColumnMarks.Reset(2 * model->GetVarCount() + 6);
        ObservationMarks.Reset(model->GetObsCount());
    }
    UpdateTwoStageIndicator();
    // A freshly loaded data set has no edit history.
    state_.Services().SetUndoEditEnabled(false);
    state_.Services().SetRedoEditEnabled(false);
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
    if (twoStage) {
        std::string root;
        try {
            root = FormatNumber(false, ComputeLimlRoot(*model));
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
    UpdateCaption();
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
