// The main road through the program: open the Longley sample, read the
// data, look at the estimates, toggle a variable, change the dependent
// variable, save and reopen from the recent files. Reference values are the
// NIST certified ones and, for the reduced models, exact rational fits.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kNames = {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"};

std::string SourceDir() {
    const char* dir = std::getenv("MERLOX_SOURCE_DIR");
    return dir ? dir : ".";
}

// The 16 observations of Longley.dat: columns in kNames order.
std::vector<std::vector<double>> LongleyColumns() {
    std::ifstream in(SourceDir() + "/tests/data/nist/Longley.dat");
    std::vector<std::vector<double>> cols(7);
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (line == "data") {
            data = true;
            continue;
        }
        if (!data || line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        double v[7];
        for (double& x : v) row >> x;
        for (int j = 0; j < 6; ++j) cols[j].push_back(v[j + 1]);
        cols[6].push_back(v[0]);
    }
    return cols;
}

std::string SamplePath() { return SourceDir() + "/data/samples/Longley.MDF"; }

// Writes the sample: Longley's series, EMPLOY explained by the other six.
const char* const kInfos[] = {"GNPデフレーター（1954年=100）", "国民総生産", "失業者数", "軍隊の人員",
                               "14歳以上の人口", "年", "総雇用者数"};
const char* const kSampleInfo = "Longley の雇用データ（米国 1947-1962年、NIST StRD）";

void WriteSample(const std::string& path) {
    auto model = MakeModel(LongleyColumns(), {}, kNames);
    model->SetName("Longley");
    model->SetInfo(kSampleInfo);
    for (int j = 0; j < 7; ++j) model->SetVarInfo(j, kInfos[j]);
    ASSERT_TRUE(model->SetModel(6, {2, 2, 2, 2, 2, 2, 0}));
    SaveAs(*model, path);
}

// One row of the estimates grid: name, F, b, se, level text, mark, VIF
// (VIF < 0: the variable is outside the model).
struct EstRow {
    const char* name;
    double f, b, se;
    const char* level;
    const char* mark;
    double vif;
};

struct EstPage {
    const char* dependent;
    std::vector<EstRow> rows;  // the constant first
    double sigma, r2, adjR2, press, condition;
    int df;
};

// Full model: NIST certified coefficients and standard errors; F = t^2.
const EstPage kFull = {"EMPLOY",
                       {{"定数項", 0, -3482258.63459582, 890420.383607373, "0.4%", "", 0},
                        {"GNPDEF", 0.0314622553906493, 15.0618722713733, 84.9149257747669, "86.4%", "**", 135.532438280003},
                        {"GNP", 1.14386515280207, -0.0358191792925910, 0.0334910077722432, "31.3%", "* ", 1788.51348271818},
                        {"UNEMP", 17.1100312709747, -2.02022980381683, 0.488399681651699, "0.3%", "", 33.6188905960499},
                        {"ARMED", 23.2515423341518, -1.03322686717359, 0.214274163161675, "0.1%", "", 3.58893019344554},
                        {"POP", 0.0510991200039968, -0.0511041056535807, 0.226073200069370, "82.7%", "**", 399.15102231264},
                        {"YEAR", 16.1273709878262, 1829.15146461355, 455.478499142212, "0.4%", "", 758.980597406895}},
                       304.854073561965, 0.995479004577296, 0.992465007628826, 2886892.54145212, 110.544153442297, 9};
// YEAR taken out.
const EstPage kWithoutYear = {"EMPLOY",
                              {{"定数項", 0, 92461.3078243842, 35169.247883732, "2.6%", "", 0},
                               {"GNPDEF", 0.134289158016612, -48.4628281837989, 132.247746253959, "72.2%", "**", 130.829201340371},
                               {"GNP", 5.14831931703001, 0.0720038493215909, 0.0317338654948459, "4.7%", "", 639.049777250697},
                               {"UNEMP", 0.848156660410768, -0.403871058720306, 0.438535438030538, "37.9%", "* ", 10.7868582202639},
                               {"ARMED", 3.90014346650563, -0.560495582215425, 0.283812750432879, "7.7%", "* ", 2.50577544382751},
                               {"POP", 1.49273638715319, -0.403508681563569, 0.330264066035206, "25.0%", "* ", 339.011692513687},
                               {"YEAR", 16.1273709878262, 0, 0, "", "", -1}},
                              483.242951846507, 0.987377696753271, 0.981066545129907, 5852906.9328339, 61.5302010769817, 10};
// GNP dependent: YEAR is the best single regressor.
const EstPage kGnp = {"GNP",
                      {{"定数項", 0, -40223756.2191176, 1059046.65936317, "0.1%", "", 0},
                       {"GNPDEF", 2.43972640251236, 0, 0, "", "", -1},
                       {"UNEMP", 31.6942538903791, 0, 0, "", "", -1},
                       {"ARMED", 1.85184968118203, 0, 0, "", "", -1},
                       {"POP", 0.396768563689093, 0, 0, "", "", -1},
                       {"YEAR", 1470.51452299655, 20778.4367647059, 541.848919817259, "0.1%", "", 1},
                       {"EMPLOY", 14.6799896609245, 0, 0, "", "", -1}},
                      9991.2004107827, 0.990569307485291, 0.989895686591383, 1811909058.55026, 1, 14};

class MainRoadTest : public StartedWindows {
protected:
    MainRoadTest() : StartedWindows("road") {
        main_->resize(1200, 800);
        main_->show();
        fs::copy_file(SamplePath(), dir_.Path("Longley.MDF"));
    }
    ~MainRoadTest() override {
        if (state_.Model()) state_.Model()->SetModified(false);
    }
    void Open() {
        ui_.QueueFile(dir_.Path("Longley.MDF"));
        main_->Action("LoadFile")->trigger();
        ASSERT_NE(state_.Model(), nullptr);
    }
    std::string Est(int c, int r) const { return main_->EstimateGrid()->Cell(c, r).toStdString(); }
    std::string Label(const char* name) const { return main_->EstimateLabel(name)->text().toStdString(); }

    void ExpectPage(const EstPage& page) {
        TStringGrid* g = main_->EstimateGrid();
        EXPECT_EQ(g->RowCount(), 8);
        EXPECT_EQ(Est(0, 0), page.dependent);
        EXPECT_EQ(Est(1, 0), "Ｆ値");
        EXPECT_EQ(Est(2, 0), "β推定値");
        EXPECT_EQ(Est(3, 0), "β標準誤差");
        EXPECT_EQ(Est(4, 0), "分散拡大要因");
        for (std::size_t i = 0; i < page.rows.size(); ++i) {
            const EstRow& e = page.rows[i];
            const int r = static_cast<int>(i) + 1;
            SCOPED_TRACE(e.name);
            EXPECT_EQ(Est(0, r), e.name);
            EXPECT_EQ(Est(1, r), r == 1 ? "-" : FormatNumber(false, e.f));
            if (r > 1 && e.vif < 0) {
                for (int c = 2; c < 5; ++c) EXPECT_EQ(Est(c, r), "-");
                continue;
            }
            EXPECT_EQ(Est(2, r), FormatNumber(true, e.b));
            EXPECT_EQ(Est(3, r), e.mark + FormatNumber(true, e.se) + " (" + e.level + ")");
            EXPECT_EQ(Est(4, r), r == 1 ? "-" : FormatNumber(false, e.vif));
        }
        EXPECT_EQ(main_->VariableList()->currentText().toStdString(), page.dependent);
        EXPECT_EQ(Label("stVe"), FormatNumber(false, page.sigma));
        EXPECT_EQ(Label("lblRR2"), main_->ShowAdjustedR2 ? "自由度修正済R^2" : "決定係数(R^2)");
        EXPECT_EQ(Label("stRR"), FormatNumber(true, main_->ShowAdjustedR2 ? page.adjR2 : page.r2));
        EXPECT_EQ(Label("stPSS"), FormatNumber(false, page.press));
        EXPECT_EQ(Label("stJoutai"), FormatNumber(false, page.condition));
        EXPECT_EQ(Label("stFDE"), "自由度 = " + std::to_string(page.df));
    }
    QPoint CellCentre(int c, int r) const { return main_->EstimateGrid()->CellRect(c, r).center(); }

};

TEST(SampleData, HoldsTheLongleySeriesWithItsModel) {
    // MERLOX_WRITE_SAMPLE=1 writes the sample file anew from Longley.dat.
    if (std::getenv("MERLOX_WRITE_SAMPLE")) WriteSample(SamplePath());
    Reg reg(3, 2);
    LoadFile(reg, SamplePath());
    const auto cols = LongleyColumns();
    ASSERT_EQ(reg.GetVarCount(), 7);
    ASSERT_EQ(reg.GetObsCount(), 16);
    EXPECT_EQ(reg.GetName(), "Longley");
    EXPECT_EQ(reg.GetInfo(), kSampleInfo);
    for (int j = 0; j < 7; ++j) {
        EXPECT_EQ(reg.GetVarName(j), kNames[j]);
        EXPECT_EQ(reg.GetVarInfo(j), kInfos[j]);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(reg.GetValue(i, j), cols[j][i]);
    }
    EXPECT_EQ(reg.GetDependent(), 6);
    for (int j = 0; j < 6; ++j) EXPECT_TRUE(reg.IsExplanatory(j)) << j;
    EXPECT_NEAR(reg.GetCoef(7), -3482258.63459582, 1e-6 * 3482258.6);
}

TEST_F(MainRoadTest, OpenLookToggleChangeSaveAndReopen) {
    Open();
    // The edit grid: names and values in the program's number format.
    TStringGrid* edit = main_->EditGrid();
    EXPECT_EQ(main_->Pages()->currentIndex(), 0);
    const std::vector<std::string> first = {"83.0000", "234289.0000", "2356.0000", "1590.0000",
                                            "107608.0000", "1947.0000", "60323.0000"};
    const std::vector<std::string> last = {"116.9000", "554894.0000", "4007.0000", "2827.0000",
                                           "130081.0000", "1962.0000", "70551.0000"};
    for (int j = 0; j < 7; ++j) {
        EXPECT_EQ(edit->Cell(j + 1, 0).toStdString(), kNames[j]);
        EXPECT_EQ(edit->Cell(j + 1, 1).toStdString(), first[j]);
        EXPECT_EQ(edit->Cell(j + 1, 16).toStdString(), last[j]);
    }
    EXPECT_EQ(edit->Cell(0, 16).toStdString(), "16");

    main_->Action("mnuSelectView")->trigger();
    ExpectPage(kFull);
    // Seven variables: the selection has something to choose among.
    EXPECT_TRUE(main_->EstimateButton("btnAutoSel")->isEnabled());

    // A click on YEAR takes it out; the status bar gives its interval.
    const QPoint year = CellCentre(0, 7);
    main_->sgEstMouseDown(Qt::LeftButton, {}, year.x(), year.y());
    ExpectPage(kWithoutYear);
    EXPECT_EQ(main_->StatusPanel(0).toStdString().rfind("YEAR : 95.0% 信頼区間 ( ", 0), 0u);
    // ... and a second click puts it back.
    main_->sgEstMouseDown(Qt::LeftButton, {}, year.x(), year.y());
    ExpectPage(kFull);

    emit main_->VariableList()->textActivated(QStringLiteral("GNP"));
    ExpectPage(kGnp);

    ui_.ClearCalls();
    main_->Action("SaveFile")->trigger();
    EXPECT_FALSE(state_.Model()->IsModified());
    // Something else, then the sample again from the recent files.
    state_.Model()->SetValue(0, 0, 1.0);
    state_.Model()->Reestimate(false);
    ui_.QueueNo();
    QAction* recent = main_->RecentMenu()->actions().value(0);
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->data().toString().toStdString(), dir_.Path("Longley.MDF"));
    recent->trigger();
    EXPECT_DOUBLE_EQ(state_.Model()->GetValue(0, 0), 83.0);
    main_->Action("mnuSelectView")->trigger();
    ExpectPage(kGnp);
}

TEST_F(MainRoadTest, StatisticsClicksAndStatusTexts) {
    Open();
    main_->Action("mnuSelectView")->trigger();
    main_->stRRClick();
    EXPECT_TRUE(main_->ShowAdjustedR2);
    ExpectPage(kFull);
    main_->stRRClick();
    EXPECT_EQ(Label("stRR"), FormatNumber(true, kFull.r2));

    main_->stVeClick();
    EXPECT_EQ(main_->StatusPanel(0).toStdString().rfind("回帰標準誤差 : 95.0% 信頼区間 ( ", 0), 0u);

    // Ctrl: the coefficient in exponent form, nothing toggled.
    const QPoint b = CellCentre(2, 4);
    main_->sgEstMouseDown(Qt::LeftButton, Qt::ControlModifier, b.x(), b.y());
    EXPECT_EQ(main_->StatusPanel(0).toStdString(), "β推定値[UNEMP] = " + FormatExponent(7, -2.02022980381683));
    // Right button and the constant: the interval only.
    const QPoint c = CellCentre(0, 3);
    main_->sgEstMouseDown(Qt::RightButton, {}, c.x(), c.y());
    EXPECT_EQ(main_->StatusPanel(0).toStdString().rfind("GNP : 95.0% 信頼区間", 0), 0u);
    const QPoint k = CellCentre(0, 1);
    main_->sgEstMouseDown(Qt::LeftButton, {}, k.x(), k.y());
    ExpectPage(kFull);
    EXPECT_EQ(main_->StatusPanel(0).toStdString().rfind("定数項 : 95.0% 信頼区間", 0), 0u);
}

TEST_F(MainRoadTest, ConfidenceLevelAcceptsLevelsFromZeroToAHundred) {
    struct Row {
        int result;
        const char* text;
        double alpha;  // expected afterwards
    };
    const Row rows[] = {{mrOK, "90", 0.10},  {mrOK, "@@-5", 0.15},      {mrOK, "101", 0.15},
                        {mrOK, "@nofunc(1)", 0.15}, {mrOK, "", 0.15},   {mrCancel, "50", 0.15},
                        {mrOK, "100", 0.0},  {mrOK, "-1", 0.0},         {mrOK, "99.5", 0.005}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ui_.QueueInput(row.result, row.text);
        // A formula that fails shows the engine's error.
        if (std::string(row.text) == "@nofunc(1)") ui_.QueueOK();
        main_->Action("mnuGlobalTolerance")->trigger();
        EXPECT_NEAR(state_.CoefficientAlpha(), row.alpha, 1e-12);
    }
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    EXPECT_EQ(prompts[0].text, "係数信頼度の設定(%)： 現在 = 95.0%");
    EXPECT_EQ(prompts[1].text, "係数信頼度の設定(%)： 現在 = 90.0%");
}

TEST_F(MainRoadTest, AHundredPercentLevelGivesUnboundedIntervals) {
    Open();
    main_->Action("mnuSelectView")->trigger();
    ui_.QueueInput("100");
    main_->Action("mnuGlobalTolerance")->trigger();
    ASSERT_EQ(state_.CoefficientAlpha(), 0.0);
    main_->ToggleEstimateRow(1, false);
    EXPECT_EQ(main_->StatusPanel(0).toStdString(), "定数項 : 100.0% 信頼区間 ( -INF ... INF )");
    main_->stVeClick();
    EXPECT_EQ(main_->StatusPanel(0).toStdString(), "回帰標準誤差 : 100.0% 信頼区間 ( 0 ... INF )");
}

}  // namespace
