// The variable property dialog; see property_dialog.h.
#include "app/dialogs/property_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/main_window/launch_table.h"
#include "components/plot/series_plot.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/window_context.h"
#include "components/view/window_registry.h"
#include "components/view/guarded_slot.h"
#include "components/view/qt_text.h"
#include "core/data/variable.h"
#include "core/data/variable_property_request.h"
#include "core/data/variable_type_names.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/reserved_words.h"
#include "platform/command_guard.h"
#include "platform/ui_services.h"

namespace {

const char* const kChangeNames[] = {"ボックスコックス変換(&B)", "指数平滑変換(&M)", "一般階差変換(&J)",
                                    "移動平均(&L)",             "予備回帰(&P)",     "ユールウォーカー変換(&Y)"};

}  // namespace

TfrmProperty::TfrmProperty(AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmProperty"));
    setWindowTitle(QStringLiteral("変数情報"));
    eVarNam = new QLineEdit(this);
    eVarNam->setObjectName("eVarNam");
    eComment = new QLineEdit(this);
    eComment->setObjectName("eComment");
    cbType = new QComboBox(this);
    cbType->setObjectName("cbType");
    btnSet = new QPushButton("設定(&S)", this);
    btnCancel = new QPushButton("取り消し(&C)", this);
    btnRP = new QPushButton("系列プロット(&T)", this);
    btnFund = new QPushButton("基本統計量(&F)", this);
    btnVarInput = new QPushButton("直接入力(&E)", this);
    btnChanger = new QPushButton("実行(&R)", this);
    btnSet->setObjectName("btnSet");
    btnCancel->setObjectName("btnCancel");
    btnRP->setObjectName("btnRP");
    btnFund->setObjectName("btnFund");
    btnVarInput->setObjectName("btnVarInput");
    btnChanger->setObjectName("btnChanger");
    btnSet->setDefault(true);

    auto* box = new QGroupBox("変数変換", this);
    box->setObjectName("rgChange");
    rgChange = new QButtonGroup(this);
    auto* boxLayout = new QGridLayout(box);
    for (int k = 0; k < 6; ++k) {
        auto* b = new QRadioButton(kChangeNames[k], box);
        rgChange->addButton(b, k);
        boxLayout->addWidget(b, k % 3, k / 3);
    }
    rgChange->button(0)->setChecked(true);

    auto* form = new QFormLayout;
    form->addRow("変数名", eVarNam);
    form->addRow("コメント", eComment);
    form->addRow("タイプ", cbType);

    auto* changeRow = new QHBoxLayout;
    changeRow->addWidget(box, 1);
    changeRow->addWidget(btnChanger, 0, Qt::AlignBottom);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnRP);
    buttons->addWidget(btnFund);
    buttons->addWidget(btnVarInput);
    buttons->addStretch(1);
    buttons->addWidget(btnSet);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(changeRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto guarded = [this](auto f) { return Guarded(state_, f); };
    connect(btnSet, &QPushButton::clicked, this, guarded([this] { btnSetClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnChanger, &QPushButton::clicked, this, guarded([this] { btnChangerClick(); }));
    connect(btnVarInput, &QPushButton::clicked, this, guarded([this] { btnVarInputClick(); }));
    connect(btnRP, &QPushButton::clicked, this, guarded([this] { btnRPClick(); }));
    connect(btnFund, &QPushButton::clicked, this, guarded([this] { btnFundClick(); }));
}

TfrmProperty::~TfrmProperty() = default;

void TfrmProperty::SetVarIndex(int j) {
    Release();
    const Reg* model = state_.Model();
    if (!model || j < 0 || j >= model->GetVarCount()) return;
    own_ = std::make_unique<Var>(model->GetVar(j));
    var_ = own_.get();
    index_ = j;
    indexMode_ = true;
    modified_ = false;
    renameAllowed_ = false;
    FormShow();
}

void TfrmProperty::SetVar(Var* v, bool renameAllowed) {
    Release();
    var_ = v;
    indexMode_ = false;
    modified_ = false;
    renameAllowed_ = renameAllowed;
    FormShow();
}

void TfrmProperty::Release() {
    own_.reset();
    var_ = nullptr;
    index_ = -1;
}

void TfrmProperty::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    eVarNam->setFocus();
}

void TfrmProperty::done(int result) {
    QDialog::done(result);
    Release();
}

void TfrmProperty::FormShow() {
    cbType->clear();
    for (int t = 0; t < 4; ++t) cbType->addItem(Q(GetVarTypeName(t)));
    eVarNam->setText(var_ ? Q(var_->GetName()) : QString());
    eComment->setText(var_ ? Q(var_->GetInfo()) : QString());
    cbType->setCurrentIndex(var_ ? std::clamp(static_cast<int>(var_->GetType()), 0, 3) : 0);
    const bool edit = indexMode_ && var_;
    eVarNam->setEnabled(edit || (var_ && renameAllowed_));
    for (QWidget* w : std::initializer_list<QWidget*>{eComment, cbType, btnChanger, btnVarInput}) w->setEnabled(edit);
    for (int k = 0; k < 6; ++k)
        rgChange->button(k)->setEnabled(edit && AnalysisWindows().Has(TransformationWindowClass(k)));
    btnRP->setEnabled(var_ != nullptr);
    btnFund->setEnabled(var_ != nullptr && AnalysisWindows().Has("TfrmFund"));
}

std::vector<double> TfrmProperty::WorkingValues() const {
    std::vector<double> values;
    if (!var_) return values;
    values.resize(static_cast<std::size_t>(var_->Count()));
    for (int i = 0; i < var_->Count(); ++i) values[static_cast<std::size_t>(i)] = var_->At(i);
    return values;
}

void TfrmProperty::btnSetClick() {
    if (!var_) return;
    const std::string name = eVarNam->text().toStdString();
    if (!indexMode_) {
        if (renameAllowed_ && name != var_->GetName() && CheckNewName(state_, name, false)) var_->SetName(name);
        accept();
        return;
    }
    Reg* model = state_.Model();
    if (!model || index_ < 0 || index_ >= model->GetVarCount()) {
        reject();
        return;
    }
    const DataEdit ed{*model, state_.Undo(), [this](const std::string& s) { return state_.IsReservedName(s); }};
    const int j = index_;
    // A name that fails the check keeps the old one; the other edits apply.
    if (name != model->GetVarName(j) && CheckNewName(state_, name, false))
        static_cast<void>(RenameVariableWithUndo(ed, model->GetVarName(j), name));
    const std::string comment = eComment->text().toStdString();
    if (comment != model->GetVarInfo(j)) SetVariableCommentWithUndo(ed, j, comment);
    const int type = cbType->currentIndex();
    if (type >= 0 && type <= 3 && type != model->GetVarType(j)) SetVariableTypeWithUndo(ed, j, type);
    if (modified_) {
        const std::vector<double> values = WorkingValues();
        if (static_cast<int>(values.size()) == model->GetObsCount()) SetVariableValuesWithUndo(ed, j, values);
    }
    if (links_.refreshVariables) links_.refreshVariables();
    accept();
}

void TfrmProperty::btnChangerClick() {
    if (!indexMode_ || !var_) return;
    modified_ = false;
    const int kind = rgChange->checkedId();
    const char* windowClass = TransformationWindowClass(kind);
    if (kind < 0 || !windowClass || !AnalysisWindows().Has(windowClass)) return;
    std::vector<double> values = WorkingValues();
    std::string comment;
    LaunchRequest request;
    request.readModel = state_.Model();
    request.values = &values;
    request.comment = &comment;
    request.variableName = eVarNam->text().toStdString();
    request.variable = index_;
    request.kind = kind;
    request.commentWanted = links_.convertedToComment && links_.convertedToComment();
    std::unique_ptr<AnalysisWindow> window = AnalysisWindows().Create(windowClass, WindowContext(state_, this));
    if (!window || !window->Fill(request) || ShowWindow(std::move(window)) != mrOK) return;
    if (static_cast<int>(values.size()) != var_->Count()) return;
    for (int i = 0; i < var_->Count(); ++i) var_->At(i) = values[static_cast<std::size_t>(i)];
    var_->CalcStatistics();
    eComment->setText(eComment->text() + Q(comment));
    modified_ = true;
}

void TfrmProperty::btnVarInputClick() {
    if (!indexMode_ || !var_ || !links_.inputSeries) return;
    Var temp(*var_);
    if (links_.inputSeries(temp) && temp.Count() == var_->Count()) {
        for (int i = 0; i < var_->Count(); ++i) var_->At(i) = temp.At(i);
        var_->CalcStatistics();
        modified_ = true;
    } else {
        modified_ = false;
    }
}

void TfrmProperty::btnFundClick() {
    if (!var_) return;
    const std::vector<double> values = WorkingValues();
    ShowFundamentalStats(WindowContext(state_, this), eVarNam->text().toStdString(), values.data(),
                         static_cast<int>(values.size()), 0);
}

void TfrmProperty::btnRPClick() {
    if (!var_) return;
    const std::vector<double> values = WorkingValues();
    const int n = static_cast<int>(values.size());
    std::vector<double> time(values.size());
    for (std::size_t i = 0; i < time.size(); ++i) time[i] = static_cast<double>(i + 1);
    const std::string name = eVarNam->text().toStdString();
    // The model's dependent variable gets its predicted values as a green line.
    std::vector<XYData> extra;
    const Reg* model = state_.Model();
    // Roles without an estimate have no predicted values to draw.
    if (indexMode_ && model && model->HasEstimate() && model->GetObsCount() == n &&
        model->GetDependent() >= 0 && model->FindVar(name) == model->GetDependent()) {
        std::vector<double> fitted;
        model->GetAnalysisRow(Reg::kRowFitted, fitted);
        // A table of another length belongs to an older shape of the data.
        if (static_cast<int>(fitted.size()) == n) {
            XYData line(0x008000, 0, false, 0);
            for (int i = 0; i < n; ++i) line.AddPoint(i + 1, fitted[static_cast<std::size_t>(i)]);
            extra.push_back(std::move(line));
        }
    }
    ShowSeriesPlot(WindowContext(state_, this), "時間", time.data(), name, extra, n, values.data());
}

namespace {

class PropertyWindow : public RequestWindow<VariablePropertyRequest> {
public:
    // Object mode only plots and summarises: nothing is asked of the opener.
    explicit PropertyWindow(const WindowContext& context) : dialog_(context.State(), context.Owner()) {}
    using RequestWindow<VariablePropertyRequest>::Fill;
    bool Fill(const VariablePropertyRequest& request) override {
        if (!request.variable) return false;
        dialog_.SetVar(request.variable, request.renameAllowed);
        return true;
    }
    int ShowModal() override { return dialog_.exec() == QDialog::Accepted ? mrOK : mrCancel; }

private:
    TfrmProperty dialog_;
};

}  // namespace

void RegisterPropertyDialog() {
    AnalysisWindows().Register("TfrmProperty", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<PropertyWindow>(context);
    });
}
