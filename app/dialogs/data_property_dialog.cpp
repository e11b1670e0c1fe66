// The data property dialog; see data_property_dialog.h.
#include "app/dialogs/data_property_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/property_dialog.h"
#include "app/settings/settings_dialog.h"
#include "components/view/guarded_slot.h"
#include "components/view/key_helpers.h"
#include "core/data/variable.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/qt/paste_safe_text_edit.h"
#include "platform/qt/string_grid.h"

TfrmDataProperty::TfrmDataProperty(AppState& state, TfrmProperty* property, QWidget* parent)
    : QDialog(parent), state_(state), property_(property) {
    setObjectName("frmDataProperty");
    setWindowTitle("データ情報");
    eName = new QLineEdit(this);
    eName->setObjectName("eName");
    mText = new PasteSafeTextEdit(this);
    mText->setObjectName("mText");
    mText->setMaximumHeight(80);
    sgVar = new TStringGrid(this);
    sgVar->setObjectName("sgVar");
    sgVar->SetColCount(3);
    sgVar->SetFixedRows(1);
    sgVar->SetColWidth(0, 150);
    sgVar->SetColWidth(1, 110);
    sgVar->SetColWidth(2, 110);
    sgVar->setMinimumSize(150 + 110 + 110 + 30, 220);
    UseGridCellPainter(*sgVar, [this]() -> const GridCellContext& { return gridContext_; });
    btnOK = new QPushButton("設定(&S)", this);
    btnCancel = new QPushButton("キャンセル(&C)", this);
    btnOK->setObjectName("btnOK");
    btnCancel->setObjectName("btnCancel");
    btnOK->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow("データ名", eName);
    form->addRow("説明", mText);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(sgVar, 1);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, Guarded(state_, [this] { btnOKClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(sgVar, &TStringGrid::GridMouseDown, this,
            Guarded(state_, [this](Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
                int col = -1, row = -1;
                sgVar->MouseToCell(x, y, col, row);
                OpenRow(row);
            }));
    connect(sgVar, &TStringGrid::KeyDown, this, Guarded(state_, [this](int key, Qt::KeyboardModifiers m) {
                if (IsEnterKey(key) && (m & Qt::ShiftModifier)) OpenRow(sgVar->Row());
            }));
    FormShow();
}

void TfrmDataProperty::FormShow() {
    const Reg* model = state_.Model();
    gridContext_.model = model;
    sgVar->ClearCells();
    if (!model) {
        sgVar->SetRowCount(1);
        return;
    }
    const int k = model->GetVarCount();
    sgVar->SetRowCount(k + 1);
    sgVar->SetCell(0, 0, QString::fromStdString(LoadStrByNumber(23)));
    sgVar->SetCell(1, 0, QString::fromStdString(LoadStrByNumber(60)));
    sgVar->SetCell(2, 0, QString::fromStdString(LoadStrByNumber(45)));
    for (int j = 0; j < k; ++j) {
        const Var& v = model->GetVar(j);
        sgVar->SetCell(0, j + 1, QString::fromStdString(v.GetName()));
        sgVar->SetCell(1, j + 1, QString::fromStdString(FormatNumber(false, v.GetMean())));
        sgVar->SetCell(2, j + 1, QString::fromStdString(FormatNumber(false, v.GetStdDev())));
    }
    eName->setText(QString::fromStdString(model->GetName()));
    mText->setPlainText(QString::fromStdString(model->GetInfo()));
}

void TfrmDataProperty::btnOKClick() {
    if (Reg* model = state_.Model()) {
        const DataEdit ed{*model, state_.Undo(), [this](const std::string& s) { return state_.IsReservedName(s); }};
        static_cast<void>(SetDataNameWithUndo(ed, eName->text().toStdString()));
        static_cast<void>(SetDataInfoWithUndo(ed, mText->toPlainText().toStdString()));
    }
    accept();
}

void TfrmDataProperty::OpenRow(int row) {
    const Reg* model = state_.Model();
    if (!model || !property_ || row < 0 || row >= sgVar->RowCount()) return;
    const int j = model->FindVar(sgVar->Cell(0, row).toStdString());
    if (j < 0 || j >= model->GetVarCount()) return;
    property_->SetVarIndex(j);
    if (property_->exec() == QDialog::Accepted) FormShow();
}
