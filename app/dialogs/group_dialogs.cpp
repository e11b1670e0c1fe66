#include "app/dialogs/group_dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "components/view/guarded_slot.h"
#include "core/data/group_mask.h"
#include "core/model/data_edit_commands.h"
#include "core/model/group_edits.h"
#include "core/model/group_file.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

// Longest list of observation numbers offered; any number can be typed.
constexpr int kMaxListedObservations = 1000;

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QComboBox* Combo(QWidget* parent, const char* name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMinimumWidth(120);
    return c;
}

// A positive decimal number; anything else reads as 0.
int NumberOf(const QString& text) {
    int g = 0;
    GroupBitFromText(text.toStdString(), &g);
    return std::max(g, 0);
}

}  // namespace

// ---- TfrmGroup ------------------------------------------------------------------

TfrmGroup::TfrmGroup(AppState& state, int variable, int observation, QWidget* parent)
    : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmGroup"));
    setWindowTitle(QStringLiteral("グループ設定"));
    const Reg& m = Model();
    variable_ = std::clamp(variable, 0, std::max(m.GetVarCount() - 1, 0));
    first_ = last_ = std::clamp(observation, 0, std::max(m.GetObsCount() - 1, 0));

    cbVName = Combo(this, "cbVName");
    cbSNo = Combo(this, "cbSNo");
    cbENo = Combo(this, "cbENo");
    eGRP = new QLineEdit(QStringLiteral("1"), this);
    eGRP->setObjectName(QStringLiteral("eGRP"));
    eGRP->setMaximumWidth(80);
    stGrpName = Button(this, "stGrpName", "");
    stGrpName->setFlat(true);
    stGrpName->setToolTip(QStringLiteral("クリックするとグループ名を変更します"));
    stGrpName->setMinimumWidth(160);
    btnAllSel = Button(this, "btnAllSel", "全データ(&A)");
    btnSet = Button(this, "btnSet", "設定(&S)");
    btnReset = Button(this, "btnReset", "解除(&R)");
    btnClr = Button(this, "btnClr", "削除(&C)");
    btnAllReset = Button(this, "btnAllReset", "全グループ情報の解除");
    btnAllSelVar = Button(this, "btnAllSelVar", "選択変数群の一括設定");
    btnClose = Button(this, "btnClose", "閉じる");

    auto* grid = new QGridLayout();
    auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
    grid->addWidget(label("変数"), 0, 0);
    grid->addWidget(cbVName, 0, 1, 1, 3);
    grid->addWidget(label("データ組"), 1, 0);
    grid->addWidget(cbSNo, 1, 1);
    grid->addWidget(label("～"), 1, 2);
    grid->addWidget(cbENo, 1, 3);
    grid->addWidget(btnAllSel, 1, 4);
    grid->addWidget(label("グループ番号"), 2, 0);
    grid->addWidget(eGRP, 2, 1);
    grid->addWidget(label("名前"), 2, 2);
    grid->addWidget(stGrpName, 2, 3, 1, 2);
    auto* actions = new QHBoxLayout();
    actions->addWidget(btnSet);
    actions->addWidget(btnReset);
    actions->addWidget(btnClr);
    auto* whole = new QHBoxLayout();
    whole->addWidget(btnAllSelVar);
    whole->addWidget(btnAllReset);
    whole->addStretch(1);
    whole->addWidget(btnClose);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(actions);
    outer->addLayout(whole);

    auto guarded = [this](void (TfrmGroup::*f)()) {
        return Guarded(state_, [this, f] { (this->*f)(); });
    };
    connect(eGRP, &QLineEdit::textEdited, this, guarded(&TfrmGroup::eGRPChange));
    connect(cbVName, &QComboBox::editTextChanged, this, guarded(&TfrmGroup::cbVNameChange));
    connect(cbSNo, &QComboBox::editTextChanged, this, guarded(&TfrmGroup::cbSNoChange));
    connect(cbENo, &QComboBox::editTextChanged, this, guarded(&TfrmGroup::cbENoChange));
    connect(btnAllSel, &QPushButton::clicked, this, guarded(&TfrmGroup::btnAllSelClick));
    connect(btnSet, &QPushButton::clicked, this, guarded(&TfrmGroup::btnSetClick));
    connect(btnReset, &QPushButton::clicked, this, guarded(&TfrmGroup::btnResetClick));
    connect(btnClr, &QPushButton::clicked, this, guarded(&TfrmGroup::btnClrClick));
    connect(stGrpName, &QPushButton::clicked, this, guarded(&TfrmGroup::stGrpNameClick));
    connect(btnAllReset, &QPushButton::clicked, this, guarded(&TfrmGroup::btnAllResetClick));
    connect(btnAllSelVar, &QPushButton::clicked, this, guarded(&TfrmGroup::btnAllSelVarClick));
    connect(btnClose, &QPushButton::clicked, this, [this] { done(mrOK); });
    FormActivate();
}

Reg& TfrmGroup::Model() const { return *state_.Model(); }

void TfrmGroup::FormActivate() {
    const Reg& m = Model();
    filling_ = true;
    cbVName->clear();
    for (int j = 0; j < m.GetVarCount(); ++j) cbVName->addItem(QString::fromStdString(m.GetVarName(j)));
    cbSNo->clear();
    cbENo->clear();
    const int n = m.GetObsCount();
    const int listed = std::min(n, kMaxListedObservations);
    for (int i = 1; i <= listed; ++i) {
        cbSNo->addItem(QString::number(i));
        cbENo->addItem(QString::number(i));
    }
    if (listed < n) {
        cbSNo->addItem(QString::number(n));
        cbENo->addItem(QString::number(n));
    }
    filling_ = false;
    FormShow();
}

void TfrmGroup::FormShow() {
    const Reg& m = Model();
    filling_ = true;
    if (variable_ >= 0 && variable_ < m.GetVarCount()) cbVName->setEditText(QString::fromStdString(m.GetVarName(variable_)));
    cbSNo->setEditText(QString::number(first_ + 1));
    cbENo->setEditText(QString::number(last_ + 1));
    if (group_ < 1) group_ = 1;
    stGrpName->setText(QString::fromStdString(m.GetGroupName(group_)));
    filling_ = false;
}

void TfrmGroup::eGRPChange() {
    group_ = NumberOf(eGRP->text());
    FormShow();
}

void TfrmGroup::cbVNameChange() {
    if (filling_) return;
    // A half-typed name is left alone.
    const int j = Model().FindVar(cbVName->currentText().toStdString());
    if (j >= 0) variable_ = j;
}

void TfrmGroup::cbSNoChange() {
    if (filling_) return;
    const int v = NumberOf(cbSNo->currentText());
    if (v >= 1 && v <= Model().GetObsCount()) first_ = v - 1;
}

void TfrmGroup::cbENoChange() {
    if (filling_) return;
    const int v = NumberOf(cbENo->currentText());
    if (v >= 1 && v <= Model().GetObsCount()) last_ = v - 1;
}

void TfrmGroup::btnAllSelClick() {
    first_ = 0;
    last_ = Model().GetObsCount() - 1;
    FormShow();
}

bool TfrmGroup::ReadRange(std::uint16_t& mask, int& variable, int& first, int& last) const {
    const Reg& m = Model();
    int g = 0;
    GroupBitFromText(eGRP->text().toStdString(), &g);
    // Only the sixteen groups exist.
    mask = g >= 1 && g <= 16 ? GroupBit(g) : 0;
    variable = m.FindVar(cbVName->currentText().toStdString());
    first = NumberOf(cbSNo->currentText());
    last = NumberOf(cbENo->currentText());
    if (mask == 0 || variable < 0 || first < 1 || last < 1) return false;
    if (first > last) std::swap(first, last);
    --first;
    --last;
    // Numbers past the end stop at the last observation.
    const int n = m.GetObsCount();
    if (first >= n) return false;
    last = std::min(last, n - 1);
    return true;
}

void TfrmGroup::ChangeRange(int how) {
    std::uint16_t mask = 0;
    int variable = 0, first = 0, last = 0;
    if (!ReadRange(mask, variable, first, last)) return;
    DataEdit ed{Model(), state_.Undo(), [this](const std::string& n) { return state_.IsReservedName(n); }};
    if (how == 2)
        ClearGroupRangeWithUndo(ed, variable, first, variable, last);
    else
        SetGroupRangeWithUndo(ed, variable, first, variable, last, how == 0, mask);
    variable_ = variable;
    first_ = first;
    last_ = last;
    FormShow();
}

void TfrmGroup::btnSetClick() { ChangeRange(0); }
void TfrmGroup::btnResetClick() { ChangeRange(1); }
void TfrmGroup::btnClrClick() { ChangeRange(2); }

void TfrmGroup::stGrpNameClick() {
    int g = NumberOf(eGRP->text());
    if (g < 1) g = 1;
    if (g > 16) return;  // no such group to name
    Reg& m = Model();
    const std::string prompt = LoadStr(kStrGroup) + "(" + m.GetGroupName(g) + ")の名前変更";
    const InputAnswer a = state_.Services().AskInput(prompt, {}, m.GetGroupName(g));
    if (a.result != mrOK || a.text.empty()) return;
    m.SetGroupName(g, a.text);
    group_ = g;
    FormShow();
}

void TfrmGroup::btnAllResetClick() {
    const int answer = state_.Services().ShowMessageBox(
        MsgKind::Warning, "全グループ情報を解除します。アンドゥによる修復はできません。", mbYesNo);
    if (answer != mrYes) return;
    ClearAllGroups(Model());
}

void TfrmGroup::btnAllSelVarClick() {
    const int answer = state_.Services().ShowMessageBox(
        MsgKind::Confirmation, "選択されている変数の全データを一括グループ設定します。", mbOKCancel);
    if (answer != mrOK) return;
    std::uint16_t mask = 0;
    int variable = 0, first = 0, last = 0;
    if (!ReadRange(mask, variable, first, last)) return;
    Reg& m = Model();
    std::vector<std::uint8_t> rows(m.GetObsCount(), 1);
    std::vector<std::uint8_t> cols(m.GetVarCount(), 0);
    for (int j = 0; j < m.GetVarCount(); ++j) cols[j] = m.GetRole(j) != Reg::kRoleUnused ? 1 : 0;
    DataEdit ed{m, state_.Undo(), [this](const std::string& n) { return state_.IsReservedName(n); }};
    SetGroupFlagsWithUndo(ed, rows, cols, mask);
}

// ---- TGrpSaveDlg ----------------------------------------------------------------

TGrpSaveDlg::TGrpSaveDlg(const Reg& model, std::function<std::string()> chooseFile, QWidget* parent)
    : QDialog(parent), model_(model), chooseFile_(std::move(chooseFile)) {
    setObjectName(QStringLiteral("GrpSaveDlg"));
    setWindowTitle(QStringLiteral("グループの保存"));
    eFile = new QLineEdit(this);
    eFile->setObjectName(QStringLiteral("eFile"));
    eFile->setReadOnly(true);
    eFile->setMinimumWidth(220);
    btnDir = Button(this, "btnDir", "...");
    btnDir->setMaximumWidth(40);
    lbGrpNo = new QListWidget(this);
    lbGrpNo->setObjectName(QStringLiteral("lbGrpNo"));
    OKBtn = Button(this, "OKBtn", "OK");
    OKBtn->setDefault(true);
    CancelBtn = Button(this, "CancelBtn", "キャンセル");

    auto* file = new QHBoxLayout();
    file->addWidget(new QLabel(QStringLiteral("ファイル"), this));
    file->addWidget(eFile, 1);
    file->addWidget(btnDir);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(file);
    outer->addWidget(new QLabel(QStringLiteral("保存するグループ"), this));
    outer->addWidget(lbGrpNo, 1);
    outer->addLayout(buttons);

    connect(btnDir, &QPushButton::clicked, this, [this] { btnDirClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void TGrpSaveDlg::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TGrpSaveDlg::FormShow() {
    eFile->setText(QString::fromStdString(FileTitleOf(fileName_)));
    // The check marks survive a new file choice.
    std::vector<QString> checked;
    for (int r = 0; r < lbGrpNo->count(); ++r)
        if (lbGrpNo->item(r)->checkState() == Qt::Checked) checked.push_back(lbGrpNo->item(r)->text());
    lbGrpNo->clear();
    for (int g = 1; g <= 16; ++g) {
        if (!model_.HasGroup(g)) continue;
        auto* item = new QListWidgetItem(QString::fromStdString(model_.GetGroupName(g)), lbGrpNo);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setData(Qt::UserRole, g);
        const bool was = std::find(checked.begin(), checked.end(), item->text()) != checked.end();
        item->setCheckState(was ? Qt::Checked : Qt::Unchecked);
    }
}

void TGrpSaveDlg::btnDirClick() {
    const std::string name = chooseFile_ ? chooseFile_() : std::string();
    if (name.empty()) return;
    fileName_ = name;
    FormShow();
}

void TGrpSaveDlg::OKBtnClick() {
    mask_ = 0;
    for (int r = 0; r < lbGrpNo->count(); ++r) {
        const QListWidgetItem* item = lbGrpNo->item(r);
        if (item->checkState() != Qt::Checked) continue;
        // Each entry keeps its group number: a name may begin with a digit
        // or be another group's number.
        const int code = item->data(Qt::UserRole).toInt();
        if (code >= 1 && code <= 16) mask_ |= GroupBit(code);
    }
    done(mrOK);
}
