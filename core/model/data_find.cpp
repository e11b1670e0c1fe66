#include "core/model/data_find.h"

#include <algorithm>
#include <cmath>

#include "core/data/data_set.h"
#include "core/data/group_mask.h"
#include "platform/numeric_tolerances.h"

namespace {

constexpr double kRelativeTolerance = 1.1920929e-07;

double EvaluatePart(const FindEvaluator& evaluator, const std::string& text) {
    return evaluator.evaluate ? evaluator.evaluate(text) : 0.0;
}

void Preset(const FindEvaluator& evaluator, double value) {
    if (evaluator.setCurrentValue) evaluator.setCurrentValue(value);
}

// The text after the opening bracket up to the first of the stops (or the end).
std::string::size_type PartEnd(const std::string& text, std::string::size_type from, const char* stops) {
    const auto at = text.find_first_of(stops, from);
    return at == std::string::npos ? text.size() : at;
}

}  // namespace

FindCriterion ReadFindValue(const std::string& text, const FindEvaluator& evaluator) {
    FindCriterion c;
    if (text.empty()) return c;
    if (text[0] == '[') {
        const auto comma = PartEnd(text, 1, ",]");
        const double a = EvaluatePart(evaluator, text.substr(1, comma - 1));
        Preset(evaluator, a);
        double b = a;
        if (comma < text.size() && text[comma] == ',') {
            const auto close = PartEnd(text, comma + 1, "]");
            b = EvaluatePart(evaluator, text.substr(comma + 1, close - comma - 1));
        }
        c.low = std::min(a, b);
        c.high = std::max(a, b);
        c.centre = (a + b) / 2;
        return c;
    }
    if (text[0] == '{') {
        const auto stop = PartEnd(text, 1, ",}");
        c.centre = EvaluatePart(evaluator, text.substr(1, stop - 1));
        Preset(evaluator, c.centre);
        double d = kDefaultFindTolerance;
        if (stop < text.size() && text[stop] == ',') {
            const auto close = PartEnd(text, stop + 1, "}");
            d = EvaluatePart(evaluator, text.substr(stop + 1, close - stop - 1));
        }
        c.low = c.centre - d;
        c.high = c.centre + d;
        return c;
    }
    c.centre = EvaluatePart(evaluator, text);
    if (std::fabs(c.centre) < kDoubleEpsilon) c.centre = 0.0;
    c.low = c.centre - kDoubleEpsilon;
    c.high = c.centre + kDoubleEpsilon;
    c.exact = true;
    return c;
}

bool MatchesFind(const FindCriterion& criterion, double x) {
    if (criterion.exact && criterion.centre != 0.0)
        return std::fabs((criterion.centre - x) / criterion.centre) < kRelativeTolerance;
    return criterion.low <= x && x <= criterion.high;
}

std::optional<int> FindDataCell(const Data& data, const FindCriterion& criterion, const FindRequest& request) {
    const long long k = data.GetVarCount();
    const long long n = data.GetObsCount();
    if (k <= 0 || n <= 0) return std::nullopt;
    long long step = request.backward ? -1 : 1;
    long long first = 0;
    long long last = n * k - 1;
    std::uint16_t groupBit = 0;
    long long current = std::clamp<long long>(request.current, 0, last);
    switch (request.scope) {
    case FindScope::AllData:
        break;
    case FindScope::OneVariable:
        if (request.variable < 0 || request.variable >= k) return std::nullopt;
        first = request.variable;
        last = request.variable + (n - 1) * k;
        step *= k;
        // The cursor may stand in another column: start in the chosen
        // variable's column of the cursor's observation.
        current = request.variable + (current / k) * k;
        break;
    case FindScope::OneGroup:
        if (request.group < 1 || request.group > 16) return std::nullopt;
        groupBit = GroupBit(request.group);
        break;
    }

    long long from = first, to = last;
    if (request.next) {
        from = current + step;
        to = request.backward ? first : last;
    } else if (request.start == FindStart::Current) {
        from = current;
        to = request.backward ? first : last;
    } else if (request.start == FindStart::Last) {
        from = last;
        to = first;
    }
    // A start and a direction pointing away from the end examine nothing;
    // the bounds of the table bound the scan.
    for (long long i = from; step > 0 ? i <= to : i >= to; i += step) {
        if (i < 0 || i >= n * k) break;
        const int obs = static_cast<int>(i / k);
        const int var = static_cast<int>(i % k);
        if (groupBit != 0 && (data.GetMark(obs, var) & groupBit) == 0) continue;
        if (MatchesFind(criterion, data.GetValue(obs, var))) return static_cast<int>(i);
    }
    return std::nullopt;
}
