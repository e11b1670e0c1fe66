// The instrumental-variable report byte for byte at both margins. The
// golden files come from tests/data/iv_report/make_golden.py, which works
// out every number in exact arithmetic from the definitions (two-stage
// least squares, leave-one-out refits for the deleted figures, mpmath for
// roots and levels) and lays the text out by the report's rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "platform/text/cp932.h"
#include "simeq/iv_report.h"
#include "support/model_builder.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> out;
    std::istringstream in(cp932::ToUtf8(bytes));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

}  // namespace

TEST(IVReportGolden, BothMarginsMatchByteForByte) {
    const std::vector<double> x1 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<double> x2 = {1.5, 2, 3.5, 3, 5.5, 4, 7, 6.5, 9};
    const std::vector<double> w = {2, 1, 4, 3, 6, 5, 8, 7, 9};
    const std::vector<double> y = {3, 5, 6, 9, 10, 14, 13, 21, 18};
    auto reg = MakeModel({x1, x2, w, y}, {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kEndogenous},
                         {"x1", "x2", "w", "y"});
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(1, w);
    iv.SetDependent(3);
    ASSERT_TRUE(iv.ToggleVariable(4));
    ASSERT_TRUE(iv.ToggleVariable(0));
    ASSERT_TRUE(iv.ToggleVariable(1));
    for (int margin : {80, 100}) {
        SCOPED_TRACE(margin);
        const std::string golden = ReadFile(std::string(std::getenv("MERLOX_SOURCE_DIR")) + "/tests/data/iv_report/margin" +
                                            std::to_string(margin) + ".txt");
        ASSERT_FALSE(golden.empty());
        std::ostringstream out;
        WriteIVReport(iv, {"sample", 0, margin}, out);
        // Line by line first, so a difference names its line.
        const auto want = Lines(golden), got = Lines(out.str());
        for (std::size_t i = 0; i < want.size() && i < got.size(); ++i) EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
        EXPECT_EQ(out.str(), golden);
    }
}
