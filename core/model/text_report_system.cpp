// The report's simultaneous-equation sections: structural equations,
// reduced form, its predicted values and residuals, and the final form.
#include <algorithm>
#include <string>

#include "core/io/data_file.h"
#include "core/io/final_form_storage.h"
#include "core/model/regression_model.h"
#include "core/model/text_report_writer.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

void TextReportWriter::WriteSystem() {
    const ExpresList& list = model_.Expressions();
    const int equations = list.GetCount();
    const int g = list.GetEndogenousCount();
    const int kp = list.GetPredeterminedCount();
    const int matrixPer = MatrixColumns(margin_);
    const int rowPer = RowColumns(margin_);

    Put("\n【式】");
    std::vector<std::string> rowNames;
    for (int j = 0; j < g; ++j) rowNames.push_back(list.GetEndogenousName(j));
    for (int j = 0; j < kp; ++j) rowNames.push_back(list.GetPredeterminedName(j));
    for (int a = 0; a < equations; a += matrixPer) {
        const int b = std::min(a + matrixPer, equations);
        std::string line = "\n" + std::string(12, ' ');
        for (int e = a; e < b; ++e) line += Column("第" + std::to_string(e + 1) + "式", 12);
        Put(line + "\n");
        for (const std::string& name : rowNames) {
            line = Column(name, 12);
            for (int e = a; e < b; ++e) AppendNumberColumn(line, list.GetItem(e).GetSystemCoef(name));
            Put(line + "\n");
        }
        Tick();
    }

    const std::string reduced = LoadStr(kStrReducedForm);
    Put("\n【" + reduced + "】");
    for (int a = 0; a < kp; a += matrixPer) {
        const int b = std::min(a + matrixPer, kp);
        std::string line = "\n" + std::string(12, ' ');
        for (int c = a; c < b; ++c) line += Column(list.GetPredeterminedName(c), 12);
        Put(line + "\n");
        for (int r = 0; r < g; ++r) {
            line = Column(list.GetEndogenousName(r), 12);
            for (int c = a; c < b; ++c) AppendNumberColumn(line, list.GetReducedFormCoef(r, c));
            Put(line + "\n");
        }
        Tick();
    }

    // Predicted values, then observed minus predicted.
    const std::string endogenous = LoadStr(kStrEndogenous);
    const std::string predicted = LoadStr(kStrPredicted);
    const std::string headings[2] = {
        "\n【" + reduced + "から導かれた" + endogenous + "の" + predicted + "】",
        "\n【" + endogenous + predicted + "と" + LoadStr(kStrObserved) + "との残差】"};
    for (int table = 0; table < 2; ++table) {
        Put(headings[table]);
        for (int a = 0; a < g; a += rowPer) {
            const int b = std::min(a + rowPer, g);
            std::string line = "\n" + std::string(4, ' ');
            for (int c = a; c < b; ++c) line += Column(list.GetEndogenousName(c), 12);
            Put(line + "\n");
            std::vector<int> index;
            for (int c = a; c < b; ++c) index.push_back(model_.FindVar(list.GetEndogenousName(c)));
            for (int i = 0; i < n_; ++i) {
                line = Column(i + 1, 4);
                for (int c = a; c < b; ++c) {
                    const double fitted = list.GetReducedFormValue(i, c);
                    const int j = index[static_cast<std::size_t>(c - a)];
                    AppendNumberColumn(line, table == 0 ? fitted : (j >= 0 ? model_.GetValue(i, j) : 0.0) - fitted);
                }
                Put(line + "\n");
            }
            Tick();
        }
    }
}

void TextReportWriter::WriteFinalForm() {
    const FFList* stored = model_.FileCompanions().finalForm;
    if (stored == nullptr || stored->GetCount() == 0) return;
    Put("\n【最終型】\n");
    for (int e = 0; e < stored->GetCount(); ++e) Put(stored->GetElement(e).GetText() + "\n");
}
