// The text report of the univariate statistics window: the data with
// their sorted, standardised and normal-score columns, the basic
// statistics, the frequency table, the autocorrelations with their tests
// and the periodogram. Sections are built as UTF-8 text and written as
// CP932 bytes with one line feed per line; columns count CP932 bytes.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "stats/univariate_statistics.h"

class UiServices;

// One class of the frequency table as the histogram holds it.
struct FrequencyClassRow {
    double lower = 0, upper = 0;
    int frequency = 0;
};
struct FrequencyTable {
    std::vector<FrequencyClassRow> classes;
    double mode = 0;
};

struct UnivariateReportInput {
    std::string name;                           // the series name
    const UnivariateStatistics* stats = nullptr;
    double alpha = 0.05;                        // the program's significance level
    FrequencyTable frequency;
    int periodEnd = 0;                          // the periodogram page's stored end
    // The observation number of each value (ascending) where observations
    // were left out of the series; empty (or of another length): 1 .. n.
    std::vector<int> numbers{};
};

// The sections, each a complete UTF-8 text ending with its line feeds.
std::string ReportTitleSection(const UnivariateReportInput& in);
// Rows first .. last - 1 of the data table; the header with first = 0.
std::string ReportDataRows(const UnivariateReportInput& in, int first, int last);
std::string ReportBasicSection(const UnivariateReportInput& in);
std::string ReportFrequencySection(const UnivariateReportInput& in);
std::string ReportAutocorrelationSection(const UnivariateReportInput& in);
std::string ReportPeriodogramSection(const UnivariateReportInput& in);

// The width of the observation-number column: 4, or the digits of n (the
// last number) when it has more.
int ObservationColumnWidth(int n);

// Writes every section in order as CP932 bytes. A failed write raises
// EWriteError (what was written stays). The progress window, when services
// are given, follows the data rows.
void WriteUnivariateReport(std::ostream& out, const UnivariateReportInput& in, UiServices* services = nullptr);
