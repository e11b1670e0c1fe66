// Principal components and the correlation matrices form their own sums of
// squares: a variable whose sum leaves the range of a double is refused in
// the main fit's words, naming it, however the analysis is reached.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/model/overflowing_sums.h"
#include "core/settings/engine_context.h"
#include "eval/reserved_words.h"
#include "platform/errors.h"
#include "stats/correlation_matrices.h"
#include "stats/principal_components.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

struct Data {
    Columns columns;
    std::vector<std::string> names;
};

Data With(Data d, std::size_t column, std::size_t row, double value) {
    d.columns[column][row] = value;
    return d;
}

// Road 0: the data set's analysis; 1: a table's; 2: a table's correlation matrices.
void Analyse(int road, const Data& d) {
    EngineContext context;
    const std::vector<std::uint8_t> all(d.names.size(), 1);
    if (road == 0) return void(MakeDataSetPCA(*MakeModel(d.columns, {}, d.names, &context), 0, all, NameInUse{}));
    const std::size_t n = d.columns[0].size(), k = all.size();
    TNamedData t(context, static_cast<int>(n), static_cast<int>(k));
    for (std::size_t j = 0; j < k; ++j) {
        t.SetColumnName(static_cast<int>(j), d.names[j]);
        for (std::size_t i = 0; i < n; ++i) t.SetValue(static_cast<int>(i), static_cast<int>(j), d.columns[j][i]);
    }
    if (road == 1) MakeTablePCA(t, all, NameInUse{});
    if (road == 2) ComputeCorrelationMatrices(t, nullptr, false);
}

TEST(OverflowingAnalysis, EveryRoadRefusesTheVariableInTheFitsWords) {
    const Data longley{LongleyColumns(), {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"}};
    const Data twelve{TwelveRows(), {"x1", "x3", "y"}};
    const Data constantFirst{{Columns::value_type(12, 2.0), TwelveRows()[1], TwelveRows()[2]}, {"c", "x3", "y"}};
    const struct {
        Data data;
        std::string refusal;  // "" when the analysis is formed
    } cases[] = {
            {With(longley, 1, 4, 1e200), "変数 GNP の平方和が有限の数値になりません。"},
            {With(twelve, 0, 1, 1e200), "変数 x1 の平方和が有限の数値になりません。"},
            {With(twelve, 2, 11, -1e200), "変数 y の平方和が有限の数値になりません。"},
            // The overflow is named, not the constant before it.
            {With(constantFirst, 1, 6, 1e200), "変数 x3 の平方和が有限の数値になりません。"},
            // Its square 1e200 is still a double.
            {With(longley, 1, 4, 1e100), ""},
    };
    for (int road = 0; road < 3; ++road) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "road " << road << ": " << c.refusal);
            std::string refusal;
            try {
                Analyse(road, c.data);
            } catch (const EOverflowingSums& e) {
                refusal = e.Message();
            } catch (const Exception& e) {
                refusal = "other error: " + e.Message();
            }
            EXPECT_EQ(refusal, c.refusal);
        }
    }
    // No number (a result column's row without a figure) is no overflow.
    EXPECT_NO_THROW(Analyse(2, With(twelve, 0, 1, std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
