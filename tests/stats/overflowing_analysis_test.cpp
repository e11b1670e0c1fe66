// Principal components and the correlation matrices form their own sums of
// squares: a variable whose sum leaves the range of a double is refused in
// the main fit's words, naming it, however the analysis is reached.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
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

const std::vector<std::string> kLongleyNames = {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"};
const std::vector<std::string> kTwelveNames = {"x1", "x3", "y"};

struct Data {
    Columns columns;
    std::vector<std::string> names;
};

// `value` at observation `row` of variable `column`.
Data With(Data d, int column, int row, double value) {
    d.columns[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)] = value;
    return d;
}

const Data kLongley{LongleyColumns(), kLongleyNames};
const Data kTwelve{TwelveRows(), kTwelveNames};
const Data kConstantFirst{{Columns::value_type(12, 2.0), TwelveRows()[1], TwelveRows()[2]}, {"c", "x3", "y"}};

std::unique_ptr<TNamedData> TableOf(EngineContext& context, const Data& d) {
    const int n = static_cast<int>(d.columns[0].size()), k = static_cast<int>(d.columns.size());
    auto t = std::make_unique<TNamedData>(context, n, k);
    for (int j = 0; j < k; ++j) {
        t->SetColumnName(j, d.names[static_cast<std::size_t>(j)]);
        const std::vector<double>& column = d.columns[static_cast<std::size_t>(j)];
        for (int i = 0; i < n; ++i) t->SetValue(i, j, column[static_cast<std::size_t>(i)]);
    }
    return t;
}

// The three roads: the data set's analysis, a table's analysis, the
// correlation matrices of a table.
using Road = std::function<void(EngineContext&, const Data&)>;

void DataSetPca(EngineContext& context, const Data& d) {
    auto reg = MakeModel(d.columns, {}, d.names, &context);
    MakeDataSetPCA(*reg, 0, std::vector<std::uint8_t>(d.names.size(), 1), NameInUse{});
}

void TablePca(EngineContext& context, const Data& d) {
    MakeTablePCA(*TableOf(context, d), std::vector<std::uint8_t>(d.names.size(), 1), NameInUse{});
}

void Correlations(EngineContext& context, const Data& d) {
    ComputeCorrelationMatrices(*TableOf(context, d), nullptr, false);
}

struct Case {
    const char* label;
    Data data;
    const char* refusal;  // "" when the analysis is formed
};

const Case kCases[] = {
        {"Longley, GNP[5] = 1e200", With(kLongley, 1, 4, 1e200), "変数 GNP の平方和が有限の数値になりません。"},
        {"twelve rows, x1[2] = 1e200", With(kTwelve, 0, 1, 1e200), "変数 x1 の平方和が有限の数値になりません。"},
        {"twelve rows, y[12] = -1e200", With(kTwelve, 2, 11, -1e200), "変数 y の平方和が有限の数値になりません。"},
        // A constant before it: the overflow is named, not the constant.
        {"constant c, x3[7] = 1e200", With(kConstantFirst, 1, 6, 1e200), "変数 x3 の平方和が有限の数値になりません。"},
        // Its square 1e200 is still a double.
        {"Longley, GNP[5] = 1e100", With(kLongley, 1, 4, 1e100), ""},
};

TEST(OverflowingAnalysis, EveryRoadRefusesTheVariableInTheFitsWords) {
    const std::pair<const char*, Road> roads[] = {
            {"data set PCA", DataSetPca}, {"table PCA", TablePca}, {"correlation matrices", Correlations}};
    for (const auto& [road, run] : roads) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(road) + ": " + c.label);
            EngineContext context;
            std::string refusal;
            try {
                run(context, c.data);
            } catch (const EOverflowingSums& e) {
                refusal = e.Message();
            } catch (const Exception& e) {
                refusal = "other error: " + e.Message();
            }
            EXPECT_EQ(refusal, c.refusal);
        }
    }
}

TEST(OverflowingAnalysis, AValueThatIsNoNumberIsNoOverflow) {
    // A result column may hold such a value (a row without a figure).
    EngineContext context;
    Data d = With(kTwelve, 0, 1, std::numeric_limits<double>::quiet_NaN());
    EXPECT_NO_THROW(ComputeCorrelationMatrices(*TableOf(context, d), nullptr, false));
}

}  // namespace
