// The prediction page over a fit that changes: a prediction shows only on
// the fit it was computed on ("-" after any new estimate until it is
// computed again), and each typed value stays beside its variable's name.
// The predictions are exact least-squares values (15.5207 is also R's).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <cstdint>
#include <functional>
#include <string>

#include "app/main_window/main_window.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"
#include "support/sample_columns.h"

namespace {

// y on x3 at x3 = 10; y on x1 and x3 at x1 = 0 (an empty cell), x3 = 10;
// y on x3 at x3 = 10 with y[2] = 20.
const std::string kOnX3 = "15.5207";
const std::string kOnX1AndX3 = "4.5361";
const std::string kOnX3WithEditedY = "17.0414";

using ValueList = std::vector<std::pair<std::string, std::string>>;

class PredictionFollowsFitTest : public StartedWindows {
protected:
    PredictionFollowsFitTest() : StartedWindows("predfit") {}
    void Open(const std::string& file, const std::vector<std::string>& names, const std::vector<std::uint8_t>& roles) {
        auto model = MakeModel(TwelveRows(), {}, names);
        ASSERT_TRUE(model->SetModel(2, roles));
        SaveAs(*model, dir_.Path(file));
        main_->OpenAndRemember(dir_.Path(file));
        ASSERT_NE(state_.Model(), nullptr);
        main_->mnuPredViewClick();
    }
    std::vector<std::string> Figures() const {
        std::vector<std::string> texts;
        for (const char* name : {"stPreval", "stMaxPV", "stMinPV"})
            texts.push_back(main_->PageLabel(name)->text().toStdString());
        return texts;
    }
    ValueList Values() const {
        ValueList rows;
        const TStringGrid* list = main_->VariableListGrid();
        for (int r = 1; r < list->RowCount(); ++r)
            rows.emplace_back(list->Cell(0, r).toStdString(), list->Cell(1, r).toStdString());
        return rows;
    }
    // Typed beside the first name listed.
    void TypeFirst(const QString& value) { main_->VariableListGrid()->SetCell(1, 1, value); }
    void Predict() { main_->findChild<QPushButton*>("btnPredCalc")->click(); }
    // x1 swept in or out on the estimates page, as a click does.
    void ToggleX1() {
        main_->mnuSelectViewClick();
        const TStringGrid* est = main_->EstimateGrid();
        for (int row = 2; row < est->RowCount(); ++row)
            if (est->Cell(0, row) == "x1") return main_->ToggleEstimateRow(row, true);
        ADD_FAILURE() << "x1 is not listed";
    }
    void TypeY2(const QString& text) {
        main_->mnuEditViewClick();
        main_->EditGrid()->SetCurrentCell(3, 3);
        main_->InputBox()->setEditText(text);
        main_->cbInputKeyPress('\r');
    }
};

TEST_F(PredictionFollowsFitTest, EveryNewEstimateLeavesNoFigureAndEachValueBesideItsName) {
    const std::vector<std::string> noFigure = {"-", "-", "-"};
    const ValueList onX3 = {{"x3", "10"}};
    const struct {
        const char* what;
        std::function<void()> change;
        ValueList values;
        std::string predicted;  // empty: the fit overflows, one message and no estimate
    } steps[] = {
        {"y on x3, x3 typed", [&] { Open("twelve.MDF", {"x1", "x3", "y"}, {0, 2, 1, 2}); TypeFirst("10"); },
         onX3, kOnX3},
        {"x1 enters", [&] { ToggleX1(); }, {{"x1", ""}, {"x3", "10"}}, kOnX1AndX3},
        {"x1 typed and leaving", [&] { TypeFirst("4"); ToggleX1(); }, onX3, kOnX3},
        {"another file, x1 renamed w", [&] { Open("other.MDF", {"w", "x3", "y"}, {2, 2, 1, 2}); },
         {{"w", ""}, {"x3", "10"}}, kOnX1AndX3},
        {"the first file again", [&] { Open("twelve.MDF", {"x1", "x3", "y"}, {0, 2, 1, 2}); }, onX3, kOnX3},
        {"y[2] = 20", [&] { TypeY2("20"); }, onX3, kOnX3WithEditedY},
        {"its undo", [&] { main_->UndoEditExecute(); }, onX3, kOnX3},
        {"its redo", [&] { main_->RedoEditExecute(); }, onX3, kOnX3WithEditedY},
        {"y[2] = 1e200", [&] { TypeY2("1e200"); }, onX3, ""},
        {"its undo", [&] { main_->UndoEditExecute(); }, onX3, kOnX3WithEditedY},
        {"its redo", [&] { main_->RedoEditExecute(); }, onX3, ""},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.predicted.empty()) ui_.QueueOK();
        s.change();
        main_->mnuPredViewClick();
        EXPECT_EQ(Figures(), noFigure);
        EXPECT_EQ(Values(), s.values);
        if (s.predicted.empty()) continue;
        Predict();
        EXPECT_EQ(Figures()[0], s.predicted);
        EXPECT_NE(Figures()[1], "-");
    }
    state_.Model()->SetModified(false);
}

}  // namespace
