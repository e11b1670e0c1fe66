// The report against golden files built byte by byte from the report's
// format table by a separate program with its own statistics: a small
// series with ties, a series with values at or below zero, and a series of
// 10,000 values (a wider observation-number column).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "stats/univariate_report.h"
#include "support/scripted_services.h"

namespace {

constexpr double kOpenEnd = 1.7976931348623157e308;

const std::vector<double> kSeriesA = {13.76, 13.45, 16.34, 18.86, 12.11, 13.95, 17.83, 10.45, 14.43, 13.91,
                                      12.21, 13.8,  14.5,  18.02, 16.47, 13.76, 15.68, 17.65, 14.32, 14.89,
                                      15.21, 13.76, 13.05, 13.53, 12.1,  14.74, 13.94, 16.89, 15.59, 13.04};
const std::vector<double> kSeriesE = {-6, -3,  -1.5, -0.8, -0.5, -0.3, -0.2, -0.1, -0.05, 0,
                                      0,  0.05, 0.1, 0.2,  0.3,  0.5,  0.8,  1.5,  3,     6};

// 10,000 values: a slow wave and a linear-congruential noise of two decimals.
std::vector<double> LargeSeries() {
    std::vector<double> x;
    unsigned long long s = 12345;
    for (int t = 0; t < 10000; ++t) {
        s = (s * 1103515245ULL + 12345ULL) % 2147483648ULL;
        const double v = 100 + 10 * std::sin(0.01 * t) + static_cast<double>(s % 2000) / 100.0;
        x.push_back(std::round(v * 100) / 100);
    }
    return x;
}

std::string ReadGolden(const std::string& name) {
    const char* root = std::getenv("MERLOX_SOURCE_DIR");
    std::ifstream in(std::string(root ? root : ".") + "/tests/data/stats/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Classes as the histogram holds them: low < value <= high.
FrequencyTable Classes(const std::vector<double>& x, const std::vector<double>& bounds, double mode) {
    FrequencyTable table;
    table.mode = mode;
    for (std::size_t c = 0; c + 1 < bounds.size(); ++c) {
        FrequencyClassRow row{bounds[c], bounds[c + 1], 0};
        for (double v : x)
            if (row.lower < v && v <= row.upper) ++row.frequency;
        table.classes.push_back(row);
    }
    return table;
}

std::string Report(const std::string& name, const std::vector<double>& x, const FrequencyTable& classes,
                   UiServices* services = nullptr) {
    const UnivariateStatistics s = ComputeUnivariateStatistics(x.data(), static_cast<int>(x.size()));
    UnivariateReportInput in;
    in.name = name;
    in.stats = &s;
    in.alpha = 0.05;
    in.frequency = classes;
    in.periodEnd = s.n + 1;
    std::ostringstream out;
    WriteUnivariateReport(out, in, services);
    return out.str();
}

// The first differing line, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::istringstream sa(a), sb(b);
    std::string la, lb;
    for (int line = 1; std::getline(sa, la); ++line) {
        if (!std::getline(sb, lb)) return "golden ends at line " + std::to_string(line);
        if (la != lb) return "line " + std::to_string(line) + ": " + cp932::ToUtf8(la) + " | " + cp932::ToUtf8(lb);
    }
    return "";
}

void ExpectBytes(const std::string& actual, const std::string& golden) {
    EXPECT_EQ(actual.size(), golden.size());
    EXPECT_TRUE(actual == golden) << FirstDifference(actual, golden);
}

}  // namespace

TEST(UnivariateReport, SmallSeriesMatchesTheGoldenFile) {
    const std::string golden = ReadGolden("univariate_report_small.txt");
    ExpectBytes(Report("売上高", kSeriesA, Classes(kSeriesA, {-kOpenEnd, 12.5, 14.0, 15.5, 17.0, kOpenEnd}, 13.9)),
                golden);
}

TEST(UnivariateReport, NonPositiveSeriesLeavesOutTheMeansLineButNotItsBlank) {
    const std::string golden = ReadGolden("univariate_report_nonpositive.txt");
    const std::string actual = Report("残差", kSeriesE, Classes(kSeriesE, {-kOpenEnd, -1.0, 1.0, kOpenEnd}, 0.0));
    ExpectBytes(actual, golden);
    EXPECT_EQ(actual.find(cp932::FromUtf8("調和平均")), std::string::npos);
}

TEST(UnivariateReport, LargeSeriesWidensTheNumberColumn) {
    const std::string golden = ReadGolden("univariate_report_large.txt");
    const std::vector<double> x = LargeSeries();
    ScriptedServices services;
    ExpectBytes(Report("系列X", x, Classes(x, {-kOpenEnd, 95.0, 105.0, 115.0, kOpenEnd}, 104.25), &services),
                golden);
    EXPECT_EQ(services.ProgressDepth(), 0);
    EXPECT_FALSE(services.CallsOf(ServiceCall::ProgressStep).empty());
}

TEST(UnivariateReport, NumberColumnWidth) {
    EXPECT_EQ(ObservationColumnWidth(4), 4);
    EXPECT_EQ(ObservationColumnWidth(9999), 4);
    EXPECT_EQ(ObservationColumnWidth(10000), 5);
    EXPECT_EQ(ObservationColumnWidth(1000000), 7);
}

TEST(UnivariateReport, FourValuesHaveNoTrimmedOrWinsorizedLines) {
    const std::vector<double> x = {8, 1, 4, 2};
    const UnivariateStatistics s = ComputeUnivariateStatistics(x.data(), 4);
    UnivariateReportInput in;
    in.name = "x";
    in.stats = &s;
    const std::string basic = ReportBasicSection(in);
    EXPECT_EQ(basic.find("Trim-1"), std::string::npos);
    EXPECT_EQ(basic.find("Wins-1"), std::string::npos);
    // 4 / (1/8 + 1 + 1/4 + 1/2) and 64^(1/4).
    EXPECT_NE(basic.find("    調和平均      2.1333    幾何平均      2.8284\n"), std::string::npos);
}

TEST(UnivariateReport, ReportPeriodsStopAt999) {
    std::vector<double> x(1500);
    for (int t = 0; t < 1500; ++t) x[t] = (t * 37 % 101) + 0.5 * (t % 3);
    const UnivariateStatistics s = ComputeUnivariateStatistics(x.data(), 1500);
    UnivariateReportInput in;
    in.stats = &s;
    in.periodEnd = 1501;
    const std::string text = ReportPeriodogramSection(in);
    EXPECT_NE(text.find("\n   999 "), std::string::npos);
    EXPECT_EQ(text.find("\n  1000 "), std::string::npos);
}

TEST(UnivariateReport, FailedWriteIsReported) {
    const UnivariateStatistics s = ComputeUnivariateStatistics(kSeriesA.data(), 30);
    UnivariateReportInput in;
    in.stats = &s;
    in.periodEnd = 31;
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_THROW(WriteUnivariateReport(out, in), EWriteError);
}

TEST(UnivariateReport, DataRowsCarryTheObservationNumbersGiven) {
    // Observations left out before the series came: each value keeps its
    // own number, the column as wide as the last.
    const std::vector<double> x = {1, 3, 2, 5, 4};
    const UnivariateStatistics s = ComputeUnivariateStatistics(x.data(), 5);
    UnivariateReportInput in;
    in.stats = &s;
    in.numbers = {2, 3, 5, 8, 12345};
    std::istringstream rows(ReportDataRows(in, 0, 5));
    std::string line;
    std::getline(rows, line);  // the section title
    std::getline(rows, line);  // the column titles
    std::vector<std::string> numbers;
    while (std::getline(rows, line) && !line.empty()) numbers.push_back(line.substr(12, 5));
    EXPECT_EQ(numbers, (std::vector<std::string>{"    2", "    3", "    5", "    8", "12345"}));
}
