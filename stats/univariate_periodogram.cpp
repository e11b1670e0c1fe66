#include "stats/univariate_periodogram.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/thread_pool.h"
#include "core/text/number_format.h"
#include "platform/errors.h"

namespace {

// a^2 + b^2 of one period from the series summed by residue: the angle
// depends only on t mod P, so the series is folded into P sums first.
double PeriodValue(const std::vector<double>& z, int period, std::vector<double>& fold) {
    const std::size_t n = z.size(), p = static_cast<std::size_t>(period);
    fold.assign(p, 0.0);
    std::size_t start = 0;
    for (; start + p <= n; start += p) {
        const double* block = z.data() + start;
        for (std::size_t j = 0; j < p; ++j) fold[j] += block[j];
    }
    for (std::size_t j = 0; start + j < n; ++j) fold[j] += z[start + j];
    constexpr double kTwoPi = 6.283185307179586;
    long double a = 0.0L, b = 0.0L;
    for (std::size_t j = 0; j < p; ++j) {
        // z[j] stands at t = j + 1.
        const double angle = kTwoPi * static_cast<double>((j + 1) % p) / period;
        a += static_cast<long double>(fold[j]) * std::sin(angle);
        b += static_cast<long double>(fold[j]) * std::cos(angle);
    }
    const double scale = 2.0 / static_cast<double>(n);
    const double sa = static_cast<double>(a) * scale, sb = static_cast<double>(b) * scale;
    return sa * sa + sb * sb;
}

}  // namespace

PeriodogramValues ComputePeriodogram(const double* x, int n, int firstPeriod, int lastPeriod, ThreadPool* pool) {
    if (firstPeriod < 1 || lastPeriod < firstPeriod) throw ERangeError("周期分析: 周期の範囲が不正です");
    if (n < 2) throw EZeroDivide("周期分析: データが少なすぎます");
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) sum += x[i];
    const double mean = static_cast<double>(sum / n);
    long double ss = 0.0L;
    for (int i = 0; i < n; ++i) ss += static_cast<long double>(x[i] - mean) * (x[i] - mean);
    const double s = std::sqrt(static_cast<double>(ss / n));
    if (!(s > 0.0) || !std::isfinite(1.0 / s)) throw EZeroDivide("周期分析: 値に散らばりがありません");
    std::vector<double> z(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) z[i] = (x[i] - mean) / s;

    PeriodogramValues out;
    out.firstPeriod = firstPeriod;
    out.value.assign(static_cast<std::size_t>(lastPeriod - firstPeriod) + 1, 0.0);
    out.referenceLevel = 4.0 / n;
    const int count = static_cast<int>(out.value.size());
    const int tasks = pool ? std::min(count, pool->Threads() * 4) : 1;
    auto run = [&](int task) {
        std::vector<double> fold;
        for (int i = task; i < count; i += tasks) out.value[i] = PeriodValue(z, firstPeriod + i, fold);
    };
    if (pool && tasks > 1)
        pool->ParallelFor(tasks, run);
    else
        run(0);
    return out;
}

PeriodRange ShownPeriodRange(int periodStart, int periodEnd) {
    PeriodRange r;
    r.first = std::max(periodStart, 1);
    r.last = std::min(periodEnd - 1, kLargestShownPeriod);
    return r;
}

PeriodRange ReportPeriodRange(int periodEnd) {
    PeriodRange r;
    r.first = 1;
    r.last = std::clamp(periodEnd, 2, kLargestReportPeriod + 1) - 1;
    return r;
}

std::string PeriodogramMark(double value, double referenceLevel) {
    if (value > 4.6 * referenceLevel) return DoubleSignificanceMark();
    if (value > 3.0 * referenceLevel) return SingleSignificanceMark();
    return std::string();
}
