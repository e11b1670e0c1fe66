#include "stats/correlation_matrix_table.h"

ResultTable CorrelationMatrixTable(const CorrelationMatrices& m, bool partial, bool alternateShown) {
    std::vector<std::string> titles{alternateShown ? "(iv)" : ""};
    titles.insert(titles.end(), m.names.begin(), m.names.end());
    ResultTable t(std::move(titles));
    const int k = static_cast<int>(m.names.size());
    const bool usePartial = partial && m.partialAvailable;
    for (int j = 0; j < k; ++j) {
        std::vector<ResultCell> row{TextCell(m.names[static_cast<std::size_t>(j)])};
        for (int i = 0; i < k; ++i) {
            ResultCell c = TextCell(CorrelationCellText(m, i, j, usePartial));
            c.value = usePartial ? m.partial.At(i, j) : m.correlation.At(i, j);
            if (c.text == "-") c.value = std::numeric_limits<double>::quiet_NaN();
            row.push_back(std::move(c));
        }
        t.AddRow(std::move(row));
    }
    return t;
}
