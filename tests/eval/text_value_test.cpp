// Values of the text data file through the program's evaluator: the plain
// number fast path gives the evaluator's own double, and formulas work, the
// block formulas and the values read once over the file's own variables
// whatever data set is open.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/io/text_data_file.h"
#include "core/settings/engine_context.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

// The file read with the state's evaluator.
void ReadFile(AppState& app, const std::string& file, LoadedDataFile& out) {
    ScriptedServices services;
    std::istringstream in(file);
    ReadTextDataFile(in, out, app.Context().Evaluator(), services);
}

// A file the reader refuses, and its message.
using Refused = std::pair<const char*, const char*>;

void ExpectRefused(AppState& app, const std::vector<Refused>& cases) {
    for (const auto& [file, message] : cases) {
        LoadedDataFile none;
        try {
            ReadFile(app, file, none);
            ADD_FAILURE() << file << " was read";
        } catch (const EReadError& e) {
            EXPECT_EQ(std::string(e.what()), message) << file;
        }
    }
}

// Runs check in a state with each data set that may be open while a file
// is read: nothing, unnamed zeros, or a set with an x, a and p of its own
// and more observations.
void WithEachOpenDataSet(const std::function<void(AppState&)>& check) {
    std::unique_ptr<Reg> sets[] = {
        nullptr, std::make_unique<Reg>(2, 2),
        MakeModel({{5, 6, 7, 8, 9, 10}, {100, 200, 300, 400, 500, 600}, {3, 3, 3, 3, 3, 3}}, {}, {"x", "a", "p"})};
    for (auto& set : sets) {
        SCOPED_TRACE(set ? set->GetVarName(0) : std::string("no data set"));
        AppState app;
        app.SetModel(std::move(set));
        check(app);
    }
}

std::uint64_t Bits(double x) {
    std::uint64_t b = 0;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

TEST(TextValue, FastPathGivesTheEvaluatorsDouble) {
    AppState app;
    TextEvaluator& ev = app.Context().Evaluator();
    std::vector<std::string> texts = {"0", "-0", "1", "-1", "0.1", "1.", "1.5e3", "1.5E+3", "2e-5", "-2.5e-300",
                                      "00012.5000", "123456789012345678901234567890", "0.30000000000000004",
                                      "1.7976931348623157e308", "2.2250738585072014e-308", "9007199254740993",
                                      "1000000000000000.5", "4.9406564584124654e-324", "1e-320"};
    std::mt19937_64 rng(3);
    for (int i = 0; i < 20000; ++i) {
        double x;
        std::uint64_t b = rng();
        std::memcpy(&x, &b, sizeof x);
        if (!std::isfinite(x)) continue;
        char buf[64];
        std::snprintf(buf, sizeof buf, (i % 3 == 0) ? "%.17g" : (i % 3 == 1) ? "%.15g" : "%.6e", x);
        texts.emplace_back(buf);
    }
    int fast = 0;
    for (const std::string& t : texts) {
        double v = 0.0;
        if (!ReadPlainDecimal(t, v)) continue;
        ++fast;
        const double e = ev.Calculate(t);
        ASSERT_EQ(Bits(v), Bits(e)) << t;
    }
    EXPECT_GT(fast, 19000);
}

TEST(TextValue, FormulasAndScalarsInAFile) {
    AppState app;
    ScriptedServices services;
    std::istringstream in("#var,@a/1+1,#\r\nX,Y\r\n2*3,4\r\n1,2\r\n");
    LoadedDataFile out;
    ReadTextDataFile(in, out, app.Context().Evaluator(), services);
    ASSERT_EQ(out.vars.size(), 2u);
    EXPECT_EQ(out.vars[0]->At(0), 6.0);
    EXPECT_EQ(out.userScalars.GetName(0, true), "a");
    EXPECT_EQ(out.userScalars.GetValue(0, true), 2.0);
    // The program's own bank is not touched by reading.
    EXPECT_EQ(app.UserScalars().GetName(0, true), "0");
}

TEST(TextValue, BlockItemsEvaluateTheirFormulaAtEachObservation) {
    AppState app;
    // The data set open while the file is read.
    app.SetModel(std::make_unique<Reg>(2, 2));
    ScriptedServices services;
    std::istringstream in("#mode,1,{,b/nd/b,@[2..4]=index*2,},{,c/nd/c,@4=index*index,},"
                          "{,d/nd/d,1,@2=index+10,},{,e/nd/e,@[3..2]=-index,},}");
    LoadedDataFile out;
    ReadTextDataFile(in, out, app.Context().Evaluator(), services);
    ASSERT_EQ(out.vars.size(), 4u);
    const std::vector<std::vector<double>> expected = {{0, 4, 6, 8}, {1, 4, 9, 16}, {1, 12, 13, 0}, {0, -2, -3, 0}};
    for (std::size_t j = 0; j < expected.size(); ++j)
        EXPECT_EQ(std::vector<double>(out.vars[j]->begin(), out.vars[j]->end()), expected[j]) << j;
}

TEST(TextValue, BlockFormulasSeeTheFilesOwnVariablesWhateverIsOpen) {
    // A name is a variable of an earlier block; values past the first
    // block's count are dropped.
    const char* const file = "#mode,1,{,a/nd/a,@[2..4]=index*2,},{,c/nd/c,@4=a+index,},{,d/nd/d,@[2..3]=a*c,},"
                             "{,e/nd/e,@[1..9]=a+lag(a),},{,f/nd/f,@4=a.ave,}";
    const std::vector<std::vector<double>> expected = {
            {0, 4, 6, 8}, {1, 6, 9, 12}, {0, 24, 54, 0}, {0, 4, 10, 14}, {4.5, 4.5, 4.5, 4.5}};
    // x is only the open data set's; a block sees neither itself nor those after it.
    const std::vector<Refused> failing = {
        {"#mode,1,{,a/nd/a,@4=index,},{,b/nd/b,@4=x*2,}", "1 行目: 未定義識別子エラー(x)"},
        {"#mode,1,{,a/nd/a,1,@3=a+1,}", "1 行目: 未定義識別子エラー(a)"},
        {"#mode,1,{,a/nd/a,@4=b,},\r\n{,b/nd/b,@4=1,}", "1 行目: 未定義識別子エラー(b)"},
    };
    WithEachOpenDataSet([&](AppState& app) {
        LoadedDataFile out;
        ASSERT_NO_THROW(ReadFile(app, file, out));
        ASSERT_EQ(out.vars.size(), expected.size());
        for (std::size_t j = 0; j < expected.size(); ++j)
            EXPECT_EQ(std::vector<double>(out.vars[j]->begin(), out.vars[j]->end()), expected[j]) << j;
        ExpectRefused(app, failing);
    });
}

// Counts, ranges, plain values, table values, scalars, group numbers and
// members read once, over the file's own variables read so far; a name
// without a selector is its first value.
TEST(TextValue, ValuesReadOnceSeeTheFilesOwnVariablesWhateverIsOpen) {
    const struct {
        const char* file;
        std::vector<std::vector<double>> values;
        std::vector<std::vector<std::uint16_t>> marks;
        int group;
    } files[] = {
        {"#mode,1\r\n"
         "{,a/nd/a,@4=index,}\r\n"
         "{,b/nd/b,@[2..a[3]]=5,}\r\n"
         "{,c/nd/c,@a[2]=7,a[4]*10,#row,},[,@[1..a[2]]=1,@a[1]=2,],}\r\n"
         "{,d/nd/d,@a=9,}\r\n"
         "#group\r\n{,a[2],G\r\na,[,@1-a[3],]\r\n@a[1],[,a[4],]\r\n}\r\n#\r\n",
         {{1, 2, 3, 4}, {0, 5, 5, 0}, {7, 7, 40, 4}, {9, 0, 0, 0}},
         {{2, 2, 2, 0}, {0, 0, 0, 2}, {1, 1, 2, 0}, {0, 0, 0, 0}},
         2},
        {"ID,p,q\r\n1,2,3\r\n2,4,5\r\n#group\r\n{,p[2]-1,G\r\nq,[,@1-p[1],]\r\n}\r\n#\r\n", {{2, 4}, {3, 5}},
         {{0, 0}, {4, 4}}, 3},
    };
    // Names the file has not read (yet) where it reads them.
    const std::vector<Refused> failing = {
        {"ID,p,q\r\n1,2,p\r\n", "2 行目: 未定義識別子エラー(p)"},
        {"#var,@s/a[1],#\r\nID,a\r\n1,2\r\n", "1 行目: 未定義識別子エラー(a)"},
        {"#mode,1\r\n{,a/nd/a,@b[1]=1,}\r\n{,b/nd/b,@2=1,}\r\n", "2 行目: 未定義識別子エラー(b)"},
        {"ID,p\r\n1,2\r\n#group\r\n{,x[1],G\r\n}\r\n#\r\n", "4 行目: 未定義識別子エラー(x)"},
    };
    WithEachOpenDataSet([&](AppState& app) {
        for (const auto& f : files) {
            LoadedDataFile out;
            ASSERT_NO_THROW(ReadFile(app, f.file, out)) << f.file;
            ASSERT_EQ(out.vars.size(), f.values.size()) << f.file;
            for (std::size_t j = 0; j < f.values.size(); ++j) {
                EXPECT_EQ(std::vector<double>(out.vars[j]->begin(), out.vars[j]->end()), f.values[j]) << j;
                EXPECT_EQ(out.vars[j]->Marks(), f.marks[j]) << j;
            }
            EXPECT_EQ(out.groupNames.GetName(f.group), "G") << f.file;
        }
        ExpectRefused(app, failing);
    });
}

}  // namespace
