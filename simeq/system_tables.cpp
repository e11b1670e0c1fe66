#include "simeq/system_tables.h"

#include <cmath>

#include "core/data/equation.h"
#include "core/io/file_matrix.h"
#include "core/io/final_form_storage.h"
#include "core/model/estimate_texts.h"
#include "core/model/regression_model.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"
#include "simeq/final_form_assistant.h"
#include "simeq/structural_store.h"
#include "simeq/system_build.h"

namespace {

constexpr double kTiny = 2.220446049250313e-16;
// Intervals of the pages: 95 %.
constexpr double kIntervalAlpha = 0.05;

bool ValidEquation(const SimultaneousSystem& sys, int s) { return sys.IsBuilt() && s >= 0 && s < sys.S(); }

const Expres& StochasticEquation(const SimultaneousSystem& sys, int s) {
    return sys.Equations().GetItem(sys.StochasticPositions()[static_cast<std::size_t>(s)]);
}

// Coefficient indices of a store as listed: the regressors, then the
// constant term (k).
std::vector<int> ListedIndices(const RegFile& f) {
    std::vector<int> idx;
    for (int i = 0; i < f.K() - 1; ++i) idx.push_back(i);
    idx.push_back(f.K());
    return idx;
}

std::string EquationHeading(int i) { return "第" + std::to_string(i + 1) + "式"; }

}  // namespace

ResultTable StructuralEstimateTable(const SimultaneousSystem& sys, int s) {
    if (!ValidEquation(sys, s)) return {};
    const std::string t = LoadStr(kStrTValue) + LoadStr(kStrSignificance);
    if (sys.TwoStage()) {
        const RegFile& f = sys.Store(s);
        ResultTable table({f.GetName(f.DependentIndex()), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), t});
        for (int i : ListedIndices(f)) {
            const double b = f.GetCoef(i);
            const double se = std::sqrt(std::max(f.GetCov(i, i), 0.0));
            ResultCell tv = TextCell("-");
            if (se > 0.0 && std::isfinite(b / se)) {
                const double tval = b / se;
                const double p = TSignificanceLevel(f.Df(), tval);
                tv = NumberCell(tval, false, SignificanceMark(50, 5, p));
                tv.text += "(" + FormatPercent(p) + ")";
            }
            table.AddRow({TextCell(f.GetName(i)), NumberCell(b), NumberCell(se), tv});
        }
        return table;
    }
    const Expres& e = StochasticEquation(sys, s);
    ResultTable table({e.GetLeftName(), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), t});
    for (int i = 0; i < e.GetCount(); ++i) {
        const std::string name = e.GetVarName(i);
        table.AddRow({TextCell(name), NumberCell(-e.GetSystemCoef(name)), TextCell("-"), TextCell("-")});
    }
    return table;
}

ResultTable StructuralCovarianceTable(const SimultaneousSystem& sys, int s) {
    if (!ValidEquation(sys, s) || !sys.TwoStage()) return {};
    const RegFile& f = sys.Store(s);
    const std::vector<int> idx = ListedIndices(f);
    std::vector<std::string> titles{"β共分散"};
    for (int i : idx) titles.push_back(f.GetName(i));
    ResultTable table(std::move(titles));
    for (int r : idx) {
        std::vector<ResultCell> row{TextCell(f.GetName(r))};
        for (int c : idx) row.push_back(NumberCell(f.GetCov(r, c)));
        table.AddRow(std::move(row));
    }
    return table;
}

StructuralSummary StructuralSummaryOf(const SimultaneousSystem& sys, int s) {
    StructuralSummary out{"-", "-", "-"};
    if (!ValidEquation(sys, s)) return out;
    if (sys.TwoStage()) {
        const RegFile& f = sys.Store(s);
        out.ve = FormatNumber(false, std::sqrt(std::max(f.S2(), 0.0)));
        out.r2 = FormatNumber(false, f.R2());
        out.liml = f.ComputeLimlRoot().Text();
        return out;
    }
    const Expres& e = StochasticEquation(sys, s);
    const Reg& data = *sys.Model();
    const int n = sys.N();
    const int y = data.FindVar(e.GetLeftName());
    std::vector<int> x;
    for (int i = 0; i < e.GetCount(); ++i) x.push_back(data.FindVar(e.GetVarName(i)));
    double sse = 0.0;
    for (int t = 0; t < n; ++t) {
        double r = data.GetValue(t, y);
        for (int i = 0; i < e.GetCount(); ++i) r -= e.GetCoef(i) * data.GetValue(t, x[static_cast<std::size_t>(i)]);
        sse += r * r;
    }
    const int df = n - e.GetCount();
    if (df <= 0) return out;
    const double s2 = sse / df;
    out.ve = FormatNumber(false, std::sqrt(s2));
    const double sd = data.GetStdDev(y);
    if (sd > 0.0 && std::isfinite(sd)) out.r2 = FormatNumber(false, 1.0 - s2 / (sd * sd));
    return out;
}

ResultTable AllCoefficientsTable(const SimultaneousSystem& sys) {
    if (!sys.IsBuilt()) return {};
    std::vector<std::string> titles{""};
    for (int i = 0; i < sys.EquationCount(); ++i) titles.push_back(EquationHeading(i));
    ResultTable table(std::move(titles));
    const TFileMatrix& a = sys.Coefficients();
    for (int j = 0; j < static_cast<int>(sys.Names().size()); ++j) {
        std::vector<ResultCell> row{TextCell(sys.Names()[static_cast<std::size_t>(j)])};
        for (int i = 0; i < sys.EquationCount(); ++i) row.push_back(NumberCell(a.GetValue(i, j)));
        table.AddRow(std::move(row));
    }
    return table;
}

ResultTable ReducedFormTable(const SimultaneousSystem& sys) {
    if (!sys.IsBuilt()) return {};
    const auto& names = sys.Names();
    std::vector<std::string> titles{LoadStr(kStrReducedForm)};
    for (int k = 0; k < sys.K(); ++k) titles.push_back(names[static_cast<std::size_t>(sys.G() + k)]);
    ResultTable table(std::move(titles));
    for (int g = 0; g < sys.G(); ++g) {
        std::vector<ResultCell> row{TextCell(names[static_cast<std::size_t>(g)])};
        for (int k = 0; k < sys.K(); ++k) row.push_back(NumberCell(sys.ReducedForm().GetValue(g, k)));
        table.AddRow(std::move(row));
    }
    return table;
}

ResultCell TestResidualCell(double residual, double observed) {
    const double reference = std::fabs(observed) < kTiny ? kTiny : observed;
    const double r = std::fabs(residual / reference);
    return NumberCell(residual, false, r > 0.8 ? DoubleSignificanceMark() : r > 0.5 ? SingleSignificanceMark() : "");
}

int SystemTestTable::ColumnCount() const { return sys_->G() + 1; }
int SystemTestTable::RowCount() const { return sys_->N(); }

std::string SystemTestTable::Title(int column) const {
    if (column == 0) return residuals_ ? LoadStr(kStrResidual) : std::string("変数");
    if (column < 1 || column > sys_->G()) return {};
    return sys_->Names()[static_cast<std::size_t>(column - 1)];
}

ResultCell SystemTestTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount() || column < 0 || column > sys_->G()) return {};
    if (column == 0) return TextCell(std::to_string(row + 1));
    const int g = column - 1;
    const double p = simulation_ ? sys_->Simulation().GetValue(row, g) : sys_->Equations().GetReducedFormValue(row, g);
    if (!residuals_) return NumberCell(p);
    const double y = sys_->Observed().GetValue(row, g);
    return TestResidualCell(y - p, y);
}

std::vector<double> PredictedSeries(const SimultaneousSystem& sys, int g, bool simulation) {
    std::vector<double> p(static_cast<std::size_t>(sys.N()));
    for (int t = 0; t < sys.N(); ++t)
        p[static_cast<std::size_t>(t)] =
            simulation ? sys.Simulation().GetValue(t, g) : sys.Equations().GetReducedFormValue(t, g);
    return p;
}

std::vector<double> ObservedSeries(const SimultaneousSystem& sys, int g) {
    std::vector<double> y(static_cast<std::size_t>(sys.N()));
    for (int t = 0; t < sys.N(); ++t) y[static_cast<std::size_t>(t)] = sys.Observed().GetValue(t, g);
    return y;
}

std::optional<std::vector<double>> StandardizedTestResiduals(const SimultaneousSystem& sys, int g, bool simulation) {
    const int df = sys.N() - sys.G();
    if (df <= 0) return std::nullopt;
    std::vector<double> e = ObservedSeries(sys, g);
    const std::vector<double> p = PredictedSeries(sys, g, simulation);
    double sse = 0.0;
    for (std::size_t t = 0; t < e.size(); ++t) {
        e[t] -= p[t];
        sse += e[t] * e[t];
    }
    const double s = std::sqrt(sse / df);
    if (!(s > 0.0) || !std::isfinite(s)) return std::nullopt;
    for (double& v : e) v /= s;
    return e;
}

ResultTable PredictionInputTable(const SimultaneousSystem& sys) {
    ResultTable table({"先決変数", LoadStr(kStrValue)});
    const auto& in = sys.PredictionInputs();
    for (std::size_t k = 0; k < in.size(); ++k)
        table.AddRow({TextCell(sys.Names()[static_cast<std::size_t>(sys.G()) + k]), NumberCell(in[k])});
    return table;
}

ResultTable PredictionTable(const SimultaneousSystem& sys) {
    ResultTable table({LoadStr(kStrEndogenous), LoadStr(kStrPredicted)});
    const auto& p = sys.Predictions();
    for (std::size_t g = 0; g < p.size(); ++g) table.AddRow({TextCell(sys.Names()[g]), NumberCell(p[g])});
    return table;
}

ResultTable FinalFormTable(const FFList& list, int i) {
    if (i < 0 || i >= list.GetCount()) {
        ResultTable empty({"未決定", ""});
        empty.AddRow({});
        return empty;
    }
    const FFElement e = list.GetElement(i);
    ResultTable table({e.GetName(), "係数"});
    for (int j = 0; j < e.GetCount(); ++j) {
        const FFCell term = e.GetTerm(j);
        table.AddRow({TextCell(TermLabel(term, e.GetName())), NumberCell(term.GetCoef())});
    }
    return table;
}

std::string StructuralCellText(const SimultaneousSystem& sys, int s, const std::string& rowName, int r) {
    if (!ValidEquation(sys, s) || r < 1) return {};
    if (sys.TwoStage()) {
        const RegFile& f = sys.Store(s);
        const int i = f.IndexOf(rowName);
        if (i < 0) return {};
        return rowName + " : " +
               FormatConfidenceInterval(f.Df(), kIntervalAlpha, std::sqrt(std::max(f.GetCov(i, i), 0.0)), f.GetCoef(i));
    }
    const Expres& e = StochasticEquation(sys, s);
    if (r - 1 >= e.GetCount()) return {};
    return e.GetVarName(r - 1) + " = " + FormatExponent(7, e.GetCoef(r - 1));
}

std::string AllCoefficientsCellText(const SimultaneousSystem& sys, int c, int r, bool left) {
    const int width = static_cast<int>(sys.Names().size());
    if (!sys.IsBuilt() || c < 1 || c > sys.EquationCount() || r < 1 || r > width) return {};
    const std::string& name = sys.Names()[static_cast<std::size_t>(r - 1)];
    const double v = sys.Coefficients().GetValue(c - 1, r - 1);
    if (!sys.TwoStage()) return FormatElementValue(name, c, v);
    // A definition has no estimate and no variance.
    int s = -1;
    for (int i = 0; i < sys.S(); ++i)
        if (sys.StochasticPositions()[static_cast<std::size_t>(i)] == c - 1) s = i;
    if (s < 0) return {};
    const int at = (c - 1) * width + (r - 1);
    const double var = sys.StructuralCovariance().GetValue(at, at);
    const std::string heading = EquationHeading(c - 1);
    if (left) return heading + " の var ( " + name + " ) = " + FormatNumber(false, var);
    return "[ " + heading + " , " + name + " ] " +
           FormatConfidenceInterval(sys.Store(s).Df(), kIntervalAlpha, std::sqrt(std::max(var, 0.0)), v);
}

std::string ReducedFormCellText(const SimultaneousSystem& sys, int c, int r, bool left) {
    if (!sys.IsBuilt() || c < 1 || c > sys.K() || r < 1 || r > sys.G()) return {};
    const std::string& rn = sys.Names()[static_cast<std::size_t>(r - 1)];
    const std::string& cn = sys.Names()[static_cast<std::size_t>(sys.G() + c - 1)];
    const double pi = sys.ReducedForm().GetValue(r - 1, c - 1);
    if (!sys.TwoStage()) return "( " + rn + " , " + cn + " ) = " + FormatExponent(7, pi);
    const int at = (r - 1) * sys.K() + (c - 1);
    const double var = sys.ReducedFormCovariance().GetValue(at, at);
    if (left) return "asy var ( " + rn + " , " + cn + " ) = " + FormatNumber(false, var);
    return "[ " + rn + " , " + cn + " ] " +
           FormatConfidenceInterval(sys.N() - 1, kIntervalAlpha, std::sqrt(std::max(var, 0.0)), pi);
}
