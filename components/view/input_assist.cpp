#include "components/view/input_assist.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/view/input_assist_text.h"
#include "components/view/qt_text.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "core/text/general_float.h"
#include "eval/app_state.h"
#include "eval/reserved_words.h"
#include "macro/macro_engine.h"
#include "platform/errors.h"

namespace {

constexpr int kHelpContextAssist = 1002;
constexpr int kKeyWidth = 44;
constexpr int kKeyHeight = 26;

struct TokenKey {
    const char* name;
    const char* caption;
    const char* token;
    int row, col;
};

// The calculator keys: digits in a block, operators beside them, brackets
// and the other signs around. Full-width captions insert their ASCII sign.
const TokenKey kTokenKeys[] = {
    {"btnSeven", "7", "7", 0, 0},  {"btnEight", "8", "8", 0, 1},      {"btnNine", "9", "9", 0, 2},
    {"btnDiv", "/", "/", 0, 3},    {"btnLK", "(", "(", 0, 4},         {"btnRK", ")", ")", 0, 5},
    {"btnNot", "!", "!", 0, 6},    {"btnComma", "，", ",", 0, 7},     {"btnFour", "4", "4", 1, 0},
    {"btnFive", "5", "5", 1, 1},   {"btnSix", "6", "6", 1, 2},        {"btnMul", "*", "*", 1, 3},
    {"btnLD", "[", "[", 1, 4},     {"btnRD", "]", "]", 1, 5},         {"btnAlpha", "@", "@", 1, 6},
    {"btnSemiColon", "；", ";", 1, 7}, {"btnOne", "1", "1", 2, 0},    {"btnTwo", "2", "2", 2, 1},
    {"btnThree", "3", "3", 2, 2},  {"btnMinus", "-", "-", 2, 3},      {"btnLess", "<", "<", 2, 4},
    {"btnGreat", ">", ">", 2, 5},  {"btnSharp", "#", "#", 2, 6},      {"btnQuest", "？", "?", 2, 7},
    {"btnZero", "0", "0", 3, 0},   {"btnPow", "^", "^", 3, 2},        {"btnPlus", "+", "+", 3, 3},
    {"btnEqual", "=", "=", 3, 4},  {"btnColon", "：", ":", 3, 5},
};

}  // namespace

TfrmInputAssist::TfrmInputAssist(AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmInputAssist"));
    setWindowTitle(QStringLiteral("入力補助"));

    cbVarNames = new QComboBox(this);
    cbVarNames->setObjectName(QStringLiteral("cbVarNames"));
    cbFuncNames = new QComboBox(this);
    cbFuncNames->setObjectName(QStringLiteral("cbFuncNames"));
    for (QComboBox* cb : {cbVarNames, cbFuncNames}) {
        cb->setMinimumWidth(150);
        // A scrolled list of 20 rather than one as tall as the screen.
        cb->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        cb->setMaxVisibleItems(20);
    }
    eEval = new QLineEdit(this);
    eEval->setObjectName(QStringLiteral("eEval"));
    eEval->setMinimumWidth(380);
    eEval->installEventFilter(this);

    auto* pickers = new QGridLayout;
    pickers->addWidget(new QLabel(QStringLiteral("変数名"), this), 0, 0);
    pickers->addWidget(cbVarNames, 0, 1);
    pickers->addWidget(new QLabel(QStringLiteral("関数名"), this), 1, 0);
    pickers->addWidget(cbFuncNames, 1, 1);
    pickers->setColumnStretch(1, 1);

    auto* keys = new QGridLayout;
    keys->setSpacing(3);
    BuildTokenButtons(keys);

    btnHome = MakeKey(QStringLiteral("btnHome"), QStringLiteral("Home"));
    btnLeft = MakeKey(QStringLiteral("btnLeft"), QStringLiteral("<-"));
    btnRight = MakeKey(QStringLiteral("btnRight"), QStringLiteral("->"));
    btnEnd = MakeKey(QStringLiteral("btnEnd"), QStringLiteral("End"));
    btnBS = MakeKey(QStringLiteral("btnBS"), QStringLiteral("BS"));
    btnDel = MakeKey(QStringLiteral("btnDel"), QStringLiteral("DEL"));
    btnAC = MakeKey(QStringLiteral("btnAC"), QStringLiteral("CLR"));
    int col = 0;
    for (QPushButton* b : {btnHome, btnLeft, btnRight, btnEnd, btnBS, btnDel, btnAC}) keys->addWidget(b, 4, col++);
    connect(btnHome, &QPushButton::clicked, this, &TfrmInputAssist::btnHomeClick);
    connect(btnEnd, &QPushButton::clicked, this, &TfrmInputAssist::btnEndClick);
    connect(btnLeft, &QPushButton::clicked, this, &TfrmInputAssist::btnLeftClick);
    connect(btnRight, &QPushButton::clicked, this, &TfrmInputAssist::btnRightClick);
    connect(btnBS, &QPushButton::clicked, this, &TfrmInputAssist::btnBSClick);
    connect(btnDel, &QPushButton::clicked, this, &TfrmInputAssist::btnDelClick);
    connect(btnAC, &QPushButton::clicked, this, &TfrmInputAssist::btnACClick);

    Calculate = new QAction(QStringLiteral("計"), this);
    Calculate->setObjectName(QStringLiteral("Calculate"));
    Calculate->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    addAction(Calculate);
    connect(Calculate, &QAction::triggered, this, &TfrmInputAssist::CalculateExecute);
    HelpContext = new QAction(QStringLiteral("HelpContext"), this);
    HelpContext->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    addAction(HelpContext);
    connect(HelpContext, &QAction::triggered, this, [this] { ShowHtmlHelp(state_.Context(), kHelpContextAssist); });

    btnCalc = new QPushButton(QStringLiteral("計"), this);
    btnCalc->setObjectName(QStringLiteral("btnCalc"));
    btnCalc->setFocusPolicy(Qt::NoFocus);
    btnCalc->setAutoDefault(false);
    connect(btnCalc, &QPushButton::clicked, Calculate, &QAction::trigger);
    btnOut = new QPushButton(QStringLiteral("入力(&I)"), this);
    btnOut->setObjectName(QStringLiteral("btnOut"));
    btnOut->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取り消し(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnOut, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    for (const char* name : {"ave", "sig", "max", "min"}) {
        QAction* a = PopupMenu1->addAction(QString::fromLatin1(name));
        a->setObjectName(QString::fromLatin1(name) + QStringLiteral("1"));
    }

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(btnCalc);
    bottom->addStretch();
    bottom->addWidget(btnOut);
    bottom->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pickers);
    layout->addWidget(eEval);
    layout->addLayout(keys);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbVarNames, qOverload<int>(&QComboBox::activated), this, &TfrmInputAssist::cbVarNamesChange);
    connect(cbFuncNames, qOverload<int>(&QComboBox::activated), this, &TfrmInputAssist::cbFuncNamesChange);
}

QPushButton* TfrmInputAssist::MakeKey(const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    // The keys never take the caret away from the edit.
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    b->setFixedSize(kKeyWidth, kKeyHeight);
    return b;
}

void TfrmInputAssist::BuildTokenButtons(QGridLayout* grid) {
    for (const TokenKey& k : kTokenKeys) {
        QPushButton* b = MakeKey(QString::fromLatin1(k.name), QString::fromUtf8(k.caption));
        const QString token = QString::fromLatin1(k.token);
        connect(b, &QPushButton::clicked, this, [this, token] { InsertToken(token); });
        grid->addWidget(b, k.row, k.col);
    }
    btnPeriod = MakeKey(QStringLiteral("btnPeriod"), QStringLiteral("．"));
    connect(btnPeriod, &QPushButton::clicked, this, &TfrmInputAssist::btnPeriodClick);
    grid->addWidget(btnPeriod, 3, 1);
}

QPushButton* TfrmInputAssist::TokenButton(const QString& name) const { return findChild<QPushButton*>(name); }

void TfrmInputAssist::SetRegData(const Reg* model) {
    model_ = model;
    cbVarNames->clear();
    if (model_) {
        for (int j = 0; j < model_->GetVarCount(); ++j) cbVarNames->addItem(Q(model_->GetVarName(j)));
        const UserVar& uv = state_.UserScalars();
        for (int i = 0; i < UserVar::kCount; ++i) cbVarNames->addItem(QStringLiteral("@") + Q(uv.GetActiveName(i)));
    }
    cbFuncNames->clear();
    for (int f = 0; f < kFunctionWords; ++f) cbFuncNames->addItem(QString::fromUtf8(FunctionNames[f]));
    for (const UserFunc& u : state_.UserFunctions().Functions())
        if (!u.Name().empty()) cbFuncNames->addItem(QStringLiteral("@") + Q(u.Name()));
    const MacroList& library = GetMacroEngine(state_).library;
    for (int m = 0; m < library.Count(); ++m) cbFuncNames->addItem(QStringLiteral("@~") + Q(library.EntryName(m)));
    eEval->clear();
    pending_.clear();
}

std::string TfrmInputAssist::Expression() const { return eEval->text().toStdString(); }

void TfrmInputAssist::SetExpression(const std::string& text) { eEval->setText(Q(text)); }

void TfrmInputAssist::InsertToken(const QString& token) {
    pending_ = token;
    eEval->insert(pending_);
    ShowHandler();
}

void TfrmInputAssist::InsertStatistic(const QString& name) {
    pending_ += name;
    eEval->insert(pending_);
    ShowHandler();
}

void TfrmInputAssist::cbVarNamesChange(int index) {
    if (index < 0 || index >= cbVarNames->count()) return;
    InsertToken(VariableItemText(cbVarNames->itemText(index)));
}

void TfrmInputAssist::cbFuncNamesChange(int index) {
    if (index < 0 || index >= cbFuncNames->count()) return;
    InsertToken(FunctionItemText(cbFuncNames->itemText(index)));
}

QString TfrmInputAssist::WordForStatistics() const {
    const QString before = eEval->text().left(eEval->cursorPosition());
    // The last insertion names the word only while it still stands right
    // before the caret; after typing or moving, the text itself does.
    QString word = !pending_.isEmpty() && before.endsWith(pending_) ? pending_
                                                                    : WordBeforeCaret(before, static_cast<int>(before.size()));
    if (word.startsWith(QLatin1Char('#'))) word.remove(0, 1);
    return word;
}

bool TfrmInputAssist::IsDataVariable(const QString& word) const {
    if (!model_ || word.isEmpty()) return false;
    const int j = model_->FindVar(word.toStdString());
    return j >= 0 && j < model_->GetVarCount();
}

void TfrmInputAssist::btnPeriodClick() {
    const QString word = WordForStatistics();
    pending_ = QStringLiteral(".");
    if (!IsDataVariable(word)) {
        eEval->insert(pending_);
        ShowHandler();
        return;
    }
    if (QAction* a = PopupMenu1->exec(QCursor::pos())) InsertStatistic(a->text());
}

void TfrmInputAssist::eEvalPeriodTyped() {
    const QString word = WordForStatistics();
    eEval->insert(QStringLiteral("."));
    pending_.clear();
    if (!IsDataVariable(word)) return;
    if (QAction* a = PopupMenu1->exec(eEval->mapToGlobal(QPoint(0, eEval->height())))) InsertStatistic(a->text());
}

void TfrmInputAssist::SetEditAndCaret(const QString& text, int caret) {
    if (eEval->text() != text) eEval->setText(text);
    eEval->setCursorPosition(caret);
    ShowHandler();
}

void TfrmInputAssist::btnHomeClick() { SetEditAndCaret(eEval->text(), 0); }

void TfrmInputAssist::btnEndClick() { SetEditAndCaret(eEval->text(), static_cast<int>(eEval->text().size())); }

void TfrmInputAssist::btnLeftClick() { SetEditAndCaret(eEval->text(), CaretLeft(eEval->text(), eEval->cursorPosition())); }

void TfrmInputAssist::btnRightClick() {
    SetEditAndCaret(eEval->text(), CaretRight(eEval->text(), eEval->cursorPosition()));
}

void TfrmInputAssist::btnBSClick() {
    const AssistEdit e = DeleteBeforeCaret(eEval->text(), eEval->cursorPosition());
    SetEditAndCaret(e.text, e.caret);
}

void TfrmInputAssist::btnDelClick() {
    const AssistEdit e = DeleteAtCaret(eEval->text(), eEval->cursorPosition());
    SetEditAndCaret(e.text, e.caret);
}

void TfrmInputAssist::btnACClick() { SetEditAndCaret(QString(), 0); }

void TfrmInputAssist::CalculateExecute() {
    const std::string text = Expression();
    if (text.empty()) return;
    CMacro& host = GetMacroEngine(state_).host;
    const double value = host.EvaluateExpression(text);
    // The host has shown the error; the expression stays to be mended.
    if (!host.Done()) {
        ShowHandler();
        return;
    }
    std::string shown;
    AppendGeneralFloat(shown, value);
    SetEditAndCaret(Q(shown), static_cast<int>(Q(shown).size()));
}

void TfrmInputAssist::ShowHandler() {
    if (isVisible()) eEval->setFocus();
}

void TfrmInputAssist::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    eEval->setFocus();
}

bool TfrmInputAssist::eventFilter(QObject* watched, QEvent* event) {
    if (watched == eEval && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->text() == QStringLiteral(".")) {
            eEvalPeriodTyped();
            return true;
        }
        // The edit would take Ctrl+A as "select all".
        if (key->key() == Qt::Key_A && (key->modifiers() & Qt::ControlModifier)) {
            CalculateExecute();
            return true;
        }
    }
    if (watched == eEval && event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_A && (key->modifiers() & Qt::ControlModifier)) {
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
