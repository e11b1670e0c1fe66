// The main window over roles without an estimate: a file whose stored model
// overflows and a typed value that makes the fit overflow each give one
// message, every page then shows "-" or nothing where figures were, the
// commands that read the fit refuse with the same message, and undo brings
// the fit back on the page.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <functional>

#include "app/main_window/main_window.h"
#include "components/view/window_registry.h"
#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"
#include "support/overflowing_file.h"

namespace {

using Cells = std::vector<std::vector<QString>>;

// The estimates page of roles without an estimate: the names, "-" elsewhere.
Cells NamesOnly(const QString& dependent, const std::vector<QString>& names) {
    Cells rows = {{dependent, "Ｆ値", "β推定値", "β標準誤差", "分散拡大要因"}};
    for (const QString& name : names) rows.push_back({name, "-", "-", "-", "-"});
    return rows;
}

Cells GridCells(const TStringGrid* grid) {
    Cells rows;
    for (int r = 0; r < grid->RowCount(); ++r) {
        std::vector<QString> row;
        for (int c = 0; c < grid->ColCount(); ++c) row.push_back(grid->Cell(c, r));
        rows.push_back(row);
    }
    return rows;
}

class RefusedFitPagesTest : public StartedWindows {
protected:
    RefusedFitPagesTest() : StartedWindows("refused") {
        main_->resize(900, 600);
        main_->show();
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts = ui_.MessageTexts();
        ui_.ClearCalls();
        return texts;
    }
    QString Label(const char* name) {
        QLabel* l = main_->EstimateLabel(name);
        return l ? l->text() : main_->PageLabel(name)->text();
    }
    // Every page as a user reads it after a refusal: the names and "-" on
    // the estimates, blank per-observation pages, "-" beside them.
    void ExpectNoFigureOnAnyPage(const QString& dependent, const std::vector<QString>& names) {
        main_->mnuSelectViewClick();
        EXPECT_EQ(GridCells(main_->EstimateGrid()), NamesOnly(dependent, names));
        for (const char* name : {"stVe", "stRR", "stJoutai", "stPSS"}) EXPECT_EQ(Label(name), "-") << name;
        EXPECT_EQ(Label("stFDE"), "自由度 = -");
        main_->mnuCheckViewClick();
        EXPECT_EQ(main_->DiagnosticsGrid()->RowCount(), 2);
        EXPECT_EQ(main_->DiagnosticsGrid()->Cell(1, 1), "");
        for (const char* name : {"stGK", "stDWR", "stBGTest"}) EXPECT_EQ(Label(name), "-") << name;
        main_->mnuAnalysisViewClick();
        EXPECT_EQ(main_->InfluenceGrid()->RowCount(), 2);
        EXPECT_EQ(main_->InfluenceGrid()->Cell(1, 1), "");
        main_->mnuPredViewClick();
        for (const char* name : {"stPreval", "stMaxPV", "stMinPV"}) EXPECT_EQ(Label(name), "-") << name;
        EXPECT_EQ(main_->PredictionGrid()->RowCount(), 2);
        EXPECT_EQ(main_->PredictionGrid()->Cell(2, 1), "");
    }
};

TEST_F(RefusedFitPagesTest, AFileWhoseStoredModelOverflowsOpensWithTheMessageAndNoFigure) {
    WriteText(dir_.Path("over.TXT"), kOverflowingModelFile);
    ui_.QueueOK();
    main_->OpenAndRemember(dir_.Path("over.TXT"));
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_EQ(Messages(), std::vector<std::string>{kOverflowingModelRefusal});
    ExpectNoFigureOnAnyPage("D", {"定数項", "A", "B", "C", "E"});
    EXPECT_EQ(main_->VariableList()->currentText(), "D");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(RefusedFitPagesTest, ATypedValueGivesTheMessageOnceAndUndoBringsTheFitBack) {
    auto model = MakeModel({{1, 2, 3, 4, 5, 6, 7}, {1, 2, 3.5, 3, 5, 4.5, 7}}, {}, {"x", "y"});
    ASSERT_TRUE(model->SetModel(1, {2, 1, 2}));
    SaveAs(*model, dir_.Path("xy.MDF"));
    main_->OpenAndRemember(dir_.Path("xy.MDF"));
    main_->mnuSelectViewClick();
    const auto estimates = [&] {
        Cells page = GridCells(main_->EstimateGrid());
        page.push_back({Label("stVe"), Label("stFDE")});
        return page;
    };
    const Cells before = estimates();
    // A BG test and a prediction shown before the edit.
    main_->mnuCheckViewClick();
    ui_.QueueInput("1");
    main_->findChild<QPushButton*>("btnBGTest")->click();
    ASSERT_NE(Label("stBGTest"), "-");
    main_->mnuPredViewClick();
    main_->VariableListGrid()->SetCell(1, 1, QStringLiteral("3"));
    main_->findChild<QPushButton*>("btnPredCalc")->click();
    for (const char* name : {"stPreval", "stMaxPV", "stMinPV"}) ASSERT_NE(Label(name), "-") << name;

    main_->mnuEditViewClick();
    main_->EditGrid()->SetCurrentCell(2, 3);
    main_->InputBox()->setEditText(QStringLiteral("1e200"));
    ui_.ClearCalls();
    ui_.QueueOK();
    main_->cbInputKeyPress('\r');
    const std::string refused = "変数 y の平方和が有限の数値になりません。";
    EXPECT_EQ(Messages(), std::vector<std::string>{refused});
    EXPECT_EQ(state_.Model()->GetValue(2, 1), 1e200);  // the user's value stays
    ExpectNoFigureOnAnyPage("y", {"定数項", "x"});

    // Each command that reads the fit says why it cannot, and opens nothing.
    int opened = 0;
    const auto count = [&](const WindowContext&) -> std::unique_ptr<AnalysisWindow> {
        ++opened;
        return nullptr;
    };
    ScopedAnalysisWindow graph("TfrmGraphXY", count), anova("TfrmAnova", count);
    const struct {
        const char* what;
        std::function<void()> run;
    } readers[] = {
        {"residual plot", [&] { main_->Action("PlotsCS")->trigger(); }},
        {"analysis of variance", [&] { main_->EstimateButton("btnANOVA")->click(); }},
        {"prediction", [&] { main_->findChild<QPushButton*>("btnPredCalc")->click(); }},
        {"Y-Ŷ plot", [&] { main_->findChild<QPushButton*>("btnYYPlot")->click(); }},
    };
    for (const auto& r : readers) {
        ui_.QueueOK();
        r.run();
        EXPECT_EQ(Messages(), std::vector<std::string>{refused}) << r.what;
    }
    EXPECT_EQ(opened, 0);

    main_->UndoEditExecute();
    EXPECT_TRUE(Messages().empty());
    main_->mnuSelectViewClick();
    EXPECT_EQ(estimates(), before);
    state_.Model()->SetModified(false);
}

}  // namespace
