// The plot commands of the main window: the X-Y plot of two result columns,
// residual plots of every kind, lag plots, the partial regression plot,
// the prediction plot with its bands and the statistics of r(i) and t(i).
// Every series is read from what the model already holds; the graph
// launchers do the drawing.
#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "app/main_window/main_window.h"
#include "components/view/graph_launchers.h"
#include "components/view/guarded_slot.h"
#include "core/data/variable.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "core/model/tolerance_rows.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowPredicted = 1;
constexpr int kRowResidual = 2;
constexpr int kRowLeverage = 9;
constexpr int kMinLagPairs = 4;
constexpr int kMinMarkedObservations = 4;
constexpr const char* kIvPrefix = "(iv)";
constexpr std::uint32_t kBandColour = 0x008000;
constexpr std::uint8_t kPenSolid = 0;
constexpr std::uint8_t kPenDotted = 2;

bool Squared(ResidualPlot kind) {
    return kind == ResidualPlot::SquaredPredicted || kind == ResidualPlot::SquaredVariable ||
           kind == ResidualPlot::SquaredFittedVariable || kind == ResidualPlot::SquaredTime;
}

bool IsEndogenousVariable(const Reg& model, int j) {
    return j >= 0 && j < model.GetVarCount() && model.GetVarType(j) == Var::kEndogenous;
}

}  // namespace

void TfrmREG::BuildPlotButtons() {
    struct Button {
        const char* action;
        const char* name;
        void (TfrmREG::*rightButton)(Qt::MouseButton);
    };
    const Button buttons[] = {{"PlotsCS", "tbEYPlot", &TfrmREG::tbEYPlotMouseDown},
                              {"PlotsTS", "tnETPlot", &TfrmREG::tnETPlotMouseDown},
                              {"XEPlots", "tbXEPlot", &TfrmREG::tbXEPlotMouseDown},
                              {"EEPlots", "tbEELag", nullptr},
                              {"NPlots", "tbFund", &TfrmREG::tbFundMouseDown}};
    for (const Button& b : buttons) {
        QAction* action = Action(b.action);
        if (!action) continue;
        TB2->addAction(action);
        auto* button = qobject_cast<QToolButton*>(TB2->widgetForAction(action));
        if (!button) continue;
        button->setObjectName(QString::fromLatin1(b.name));
        if (!b.rightButton) continue;
        // The right button draws the squared variant (or t(i)).
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        const auto handler = b.rightButton;
        connect(button, &QWidget::customContextMenuRequested, this,
                Guarded(state_, [this, handler] { (this->*handler)(Qt::RightButton); }));
    }
    pmEELag = new QMenu(this);
    pmEELag->setObjectName(QStringLiteral("pmEELag"));
    const struct {
        const char* name;
        const char* caption;
        void (TfrmREG::*handler)();
    } lags[] = {{"mnuEE1", "二期前(&2)", &TfrmREG::mnuEE1Click},
                {"mnuEE2", "三期前(&3)", &TfrmREG::mnuEE2Click},
                {"mnuEE3", "四期前(&4)", &TfrmREG::mnuEE3Click}};
    for (const auto& lag : lags) {
        QAction* item = pmEELag->addAction(QString::fromUtf8(lag.caption));
        item->setObjectName(QString::fromLatin1(lag.name));
        const auto handler = lag.handler;
        connect(item, &QAction::triggered, this, Guarded(state_, [this, handler] { (this->*handler)(); }));
    }
}

QToolButton* TfrmREG::PlotButton(const std::string& name) const {
    return TB2 ? TB2->findChild<QToolButton*>(QString::fromStdString(name)) : nullptr;
}

void TfrmREG::PlotResiduals(ResidualPlot kind, int j) {
    Reg* model = state_.Model();
    if (!model) return;
    const int n = model->GetObsCount();
    if (n <= 0) return;
    model->ComputeInfluence();
    const auto N = static_cast<std::size_t>(n);

    if (kind == ResidualPlot::Lag) {
        if (j < 1 || n - j < kMinLagPairs) return;
        const int count = n - j;
        std::vector<double> x(static_cast<std::size_t>(count)), y(static_cast<std::size_t>(count));
        for (int t = j; t < n; ++t) {
            x[static_cast<std::size_t>(t - j)] = model->GetAnalysisValue(kRowResidual, t);
            y[static_cast<std::size_t>(t - j)] = model->GetAnalysisValue(kRowResidual, t - j);
        }
        ShowXYGraph(ViewContext(), LoadStr(kStrEi), x.data(), LagResidualLabel(j), count, y.data());
        return;
    }
    if (kind == ResidualPlot::LR) {
        // An exact fit has no residual sum of squares to share out.
        if (!(model->GetSse() > 0.0)) return;
        std::vector<double> x(N), y(N);
        for (int i = 0; i < n; ++i) {
            x[static_cast<std::size_t>(i)] = model->GetAnalysisValue(Reg::kRowResidualShare, i);
            y[static_cast<std::size_t>(i)] = model->GetAnalysisValue(kRowLeverage, i);
        }
        ShowXYGraph(ViewContext(), LoadStr(kStrSquaredResidual), x.data(), LoadStr(kStrLeverage), n, y.data());
        return;
    }

    // The standardised residuals divide by s2: without spread there is
    // nothing to plot.
    if (!(model->GetS2() > 0.0)) return;
    const bool squared = Squared(kind);
    std::vector<double> x(N), y(N);
    std::string xTitle;
    for (int i = 0; i < n; ++i) {
        const double r = model->GetAnalysisValue(Reg::kRowStudentInternal, i);
        y[static_cast<std::size_t>(i)] = squared ? r * r : r;
    }
    switch (kind) {
    case ResidualPlot::Predicted:
    case ResidualPlot::SquaredPredicted:
        xTitle = LoadStr(kStrPredicted);
        for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = model->GetAnalysisValue(kRowPredicted, i);
        break;
    case ResidualPlot::Time:
    case ResidualPlot::SquaredTime:
        xTitle = LoadStr(kStrTime);
        for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = i + 1.0;
        break;
    case ResidualPlot::Variable:
    case ResidualPlot::SquaredVariable:
        if (j < 0 || j > model->GetVarCount()) return;
        xTitle = model->GetVarName(j);
        for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = model->GetValue(i, j);
        break;
    case ResidualPlot::FittedVariable:
    case ResidualPlot::SquaredFittedVariable:
        if (j < 0 || j > model->GetVarCount() || j >= model->Fit().design.Cols()) return;
        xTitle = (model->IsTwoStage() && IsEndogenousVariable(*model, j) ? kIvPrefix : "") + model->GetVarName(j);
        for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = model->GetDesignValue(i, j);
        break;
    default: return;
    }
    std::string yTitle = LoadStr(kStrStandardizedResidual);
    if (squared) yTitle += "平方";
    ShowXYGraph(ViewContext(), xTitle, x.data(), yTitle, n, y.data());
}

void TfrmREG::PlotsCSExecute() { PlotResiduals(ResidualPlot::Predicted, 0); }
void TfrmREG::PlotsTSExecute() { PlotResiduals(ResidualPlot::Time, 0); }
void TfrmREG::EEPlotsExecute() { PlotResiduals(ResidualPlot::Lag, 1); }
void TfrmREG::mnuEE1Click() { PlotResiduals(ResidualPlot::Lag, 2); }
void TfrmREG::mnuEE2Click() { PlotResiduals(ResidualPlot::Lag, 3); }
void TfrmREG::mnuEE3Click() { PlotResiduals(ResidualPlot::Lag, 4); }
void TfrmREG::LRPlotterExecute() { PlotResiduals(ResidualPlot::LR, 0); }

void TfrmREG::EELagxExecute() {
    QWidget* anchor = PlotButton("tbEELag");
    if (!anchor) anchor = this;
    pmEELag->popup(anchor->mapToGlobal(QPoint(0, 24)));
}

void TfrmREG::XEPlotsExecute() { PlotAgainstChosenVariable(false); }

void TfrmREG::PlotAgainstChosenVariable(bool squared) {
    const Reg* model = state_.Model();
    if (!model) return;
    const int k = model->GetVarCount();
    const int dep = model->GetDependent();
    int j = -1;
    bool fitted = false;
    if (k == 2) {
        j = dep == 0 ? 1 : 0;
    } else {
        std::vector<std::string> choices;
        for (int v = 0; v < k; ++v)
            if (v != dep) choices.push_back(model->GetVarName(v));
        if (model->IsTwoStage())
            for (int v = 0; v < k; ++v)
                if (v != dep && IsEndogenousVariable(*model, v)) choices.push_back(kIvPrefix + model->GetVarName(v));
        const std::optional<std::string> answer = Ask(LoadStr(kStrChooseExplanatory), choices);
        if (!answer) return;
        std::string name = *answer;
        if (name.rfind(kIvPrefix, 0) == 0) {
            fitted = true;
            name.erase(0, std::string(kIvPrefix).size());
        }
        j = model->FindVar(name);
        if (j < 0) return;
    }
    const ResidualPlot kind = fitted ? (squared ? ResidualPlot::SquaredFittedVariable : ResidualPlot::FittedVariable)
                                     : (squared ? ResidualPlot::SquaredVariable : ResidualPlot::Variable);
    PlotResiduals(kind, j);
}

void TfrmREG::tbEYPlotMouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton) PlotResiduals(ResidualPlot::SquaredPredicted, 0);
}
void TfrmREG::tnETPlotMouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton) PlotResiduals(ResidualPlot::SquaredTime, 0);
}
void TfrmREG::tbXEPlotMouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton) PlotAgainstChosenVariable(true);
}

void TfrmREG::NPlotsExecute() { ShowResidualStatistics(Reg::kRowStudentInternal); }

void TfrmREG::tbFundMouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton) ShowResidualStatistics(Reg::kRowStudentExternal);
}

void TfrmREG::ShowResidualStatistics(int row) {
    Reg* model = state_.Model();
    if (!model) return;
    model->ComputeAnalysisData();
    // r(i) and t(i) divide by s2; an exact fit has neither.
    if (!(model->GetS2() > 0.0)) return;
    ShowResultColumnStatistics({ResultKind::Diagnostic, row}, 1);
}

void TfrmREG::XYPlotterExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    TakeXYColumnCodes();
    ResultColumn vertical = PlotColumnY, horizontal = PlotColumnX;
    if (vertical.kind == ResultKind::None) {
        std::vector<std::string> names;
        for (int v = 0; v < model->GetVarCount(); ++v) names.push_back(model->GetVarName(v));
        const std::optional<std::string> first = Ask(LoadStr(kStrVerticalAxis), names);
        if (!first) return;
        const int jy = model->FindVar(*first);
        if (jy < 0 || jy >= model->GetVarCount()) return;
        names.erase(names.begin() + jy);
        const std::optional<std::string> second = Ask(LoadStr(kStrHorizontalAxis), names);
        if (!second) return;
        const int jx = model->FindVar(*second);
        if (jx < 0 || jx >= model->GetVarCount() || jx == jy) return;
        vertical = {ResultKind::Variable, jy};
        horizontal = {ResultKind::Variable, jx};
    } else if (horizontal.kind == ResultKind::None) {
        horizontal = {ResultKind::Time, 0};
    }
    // Columns of the fit are refused without an estimate.
    for (const ResultColumn& c : {vertical, horizontal})
        if (ReadsFit(c)) model->ComputeInfluence();

    const int n = model->GetObsCount();
    std::vector<int> rows;
    const bool markedOnly = CountMarkedObservations() >= kMinMarkedObservations;
    for (int i = 0; i < n; ++i)
        if (!markedOnly || IsMarked(ObservationMarks, i)) rows.push_back(i);
    const int m = static_cast<int>(rows.size());
    std::vector<double> x(rows.size()), y(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        x[r] = ResultColumnValue(*model, horizontal, rows[r]);
        y[r] = ResultColumnValue(*model, vertical, rows[r]);
    }
    ObservationMarks.Clear();
    ShowXYGraph(ViewContext(), ResultColumnTitle(*model, horizontal), x.data(), ResultColumnTitle(*model, vertical),
                m, y.data());
    RefreshActivePage();
}

void TfrmREG::PRLPlotsExecute() {
    const Reg* model = state_.Model();
    if (!model || model->GetVarCount() == 2) return;
    model->RequireEstimate();
    std::vector<std::string> names;
    for (int v = 0; v < model->GetVarCount(); ++v)
        if (model->IsExplanatory(v)) names.push_back(model->GetVarName(v));
    const std::optional<std::string> answer = Ask(LoadStr(kStrChooseVariable), names);
    if (!answer) return;
    const int j = model->FindVar(*answer);
    if (j < 0 || j >= model->GetVarCount() || !model->IsExplanatory(j)) return;
    std::vector<double> ox, oy;
    GetPartialRegression(*model, ox, oy, j);
    std::string xName = model->GetVarName(j);
    std::string yName = model->GetVarName(model->GetDependent());
    MakePartialPlotLabels(xName, yName);
    const int n = static_cast<int>(std::min(ox.size(), oy.size()));
    ShowXYGraph(ViewContext(), xName, ox.data(), yName, n, oy.data());
}

void TfrmREG::btnYYPlotClick() {
    const Reg* model = state_.Model();
    if (!model) return;
    const int dep = model->GetDependent();
    const int n = model->GetObsCount();
    const int k = model->GetVarCount();
    if (dep < 0 || dep >= k || n <= 0) return;
    model->RequireEstimate();
    const double confidence = PercentField(eSinraido, 95).value_or(0.95);
    const double probability = PercentField(eKakuritu, 90).value_or(0.90);
    XYData upper(kBandColour, kPenDotted, false, n);
    XYData lower(kBandColour, kPenDotted, false, n);
    XYData fitted(kBandColour, kPenSolid, false, n);
    // Without a residual degree of freedom the bands are not numbers: only
    // the predictions are drawn.
    const bool bands = model->GetResidualDf() >= 1;
    const ToleranceRows rows = GetObservationToleranceIntervals(*model, probability, confidence);
    std::vector<double> t(static_cast<std::size_t>(n)), y;
    model->GetVarValues(dep, y);
    for (int i = 0; i < n; ++i) {
        const auto r = static_cast<std::size_t>(i);
        t[r] = i + 1.0;
        fitted.SetPoint(i, t[r], rows.fitted[r]);
        upper.SetPoint(i, t[r], rows.upper[r]);
        lower.SetPoint(i, t[r], rows.lower[r]);
    }
    std::vector<XYData> extra;
    if (bands) {
        extra.push_back(upper);
        extra.push_back(lower);
    }
    extra.push_back(fitted);
    ShowSeriesPlot(ViewContext(), LoadStr(kStrTime), t.data(), model->GetVarName(dep), extra, n, y.data());
}
