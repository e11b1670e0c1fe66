#include "components/view/field_formula.h"
#include "app/dialogs/find_dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/data/group_mask.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

QRadioButton* Radio(QWidget* parent, const char* name, const char* caption) {
    auto* rb = new QRadioButton(QString::fromUtf8(caption), parent);
    rb->setObjectName(QString::fromLatin1(name));
    return rb;
}

QGroupBox* Box(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

}  // namespace

TfrmFind::TfrmFind(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("データ検索"));
    auto* outer = new QVBoxLayout(this);
    body_ = new QGridLayout();
    outer->addLayout(body_);

    auto* valueLabel = new QLabel(QStringLiteral("検索値"), this);
    valueLabel->setObjectName(QStringLiteral("lblValue"));
    eValue = new QLineEdit(this);
    eValue->setObjectName(QStringLiteral("eValue"));
    eValue->setMinimumWidth(260);
    valueLabel->setBuddy(eValue);
    body_->addWidget(valueLabel, 0, 0);
    body_->addWidget(eValue, 0, 1);

    gbDataSel = Box(this, "gbDataSel", "検索対象");
    rbAllData = Radio(gbDataSel, "rbAllData", "全データ(&A)");
    rbVar = Radio(gbDataSel, "rbVar", "特定変数のみ(&V)");
    rbGroup = Radio(gbDataSel, "rbGroup", "特定グループのみ(&G)");
    cbVar = new QComboBox(gbDataSel);
    cbVar->setObjectName(QStringLiteral("cbVar"));
    cbVar->setMinimumWidth(140);
    cbGroup = new QComboBox(gbDataSel);
    cbGroup->setObjectName(QStringLiteral("cbGroup"));
    cbGroup->setMinimumWidth(140);
    auto* scope = new QGridLayout(gbDataSel);
    scope->addWidget(rbAllData, 0, 0);
    scope->addWidget(rbVar, 1, 0);
    scope->addWidget(cbVar, 1, 1);
    scope->addWidget(rbGroup, 2, 0);
    scope->addWidget(cbGroup, 2, 1);
    rbAllData->setChecked(true);

    rgWard = Box(this, "rgWard", "検索方向");
    rbForward = Radio(rgWard, "rbForward", "前方検索(&D)");
    rbBackward = Radio(rgWard, "rbBackward", "後方検索(&B)");
    auto* ward = new QVBoxLayout(rgWard);
    ward->addWidget(rbForward);
    ward->addWidget(rbBackward);
    ward->addStretch(1);
    rbForward->setChecked(true);

    rgStart = Box(this, "rgStart", "開始位置");
    rbFromFirst = Radio(rgStart, "rbFromFirst", "先頭から(&E)");
    rbFromCurrent = Radio(rgStart, "rbFromCurrent", "現在位置(&F)");
    rbFromLast = Radio(rgStart, "rbFromLast", "最後から(&S)");
    auto* start = new QVBoxLayout(rgStart);
    start->addWidget(rbFromFirst);
    start->addWidget(rbFromCurrent);
    start->addWidget(rbFromLast);
    rbFromFirst->setChecked(true);

    body_->addWidget(gbDataSel, 2, 0, 1, 2);
    auto* options = new QHBoxLayout();
    options->addWidget(rgWard);
    options->addWidget(rgStart);
    body_->addLayout(options, 3, 0, 1, 2);

    btnOk = new QPushButton(QStringLiteral("実行(&O)"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取り消し(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    outer->addLayout(buttons);

    connect(rbAllData, &QRadioButton::clicked, this, [this] { rbAllDataClick(); });
    connect(rbVar, &QRadioButton::clicked, this, [this] { rbVarClick(); });
    connect(rbGroup, &QRadioButton::clicked, this, [this] { rbGroupClick(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    // Enter in the value field runs OK (the default button).
}

void TfrmFind::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
    eValue->setFocus();
    eValue->selectAll();
}

void TfrmFind::SetPosition(Reg* data, int observation, int variable) {
    data_ = data;
    startObservation_ = observation;
    startVariable_ = variable;
    const int k = data ? data->GetVarCount() : 0;
    current_ = variable + k * observation;
}

void TfrmFind::FormShow() {
    const QString varText = cbVar->currentText();
    const QString groupText = cbGroup->currentText();
    cbVar->clear();
    cbGroup->clear();
    cbVar->setEnabled(rbVar->isChecked());
    cbGroup->setEnabled(rbGroup->isChecked());
    if (!data_) return;
    if (rbVar->isChecked()) {
        for (int j = 0; j < data_->GetVarCount(); ++j) cbVar->addItem(QString::fromStdString(data_->GetVarName(j)));
        // Keeps the variable of the last search when it is still there.
        const int at = cbVar->findText(varText);
        cbVar->setCurrentIndex(at >= 0 ? at : 0);
    }
    if (rbGroup->isChecked()) {
        for (int g = 1; g <= 16; ++g)
            if (data_->HasGroup(g)) cbGroup->addItem(QString::number(g));
        const int at = cbGroup->findText(groupText);
        cbGroup->setCurrentIndex(at >= 0 ? at : 0);
    }
}

void TfrmFind::ReadValue() {
    criterion_ = ReadFindValue(eValue->text().trimmed().toStdString(), evaluator_);
}

void TfrmFind::ShowError(const std::string& text) {
    if (services_) services_->ShowMessageBox(MsgKind::Error, text, mbOK);
}

bool TfrmFind::ReadFields() {
    try {
        ReadValue();
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const EFormulaShown&) {
        return false;
    } catch (const Exception& e) {
        ShowError(e.Message());
        return false;
    }
    return true;
}

void TfrmFind::btnOkClick() {
    if (!ReadFields()) return;
    hasValue_ = true;
    done(mrOK);
}

bool TfrmFind::Search(bool next, int& observation, int& variable) {
    if (!data_) return false;
    const int k = data_->GetVarCount();
    if (k <= 0) return false;
    FindRequest r;
    r.backward = rbBackward->isChecked();
    r.start = rbFromCurrent->isChecked() ? FindStart::Current : rbFromLast->isChecked() ? FindStart::Last : FindStart::First;
    r.next = next;
    r.current = current_;
    if (rbVar->isChecked()) {
        r.scope = FindScope::OneVariable;
        r.variable = data_->FindVar(cbVar->currentText().toStdString());
        if (r.variable < 0) return false;
    } else if (rbGroup->isChecked()) {
        r.scope = FindScope::OneGroup;
        GroupBitFromText(cbGroup->currentText().toStdString(), &r.group);
        if (r.group == 0) return false;
    }
    const auto found = FindDataCell(*data_, criterion_, r);
    if (!found) return false;
    current_ = *found;
    observation = *found / k;
    variable = *found % k;
    return true;
}

TfrmReplace::TfrmReplace(QWidget* parent) : TfrmFind(parent) {
    setObjectName(QStringLiteral("frmReplace"));
    setWindowTitle(QStringLiteral("データ置換"));
    gbDataSel->setTitle(QStringLiteral("置換対象"));
    rgWard->setTitle(QStringLiteral("置換方向"));
    auto* label = new QLabel(QStringLiteral("置換値"), this);
    label->setObjectName(QStringLiteral("lblReplace"));
    eReplace = new QLineEdit(this);
    eReplace->setObjectName(QStringLiteral("eReplace"));
    label->setBuddy(eReplace);
    Body()->addWidget(label, 1, 0);
    Body()->addWidget(eReplace, 1, 1);
    setTabOrder(eValue, eReplace);
}

bool TfrmReplace::ReadFields() {
    if (!TfrmFind::ReadFields()) return false;
    replacement_ = eReplace->text().trimmed().toStdString();
    return true;
}

double TfrmReplace::ReplacementValue(double old) {
    if (evaluator_.setCurrentValue) evaluator_.setCurrentValue(old);
    if (replacement_.empty() || !evaluator_.evaluate) return old;
    try {
        return evaluator_.evaluate(replacement_);
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const EFormulaShown&) {
        return old;
    } catch (const Exception& e) {
        ShowError(e.Message());
        return old;
    }
}
