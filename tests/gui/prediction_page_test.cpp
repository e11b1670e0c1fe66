// The prediction page: the point prediction with its simultaneous tolerance
// interval, the per-observation table with marks on observations outside
// their interval, the conversion formula, and what happens with unbounded
// intervals, too few degrees of freedom and values that fail to evaluate.
// The reference figures come from exact least-squares fits and the F,
// chi-square and normal quantiles, computed apart from the program.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/main_window/main_window.h"
#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace fs = std::filesystem;

namespace {

std::string SourceDir() {
    const char* dir = std::getenv("MERLOX_SOURCE_DIR");
    return dir ? dir : ".";
}

// Fitted value, lower and upper bound of each Longley observation at
// confidence 95 % and probability 90 %.
const double kLongleyRows[16][3] = {
    {60055.65997024028, 58063.58503604276, 62047.734904437806},
    {61216.013942398844, 59058.5587613371, 63373.469123460585},
    {60124.712832242476, 58214.990676103385, 62034.43498838157},
    {61597.11462193091, 59673.54825511614, 63520.68098874568},
    {62911.28540923977, 60699.475196319334, 65123.0956221602},
    {63888.311215329726, 61968.345491702574, 65808.27693895687},
    {65153.04895639561, 63079.13418719525, 67226.96372559595},
    {63774.18035686637, 61684.90091486993, 65863.4597988628},
    {66004.69522739995, 63972.07171815752, 68037.31873664238},
    {67401.60590544814, 65536.06035500647, 69267.15145588982},
    {68186.26892711483, 66279.56261503568, 70092.97523919397},
    {66552.0550425227, 64488.090627766964, 68616.01945727844},
    {68810.54997359532, 66884.16997764203, 70736.92996954861},
    {69649.67130804213, 67944.5760818384, 71354.76653424586},
    {68989.06848603922, 67064.63225725046, 70913.50471482798},
    {70757.75782519374, 68471.12253155134, 73044.39311883613},
};

// The bounds hold the normal quantile of the probability, which the program
// takes from a single-precision approximation: half a unit of the bounds.
constexpr double kBoundTolerance = 0.5;

double Number(const QString& text) { return std::strtod(text.toStdString().c_str(), nullptr); }

class PredictionPageTest : public StartedWindows {
protected:
    PredictionPageTest() : StartedWindows("predict") {
        main_->resize(1200, 800);
        main_->show();
    }
    ~PredictionPageTest() override {
        if (state_.Model()) state_.Model()->SetModified(false);
    }
    void OpenLongley() {
        fs::copy_file(SourceDir() + "/data/samples/Longley.MDF", dir_.Path("Longley.MDF"));
        Open("Longley.MDF");
    }
    void Open(const std::string& name) {
        main_->OpenAndRemember(dir_.Path(name));
        ASSERT_NE(state_.Model(), nullptr);
        main_->mnuPredViewClick();
    }
    QString Label(const char* name) const { return main_->PageLabel(name)->text(); }
    void SetValues(const std::vector<std::string>& values) {
        TStringGrid* list = main_->VariableListGrid();
        for (std::size_t r = 0; r < values.size(); ++r) list->SetCell(1, static_cast<int>(r) + 1, QString::fromStdString(values[r]));
    }
    void Calculate() { main_->findChild<QPushButton*>("btnPredCalc")->click(); }
    void SetPercents(const char* confidence, const char* probability) {
        main_->ConfidenceField()->setText(QString::fromUtf8(confidence));
        main_->ProbabilityField()->setText(QString::fromUtf8(probability));
    }
};

TEST_F(PredictionPageTest, PointPredictionOfLongleyWithItsToleranceInterval) {
    OpenLongley();
    TStringGrid* list = main_->VariableListGrid();
    ASSERT_EQ(list->RowCount(), 7);
    EXPECT_EQ(list->Cell(0, 0), "説明変数名");
    EXPECT_EQ(list->Cell(1, 0), "値");
    const char* names[] = {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR"};
    for (int r = 1; r <= 6; ++r) EXPECT_EQ(list->Cell(0, r).toStdString(), names[r - 1]);
    EXPECT_EQ(Label("stDepNam"), "EMPLOY");
    EXPECT_EQ(main_->ConfidenceField()->text(), "95");
    EXPECT_EQ(main_->ProbabilityField()->text(), "90");

    // A formula is a value too: 50*2 = 100.
    SetValues({"50*2", "400000", "3000", "2500", "120000", "1958"});
    Calculate();
    EXPECT_NEAR(Number(Label("stPreval")), 71622.19936980297, 1e-4);
    EXPECT_NEAR(Number(Label("stMinPV")), 62110.36683523773, kBoundTolerance);
    EXPECT_NEAR(Number(Label("stMaxPV")), 81134.03190436821, kBoundTolerance);
    EXPECT_NEAR(main_->PredictLower, 62110.36683523773, kBoundTolerance);

    SetPercents("99", "50");
    Calculate();
    EXPECT_NEAR(Number(Label("stPreval")), 71622.19936980297, 1e-4);
    EXPECT_NEAR(Number(Label("stMinPV")), 60143.71270266593, kBoundTolerance);
    EXPECT_NEAR(Number(Label("stMaxPV")), 83100.68603694001, kBoundTolerance);
}

TEST_F(PredictionPageTest, EveryObservationWithItsInterval) {
    OpenLongley();
    TStringGrid* g = main_->PredictionGrid();
    ASSERT_EQ(g->RowCount(), 17);
    EXPECT_EQ(g->Cell(1, 0), "観測値");
    EXPECT_EQ(g->Cell(2, 0), "予測値");
    EXPECT_EQ(g->Cell(3, 0), "区間上限");
    EXPECT_EQ(g->Cell(4, 0), "区間下限");
    const double observed[] = {60323, 61122, 60171, 61187, 63221, 63639, 64989, 63761,
                               66019, 67857, 68169, 66513, 68655, 69564, 69331, 70551};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(g->Cell(0, i + 1), QString::number(i + 1));
        // Every observation lies inside its interval: no marks.
        EXPECT_EQ(g->Cell(1, i + 1).toStdString(), std::to_string(static_cast<int>(observed[i])) + ".0000") << i;
        EXPECT_NEAR(Number(g->Cell(2, i + 1)), kLongleyRows[i][0], 1e-4) << i;
        EXPECT_NEAR(Number(g->Cell(3, i + 1)), kLongleyRows[i][2], kBoundTolerance) << i;
        EXPECT_NEAR(Number(g->Cell(4, i + 1)), kLongleyRows[i][1], kBoundTolerance) << i;
    }
}

TEST_F(PredictionPageTest, ObservationsOutsideTheirIntervalAreMarked) {
    // y on x = 1..10; at confidence 1 % and probability 1 % the intervals are
    // narrow and observations 2, 3, 4, 6, 7, 9 and 10 fall outside.
    auto model = MakeModel({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1.2, 1.9, 3.2, 3.8, 5.1, 6.3, 6.8, 8.1, 9.2, 9.7}}, {},
                           {"X", "Y"});
    ASSERT_TRUE(model->SetModel(1, {2, 0}));
    SaveAs(*model, dir_.Path("line.MDF"));
    Open("line.MDF");
    SetPercents("1", "1");
    main_->tsPredictShow();
    const bool outside[] = {false, true, true, true, false, true, true, false, true, true};
    TStringGrid* g = main_->PredictionGrid();
    for (int i = 0; i < 10; ++i) {
        const std::string text = g->Cell(1, i + 1).toStdString();
        EXPECT_EQ(text.rfind("* ", 0) == 0, outside[i]) << i + 1 << " " << text;
    }
    // At 95 % and 90 % every observation is inside.
    SetPercents("95", "90");
    main_->tsPredictShow();
    for (int i = 0; i < 10; ++i) EXPECT_NE(g->Cell(1, i + 1).toStdString().rfind("* ", 0), 0u) << i + 1;
}

TEST_F(PredictionPageTest, PercentagesOfAHundredAndMoreAreHeldJustBelowOne) {
    OpenLongley();
    SetValues({"100", "400000", "3000", "2500", "120000", "1958"});
    TStringGrid* g = main_->PredictionGrid();
    struct Bounds {
        QString lower, upper, rowUpper;
    };
    auto bounds = [&](const char* confidence, const char* probability) {
        SetPercents(confidence, probability);
        Calculate();
        EXPECT_NEAR(Number(Label("stPreval")), 71622.19936980297, 1e-4) << confidence;
        return Bounds{Label("stMinPV"), Label("stMaxPV"), g->Cell(3, 1)};
    };
    const Bounds usual = bounds("99.99", "99.99");
    // Both fields: 100 % and more are the same largest probability, and the
    // interval stays finite (and wider than at 99.99 %).
    for (const auto& [high, other] : {std::pair{"100", "150"}, std::pair{"150", "1e6"}}) {
        const Bounds a = bounds(high, "99.99"), b = bounds(other, "99.99");
        EXPECT_EQ(a.lower, b.lower) << high;
        EXPECT_EQ(a.upper, b.upper) << high;
        const Bounds c = bounds("99.99", high), d = bounds("99.99", other);
        EXPECT_EQ(c.upper, d.upper) << high;
        for (const Bounds& x : {a, c}) {
            EXPECT_TRUE(std::isfinite(Number(x.lower)) && std::isfinite(Number(x.upper))) << high;
            EXPECT_TRUE(std::isfinite(Number(x.rowUpper))) << high;
            EXPECT_LT(Number(x.lower), Number(usual.lower)) << high;
            EXPECT_GT(Number(x.upper), Number(usual.upper)) << high;
        }
    }
}

TEST_F(PredictionPageTest, AValueThatFailsToEvaluateShowsItsErrorAndNoPrediction) {
    OpenLongley();
    SetValues({"100", "400000", "3000", "2500", "120000", "1958"});
    Calculate();
    const QString before = Label("stPreval");
    for (const char* bad : {"3000+", "(3000", "nosuchname", "1/0"}) {
        SetValues({"100", "400000", bad, "2500", "120000", "1958"});
        ui_.ClearCalls();
        ui_.QueueOK();
        Calculate();
        EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u) << bad;
        EXPECT_EQ(Label("stPreval"), before) << bad;
        EXPECT_NEAR(main_->PredictedValue, 71622.19936980297, 1e-4) << bad;
    }
}

TEST_F(PredictionPageTest, NoIntervalWithoutResidualDegreesOfFreedom) {
    // One observation: the constant alone leaves no degree of freedom. No
    // quantile can be had; the prediction stands and the bounds show "-".
    auto model = MakeModel({{4}, {7}}, {}, {"X", "Y"});
    static_cast<void>(model->SetModel(1, {0, 0}));
    state_.SetModel(std::move(model));
    main_->RefreshAfterLoad();
    main_->mnuPredViewClick();
    ASSERT_EQ(state_.Model()->GetResidualDf(), 0);
    Calculate();
    EXPECT_EQ(Number(Label("stPreval")), 7.0);
    EXPECT_EQ(Label("stMaxPV"), "-");
    EXPECT_EQ(Label("stMinPV"), "-");
    TStringGrid* g = main_->PredictionGrid();
    EXPECT_EQ(g->Cell(1, 1), "7.0000");
    EXPECT_EQ(g->Cell(3, 1), "-");
    EXPECT_EQ(g->Cell(4, 1), "-");
}

TEST_F(PredictionPageTest, ClickedObservationFillsTheValuesAndPredicts) {
    OpenLongley();
    TStringGrid* g = main_->PredictionGrid();
    g->SetCurrentCell(2, 5);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, g->CellRect(2, 5).center());
    TStringGrid* list = main_->VariableListGrid();
    const char* values[] = {"96.2000", "328975.0000", "2099.0000", "3099.0000", "112075.0000", "1951.0000"};
    for (int r = 1; r <= 6; ++r) EXPECT_EQ(list->Cell(1, r).toStdString(), values[r - 1]);
    EXPECT_NEAR(Number(Label("stPreval")), kLongleyRows[4][0], 1e-4);
    EXPECT_NEAR(Number(Label("stMaxPV")), kLongleyRows[4][2], kBoundTolerance);
}

TEST_F(PredictionPageTest, ConversionFormulaGoesToTheToolTips) {
    OpenLongley();
    SetValues({"100", "400000", "3000", "2500", "120000", "1958"});
    Calculate();
    QLabel* upper = main_->PageLabel("stMaxPV");
    QLabel* value = main_->PageLabel("stPreval");
    const QString caption = upper->text();
    QTest::mouseClick(upper, Qt::LeftButton);
    EXPECT_EQ(upper->toolTip(), "");  // no formula yet

    ui_.QueueInput("@@/1000");
    main_->findChild<QPushButton*>("btnChanger")->click();
    EXPECT_EQ(main_->PredictFormula, "@@/1000");
    QTest::mouseClick(upper, Qt::LeftButton);
    EXPECT_NEAR(Number(upper->toolTip()), 81.13403190436821, 1e-3);
    EXPECT_EQ(upper->text(), caption);
    QTest::mouseClick(value, Qt::LeftButton);
    EXPECT_EQ(value->toolTip(), "71.6222");

    ui_.QueueInput("");
    main_->findChild<QPushButton*>("btnChanger")->click();
    QTest::mouseClick(value, Qt::LeftButton);
    EXPECT_EQ(value->toolTip(), "");
}

TEST_F(PredictionPageTest, ASingleVariableDataSetPredictsNothing) {
    auto model = MakeModel({{1, 2, 3}}, {}, {"Y"});
    SaveAs(*model, dir_.Path("single.MDF"));
    Open("single.MDF");
    Calculate();
    EXPECT_EQ(main_->PredictedValue, 0.0);
    EXPECT_EQ(Label("stPreval"), "-");
}

}  // namespace
