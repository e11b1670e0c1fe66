#include "app/macro/macro_window.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/macro/macro_colouring.h"
#include "app/macro/macro_typing_undo.h"
#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "macro/macro_engine.h"
#include "macro/macro_debugger.h"
#include "platform/command_guard.h"
#include "platform/qt/string_grid.h"

namespace {

constexpr int kHelpContextMacro = 1007;

struct MacroActionSpec {
    const char* name;
    const char* shortcut;
    const char* hint;
    QStyle::StandardPixmap icon;
    void (TfrmMacro::*handler)();
    bool onToolBar;
    bool separatorBefore;
};

// The tool bar shows them in this order.
const MacroActionSpec kMacroActions[] = {
    {"NewFile", "Ctrl+N", "新規作成する", QStyle::SP_FileIcon, &TfrmMacro::NewFileExecute, true, false},
    {"LoadFile", "Ctrl+O", "開く...", QStyle::SP_DialogOpenButton, &TfrmMacro::LoadFileExecute, true, false},
    {"SaveFile", "Ctrl+S", "上書保存", QStyle::SP_DialogSaveButton, &TfrmMacro::SaveFileExecute, true, false},
    {"SaveAsFile", nullptr, "名前をつけて保存", QStyle::SP_DriveFDIcon, &TfrmMacro::SaveAsFileExecute, true, false},
    {"UndoEdit", "Ctrl+Z", "アンドゥ", QStyle::SP_ArrowBack, &TfrmMacro::UndoEditExecute, true, true},
    {"CutEdit", "Ctrl+X", "切り取り", QStyle::SP_DialogDiscardButton, &TfrmMacro::CutEditExecute, true, false},
    {"CopyEdit", "Ctrl+C", "コピー", QStyle::SP_FileDialogNewFolder, &TfrmMacro::CopyEditExecute, true, false},
    {"PasteEdit", "Ctrl+V", "貼り付け", QStyle::SP_DialogApplyButton, &TfrmMacro::PasteEditExecute, true, false},
    {"AddMacro", "Ctrl+A", "マクロリストに追加", QStyle::SP_FileDialogDetailedView, &TfrmMacro::AddMacroExecute,
     true, true},
    {"SetMacro", "F8", "マクロ設定", QStyle::SP_FileDialogContentsView, &TfrmMacro::SetMacroExecute, true, false},
    {"RunMacro", "F9", "マクロ実行", QStyle::SP_MediaPlay, &TfrmMacro::RunMacroExecute, true, false},
    {"Reset", "F10", "初期化する", QStyle::SP_MediaSkipBackward, &TfrmMacro::ResetExecute, true, true},
    {"Cursor", "F11", "カーソル位置まで実行", QStyle::SP_MediaSeekForward, &TfrmMacro::CursorExecute, true, false},
    {"StepRun", "F12", "トレース実行", QStyle::SP_ArrowDown, &TfrmMacro::StepRunExecute, true, false},
    {"Exitence", nullptr, "終了", QStyle::SP_DialogCloseButton, &TfrmMacro::ExitenceExecute, true, true},
    {"HelpContext", "Ctrl+H", "", QStyle::SP_DialogHelpButton, &TfrmMacro::HelpContextExecute, false, false},
};

QLabel* RegisterLabel(QWidget* parent, const char* name, const char* hint) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(QString::fromUtf8("st") + QString::fromUtf8(name));
    label->setToolTip(QString::fromUtf8(hint));
    label->setStatusTip(QString::fromUtf8(hint));
    label->setMinimumWidth(60);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

}  // namespace

TfrmMacro::TfrmMacro(AppState& state, QWidget* parent)
    : QDialog(parent),
      state_(state),
      debugger_(std::make_unique<MacroDebugger>(state)) {
    setObjectName(QStringLiteral("frmMacro"));
    setWindowTitle(QStringLiteral("マクロ"));
    resize(760, 560);
    debugger_->SetLibrary(&Library());
    BuildPages();
    BuildActions();
    SB = new QStatusBar(this);
    SB->setObjectName(QStringLiteral("SB"));
    sbInsert = new QLabel(this);
    sbInsert->setObjectName(QStringLiteral("sbInsert"));
    sbInsert->setText(InsertPanelText());
    SB->addPermanentWidget(sbInsert);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TB);
    layout->addWidget(PC, 1);
    layout->addWidget(SB);
    connect(eSource, &TMacroEdit::OverwriteChanged, this, [this](bool) { sbInsert->setText(InsertPanelText()); });
    connect(eSource, &TMacroEdit::UndoRequested, this, &TfrmMacro::UndoEditExecute);
    connect(eSource->document(), &QTextDocument::contentsChange, this, [this](int position, int, int) {
        if (colouring_ && (changeStart_ < 0 || position < changeStart_)) changeStart_ = position;
    });
    connect(eSource, &QPlainTextEdit::textChanged, this, &TfrmMacro::eSourceChange);
    connect(PC, &QTabWidget::currentChanged, this, [this](int index) {
        if (PC->widget(index) == tsLib) Guarded([this] { tsLibShow(); });
        UpdateCaption();
    });
}

TfrmMacro::~TfrmMacro() = default;

void TfrmMacro::BuildPages() {
    PC = new QTabWidget(this);
    PC->setObjectName(QStringLiteral("PC"));
    tsEdit = new QWidget;
    tsEdit->setObjectName(QStringLiteral("tsEdit"));
    eSource = new TMacroEdit(tsEdit);
    eSource->setObjectName(QStringLiteral("eSource"));
    auto* editLayout = new QVBoxLayout(tsEdit);
    editLayout->addWidget(eSource);
    tsOutput = new QWidget;
    tsOutput->setObjectName(QStringLiteral("tsOutput"));
    eOut = new PasteSafeTextEdit(tsOutput);
    eOut->setObjectName(QStringLiteral("eOut"));
    eOut->setReadOnly(true);
    auto* outLayout = new QVBoxLayout(tsOutput);
    outLayout->addWidget(eOut);
    tsCode = new QWidget;
    tsCode->setObjectName(QStringLiteral("tsCode"));
    BuildCodePage(tsCode);
    tsLib = new QWidget;
    tsLib->setObjectName(QStringLiteral("tsLib"));
    BuildLibraryPage(tsLib);
    PC->addTab(tsEdit, QStringLiteral("編集"));
    PC->addTab(tsOutput, QStringLiteral("表示"));
    PC->addTab(tsCode, QStringLiteral("コード"));
    PC->addTab(tsLib, QStringLiteral("ライブラリー"));
}

void TfrmMacro::BuildCodePage(QWidget* page) {
    lbCode = new QListWidget(page);
    lbCode->setObjectName(QStringLiteral("lbCode"));
    auto* registers = new QGridLayout;
    const char* const names[] = {"BP", "LP", "AP", "EP", "SP"};
    const char* const hints[] = {"ブロックポインタ", "ループポインタ", "αポインタ", "例外ポインタ", "スタックポインタ"};
    QLabel** fields[] = {&stBP, &stLP, &stAP, &stEP, &stSP};
    for (int i = 0; i < 5; ++i) {
        auto* caption = new QLabel(QString::fromUtf8(names[i]), page);
        caption->setToolTip(QString::fromUtf8(hints[i]));
        *fields[i] = RegisterLabel(page, names[i], hints[i]);
        registers->addWidget(caption, 0, i);
        registers->addWidget(*fields[i], 1, i);
    }
    auto makeGrid = [page](const char* name, const char* first, const char* second) {
        auto* grid = new TStringGrid(page);
        grid->setObjectName(QString::fromUtf8(name));
        grid->SetColCount(2);
        grid->SetFixedCols(0);
        grid->SetFixedRows(1);
        grid->SetRowCount(2);
        grid->SetCell(0, 0, QString::fromUtf8(first));
        grid->SetCell(1, 0, QString::fromUtf8(second));
        grid->SetRangeSelect(false);
        return grid;
    };
    sgStack = makeGrid("sgStack", "SP", "VALUE");
    sgStack->SetDefaultColWidth(100);
    sgStack->SetColWidth(0, 50);
    sgACC = makeGrid("sgACC", "TYPE", "VALUE");
    sgACC->SetColWidth(0, 50);
    sgACC->SetColWidth(1, 210);
    sgStack->setMinimumWidth(50 + 100 + 24);
    sgACC->setMinimumWidth(50 + 210 + 24);
    connect(sgStack, &TStringGrid::Click, this, [this] { Guarded([this] { sgStackClick(sgStack->Row()); }); });

    auto* grids = new QHBoxLayout;
    auto* stackBox = new QVBoxLayout;
    stackBox->addWidget(new QLabel(QStringLiteral("STACK"), page));
    stackBox->addWidget(sgStack, 1);
    auto* accBox = new QVBoxLayout;
    accBox->addWidget(new QLabel(QStringLiteral("ACCUMULATOR"), page));
    accBox->addWidget(sgACC, 1);
    grids->addLayout(stackBox);
    grids->addLayout(accBox);
    auto* right = new QVBoxLayout;
    right->addLayout(registers);
    right->addLayout(grids, 1);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(lbCode, 1);
    layout->addLayout(right);
}

void TfrmMacro::BuildLibraryPage(QWidget* page) {
    lbList = new QListWidget(page);
    lbList->setObjectName(QStringLiteral("lbList"));
    btnMLEdit = new QPushButton(QStringLiteral("選択(&S)"), page);
    btnMLEdit->setObjectName(QStringLiteral("btnMLEdit"));
    btnMLAdd = new QPushButton(QStringLiteral("追加(&A)"), page);
    btnMLAdd->setObjectName(QStringLiteral("btnMLAdd"));
    btnMLDel = new QPushButton(QStringLiteral("削除(&D)"), page);
    btnMLDel->setObjectName(QStringLiteral("btnMLDel"));
    btnClear = new QPushButton(QStringLiteral("全消去(&C)"), page);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btnMLEdit, btnMLAdd, btnMLDel, btnClear}) buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(lbList, 1);
    layout->addLayout(buttons);
    connect(btnMLEdit, &QPushButton::clicked, this, [this] { Guarded([this] { btnMLEditClick(); }); });
    connect(btnMLAdd, &QPushButton::clicked, this, [this] { Guarded([this] { btnMLAddClick(); }); });
    connect(btnMLDel, &QPushButton::clicked, this, [this] { Guarded([this] { btnMLDelClick(); }); });
    connect(btnClear, &QPushButton::clicked, this, [this] { Guarded([this] { btnClearClick(); }); });
    connect(lbList, &QListWidget::itemDoubleClicked, this, [this] { Guarded([this] { btnMLEditClick(); }); });
}

void TfrmMacro::BuildActions() {
    TB = new QToolBar(this);
    TB->setObjectName(QStringLiteral("TB"));
    TB->setIconSize(QSize(20, 20));
    QStyle* style = QApplication::style();
    for (const MacroActionSpec& spec : kMacroActions) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromUtf8(spec.name));
        action->setText(QString::fromUtf8(spec.hint));
        action->setToolTip(QString::fromUtf8(spec.hint));
        action->setStatusTip(QString::fromUtf8(spec.hint));
        if (style) action->setIcon(style->standardIcon(spec.icon));
        if (spec.shortcut) {
            action->setShortcut(QKeySequence(QString::fromUtf8(spec.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        auto handler = spec.handler;
        connect(action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        connect(action, &QAction::hovered, this, [this, action] { SB->showMessage(action->statusTip()); });
        addAction(action);
        if (spec.onToolBar) {
            if (spec.separatorBefore) TB->addSeparator();
            TB->addAction(action);
        }
        actions_[spec.name] = action;
    }
}

void TfrmMacro::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    activateWindow();
    if (PC->currentWidget() == tsEdit) eSource->setFocus();
    UpdateCaption();
}

CMacro& TfrmMacro::Host() const { return GetMacroEngine(state_).host; }

QAction* TfrmMacro::Action(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void TfrmMacro::Guarded(const std::function<void()>& handler) { GuardCommand(state_.Services(), handler); }

QString TfrmMacro::InsertPanelText() const {
    return eSource && eSource->Overwrite() ? QStringLiteral("上書") : QStringLiteral("挿入");
}

// ---- the editor ------------------------------------------------------------------

void TfrmMacro::SetSourceText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    colouring_ = false;
    eSource->setPlainText(shown);
    eSource->CloseRecord();
    colouring_ = true;
    ColourMacroSource(*eSource, 0);
}

std::string TfrmMacro::SourceText() const { return eSource->toPlainText().toStdString(); }

void TfrmMacro::eSourceChange() {
    if (!colouring_) return;
    // The colouring changes formats only; that change must not come back here.
    colouring_ = false;
    const QString text = eSource->toPlainText();
    // From the caret's line, or from the line where a pasted block began.
    int from = eSource->textCursor().position();
    if (changeStart_ >= 0 && changeStart_ < from) from = changeStart_;
    changeStart_ = -1;
    ColourMacroSource(*eSource, MacroLineStart(text, from));
    colouring_ = true;
}

void TfrmMacro::UndoEditExecute() { eSource->UndoTyping(); }

void TfrmMacro::CutEditExecute() {
    eSource->CloseRecord();
    eSource->cut();
}

void TfrmMacro::CopyEditExecute() { eSource->copy(); }

void TfrmMacro::PasteEditExecute() {
    eSource->CloseRecord();
    eSource->paste();
}

void TfrmMacro::ExitenceExecute() { close(); }

void TfrmMacro::HelpContextExecute() { ShowHtmlHelp(state_.Context(), kHelpContextMacro); }

// ---- caption -----------------------------------------------------------------------

std::string TfrmMacro::DataFolder() const { return state_.Work().dataFolder; }

std::string TfrmMacro::Shown(const std::string& path) const {
    const std::string folder = DataFolder();
    if (!folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0)
        return path.substr(folder.size());
    return path;
}
