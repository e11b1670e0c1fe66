// The prediction page of the instrumental-variable window and the windows
// it hands its model to: weighted regression, multicollinearity and the
// jackknife.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "components/plot/core/canvas_types.h"
#include "components/view/graph_launchers.h"
#include "components/view/grid_cell_painter.h"
#include "components/view/qt_text.h"
#include "core/model/estimate_texts.h"
#include "core/model/instrumental_fit.h"
#include "core/numeric/xy_data.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "core/text/text_evaluator.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "estimators/jackknife_request.h"
#include "estimators/mcl_request.h"
#include "estimators/wls_request.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/iv_plot_series.h"
#include "simeq/ui/iv_window.h"

namespace {

constexpr double kDefaultConfidence = 95;
constexpr double kDefaultCoverage = 90;
constexpr double kSigmaAlpha = 0.05;

// The percentage fields read through the program's evaluator.
class StateTextEvaluator : public TextEvaluator {
public:
    explicit StateTextEvaluator(AppState& state) : state_(state) {}
    double Calculate(const std::string& text) override { return state_.Evaluator().Calculate(text); }
    double Evaluate(const std::string& text, double fallback) override {
        return state_.Evaluator().Evaluate(text, fallback);
    }

private:
    AppState& state_;
};

QLabel* ValueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(140);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, QColor(0, 255, 255));
    label->setPalette(p);
    return label;
}

}  // namespace

void TfrmIV::BuildPredictionPage() {
    tsPred = new QWidget(PC);
    tsPred->setObjectName("tsPred");
    sgVList = new TStringGrid(tsPred);
    sgVList->setObjectName("sgVList");
    sgVList->SetDefaultColWidth(100);
    sgVList->SetDefaultRowHeight(22);
    sgVList->SetColCount(2);
    sgVList->SetRowCount(2);
    sgVList->SetFixedCols(1);
    sgVList->SetFixedRows(1);
    sgVList->SetColWidth(0, 120);
    sgVList->SetEditable(true);
    predContext_.font = font();
    UseGridCellPainter(*sgVList, [this]() -> const GridCellContext& { return predContext_; });

    auto* side = new QWidget(tsPred);
    auto* form = new QGridLayout(side);
    stName = ValueLabel(side, "stName");
    stPred = ValueLabel(side, "stPred");
    stPUpper = ValueLabel(side, "stPUpper");
    stPLower = ValueLabel(side, "stPLower");
    eSinraido = new QLineEdit("95", side);
    eSinraido->setObjectName("eSinraido");
    eKakuritu = new QLineEdit("90", side);
    eKakuritu->setObjectName("eKakuritu");
    const std::pair<const char*, QWidget*> rows[] = {{"目的変数名", stName}, {"予測値", stPred},
                                                     {"予測上限", stPUpper}, {"予測下限", stPLower},
                                                     {"信頼度", eSinraido}, {"確率", eKakuritu}};
    int r = 0;
    for (const auto& [caption, widget] : rows) {
        form->addWidget(new QLabel(QString::fromUtf8(caption), side), r, 0);
        form->addWidget(widget, r++, 1);
    }
    btnCalc = new QPushButton("計算(&C)", side);
    btnCalc->setObjectName("btnCalc");
    btnSel = new QPushButton("観測値選択(&S)", side);
    btnSel->setObjectName("btnSel");
    btnGraph = new QPushButton("グラフ(&G)", side);
    btnGraph->setObjectName("btnGraph");
    for (QPushButton* b : {btnCalc, btnSel, btnGraph}) form->addWidget(b, r++, 0, 1, 2);
    form->setRowStretch(r, 1);
    connect(btnCalc, &QPushButton::clicked, this, GuardedSlot([this] { btnCalcClick(); }));
    connect(btnSel, &QPushButton::clicked, this, GuardedSlot([this] { btnSelClick(); }));
    connect(btnGraph, &QPushButton::clicked, this, GuardedSlot([this] { btnGraphClick(); }));

    auto* layout = new QHBoxLayout(tsPred);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(sgVList, 1);
    layout->addWidget(side, 0);
    PC->addTab(tsPred, "予測");
}

void TfrmIV::tsPredShow() {
    if (!model_) return;
    std::vector<int> in;
    for (int j = 0; j < model_->VarCount(); ++j)
        if (model_->IsExplanatory(j)) in.push_back(j);
    sgVList->SetColWidth(0, 120);
    sgVList->SetRowCount(std::max(2, 1 + static_cast<int>(in.size())));
    sgVList->SetCell(0, 0, "説明変数名");
    sgVList->SetCell(1, 0, "値");
    for (std::size_t k = 0; k < in.size(); ++k)
        sgVList->SetCell(0, static_cast<int>(k) + 1, Q(model_->GetVarName(in[k])));
    if (in.empty()) sgVList->SetCell(0, 1, QString());
    stName->setText(Q(model_->GetVarName(model_->GetDependent())));
    stPred->setText(Q(FormatNumber(false, predicted_)));
    stPUpper->setText(Q(FormatNumber(false, upper_)));
    stPLower->setText(Q(FormatNumber(false, lower_)));
}

double TfrmIV::Percent(const QLineEdit* field, double defaultPercent) {
    StateTextEvaluator texts(Context().State());
    return EvaluatePercent(texts, field->text().toStdString(), defaultPercent);
}

void TfrmIV::btnCalcClick() {
    if (!model_ || model_->VarCount() < 2) return;
    std::vector<double> x(static_cast<std::size_t>(model_->VarCount()) + 1, 0.0);
    const double c1 = Percent(eSinraido, kDefaultConfidence), c2 = Percent(eKakuritu, kDefaultCoverage);
    for (int r = 1; r < sgVList->RowCount(); ++r) {
        const int j = model_->FindVar(sgVList->Cell(0, r).toStdString());
        const std::string text = sgVList->Cell(1, r).trimmed().toStdString();
        // Unknown names and empty values leave 0.
        if (j < 0 || j >= model_->VarCount() || text.empty() || !model_->IsExplanatory(j)) continue;
        x[static_cast<std::size_t>(j)] = Context().State().Evaluator().Calculate(text);
    }
    predicted_ = model_->Predict(x.data(), &lower_, &upper_, c1, c2);
    tsPredShow();
}

void TfrmIV::btnSelClick() {
    if (!model_) return;
    const InputAnswer a = Context().Services().AskInput("観測値選択", {}, std::string());
    if (a.result != mrOK) return;
    const double value = Context().State().Evaluator().Evaluate(a.text, 1.0);
    // Only observations 1..n; anything else (NaN included) changes nothing.
    if (!(value >= 1.0 && value < model_->Rows() + 1.0)) return;
    const int k = static_cast<int>(value);
    tsPredShow();
    int r = 1;
    for (int j = 0; j < model_->VarCount(); ++j)
        if (model_->IsExplanatory(j)) sgVList->SetCell(1, r++, Q(FormatNumber(false, model_->GetDataValue(k - 1, j))));
    btnCalcClick();
}

void TfrmIV::btnGraphClick() {
    if (!model_) return;
    const int n = model_->Rows();
    const double c1 = Percent(eSinraido, kDefaultConfidence), c2 = Percent(eKakuritu, kDefaultCoverage);
    const IVPredictionBand band = IVPredictionOverSample(*model_, c1, c2);
    std::vector<double> t(static_cast<std::size_t>(n)), observed;
    for (int i = 0; i < n; ++i) t[static_cast<std::size_t>(i)] = i + 1.0;
    model_->GetDataColumn(model_->GetDependent(), observed);
    std::vector<XYData> extra;
    const std::vector<double>* series[] = {&band.predicted, &band.upper, &band.lower};
    for (int s = 0; s < 3; ++s) {
        extra.emplace_back(canvas_color::kGreen, static_cast<std::uint8_t>(s == 0 ? PenStyle::Solid : PenStyle::Dot), false, 0);
        extra.back().SetData(t.data(), series[s]->data(), n);
    }
    ShowSeriesPlot(Context(), LoadStr(kStrTime), t.data(), model_->GetVarName(model_->GetDependent()), extra, n,
                   observed.data());
}

void TfrmIV::EnableHandOvers() {
    const bool model = model_ != nullptr;
    WLS->setEnabled(model && AnalysisWindows().Has("TfrmWLS"));
    btnJNE->setEnabled(model && AnalysisWindows().Has("TfrmJNE"));
    btnVIF->setEnabled(model && model_->CountExplanatory() >= 2 && AnalysisWindows().Has("TfrmMCL"));
}

void TfrmIV::WLSExecute() {
    if (!model_) return;
    WLSRequest request;
    request.ivModel = model_.get();
    request.mode = 5;
    OpenWindow("TfrmWLS", Context().WithOwner(this), request);
}

void TfrmIV::btnVIFClick() {
    if (!model_ || model_->CountExplanatory() < 2) return;
    MclRequest request;
    request.ivModel = model_.get();
    OpenWindow("TfrmMCL", Context().WithOwner(this), request);
}

void TfrmIV::btnJNEClick() {
    if (!model_) return;
    OpenWindow("TfrmJNE", Context().WithOwner(this), JackknifeRequest{model_.get()});
}

void TfrmIV::stVeClick() {
    if (!model_) return;
    SB->showMessage(Q(LoadStr(kStrRegressionStdError) + " : " +
                      FormatSigmaConfidenceInterval(model_->GetDf(), kSigmaAlpha, model_->GetS2())));
}
