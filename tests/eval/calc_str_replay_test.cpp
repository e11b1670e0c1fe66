// A text evaluated again is replayed from the evaluator's token cache: every
// result must equal that of a fresh evaluator reading the text for the first
// time (value bits, flags, positions, errors), also after the data set
// changes between evaluations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "eval/user_func.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// What one evaluation gives.
struct Outcome {
    std::uint64_t bits = 0;
    bool incomplete = false;
    bool nonConstant = false;
    int position = 0;
    int previousPosition = 0;
    std::string error;  // type and message; empty when none was thrown

    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    double v = 0.0;
    std::memcpy(&v, &o.bits, sizeof v);
    return os << "value " << v << " incomplete " << o.incomplete << " nonConstant " << o.nonConstant
              << " position " << o.position << "/" << o.previousPosition << " error '" << o.error << "'";
}

enum class Entry { At, Test, Calculate, Evaluate, ConstantPrefix };

Outcome Read(CalcStr& calc, Entry entry, const std::string& text, int i) {
    Outcome o;
    double v = 0.0;
    try {
        switch (entry) {
            case Entry::At: v = calc.EvaluateAt(text, i); break;
            case Entry::Test: v = calc.TestAtObservation(text, i) ? 1.0 : 0.0; break;
            case Entry::Calculate: v = calc.Calculate(text); break;
            case Entry::Evaluate: v = calc.Evaluate(text, -7.0); break;
            case Entry::ConstantPrefix: v = calc.ConstantPrefix(text); break;
        }
    } catch (const std::exception& e) {
        o.error = std::string(typeid(e).name()) + ": " + e.what();
    }
    std::memcpy(&o.bits, &v, sizeof v);
    o.incomplete = calc.IsIncomplete();
    o.nonConstant = calc.IsNonConstant();
    o.position = calc.Position();
    o.previousPosition = calc.PreviousPosition();
    return o;
}

// A formula over a range of observations: the returned count, the values
// evaluated (up to where an error struck) and what the last evaluation left.
struct RangeOutcome {
    int done = 0;
    std::vector<std::uint64_t> bits;
    Outcome last;
    std::uint64_t currentValue = 0;

    bool operator==(const RangeOutcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const RangeOutcome& r) {
    return os << "done " << r.done << " of " << r.bits.size() << ", last " << r.last;
}

std::uint64_t Bits(double v) {
    std::uint64_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// "@@" at each observation of a range.
std::vector<double> CurrentValues(int count) {
    std::vector<double> cv(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) cv[static_cast<std::size_t>(k)] = 0.25 * k - 1.0;
    return cv;
}

// EvaluateAt at one observation after the other, as callers did before
// there was a range entry.
RangeOutcome ByObservation(CalcStr& calc, const std::string& text, int first, int count, bool stop) {
    const std::vector<double> cv = CurrentValues(count);
    RangeOutcome r;
    for (int k = 0; k < count; ++k) {
        calc.SetCurrentValue(cv[static_cast<std::size_t>(k)]);
        r.last = Read(calc, Entry::At, text, first + k);
        if (!r.last.error.empty()) break;
        r.bits.push_back(r.last.bits);
        r.done = k + 1;
        double v = 0.0;
        std::memcpy(&v, &r.last.bits, sizeof v);
        if (stop && (r.last.incomplete || !std::isfinite(v))) break;
    }
    if (r.last.error.empty()) r.last.bits = 0;
    r.currentValue = Bits(calc.CurrentValue());
    return r;
}

RangeOutcome InRange(CalcStr& calc, const std::string& text, int first, int count, bool stop) {
    const std::vector<double> cv = CurrentValues(count);
    std::vector<double> out(static_cast<std::size_t>(count), -99.0);
    RangeOutcome r;
    std::size_t valid = 0;
    try {
        r.done = calc.EvaluateRange(text, first, count, out.data(), stop, cv.data());
        valid = static_cast<std::size_t>(r.done);
    } catch (const std::exception& e) {
        r.last.error = std::string(typeid(e).name()) + ": " + e.what();
        // The observations before the one that failed.
        valid = static_cast<std::size_t>(calc.Observation() - first);
        r.done = static_cast<int>(valid);
    }
    for (std::size_t k = 0; k < valid; ++k) r.bits.push_back(Bits(out[k]));
    r.last.incomplete = calc.IsIncomplete();
    r.last.nonConstant = calc.IsNonConstant();
    r.last.position = calc.Position();
    r.last.previousPosition = calc.PreviousPosition();
    r.currentValue = Bits(calc.CurrentValue());
    return r;
}

// Random texts over a small grammar, some of them broken afterwards.
class TextMaker {
public:
    explicit TextMaker(unsigned seed) : rng_(seed) {}

    // Half of the texts only use arithmetic, numbers, variables, scalar
    // functions, lag and fdif.
    std::string Make() {
        arithmetic_ = Pick(2) == 0;
        std::string t = Expr(0);
        if (Pick(5) == 0) Break(t);
        // An empty text leaves the evaluator's state as it was.
        return t.empty() ? "x" : t;
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    template <std::size_t N>
    const char* One(const char* const (&words)[N]) {
        return words[Pick(static_cast<int>(N))];
    }

    std::string Expr(int depth) {
        static const char* const ops[] = {" + ", " - ", " * ", " / ", " ^ ", " mod ", " div ", " < ",
                                          " <= ", " == ", " != ", " > ", " >= ", " && ", " || ", "*",
                                          "+",   "-",   " ** ", " << ", " >> "};
        static const char* const arithmetic[] = {" + ", " - ", " * ", " / ", " ^ ", " mod ", " div ",
                                                 "*", "+", "-", " ** ", "^^", "--", " - -"};
        std::string t = Term(depth);
        const int n = Pick(depth > 2 ? 2 : 4);
        for (int k = 0; k < n; ++k) t += (arithmetic_ ? One(arithmetic) : One(ops)) + Term(depth);
        if (!arithmetic_ && depth < 3 && Pick(8) == 0) t += " ? " + Expr(depth + 1) + " : " + Expr(depth + 1) + " ;";
        return t;
    }

    std::string Term(int depth) {
        static const char* const numbers[] = {"0", "1", "2", "0.5", ".25", "3", "1E3", "2.5e-1",
                                              "1E400", "1.2.3", "10", "0.0"};
        static const char* const names[] = {"x", "y", "z", "w", "定数項", "index", "pi", "@@", "y", "x"};
        static const char* const functions[] = {"log", "exp", "sqrt", "abs", "sin", "int", "sign", "loga"};
        static const char* const wide[] = {"sum", "mean", "max", "min", "median"};
        static const char* const columns[] = {"x", "y", "z", "#x", "..y", "w", "x", "y"};
        static const char* const attributes[] = {".ave", ".sig", ".max", ".min", ".foo"};
        static const int plain[] = {0, 1, 2, 3, 4, 6, 7, 13, 16, 17, 18};
        int k = depth > 3 ? Pick(2) : Pick(19);
        if (arithmetic_) k = depth > 3 ? Pick(2) : plain[Pick(11)];
        switch (k) {
            case 0: return One(numbers);
            case 1: return One(names);
            case 2: return std::string(One(functions)) + "(" + Expr(depth + 1) + ")";
            case 3: return "(" + Expr(depth + 1) + ")";
            case 4: return "-" + Term(depth + 1);
            case 5: return std::string(One(columns)) + "[" + Expr(depth + 1) + "]";
            case 6: return std::string("lag(") + One(columns) + (Pick(2) ? ", " + Expr(depth + 1) : "") + ")";
            case 7: return std::string("fdif(") + One(columns) + (Pick(2) ? ", " + Expr(depth + 1) : "") + ")";
            case 8: return std::string(One(wide)) + "(" + Expr(depth + 1) + ", " + Expr(depth + 1) + ")";
            case 9: return std::string(One(wide)) + "(##" + One(columns) + "##" +
                           (Pick(2) ? "[" + Expr(depth + 1) + ".." + Expr(depth + 1) + "]" : "") + ")";
            case 10: return std::string(One(columns)) + One(attributes);
            case 11: return std::string("standard(") + One(columns) + ")";
            case 12: return "@sq(" + Expr(depth + 1) + ")";
            case 13: return std::string(One(columns)) + " /* note */ ";
            case 14: return Term(depth + 1) + " << [" + Expr(depth + 1) + ", " + Expr(depth + 1) + ")";
            case 15: return "!" + Term(depth + 1);
            case 16: return std::string(One(functions)) + (Pick(2) ? "(" + Expr(depth + 1) : " x");
            case 17: return std::string(Pick(2) ? "pow(" : "loga(") + Expr(depth + 1) + ", " + Expr(depth + 1) + ")";
            default: return "(" + Expr(depth + 1);
        }
    }

    // Drops, doubles or inserts a character.
    void Break(std::string& t) {
        static const char* const stray[] = {"(", ")", ",", "?", ":", ";", "\"", "[", "]", "#", "$", "."};
        if (t.empty()) return;
        const auto at = static_cast<std::size_t>(Pick(static_cast<int>(t.size())));
        switch (Pick(3)) {
            case 0:
                // Not inside a multi-byte character.
                if (static_cast<unsigned char>(t[at]) < 0x80) t.erase(at, 1);
                break;
            case 1: t.insert(at, 1, '('); break;
            default: t += One(stray); break;
        }
    }

    std::mt19937 rng_;
    bool arithmetic_ = false;
};

class CalcStrReplay : public ::testing::Test {
protected:
    void SetUp() override {
        auto model = MakeModel({{1, 0, 2.5, kNaN, 4, -1, 0.5, 3},
                                {0, 2, 0, 1, kNaN, 0, 7, 1},
                                {3, 3, 3, 3, 3, 3, 3, 3}},
                               {}, {"x", "y", "z"});
        reg = model.get();
        app.SetModel(std::move(model));
        app.SetServices(&services);
        app.UserFunctions().Entry(0).SetDefinition("sq(a) = a * a");
    }

    // Fresh evaluators read every text for the first time.
    Outcome Fresh(Entry entry, const std::string& text, int i) {
        CalcStr fresh(app);
        return Read(fresh, entry, text, i);
    }
    // The same, both evaluators first set to observation i: the entries
    // outside observation mode keep reading at the last observation.
    Outcome FreshFrom(Entry entry, const std::string& text, int i) {
        CalcStr fresh(app);
        fresh.EvaluateAt("", i);
        return Read(fresh, entry, text, i);
    }
    Outcome SharedFrom(Entry entry, const std::string& text, int i) {
        calc.EvaluateAt("", i);
        return Read(calc, entry, text, i);
    }

    ScriptedServices services;
    AppState app;
    Reg* reg = nullptr;
    CalcStr& calc = app.Evaluator();
};

TEST_F(CalcStrReplay, RandomTextsGiveTheSameResultsEveryTime) {
    TextMaker maker(20261207);
    const int n = reg->GetObsCount();
    int errors = 0, incomplete = 0;
    for (int round = 0; round < 300; ++round) {
        // Texts read in turns; now and then more than the cache keeps.
        std::vector<std::string> texts;
        const int count = round % 10 == 0 ? 12 : 3;
        for (int k = 0; k < count; ++k) texts.push_back(maker.Make());
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = -1; i <= n; ++i) {
                for (const std::string& text : texts) {
                    const Entry entry = (i + pass) % 3 == 0 ? Entry::Test : Entry::At;
                    const Outcome expected = Fresh(entry, text, i);
                    const Outcome got = Read(calc, entry, text, i);
                    ASSERT_EQ(got, expected) << "'" << text << "' at " << i;
                    errors += !expected.error.empty();
                    incomplete += expected.incomplete;
                }
            }
        }
        // The range entry gives what EvaluateAt gives at each observation,
        // read for the first time or replayed, stopping at a fault or not.
        for (const std::string& text : texts) {
            for (const bool stop : {false, true}) {
                for (const auto& [first, count] : {std::pair{0, n}, std::pair{-1, n + 2}, std::pair{3, 1}}) {
                    CalcStr fresh(app);
                    const RangeOutcome expected = ByObservation(fresh, text, first, count, stop);
                    CalcStr freshRange(app);
                    ASSERT_EQ(InRange(freshRange, text, first, count, stop), expected) << "'" << text << "'";
                    ASSERT_EQ(InRange(calc, text, first, count, stop), expected) << "'" << text << "'";
                    // The per-observation readings above take "@@" as 0.
                    calc.SetCurrentValue(0.0);
                }
            }
        }
        for (const std::string& text : texts) {
            for (Entry entry : {Entry::Calculate, Entry::Evaluate, Entry::ConstantPrefix, Entry::Calculate}) {
                const int i = round % n;
                const Outcome expected = FreshFrom(entry, text, i);
                ASSERT_EQ(SharedFrom(entry, text, i), expected) << "'" << text << "'";
            }
        }
    }
    // The grammar reaches both kinds of trouble.
    EXPECT_GT(errors, 100);
    EXPECT_GT(incomplete, 100);
}

TEST_F(CalcStrReplay, FixedTextsAtEveryObservation) {
    const char* const texts[] = {
        "log(x) * 2 + y ^ 2 - lag(x)",
        "2 * 3 ** 4",
        "x / y",
        "0 ^ -1 + x",
        "(-1) ^ 0.5",
        "x[9]",
        "lag(w)",
        "x ? 1 : 2 ;",
        "\"s\" + 1",
        "   ",
        "x  ",
        "1.2.3",
        "sum(##x##[2..4])",
        "@nothing(1)",
        "@sq(x) + @sq(2)",
        "index(2) + fdif(y, 0.5)",
        // Overflows: the read point where the error is raised.
        "y * 1E308 * 10 + 1",
        "(y - 1E308) - 1E308 * 2",
        "-y * 1E308 / 1E-10 - 2",
    };
    for (const char* text : texts) {
        for (int round = 0; round < 3; ++round) {
            for (int i = -1; i <= reg->GetObsCount(); ++i) {
                const Outcome expected = Fresh(Entry::At, text, i);
                ASSERT_EQ(Read(calc, Entry::At, text, i), expected) << "'" << text << "' at " << i;
            }
        }
    }
}

// Ranges long enough for many blocks on several threads, with the trouble
// (an error, a zero divisor, a value that is no number) in the middle.
TEST_F(CalcStrReplay, LongRangesGiveWhatEachObservationGives) {
    constexpr int n = 40000;
    Columns cols(3);
    for (int i = 0; i < n; ++i) {
        cols[0].push_back(1.0 + (i % 997) * 0.01);
        cols[1].push_back(0.5 * (i % 37) - 3.0);
        cols[2].push_back(i == 17000 ? kNaN : (i % 11) - 5.0);
    }
    cols[0][29001] = 0.0;
    app.SetModel(MakeModel(cols, {}, {"x", "y", "z"}));
    const char* const texts[] = {
        "log(x) * 2 + y ^ 2 - lag(x)",  // log(0) fails at 29001
        "x / z + fdif(y, 0.5)",         // z is 0 now and then
        "sqrt(x) - lag(z, 3) * exp(y)", // NaN from 17000 on
        "y ^ 0.5",                      // no real value for y < 0
        "abs(y) mod 3 + x div 0.3 + sin(y) + loga(x + 1, 2)",
        "x * 1E300 * 1E10",             // overflow
        "-(x + y) * 2 - pi",
        "x",
        "x + (y",
    };
    for (const char* text : texts) {
        for (const bool stop : {false, true}) {
            for (const auto& [first, count] : {std::pair{0, n}, std::pair{100, 20000}, std::pair{30000, 10001}}) {
                CalcStr fresh(app);
                const RangeOutcome expected = ByObservation(fresh, text, first, count, stop);
                ASSERT_EQ(InRange(calc, text, first, count, stop), expected) << "'" << text << "' from " << first;
            }
        }
    }
}

// Changes between two evaluations of the same text.
struct Change {
    const char* what;
    std::function<void(Reg&)> apply;
    const char* changes;  // a text whose result it changes, if any
};

TEST_F(CalcStrReplay, DataSetChangesReachTheNextEvaluation) {
    const Change changes[] = {
        {"rename", [](Reg& r) { r.RenameVar(0, "q"); }, "q"},
        {"rename to a taken name", [](Reg& r) { r.RenameVar(0, "z"); }, "z[2]"},
        {"value", [](Reg& r) { r.SetValue(1, 0, 42.0); }, "x + y"},
        {"value of the lag", [](Reg& r) { r.SetValue(0, 0, -3.0); }, "lag(x) + 1"},
        {"delete", [](Reg& r) { r.DeleteVar(0); }, "x + y"},
        {"delete the second", [](Reg& r) { r.DeleteVar(1); }, "x + y"},
        {"swap", [](Reg& r) { r.SwapVars(0, 2); }, nullptr},
        {"delete observation", [](Reg& r) { r.DeleteObservation(1); }, "x + y"},
    };
    const char* const texts[] = {"x + y", "log(x) * 2 + y ^ 2 - lag(x)", "lag(x) + 1", "q", "x.ave", "sum(##x##)", "z[2]"};
    for (const Change& change : changes) {
        SetUp();
        for (const char* text : texts) {
            for (int i = 0; i < 3; ++i) Read(calc, Entry::At, text, 1);
        }
        const Outcome before = Read(calc, Entry::At, change.changes ? change.changes : "", 1);
        change.apply(*reg);
        for (const char* text : texts) {
            const Outcome expected = Fresh(Entry::At, text, 1);
            ASSERT_EQ(Read(calc, Entry::At, text, 1), expected) << change.what << ": '" << text << "'";
        }
        if (change.changes != nullptr) {
            EXPECT_NE(Read(calc, Entry::At, change.changes, 1), before) << change.what;
        }
    }
}

TEST_F(CalcStrReplay, AnotherDataSetReachesTheNextEvaluation) {
    EXPECT_EQ(calc.EvaluateAt("x * 2", 0), 2.0);
    EXPECT_EQ(calc.EvaluateAt("x * 2", 0), 2.0);
    app.SetModel(MakeModel({{5, 6}, {7, 8}}, {}, {"a", "x"}));
    EXPECT_EQ(calc.EvaluateAt("x * 2", 0), 14.0);
    app.SetModel(MakeModel({{5, 6}}, {}, {"a"}));
    EXPECT_EQ(calc.EvaluateAt("x * 2", 0), 0.0);
    EXPECT_TRUE(calc.IsIncomplete());
    app.SetModel(nullptr);
    EXPECT_THROW(calc.EvaluateAt("x * 2", 0), Exception);
}

}  // namespace
