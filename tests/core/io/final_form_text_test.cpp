// The one-line text of a final-form equation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/io/final_form_storage.h"

namespace {

struct TextCase {
    const char* name;
    std::vector<FFCell> terms;
    const char* text;
};

}  // namespace

TEST(FinalFormText, TermsInSortedOrder) {
    const TextCase cases[] = {
        {"no terms", {}, "Y[t] = "},
        {"unit coefficients and lags",
         {FFCell("X", 2, 1.0, 0), FFCell("Y", 1, -1.0, -1), FFCell("Z", 2, 1.0, 2)},
         "Y[t] = -Y[t-1]+X[t]+Z[t+2]"},
        {"pictured coefficients and the constant last",
         {FFCell("定数項", 2, 2.0, 0), FFCell("X", 2, 0.5, 0), FFCell("Y", 1, -0.25, -12)},
         "Y[t] = -0.2500*Y[t-12]+0.5000*X[t]+2.0000"},
        // 0.03125 is a tie in binary as well.
        {"rounding half away from zero", {FFCell("X", 2, 0.03125, -3)}, "Y[t] = +0.0313*X[t-3]"},
        {"a negative constant", {FFCell("定数項", 2, -2.5, 0), FFCell("W", 2, -1234.5, 1)},
         "Y[t] = -1234.5000*W[t+1]-2.5000"},
    };
    for (const TextCase& c : cases) {
        FFElement e;
        e.SetHead(FFCell("Y", 1, 1.0, 0));
        for (const FFCell& t : c.terms) e.AppendTerm(t);
        EXPECT_EQ(e.GetText(), c.text) << c.name;
    }
}
