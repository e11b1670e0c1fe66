// The prediction page of the main window: a point prediction with its
// simultaneous tolerance interval at values typed for the explanatory
// variables, the interval of every observation with marks on those outside
// it, and a conversion formula whose results show as tool tips.
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "components/view/field_formula.h"
#include "app/main_window/main_window.h"
#include "components/view/guarded_slot.h"
#include "components/view/qt_text.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/command_guard.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"

namespace {

// Runs an action on a left click of the watched widget.
class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> action) : QObject(parent), action_(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            action_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action_;
};

constexpr double kInf = std::numeric_limits<double>::infinity();

// ŷ at x (k + 1 values, the constant's set to 1) over the model's variables.
double FittedAt(const Reg& model, std::vector<double>& x) {
    x[static_cast<std::size_t>(model.GetVarCount())] = 1.0;
    long double sum = 0.0L;
    for (int j : model.SweptIndices()) sum += static_cast<long double>(model.GetCoef(j)) * x[static_cast<std::size_t>(j)];
    return static_cast<double>(sum);
}

}  // namespace

void TfrmREG::BuildPredictionPage() {
    sgVList = NewGrid(tsPredict, "sgVList");
    sgVList->SetColCount(2);
    sgVList->SetRowCount(2);
    sgVList->SetColWidth(0, 140);
    sgVList->SetColWidth(1, 100);
    sgVList->SetEditable(true);
    sgVList->SetCell(0, 0, Q(LoadStr(kStrExplanatoryName)));
    sgVList->SetCell(1, 0, Q(LoadStr(kStrValue)));
    sgPred = NewGrid(tsPredict, "sgPred");
    sgPred->SetColCount(5);
    sgPred->SetRowCount(2);
    sgPred->SetColWidth(0, 40);
    sgPred->SetCellProvider([this](int c, int r) { return PredictionCellText(c, r); });
    connect(sgPred, &TStringGrid::TopLeftChanged, this, Guarded(state_, [this] { sgPredTopLeftChanged(); }));
    connect(sgPred, &TStringGrid::Click, this, Guarded(state_, [this] { sgPredClick(); }));

    auto* side = new QWidget(tsPredict);
    auto* form = new QGridLayout(side);
    form->setContentsMargins(6, 0, 6, 0);
    auto caption = [&](const char* text) { return new QLabel(QString::fromUtf8(text), side); };
    auto statistic = [&](const char* name, bool clickable, void (TfrmREG::*handler)()) {
        auto* label = new QLabel(side);
        label->setObjectName(QString::fromLatin1(name));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(130);
        if (clickable) {
            label->setCursor(Qt::PointingHandCursor);
            label->installEventFilter(new ClickFilter(label, Guarded(state_, [this, handler] { (this->*handler)(); })));
        }
        return label;
    };
    stDepNam = statistic("stDepNam", false, nullptr);
    stPreval = statistic("stPreval", true, &TfrmREG::stPrevalClick);
    stMaxPV = statistic("stMaxPV", true, &TfrmREG::stMaxPVClick);
    stMinPV = statistic("stMinPV", true, &TfrmREG::stMinPVClick);
    auto field = [&](const char* name, const char* preset) {
        auto* e = new QLineEdit(QString::fromUtf8(preset), side);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaximumWidth(80);
        return e;
    };
    eSinraido = field("eSinraido", "95");
    eKakuritu = field("eKakuritu", "90");
    int row = 0;
    form->addWidget(caption("目的変数"), row, 0);
    form->addWidget(stDepNam, row++, 1);
    form->addWidget(caption("予測値"), row, 0);
    form->addWidget(stPreval, row++, 1);
    form->addWidget(caption("予測の同時許容区間"), row++, 0, 1, 2);
    form->addWidget(stMaxPV, row++, 1);
    form->addWidget(caption("～"), row, 0, Qt::AlignRight);
    form->addWidget(stMinPV, row++, 1);
    form->addWidget(caption("信頼度"), row, 0);
    form->addWidget(eSinraido, row++, 1);
    form->addWidget(caption("確率"), row, 0);
    form->addWidget(eKakuritu, row++, 1);
    form->setRowMinimumHeight(row++, 12);
    auto button = [&](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), side);
        b->setObjectName(QString::fromLatin1(name));
        form->addWidget(b, row++, 0, 1, 2);
        return b;
    };
    btnPredCalc = button("btnPredCalc", "予測計算(&P)");
    connect(btnPredCalc, &QPushButton::clicked, this, Guarded(state_, [this] { btnPredCalcClick(); }));
    btnChanger = button("btnChanger", "変換式(&E)");
    connect(btnChanger, &QPushButton::clicked, this, Guarded(state_, [this] { btnChangerClick(); }));
    btnYYPlot = button("btnYYPlot", "グラフ(&G)");
    connect(btnYYPlot, &QPushButton::clicked, this, Guarded(state_, [this] { btnYYPlotClick(); }));
    form->setRowStretch(row, 1);

    auto* layout = new QHBoxLayout(tsPredict);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(sgVList, 1);
    layout->addWidget(side, 0);
    layout->addWidget(sgPred, 2);
}

std::optional<double> TfrmREG::PercentField(QLineEdit* field, double defaultPercent) {
    const std::string text = field->text().toStdString();
    // 100 % and above are held just below 1, so the interval stays finite.
    return EvaluatePercent(state_.Context().Evaluator(), text, defaultPercent);
}

void TfrmREG::FillPredictionNames(const Reg& model) {
    std::map<QString, QString> typed;
    for (int r = 1; r < sgVList->RowCount(); ++r)
        if (!sgVList->Cell(0, r).isEmpty()) typed[sgVList->Cell(0, r)] = sgVList->Cell(1, r);
    sgVList->SetRowCount(std::max(model.CountExplanatory() + 1, 2));
    int row = 1;
    for (int j = 0; j < model.GetVarCount(); ++j) {
        if (!model.IsExplanatory(j)) continue;
        const QString name = Q(model.GetVarName(j));
        const auto it = typed.find(name);
        sgVList->SetCell(0, row, name);
        sgVList->SetCell(1, row++, it != typed.end() ? it->second : QString());
    }
    for (; row < sgVList->RowCount(); ++row) {
        sgVList->SetCell(0, row, QString());
        sgVList->SetCell(1, row, QString());
    }
}

bool TfrmREG::PredictionIsCurrent() const {
    const Reg* model = state_.Model();
    return model && model->HasEstimate() && model->EstimateSerial() == predictionSerial_;
}

void TfrmREG::ShowPredictionFigures() {
    // A prediction of another fit, or none yet, is no figure of this one.
    const bool current = PredictionIsCurrent();
    const bool interval = current && PredictionHasInterval;
    stPreval->setText(current ? Q(FormatNumber(false, PredictedValue)) : QStringLiteral("-"));
    stMaxPV->setText(interval ? Q(FormatNumber(false, PredictUpper)) : QStringLiteral("-"));
    stMinPV->setText(interval ? Q(FormatNumber(false, PredictLower)) : QStringLiteral("-"));
}

void TfrmREG::tsPredictShow() {
    const Reg* model = state_.Model();
    if (!model) return;
    FillPredictionNames(*model);
    const int dep = model->GetDependent();
    stDepNam->setText(dep >= 0 && dep < model->GetVarCount() ? Q(model->GetVarName(dep)) : QString());
    ShowPredictionFigures();
    // Without an estimate there are no per-observation rows.
    const bool estimated = model->HasEstimate();
    sgPred->SetRowCount(estimated ? std::max(model->GetObsCount() + 1, 2) : 2);
    for (int c = 1; c <= 4; ++c) {
        static constexpr int kTitles[] = {kStrObserved, kStrPredicted, kStrIntervalUpper, kStrIntervalLower};
        sgPred->SetCell(c, 0, Q(LoadStrByNumber(kTitles[c - 1])));
    }
    sgPredTopLeftChanged();
}

void TfrmREG::btnPredCalcClick() {
    ComputePrediction();
    tsPredictShow();
}

void TfrmREG::ComputePrediction() {
    const Reg* model = state_.Model();
    if (!model || model->GetVarCount() < 2) return;
    model->RequireEstimate();
    const int k = model->GetVarCount();
    std::vector<double> x(static_cast<std::size_t>(k) + 1, 0.0);
    const std::optional<double> probability = PercentField(eKakuritu, 90);
    const std::optional<double> confidence = PercentField(eSinraido, 95);
    for (int r = 1; r < sgVList->RowCount(); ++r) {
        const int j = model->FindVar(sgVList->Cell(0, r).toStdString());
        const std::string text = sgVList->Cell(1, r).trimmed().toStdString();
        if (j < 0 || j >= k || !model->IsExplanatory(j) || text.empty()) continue;
        // A value that cannot be evaluated is an error: its message is shown
        // and the former prediction stays.
        const std::optional<double> v = EvaluateFieldFormula(state_, text);
        if (!v) return;
        x[static_cast<std::size_t>(j)] = *v;
    }
    double lower = 0.0, upper = 0.0, fitted = 0.0;
    bool interval = model->GetResidualDf() >= 1;
    if (interval && probability && confidence) {
        fitted = GetToleranceInterval(*model, x, lower, upper, *probability, *confidence);
    } else {
        fitted = FittedAt(*model, x);
        lower = -kInf;
        upper = kInf;
    }
    PredictedValue = fitted;
    PredictLower = lower;
    PredictUpper = upper;
    PredictionHasInterval = interval;
    predictionSerial_ = model->EstimateSerial();
}

TfrmREG::PredictionRow TfrmREG::PredictionAt(int i) const {
    if (auto it = predictionRows_.find(i); it != predictionRows_.end()) return it->second;
    const Reg& model = *state_.Model();
    const int k = model.GetVarCount();
    std::vector<double> x(static_cast<std::size_t>(k) + 1, 0.0);
    for (int j = 0; j < k; ++j)
        if (model.IsExplanatory(j)) x[static_cast<std::size_t>(j)] = model.GetValue(i, j);
    PredictionRow row;
    row.interval = model.GetResidualDf() >= 1;
    if (row.interval && rowConfidence_ && rowProbability_) {
        row.fitted = GetToleranceInterval(model, x, row.lower, row.upper, *rowProbability_, *rowConfidence_);
    } else {
        row.fitted = FittedAt(model, x);
        row.lower = -kInf;
        row.upper = kInf;
    }
    predictionRows_[i] = row;
    return row;
}

QString TfrmREG::PredictionCellText(int c, int r) const {
    const Reg* model = state_.Model();
    if (!model || r < 1 || c < 0 || c > 4 || r - 1 >= model->GetObsCount() || !model->HasEstimate()) return {};
    if (c == 0) return QString::number(r);
    if (model->GetDependent() < 0 || model->GetDependent() >= model->GetVarCount()) return {};
    const PredictionRow row = PredictionAt(r - 1);
    switch (c) {
    case 1: {
        const double y = model->GetValue(r - 1, model->GetDependent());
        const bool outside = row.interval && (y < row.lower || y > row.upper);
        return Q((outside ? SingleSignificanceMark() : std::string()) + FormatNumber(false, y));
    }
    case 2: return Q(FormatNumber(false, row.fitted));
    case 3: return row.interval ? Q(FormatNumber(false, row.upper)) : QStringLiteral("-");
    default: return row.interval ? Q(FormatNumber(false, row.lower)) : QStringLiteral("-");
    }
}

void TfrmREG::sgPredTopLeftChanged() {
    if (!state_.Model()) return;
    rowProbability_ = PercentField(eKakuritu, 90);
    rowConfidence_ = PercentField(eSinraido, 95);
    predictionRows_.clear();
    sgPred->InvalidateGrid();
}

void TfrmREG::sgPredClick() {
    const Reg* model = state_.Model();
    const int i = sgPred->Row() - 1;
    if (!model || i < 0 || i >= model->GetObsCount() || !model->HasEstimate()) return;
    for (int r = 1; r < sgVList->RowCount(); ++r) {
        const int j = model->FindVar(sgVList->Cell(0, r).toStdString());
        const double v = j >= 0 && j < model->GetVarCount() ? model->GetValue(i, j) : 0.0;
        sgVList->SetCell(1, r, Q(FormatNumber(false, v)));
    }
    btnPredCalcClick();
}

void TfrmREG::btnChangerClick() {
    const InputAnswer a = state_.Services().AskInput("変換式の入力", {}, PredictFormula);
    if (a.result == mrOK) PredictFormula = a.text;
}

void TfrmREG::ConvertPredictionLabel(QLabel* label, double value) {
    if (PredictFormula.empty() || !PredictionIsCurrent()) {
        label->setToolTip(QString());
        return;
    }
    // "@@" in the formula is the label's value.
    const std::optional<double> v = EvaluateFieldFormula(state_, PredictFormula, value);
    label->setToolTip(v ? Q(FormatNumber(false, *v)) : QString());
}

void TfrmREG::stPrevalClick() {
    if (!PredictFormula.empty()) ComputePrediction();
    ShowPredictionFigures();
    ConvertPredictionLabel(stPreval, PredictedValue);
}

void TfrmREG::stMaxPVClick() {
    if (!PredictFormula.empty()) ComputePrediction();
    ShowPredictionFigures();
    ConvertPredictionLabel(stMaxPV, PredictUpper);
}

void TfrmREG::stMinPVClick() {
    if (!PredictFormula.empty()) ComputePrediction();
    ShowPredictionFigures();
    ConvertPredictionLabel(stMinPV, PredictLower);
}
