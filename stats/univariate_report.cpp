#include "stats/univariate_report.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/text/number_format.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "core/report/report_number.h"
#include "stats/univariate_fields.h"
#include "stats/univariate_periodogram.h"

namespace {

constexpr int kColumn = 12;
constexpr int kDataRowsPerWrite = 4096;

std::string V(double x) { return FormatNumberPadded(kColumn, x); }
std::string L(const std::string& text) { return PadLeft(text, kColumn); }

const UnivariateStatistics& Stats(const UnivariateReportInput& in) {
    if (!in.stats) throw ERangeError("単変量統計: 統計量がありません");
    return *in.stats;
}

void Put(std::ostream& out, const std::string& utf8) {
    const std::string bytes = cp932::FromUtf8(utf8);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw EWriteError("レポートを書き込めません");
}

// Two location entries on one line, only when both could be computed.
void AddLocationPair(std::string& text, const UnivariateStatistics& s, int left, int right, const char* leftName,
                     const char* rightName) {
    if (!s.locationValid[left] || !s.locationValid[right]) return;
    text += L(leftName) + V(s.location[left]) + L(rightName) + V(s.location[right]) + "\n";
}

}  // namespace

int ObservationColumnWidth(int n) {
    return std::max(4, static_cast<int>(std::to_string(std::max(n, 0)).size()));
}

std::string ReportTitleSection(const UnivariateReportInput& in) { return in.name + "における基本統計量\n"; }

std::string ReportDataRows(const UnivariateReportInput& in, int first, int last) {
    const UnivariateStatistics& s = Stats(in);
    const bool numbered = static_cast<int>(in.numbers.size()) == s.n && s.n > 0;
    const int width = ObservationColumnWidth(numbered ? in.numbers.back() : s.n);
    first = std::max(first, 0);
    last = std::min(last, s.n);
    std::string text;
    if (first == 0) {
        text += "【基本データ】\n";
        text += L("生データ") + PadLeft(LoadStr(kStrNumber), width) + L("並べ替え") + L("標準化") + L("ランキット") + "\n";
    }
    text.reserve(text.size() + static_cast<std::size_t>(std::max(last - first, 0)) * (4 * kColumn + width + 1));
    for (int i = first; i < last; ++i) {
        AppendPaddedNumber(text, s.values[i], kColumn);
        text += PadLeft(std::to_string(numbered ? in.numbers[static_cast<std::size_t>(i)] : i + 1), width);
        AppendPaddedNumber(text, s.standardizedSorted[i], kColumn);
        AppendPaddedNumber(text, (s.values[i] - s.mean) / s.sd, kColumn);
        AppendPaddedNumber(text, s.normalScores[i], kColumn);
        text += '\n';
    }
    if (last == s.n) text += "\n";
    return text;
}

std::string ReportBasicSection(const UnivariateReportInput& in) {
    const UnivariateStatistics& s = Stats(in);
    std::string t = "【基本統計量】\n";
    t += L(LoadStr(kStrMean)) + V(s.mean) + L("最小値") + V(s.minimum) + "\n";
    t += L(LoadStr(kStrStdDeviation)) + V(s.sd) + L("下ヒンジ") + V(s.lowerQuartile) + "\n";
    t += L("歪度") + L(SkewnessField(s, in.alpha)) + L("中央値") + V(s.Median()) + "\n";
    t += L("尖度") + L(KurtosisField(s, in.alpha)) + L("上ヒンジ") + V(s.upperQuartile) + "\n";
    t += L("Geary値") + L(GearyField(s, in.alpha)) + L("最大値") + V(s.maximum) + "\n";
    t += "\n";
    t += L("S.R.C.C.") + V(s.rankRho) + L("範囲") + V(s.maximum - s.minimum) + "\n";
    t += L("K.R.C.C.") + V(s.rankTau) + L("四分位偏差") + V(s.upperQuartile - s.lowerQuartile) + "\n";
    t += "\n";
    AddLocationPair(t, s, kLocationTrimmed1, kLocationTrimmed2, "Trim-1", "Trim-2");
    AddLocationPair(t, s, kLocationWinsorized1, kLocationWinsorized2, "Wins-1", "Wins-2");
    AddLocationPair(t, s, kLocationHarmonic, kLocationGeometric, "調和平均", "幾何平均");
    t += "\n";
    t += "Shapiro-Wilk : " + ShapiroWilkField(s) + "\n";
    t += "D'Agostino   : " + DAgostinoField(s) + "\n";
    t += "Anderson-D   : " + AndersonDarlingField(s) + "\n";
    t += "\n";
    return t;
}

std::string ReportFrequencySection(const UnivariateReportInput& in) {
    const UnivariateStatistics& s = Stats(in);
    std::string t = "【度数分布】\n";
    t += L(LoadStr(kStrIntervalLower)) + L(LoadStr(kStrIntervalUpper)) + L("中央値") + PadLeft("度数", 6) +
         PadLeft("累積", 6) + L("相対度数") + L("累積度数") + "\n";
    const std::vector<FrequencyClassRow>& classes = in.frequency.classes;
    long long cumulative = 0;
    for (std::size_t c = 0; c < classes.size(); ++c) {
        const FrequencyClassRow& row = classes[c];
        const bool firstClass = c == 0, lastClass = c + 1 == classes.size();
        cumulative += row.frequency;
        t += L(firstClass ? std::string("-∞") : FormatNumber(false, row.lower));
        t += L(lastClass ? std::string("+∞") : FormatNumber(false, row.upper));
        t += L(firstClass || lastClass ? std::string("-") : FormatNumber(false, (row.lower + row.upper) * 0.5));
        t += PadLeft(std::to_string(row.frequency), 6) + PadLeft(std::to_string(cumulative), 6);
        t += V(static_cast<double>(row.frequency) / s.n) + V(static_cast<double>(cumulative) / s.n) + "\n";
    }
    t += "最頻値 = " + FormatNumber(false, in.frequency.mode) + "\n\n";
    return t;
}

std::string ReportAutocorrelationSection(const UnivariateReportInput& in) {
    const UnivariateStatistics& s = Stats(in);
    const RandomnessTests& r = s.randomness;
    std::string t = "【自己相関】\n";
    t += "信頼限界値 = " + AutocorrelationLimitText(s.n) + "\n";
    t += PadLeft(" ", 6) + L("ACF") + L("PACF") + "\n";
    for (int k = 0; k <= r.maxLag; ++k) t += PadLeft(std::to_string(k), 6) + V(r.acf[k]) + V(r.pacf[k]) + "\n";
    t += "\n";
    t += "リュング・ボックス検定値 = " + PortmanteauText(r.ljungBox, r.maxLag) + "\n";
    t += "マクレオド・リ検定値     = " + PortmanteauText(r.mcLeodLi, r.maxLag) + "\n";
    t += "転換点検定値             = " + NormalTestText(r.turningPointZ) + "\n";
    t += "差分符号検定値           = " + NormalTestText(r.differenceSignZ) + "\n";
    t += "順位検定値               = " + NormalTestText(r.rankZ) + "\n";
    t += "\n";
    return t;
}

std::string ReportPeriodogramSection(const UnivariateReportInput& in) {
    const UnivariateStatistics& s = Stats(in);
    const PeriodRange range = ReportPeriodRange(in.periodEnd);
    const PeriodogramValues p = ComputePeriodogram(s.values.data(), s.n, range.first, range.last);
    std::string t = "【周期分析】\n";
    t += PadLeft("周期", 6) + L("強度") + "\n";
    for (int period = range.first; period <= range.last; ++period)
        t += PadLeft(std::to_string(period), 6) + V(p.ValueOf(period)) + "\n";
    t += "\n";
    return t;
}

void WriteUnivariateReport(std::ostream& out, const UnivariateReportInput& in, UiServices* services) {
    const UnivariateStatistics& s = Stats(in);
    const int blocks = (s.n + kDataRowsPerWrite - 1) / kDataRowsPerWrite;
    std::optional<ProgressScope> progress;
    if (services) progress.emplace(*services, "データの書き込み中・・・", blocks + 4);
    auto step = [&] {
        if (progress) progress->Step();
    };
    Put(out, ReportTitleSection(in));
    for (int first = 0; first < s.n; first += kDataRowsPerWrite) {
        Put(out, ReportDataRows(in, first, first + kDataRowsPerWrite));
        step();
    }
    Put(out, ReportBasicSection(in));
    step();
    Put(out, ReportFrequencySection(in));
    step();
    Put(out, ReportAutocorrelationSection(in));
    step();
    Put(out, ReportPeriodogramSection(in));
    step();
}
