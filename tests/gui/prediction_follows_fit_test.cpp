// The prediction page over a fit that changes: a prediction shows only on
// the fit it was computed on ("-" after any new estimate until it is
// computed again), and each typed value stays beside its variable's name.
// The twelve observations are x1 = 4.8 + 1.3i, x3 = (7i mod 5) + 0.5i and
// y = 3 + 0.7i + (5i mod 7), i = 0..11; the predictions are exact
// least-squares values (15.5207 is also R's).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <cstdint>
#include <string>
#include <utility>

#include "app/main_window/main_window.h"
#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

const std::vector<double> kX1 = {4.8, 6.1, 7.4, 8.7, 10, 11.3, 12.6, 13.9, 15.2, 16.5, 17.8, 19.1};
const std::vector<double> kX3 = {0, 2.5, 5, 2.5, 5, 2.5, 5, 7.5, 5, 7.5, 5, 7.5};
const std::vector<double> kY = {3, 8.7, 7.4, 6.1, 11.8, 10.5, 9.2, 7.9, 13.6, 12.3, 11, 16.7};

// y on x3 at x3 = 10; y on x1 and x3 at x1 = 0 (an empty cell), x3 = 10;
// y on x3 at x3 = 10 with y[2] = 20.
const std::string kOnX3 = "15.5207";
const std::string kOnX1AndX3 = "4.5361";
const std::string kOnX3WithEditedY = "17.0414";

const std::vector<std::string> kNoFigure = {"-", "-", "-"};

using ValueList = std::vector<std::pair<std::string, std::string>>;

class PredictionFollowsFitTest : public StartedWindows {
protected:
    PredictionFollowsFitTest() : StartedWindows("predfit") {
        main_->resize(1000, 700);
        main_->show();
    }
    ~PredictionFollowsFitTest() override {
        if (state_.Model()) state_.Model()->SetModified(false);
    }
    // A data file of the columns with its model, opened on the prediction page.
    void Open(const std::string& file, const Columns& cols, const std::vector<std::string>& names,
              const std::vector<std::uint8_t>& roles) {
        auto model = MakeModel(cols, {}, names);
        ASSERT_TRUE(model->SetModel(static_cast<int>(cols.size()) - 1, roles));
        SaveAs(*model, dir_.Path(file));
        main_->OpenAndRemember(dir_.Path(file));
        ASSERT_NE(state_.Model(), nullptr);
        main_->mnuPredViewClick();
    }
    // y on x3, with x1 out of the model.
    void OpenTwelve() { Open("twelve.MDF", {kX1, kX3, kY}, {"x1", "x3", "y"}, {0, 2, 1, 2}); }
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
    void Type(const QString& name, const QString& value) {
        TStringGrid* list = main_->VariableListGrid();
        for (int r = 1; r < list->RowCount(); ++r)
            if (list->Cell(0, r) == name) return list->SetCell(1, r, value);
        ADD_FAILURE() << name.toStdString() << " is not listed";
    }
    void Predict() { main_->findChild<QPushButton*>("btnPredCalc")->click(); }
    // The variable swept in or out on the estimates page, as a click does.
    void Toggle(const QString& name) {
        main_->mnuSelectViewClick();
        const TStringGrid* est = main_->EstimateGrid();
        int row = 2;
        while (row < est->RowCount() && est->Cell(0, row) != name) ++row;
        ASSERT_LT(row, est->RowCount()) << name.toStdString();
        main_->ToggleEstimateRow(row, true);
        main_->mnuPredViewClick();
    }
    // y[2] typed in the data grid.
    void TypeY2(const QString& text) {
        main_->mnuEditViewClick();
        main_->EditGrid()->SetCurrentCell(3, 3);
        main_->InputBox()->setEditText(text);
        main_->cbInputKeyPress('\r');
        main_->mnuPredViewClick();
    }
};

TEST_F(PredictionFollowsFitTest, AVariableEnteringLeavesNoFigureAndEachValueBesideItsName) {
    OpenTwelve();
    EXPECT_EQ(Figures(), kNoFigure);  // nothing computed on this fit yet
    Type("x3", "10");
    Predict();
    EXPECT_EQ(Figures()[0], kOnX3);
    EXPECT_NE(Figures()[1], "-");

    Toggle("x1");
    EXPECT_EQ(Figures(), kNoFigure);
    EXPECT_EQ(Values(), (ValueList{{"x1", ""}, {"x3", "10"}}));
    Predict();
    EXPECT_EQ(Figures()[0], kOnX1AndX3);

    Type("x1", "4");
    Toggle("x1");
    EXPECT_EQ(Figures(), kNoFigure);
    EXPECT_EQ(Values(), (ValueList{{"x3", "10"}}));
    Predict();
    EXPECT_EQ(Figures()[0], kOnX3);
}

TEST_F(PredictionFollowsFitTest, AnotherFileKeepsOnlyTheValuesOfNamesItShares) {
    OpenTwelve();
    Type("x3", "10");
    Predict();
    ASSERT_EQ(Figures()[0], kOnX3);
    // x1 renamed w and put first, y on w and x3.
    Open("other.MDF", {kX1, kX3, kY}, {"w", "x3", "y"}, {2, 2, 1, 2});
    EXPECT_EQ(Figures(), kNoFigure);
    EXPECT_EQ(Values(), (ValueList{{"w", ""}, {"x3", "10"}}));
    Predict();
    EXPECT_EQ(Figures()[0], kOnX1AndX3);
}

TEST_F(PredictionFollowsFitTest, AnEditItsUndoAndRedoEachLeaveNoFigure) {
    const struct {
        const char* what;
        QString typed;
        bool refused;  // the fit overflows: one message, no estimate
    } edits[] = {
        {"an ordinary value", "20", false},
        {"a value whose fit overflows", "1e200", true},
    };
    for (const auto& e : edits) {
        OpenTwelve();
        Type("x3", "10");
        Predict();
        ASSERT_EQ(Figures()[0], kOnX3) << e.what;
        if (e.refused) ui_.QueueOK();
        TypeY2(e.typed);
        EXPECT_EQ(Figures(), kNoFigure) << e.what;
        if (!e.refused) {
            Predict();
            EXPECT_EQ(Figures()[0], kOnX3WithEditedY) << e.what;
        }
        main_->UndoEditExecute();
        main_->RefreshActivePage();
        EXPECT_EQ(Figures(), kNoFigure) << e.what;
        Predict();
        EXPECT_EQ(Figures()[0], kOnX3) << e.what;
        if (e.refused) ui_.QueueOK();
        main_->RedoEditExecute();
        main_->RefreshActivePage();
        EXPECT_EQ(Figures(), kNoFigure) << e.what;
        EXPECT_EQ(Values(), (ValueList{{"x3", "10"}})) << e.what;
        state_.Model()->SetModified(false);
    }
}

}  // namespace
