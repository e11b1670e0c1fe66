#include "estimators/weighted_fit_tables.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

// Result rows behind codes 5..14.
constexpr int kAnalysisRows[10] = {
    WLSE::kRowTransformedFitted, WLSE::kRowTransformedResidual, WLSE::kRowPress, WLSE::kRowStandardized,
    WLSE::kRowStudentized,       WLSE::kRowResidualShare,       WLSE::kRowTwoStageA,
    WLSE::kRowDeletedVariance,   WLSE::kRowWelsch,              WLSE::kRowCovRatio};
constexpr StringId kAnalysisTitles[10] = {kStrPredicted,     kStrResidual,         kStrPressResidual, kStrStudentInternal,
                                          kStrStudentExternal, kStrSquaredResidual, kStrLeverage,      kStrDeletedVariance,
                                          kStrWi,            kStrCovratio};
constexpr int kWelschCode = 13;
constexpr int kCovratioCode = 14;
constexpr int kErrorRateCode = 3;

const std::string& NoMark() {
    static const std::string none;
    return none;
}

}  // namespace

WLSColumns::WLSColumns(std::shared_ptr<const WLSE> fit, bool instrumented)
    : fit_(std::move(fit)), instrumented_(instrumented && fit_->TwoStage()), student_(fit_->ResidualDf()) {
    // The observations s2 counts: those of weight 0 are left out.
    const double p = fit_->CoefCount();
    const double n = fit_->ResidualDf() + p;
    if (n > p) welschLimit_ = 2.0 * std::sqrt(p * n * (n - 1.0)) / (n - p);
    if (n > 0) {
        covratioLow_ = 1.0 - 3.0 * p / n;
        covratioHigh_ = 1.0 + 3.0 * p / n;
        changeLimit_ = 2.0 / std::sqrt(n);
    }
}

std::string WLSColumns::Title(int code) const {
    const int p = fit_->CoefCount();
    if (code == kTimeCode) return LoadStr(kStrTime);
    if (code >= 0 && code < kWeightCode) return LoadStr(static_cast<StringId>(kStrObserved + code));
    if (code == kWeightCode) return fit_->ARMode() ? LoadStr(kStrPredicted) + "1" : LoadStr(kStrWeight);
    if (code >= kFirstAnalysisCode && code < kCoefChangeCode) return LoadStr(kAnalysisTitles[code - kFirstAnalysisCode]);
    if (code >= kCoefChangeCode && code < kCoefChangeCode + p)
        return LoadStr(kStrBetaChange) + "[" + fit_->GetName(code - kCoefChangeCode) + "]";
    if (code >= FirstDataCode() && code < CodeCount())
        return fit_->GetName(code - FirstDataCode()) + (instrumented_ ? "(iv)" : "");
    return {};
}

void WLSColumns::Read(int code, int first, int count, double* out) const {
    if (count <= 0) return;
    const int p = fit_->CoefCount();
    if (code == kTimeCode) {
        for (int i = 0; i < count; ++i) out[i] = first + i + 1.0;
    } else if (code >= 0 && code < kWeightCode) {
        fit_->ReadResultSpan(code, first, count, out);
    } else if (code == kWeightCode) {
        for (int i = 0; i < count; ++i) {
            const int t = first + i;
            out[i] = t >= 0 && t < fit_->ObsCount() ? fit_->GetWeight(t) : 0.0;
        }
    } else if (code >= kFirstAnalysisCode && code < kCoefChangeCode) {
        fit_->ReadResultSpan(kAnalysisRows[code - kFirstAnalysisCode], first, count, out);
    } else if (code >= kCoefChangeCode && code < kCoefChangeCode + p) {
        fit_->ReadResultSpan(WLSE::kRowCoefChange + code - kCoefChangeCode, first, count, out);
    } else if (code >= FirstDataCode() && code < CodeCount()) {
        fit_->ReadTransformedSpan(code - FirstDataCode(), first, count, out, instrumented_);
    } else {
        throw ERangeError(kRangeErrorText);
    }
}

std::vector<double> WLSColumns::Column(int code) const {
    std::vector<double> v(static_cast<std::size_t>(fit_->ObsCount()));
    Read(code, 0, fit_->ObsCount(), v.data());
    return v;
}

std::vector<double> WLSColumns::PressLeverage() const {
    std::vector<double> v(static_cast<std::size_t>(fit_->ObsCount()));
    fit_->ReadResultSpan(WLSE::kRowLeverage, 0, fit_->ObsCount(), v.data());
    return v;
}

double WLSColumns::Value(int code, int t) const {
    double v = 0.0;
    Read(code, t, 1, &v);
    return v;
}

const std::string& WLSColumns::Mark(int code, double value) const {
    if (code == kStudentizedCode) return student_.Mark(value);
    if (code == kWelschCode) return value > welschLimit_ ? SingleSignificanceMark() : NoMark();
    if (code == kCovratioCode)
        return value > covratioHigh_ || value < covratioLow_ ? SingleSignificanceMark() : NoMark();
    if (code >= kCoefChangeCode && code < kCoefChangeCode + fit_->CoefCount())
        return std::fabs(value) > changeLimit_ ? SingleSignificanceMark() : NoMark();
    return NoMark();
}

ResultCell WLSColumns::CellOf(int code, double value) const {
    if (code == kTimeCode) return TextCell(std::to_string(static_cast<long long>(value)));
    if (code == kErrorRateCode) {
        ResultCell c;
        c.text = ErrorRateText(value);
        if (std::isfinite(value) && std::fabs(value) <= 9999.0) c.value = value;
        return c;
    }
    // t(i) goes unmarked on the page: its significance marks are the
    // report's.
    return NumberCell(value, false, code == kStudentizedCode ? NoMark() : Mark(code, value));
}

ResultCell WLSColumns::Cell(int code, int t) const { return CellOf(code, Value(code, t)); }

WLSPageTable::WLSPageTable(std::shared_ptr<const WLSColumns> columns, std::vector<int> codes, std::string corner)
    : columns_(std::move(columns)), codes_(std::move(codes)), corner_(std::move(corner)) {}

int WLSPageTable::CodeOf(int column) const {
    if (column <= 0 || column > static_cast<int>(codes_.size())) return WLSColumns::kTimeCode;
    return codes_[static_cast<std::size_t>(column - 1)];
}

std::string WLSPageTable::Title(int column) const {
    if (column == 0) return corner_;
    if (column < 0 || column >= ColumnCount()) return {};
    return columns_->Title(CodeOf(column));
}

ResultCell WLSPageTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return {};
    if (column == 0) return TextCell(std::to_string(row + 1));
    return columns_->Cell(CodeOf(column), row);
}

WLSPageTable WLSResidualTable(std::shared_ptr<const WLSColumns> columns) {
    return WLSPageTable(std::move(columns), {0, 1, 2, 3, 4});
}

WLSPageTable WLSDataTable(std::shared_ptr<const WLSColumns> columns) {
    std::vector<int> codes;
    const int first = columns->FirstDataCode();
    for (int c = first; c < columns->CodeCount(); ++c) codes.push_back(c);
    std::string corner = columns->Instrumented() ? "(iv)" : "";
    return WLSPageTable(std::move(columns), std::move(codes), std::move(corner));
}

WLSPageTable WLSAnalysisTable(std::shared_ptr<const WLSColumns> columns) {
    std::vector<int> codes;
    const int last = WLSColumns::kCoefChangeCode + columns->Fit().CoefCount();
    for (int c = WLSColumns::kFirstAnalysisCode; c < last; ++c) codes.push_back(c);
    return WLSPageTable(std::move(columns), std::move(codes));
}

ResultTable WLSEstimateTable(const WLSE& fit) {
    const int p = fit.CoefCount();
    ResultTable t({fit.GetName(p), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), LoadStr(kStrTValue)});
    for (int j = 0; j < p; ++j) {
        const double b = fit.GetCoef(j);
        const double se = fit.GetStdErr(j), held = fit.GetHeldStdErr(j);
        t.AddRow({TextCell(fit.GetName(j)), NumberCell(b), NumberCell(se),
                  held != 0.0 ? NumberCell(b / held) : TextCell("-")});
    }
    return t;
}

WLSFitTexts FitTexts(const WLSE& fit) {
    WLSFitTexts t;
    t.standardError = FormatNumber(false, std::sqrt(std::max(fit.S2(), 0.0)));
    t.r2 = FormatNumber(false, fit.R2());
    t.adjustedR2 = FormatNumber(false, fit.AdjR2());
    t.durbinWatson = FormatNumber(false, fit.DurbinWatsonRatio());
    t.gk = FormatNumber(false, fit.GK());
    t.gkLevel = FormatPercent(ChiSquare1SignificanceLevel(fit.GK()));
    // The count s2 is divided by: observations of weight 0 are left out.
    t.degreesOfFreedom = "自由度 = " + std::to_string(fit.ResidualDf());
    return t;
}

ResultTable ARCoefficientTable(const WLSE& fit) {
    ResultTable t({"", LoadStr(kStrEstimate), LoadStr(kStrVariance)});
    if (!fit.ARMode()) return t;
    const double rootN = std::sqrt(static_cast<double>(fit.ObsCount()));
    for (int i = 0; i < fit.AROrder(); ++i) {
        const double phi = fit.GetARCoef(i);
        const double v = fit.GetARVariance(i);
        const double h = 1.96 * std::sqrt(std::max(v, 0.0)) / rootN;
        // The interval phi +- h holds zero: the coefficient is not significant.
        const bool holdsZero = (phi + h) * (phi - h) < 0.0;
        t.AddRow({TextCell(std::to_string(i + 1)), NumberCell(phi),
                  NumberCell(v, false, holdsZero ? SingleSignificanceMark() : std::string())});
    }
    return t;
}

std::string ARVarianceText(const WLSE& fit) { return fit.ARMode() ? FormatNumber(false, fit.ARVariance()) : ""; }
