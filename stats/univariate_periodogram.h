// The periodogram of one series over a range of whole periods: for period
// P, (2/n sum z_t sin(2 pi t / P))^2 + (2/n sum z_t cos(2 pi t / P))^2
// with t = 1..n and z the series standardised with divisor n. Its reference
// level is 4 / n, the level of the standardised values themselves, so the
// bands do not depend on the unit of the data.
#pragma once

#include <string>
#include <vector>

class ThreadPool;

// The longest period the periodogram page shows, and the last period of
// the report.
inline constexpr int kLargestShownPeriod = 2000;
inline constexpr int kLargestReportPeriod = 999;

struct PeriodogramValues {
    int firstPeriod = 1;
    std::vector<double> value;  // value[i]: period firstPeriod + i
    double referenceLevel = 0.0;
    double ValueOf(int period) const { return value.at(static_cast<std::size_t>(period - firstPeriod)); }
    int LastPeriod() const { return firstPeriod + static_cast<int>(value.size()) - 1; }
};

// Periods firstPeriod .. lastPeriod (1 <= first <= last, else ERangeError).
// A series of fewer than two values or without spread raises EZeroDivide.
// The pool, when given, shares the periods among its threads.
PeriodogramValues ComputePeriodogram(const double* x, int n, int firstPeriod, int lastPeriod,
                                     ThreadPool* pool = nullptr);

// The periods the page shows for its stored range (start, end): start ..
// end - 1, the end capped at kLargestShownPeriod; first > last when the
// range is empty.
struct PeriodRange {
    int first = 1, last = 0;
};
PeriodRange ShownPeriodRange(int periodStart, int periodEnd);
// The report always starts at period 1 and ends at end - 1 with end
// clamped to 2 .. kLargestReportPeriod + 1.
PeriodRange ReportPeriodRange(int periodEnd);

// "**" above 4.6 times the reference level, "* " above 3.0 times, else "".
std::string PeriodogramMark(double value, double referenceLevel);
