// Macros with "%" commands compiled from source and run on a small data set,
// and the data set written out as a table to compare.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "macro/macro_run.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

// Names, types, values and group words of every variable.
struct DataTable {
    std::vector<std::string> names;
    std::vector<int> types;
    Columns values;
    std::vector<std::vector<std::uint16_t>> marks;
};

inline DataTable TableOf(const Reg& m) {
    DataTable t;
    for (int j = 0; j < m.GetVarCount(); ++j) {
        t.names.push_back(m.GetVarName(j));
        t.types.push_back(m.GetVarType(j));
        std::vector<double> v;
        m.GetVarValues(j, v);
        v.resize(static_cast<std::size_t>(m.GetObsCount()));
        t.values.push_back(v);
        std::vector<std::uint16_t> w;
        for (int i = 0; i < m.GetObsCount(); ++i) w.push_back(m.GetMark(i, j));
        t.marks.push_back(w);
    }
    return t;
}

// Values compared exactly: every command here only moves or copies them.
inline void ExpectTable(const DataTable& actual, const DataTable& expected, const std::string& what) {
    EXPECT_EQ(actual.names, expected.names) << what;
    EXPECT_EQ(actual.types, expected.types) << what;
    EXPECT_EQ(actual.values, expected.values) << what;
    EXPECT_EQ(actual.marks, expected.marks) << what;
}

// The data set of the tests: x1, x2 and the dependent y, six observations.
inline const Columns kX1X2Y = {{1, 2, 3, 4, 5, 6}, {2, 1, 4, 2, 6, 5}, {3.5, 4, 7.5, 7, 11.5, 12}};

inline DataTable Table(const std::vector<std::string>& names, const Columns& values,
                       std::vector<std::vector<std::uint16_t>> marks = {}, std::vector<int> types = {}) {
    DataTable t{names, types, values, marks};
    if (t.types.empty()) t.types.assign(names.size(), 0);
    if (t.marks.empty())
        for (const auto& c : values) t.marks.emplace_back(c.size(), 0);
    return t;
}

inline DataTable StartTable() { return Table({"x1", "x2", "y"}, kX1X2Y); }

// A test's own folder, the data folder of its runs.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() /
                ("merlox_sys_" + name + "_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string Text() const { return path_.string() + "/"; }
    std::filesystem::path Path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct SystemFixture {
    ScriptedServices services;
    AppState state;
    MacroRun run{state};

    explicit SystemFixture(bool withData = true) {
        services.SetFailOnUnusedAnswers(false);
        state.SetServices(&services);
        if (withData) {
            auto m = MakeModel(kX1X2Y, {}, {"x1", "x2", "y"}, &state.Context());
            static_cast<void>(m->SetDependent(2));
            state.SetModel(std::move(m));
        }
    }

    // Compiles the source and runs it; the error text, empty when none.
    std::string Run(const std::string& source) {
        try {
            MacroCompile compiler(state);
            compiler.CompileProgram(source);
            MacroObject object;
            compiler.LinkProgram(object);
            run.Run(object);
        } catch (const Exception& e) {
            return e.Message();
        }
        return {};
    }

    // The body in a macro with the arrays a[6] and b[3].
    std::string RunBody(const std::string& body) { return Run("macro m var a[6], b[3] { " + body + " }"); }

    DataTable Now() const { return TableOf(*state.Model()); }
};
