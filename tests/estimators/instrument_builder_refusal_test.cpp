// A first stage whose coefficient or standard error is no number is refused
// with the other estimators' message, and left exactly as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "estimators/instrument_builder.h"
#include "support/expect_exception.h"
#include "support/first_stage_overflow.h"
#include "support/model_builder.h"

namespace {

// Everything a toggle could change, as the dialog reads it.
struct Shown {
    std::vector<std::vector<std::string>> table;
    std::vector<int> in;
    std::vector<double> bits;

    explicit Shown(const InstrumentFirstStage& fs) : table(fs.Table(false)) {
        for (int j = 0; j <= fs.ColumnCount(); ++j) {
            in.push_back(fs.IsIn(j));
            bits.insert(bits.end(), {fs.Coef(j), fs.StdError(j), fs.FValue(j)});
        }
        bits.insert(bits.end(), {fs.S2(), fs.AdjR2(), static_cast<double>(fs.ResidualDf())});
        for (double v : fs.FittedValues()) bits.push_back(v);
    }
    bool operator==(const Shown& o) const {
        if (table != o.table || in != o.in || bits.size() != o.bits.size()) return false;
        for (std::size_t i = 0; i < bits.size(); ++i)
            if (std::memcmp(&bits[i], &o.bits[i], sizeof(double)) != 0) return false;
        return true;
    }
};

TEST(InstrumentFirstStageRefusal, TheLastCandidateOutLeavesNoVarianceAndIsRefused) {
    auto data = MakeModel(NearE16FirstStage());
    InstrumentFirstStage fs(*data, 3, {1, 1, 1, 0}, 0, true);
    ASSERT_TRUE(fs.IsIn(0) && fs.IsIn(1));
    ASSERT_FALSE(fs.IsIn(2));  // the zeros cannot enter
    ASSERT_TRUE(fs.ToggleColumn(0));
    const Shown before(fs);
    ExpectExceptionMessage([&] { (void)fs.ToggleColumn(1); }, kFirstStageRefusal, "the second candidate out");
    EXPECT_TRUE(Shown(fs) == before);
    // The first stage goes on from where it was: the first candidate comes back.
    EXPECT_TRUE(fs.ToggleColumn(0));
    EXPECT_TRUE(fs.IsIn(0) && fs.IsIn(1));
    EXPECT_TRUE(std::isfinite(fs.StdError(4)));
}

TEST(InstrumentFirstStageRefusal, CandidatesThatOverflowTheConstantsErrorAreRefused) {
    auto data = MakeModel(OverflowingFirstStage());
    // All in at once: no first stage is built.
    ExpectExceptionMessage([&] { InstrumentFirstStage(*data, 2, {1, 1, 0}, 0, true); }, kFirstStageRefusal,
                           "all in");
    // One at a time: the second is refused, the first stays as it was.
    InstrumentFirstStage fs(*data, 2, {1, 1, 0}, 0, false);
    ASSERT_TRUE(fs.ToggleColumn(0));
    const Shown before(fs);
    ExpectExceptionMessage([&] { (void)fs.ToggleColumn(1); }, kFirstStageRefusal, "the second in");
    EXPECT_TRUE(Shown(fs) == before);
    EXPECT_FALSE(fs.IsIn(1));
}

}  // namespace
