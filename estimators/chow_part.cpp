#include "estimators/chow_part.h"

#include <cmath>

#include "core/model/leverage_forms.h"
#include "core/model/centred_fit_rows.h"
#include "platform/errors.h"

RegData::RegData(int obs, int coefs)
    : n(obs), k(coefs), df(obs - coefs), coef(coefs, 0.0), stdErr(coefs, 0.0), heldStdErr(coefs, 0.0),
      studentised(obs, 0.0), leverage(obs, 0.0), fitted(obs, 0.0), share(obs, 0.0) {
    if (obs < 0 || coefs < 0) throw ERangeError("範囲エラー");
}

double StudentisedResidual(double e, double h, double s2) {
    // 1 - 2^-23: the part fits the observation exactly.
    constexpr double kLeverageFloor = 0.99999988079071044921875;
    if (h == 1.0) return kNoFigure;
    if (!(s2 > 0.0)) return 0.0;
    double d = 1.0 - h;
    if (!(d > 0.0)) d = kLeverageFloor;
    return e / std::sqrt(s2 * d);
}

void FinishPartRows(RegData& r, const std::vector<double>& e) {
    const double floor = VarianceFloorOf(r.varY);
    const double s2 = r.df > 0 ? HeldAtFloor(r.sse / r.df, floor) : 0.0;
    const double sse = r.df > 0 ? HeldSumOfSquares(r.sse, r.df, floor) : r.sse;
    for (int i = 0; i < r.n; ++i) {
        r.studentised[i] = StudentisedResidual(e[i], r.leverage[i], s2);
        r.share[i] = sse > 0.0 ? e[i] * e[i] / sse : 0.0;
    }
}

double FitPartFromSweep(RegData& r, const double* x, const LongMatrix& m, const LongMatrix& unswept, int kx) {
    const int p = kx;  // the dependent's column
    const int width = kx + 2;
    std::vector<int> vars(static_cast<std::size_t>(kx));
    for (int j = 0; j < kx; ++j) vars[static_cast<std::size_t>(j)] = j;
    const CentredFitRows rows(m, unswept, vars, p, r.n);
    std::vector<double> e(r.n), c(static_cast<std::size_t>(kx));
    long double sse = 0.0L;
    for (int i = 0; i < r.n; ++i) {
        const double* row = x + static_cast<std::size_t>(i) * width;
        rows.Centre(row, c.data());
        long double fitted = 0.0L, leverage = 0.0L;
        rows.PointFromCentred(c.data(), fitted, leverage);
        r.fitted[i] = static_cast<double>(fitted);
        r.leverage[i] = LeverageSnappedToOne(static_cast<double>(leverage));
        e[i] = static_cast<double>(row[p] - fitted);
        sse += static_cast<long double>(e[i]) * e[i];
    }
    r.sse = static_cast<double>(sse);
    r.varY = r.n > 1 ? static_cast<double>(unswept[p][p]) / (r.n - 1) : 0.0;
    const double s2 = r.df > 0 ? r.sse / r.df : 0.0;
    const double s2Held = HeldAtFloor(s2, VarianceFloorOf(r.varY));
    auto setErrors = [&](int at, long double c) {
        r.stdErr[at] = std::sqrt(static_cast<double>(c) * s2);
        r.heldStdErr[at] = std::sqrt(static_cast<double>(c) * s2Held);
    };
    r.coef[0] = static_cast<double>(m[p + 1][p]);
    setErrors(0, m[p + 1][p + 1]);
    for (int j = 0; j < kx; ++j) {
        r.coef[j + 1] = static_cast<double>(m[j][p]);
        setErrors(j + 1, m[j][j]);
    }
    FinishPartRows(r, e);
    return r.sse;
}
