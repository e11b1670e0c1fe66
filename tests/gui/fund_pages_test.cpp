// The further pages of the univariate statistics window, checked against
// values worked out beside the program: the rows each grid shows (first,
// last and how many) and how its cells are drawn, the series each chart
// takes, what changes after a typed lag, range or class setting, a switch
// or a join, the lists of a class or a quarter, the trend chosen by name,
// the Yule-Walker button following its window's registration, the box
// plot's drawing and the report file.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <cmath>
#include <sstream>

#include "components/plot/acf_view.h"
#include "components/plot/core/recording_canvas.h"
#include "components/plot/flex_dosu.h"
#include "components/plot/xy_plot.h"
#include "components/view/window_registry.h"
#include "eval/app_state.h"
#include "estimators/yule_walker_request.h"
#include "gui_fixture.h"
#include "painted_grid.h"
#include "platform/qt/string_grid.h"
#include "stats/trend_curves.h"
#include "stats/ui/box_plot_paint.h"
#include "stats/ui/click_label.h"
#include "stats/ui/data_list_dialog.h"
#include "stats/ui/dosu_set_dialog.h"
#include "stats/ui/fund_acf_page.h"
#include "stats/ui/fund_box_page.h"
#include "stats/ui/fund_freq_page.h"
#include "stats/ui/fund_shuki_page.h"
#include "stats/ui/fund_time_page.h"
#include "stats/ui/fund_window.h"
#include "stats/univariate_box_plot.h"
#include "stats/univariate_report.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kSeries = {13.76, 13.45, 16.34, 18.86, 12.11, 13.95, 17.83, 10.45, 14.43, 13.91,
                                     12.21, 13.8,  14.5,  18.02, 16.47, 13.76, 15.68, 17.65, 14.32, 14.89,
                                     15.21, 13.76, 13.05, 13.53, 12.1,  14.74, 13.94, 16.89, 15.59, 13.04};

std::string Text(const QLabel* label) { return label->text().toStdString(); }
std::string Cell(const TStringGrid* g, int c, int r) { return g->Cell(c, r).toStdString(); }

class FundPagesTest : public ::testing::Test {
protected:
    FundPagesTest() {
        TestApp();
        state_.SetServices(&ui_);
    }
    ~FundPagesTest() override { state_.SetServices(nullptr); }

    std::unique_ptr<TfrmFund> Load(const std::vector<double>& values, int observation = 0) {
        auto w = std::make_unique<TfrmFund>(WindowContext(state_));
        const bool filled = w->Fill(WindowRequest(FundamentalStatsRequest{"Z", values, observation}));
        return filled ? std::move(w) : nullptr;
    }

    // The list dialog's run: records its title and observations and
    // chooses the list position given (or none).
    void ChooseInList(TfrmFund& w, int position) {
        w.RunDialog = [this, position](QDialog& d) {
            auto& list = static_cast<TfrmDataList&>(d);
            listName_ = list.Name;
            listed_.clear();
            for (int i = 0; i < list.Count(); ++i) listed_.push_back(list.GetNumber(i));
            listPreselected_ = list.Selected;
            list.Selected = position;
            return QDialog::Accepted;
        };
    }

    ScriptedServices ui_;
    AppState state_;
    std::string listName_;
    std::vector<int> listed_;
    int listPreselected_ = -2;
};

// The trend 0.1, 0.2, ..., 3.0 (observation 16, the one selected, is 1.6).
std::vector<double> Trend() {
    std::vector<double> x(30);
    for (int t = 0; t < 30; ++t) x[static_cast<std::size_t>(t)] = (t + 1) / 10.0;
    return x;
}

TEST_F(FundPagesTest, ResultGridsDrawMarkedValuesInColourAndNumbersRightAligned) {
    auto w = Load(Trend());
    ASSERT_TRUE(w);
    w->resize(900, 700);
    w->show();
    const QColor black(Qt::black), red(255, 0, 0), blue(0, 0, 255);
    struct Case {
        QWidget* page;
        TStringGrid* grid;
        int col, row;
        const char* drawn;
        QColor colour;
        bool header;  // a fixed cell: centred on the button face
    };
    // Autocorrelations of the trend: lag 5 0.5089 beyond 2.5758 / sqrt(30)
    // = 0.4703, lag 6 0.4156 beyond 1.96 / sqrt(30) = 0.3578 only, lag 7
    // 0.3249 within. Periodogram of the standardised trend: reference level
    // 4 / 30; period 26 (0.5277) above 3 times it, 27 (0.7024) above 4.6 times.
    const Case cases[] = {
        {w->tsFreq, w->tsFreq->sgDosu, 1, 0, "区間下限", black, true},
        {w->tsFreq, w->tsFreq->sgDosu, 0, 4, "* 4", black, true},  // the class of the selected observation
        {w->tsFreq, w->tsFreq->sgDosu, 1, 2, "0.3417", black, false},
        {w->tsFreq, w->tsFreq->sgDosu, 4, 4, "4", black, false},
        {w->tsFreq, w->tsFreq->sgDosu, 7, 7, "1.0000", black, false},
        {w->tsTime, w->tsTime->sgData, 1, 0, "データ", black, true},
        {w->tsTime, w->tsTime->sgData, 0, 2, "2", black, true},
        {w->tsTime, w->tsTime->sgData, 1, 2, "0.2000", black, false},
        {w->tsACF, w->tsACF->sgACFData, 2, 0, "PACF", black, true},
        {w->tsACF, w->tsACF->sgACFData, 1, 6, "0.5089", red, false},
        {w->tsACF, w->tsACF->sgACFData, 1, 7, "0.4156", blue, false},
        {w->tsACF, w->tsACF->sgACFData, 1, 8, "0.3249", black, false},
        {w->tsACF, w->tsACF->sgACFData, 2, 2, "0.9000", red, false},
        {w->tsACF, w->tsACF->sgACFData, 2, 3, "-0.0503", black, false},
        {w->tsShuki, w->tsShuki->sgShuki, 0, 0, "周期", black, true},
        {w->tsShuki, w->tsShuki->sgShuki, 1, 25, "0.3634", black, false},
        {w->tsShuki, w->tsShuki->sgShuki, 0, 26, "26", black, true},
        {w->tsShuki, w->tsShuki->sgShuki, 1, 26, "0.5277", blue, false},
        {w->tsShuki, w->tsShuki->sgShuki, 1, 27, "0.7024", red, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.grid->objectName().toStdString() + " " + std::to_string(c.col) + "," + std::to_string(c.row));
        w->PC->setCurrentWidget(c.page);
        QApplication::processEvents();
        if (c.row > c.grid->FixedRows()) c.grid->SetTopRow(std::max(1, c.row - 3));
        const auto cells = PaintedCells(*c.grid);
        const auto it = cells.find({c.col, c.row});
        ASSERT_NE(it, cells.end());
        const PaintedCell& cell = it->second;
        EXPECT_EQ(cell.text.toStdString(), c.drawn);
        EXPECT_EQ(cell.textColour, c.colour);
        const int left = cell.rect.left(), right = cell.rect.left() + cell.rect.width();
        if (c.header) {
            EXPECT_EQ(cell.fill, c.grid->palette().color(QPalette::Button));
            EXPECT_NEAR(cell.textLeft - left, right - cell.textRight, 2);
        } else {
            EXPECT_EQ(cell.fill, QColor(Qt::white));
            EXPECT_NEAR(cell.textRight, right - 5, 1);
        }
    }
}

// The cells of one row of a grid, columns 0 .. columns - 1.
std::vector<std::string> Row(const TStringGrid* g, int r, int columns) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c) row.push_back(Cell(g, c, r));
    return row;
}

using Rows = std::vector<std::vector<std::string>>;

TEST_F(FundPagesTest, FrequencyPageShowsTheClassesAndEditsThem) {
    auto w = Load(Trend(), 4);
    ASSERT_TRUE(w);
    w->PC->setCurrentWidget(w->tsFreq);
    const TStringGrid* g = w->tsFreq->sgDosu;
    auto table = [g] {
        Rows rows;
        for (int r = 0; r < g->RowCount(); ++r) rows.push_back(Row(g, r, 8));
        return rows;
    };
    // 0.1 .. 3.0 in 12 pieces of 2.9 / 12 joined in pairs, the open ends
    // with the outermost; observation 4 (0.4) lies in the second class. The
    // first most frequent classes are a run of two (rows 2 and 3): the mode
    // is where they meet.
    const Rows automatic = {
        {"", "区間下限", "区間上限", "中央値", "度数", "累積", "相対度数", "累積度数"},
        {"1", "-∞", "0.3417", "-", "3", "3", "0.1000", "0.1000"},
        {"* 2", "0.3417", "0.8250", "0.5833", "5", "8", "0.1667", "0.2667"},
        {"3", "0.8250", "1.3083", "1.0667", "5", "13", "0.1667", "0.4333"},
        {"4", "1.3083", "1.7917", "1.5500", "4", "17", "0.1333", "0.5667"},
        {"5", "1.7917", "2.2750", "2.0333", "5", "22", "0.1667", "0.7333"},
        {"6", "2.2750", "2.7583", "2.5167", "5", "27", "0.1667", "0.9000"},
        {"7", "2.7583", "+∞", "-", "3", "30", "0.1000", "1.0000"},
    };
    EXPECT_EQ(table(), automatic);
    EXPECT_EQ(Text(w->tsFreq->stMode), "0.8250");

    // Row 3 joins the class above; the join splits again; the last class
    // has none below to join.
    w->tsFreq->sgDosu->SetCurrentCell(1, 3);
    w->pmBindUpperClick();
    EXPECT_EQ(g->RowCount(), 7);
    EXPECT_EQ(Row(g, 2, 8), (std::vector<std::string>{"* 2", "0.3417", "1.3083", "0.8250", "10", "13", "0.3333",
                                                       "0.4333"}));
    w->tsFreq->sgDosu->SetCurrentCell(1, 2);
    w->pmSeparateClick();
    EXPECT_EQ(table(), automatic);
    w->tsFreq->sgDosu->SetCurrentCell(1, 7);
    w->pmBindLowerClick();
    EXPECT_EQ(table(), automatic);

    TFlexDosu* d = w->tsFreq->Dosu1;
    d->resize(400, 200);
    int x = 0;
    while (x < 400 && d->GetIndex(x, 199) != 1) ++x;
    ASSERT_LT(x, 400);
    // The second class joins the first, then the joined one the next; Alt
    // brings the automatic classes back.
    w->Dosu1MouseDown(Qt::LeftButton, Qt::ControlModifier, x, 199);
    EXPECT_EQ(Row(g, 1, 8), (std::vector<std::string>{"* 1", "-∞", "0.8250", "-", "8", "8", "0.2667", "0.2667"}));
    w->Dosu1MouseDown(Qt::RightButton, Qt::ControlModifier, x, 199);
    EXPECT_EQ(g->RowCount(), 6);
    w->Dosu1MouseDown(Qt::LeftButton, Qt::AltModifier, x, 199);
    EXPECT_EQ(table(), automatic);

    // Manual classes from 0.45 to 2.45, first by their number: left empty,
    // the number is that of the classes on show (6 after a join), not that
    // of the automatic pieces (14). Taken only on OK.
    w->tsFreq->sgDosu->SetCurrentCell(1, 3);
    w->pmBindUpperClick();
    std::string shownCount;
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        w->RunDialog = [ok, &shownCount](QDialog& dialog) {
            auto& set = static_cast<TfrmDosuSet&>(dialog);
            shownCount = set.eRankNumber->text().toStdString();
            set.rgMode->button(1)->setChecked(true);
            set.rgPriority->button(0)->setChecked(true);
            set.eRankNumber->setText("");
            set.eMiniVal->setText("9/20");
            set.eMaxiVal->setText("2.45");
            return ok ? QDialog::Accepted : QDialog::Rejected;
        };
        w->OptionSetExecute();
        EXPECT_EQ(shownCount, "6");
        EXPECT_EQ(g->RowCount(), 7);
    }
    const Rows byCount = {
        {"", "区間下限", "区間上限", "中央値", "度数", "累積", "相対度数", "累積度数"},
        {"* 1", "-∞", "0.4500", "-", "4", "4", "0.1333", "0.1333"},
        {"2", "0.4500", "0.9500", "0.7000", "5", "9", "0.1667", "0.3000"},
        {"3", "0.9500", "1.4500", "1.2000", "5", "14", "0.1667", "0.4667"},
        {"4", "1.4500", "1.9500", "1.7000", "5", "19", "0.1667", "0.6333"},
        {"5", "1.9500", "2.4500", "2.2000", "5", "24", "0.1667", "0.8000"},
        {"6", "2.4500", "+∞", "-", "6", "30", "0.2000", "1.0000"},
    };
    EXPECT_EQ(table(), byCount);

    // Then by their width, 2/5, typed as a formula.
    w->RunDialog = [](QDialog& dialog) {
        auto& set = static_cast<TfrmDosuSet&>(dialog);
        set.rgPriority->button(1)->setChecked(true);
        set.eWidth->setText("2/5");
        return QDialog::Accepted;
    };
    w->OptionSetExecute();
    EXPECT_EQ(g->RowCount(), 8);
    EXPECT_EQ(Row(g, 2, 8), (std::vector<std::string>{"2", "0.4500", "0.8500", "0.6500", "4", "8", "0.1333",
                                                       "0.2667"}));
    EXPECT_EQ(Row(g, 7, 8), (std::vector<std::string>{"7", "2.4500", "+∞", "-", "6", "30", "0.2000", "1.0000"}));
}

TEST_F(FundPagesTest, ClassListChosenByCtrlEnterOrCtrlClickSelectsTheObservation) {
    auto w = Load(Trend(), 1);
    ASSERT_TRUE(w);
    w->PC->setCurrentWidget(w->tsFreq);
    // The click's cell comes from the grid as laid out on the screen.
    w->show();
    QApplication::processEvents();
    TStringGrid* g = w->tsFreq->sgDosu;
    const int row = 2;
    // The second class, 0.3417 .. 0.8250, holds 0.4 .. 0.8.
    const std::vector<int> expected = {3, 4, 5, 6, 7};

    ChooseInList(*w, 0);
    g->SetCurrentCell(1, row);
    w->sgDosuKeyDown(Qt::Key_Return, Qt::NoModifier);  // Enter alone lists nothing
    EXPECT_TRUE(listed_.empty());
    w->sgDosuKeyDown(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(listName_, "第2ランク");
    EXPECT_EQ(listed_, expected);
    EXPECT_EQ(w->Selected(), 3);
    EXPECT_EQ(Cell(g, 0, 2), "* 2");  // the class of the observation chosen

    listed_.clear();
    const QRect cell = g->CellRect(2, row);
    w->sgDosuMouseDown(Qt::LeftButton, Qt::ControlModifier, cell.center().x(), cell.center().y());
    EXPECT_EQ(listed_, expected);
    // The selected observation is found in the list.
    EXPECT_EQ(listPreselected_, 0);
}

TEST_F(FundPagesTest, TimePageFitsTheTrendChosenByName) {
    std::vector<double> y(30);
    for (int t = 0; t < 30; ++t) y[t] = 1.0 / (0.5 + 2.0 * std::exp(-0.3 * t));
    auto w = Load(y, 3);
    ASSERT_TRUE(w);
    w->PC->setCurrentWidget(w->tsTime);
    const TStringGrid* g = w->tsTime->sgData;
    EXPECT_EQ(g->RowCount(), 31);
    EXPECT_EQ(Row(g, 0, 2), (std::vector<std::string>{"", "データ"}));
    EXPECT_EQ(Row(g, 1, 2), (std::vector<std::string>{"1", "0.4000"}));
    EXPECT_EQ(Row(g, 30, 2), (std::vector<std::string>{"30", "1.9987"}));
    EXPECT_EQ(g->Row(), 3);
    EXPECT_EQ(w->tsTime->stLineStyle->text().toStdString(), "直線");
    // The plot takes the observation numbers across and the series up.
    const TXYPlot* plot = w->tsTime->timeseries;
    ASSERT_EQ(plot->Count(), 30);
    EXPECT_EQ(plot->X(0), 1.0);
    EXPECT_EQ(plot->X(29), 30.0);
    EXPECT_EQ(plot->Y(0), y[0]);
    EXPECT_EQ(plot->Y(29), y[29]);
    EXPECT_EQ(plot->SelIndex, 2);
    // A row clicked selects its observation.
    w->tsTime->sgData->SetCurrentCell(1, 10);
    w->sgDataClick();
    EXPECT_EQ(w->Selected(), 9);
    EXPECT_EQ(plot->SelIndex, 9);

    // A name that is none of the nine changes nothing.
    ui_.QueueInput("放物線");
    w->stLineStyleClick();
    EXPECT_EQ(w->Trend()->Model(), 0);
    ui_.QueueInput("ロジスティック曲線");
    w->stLineStyleClick();
    EXPECT_EQ(w->Trend()->Model(), 7);
    EXPECT_EQ(w->tsTime->stLineStyle->text().toStdString(), "ロジスティック曲線");
    const auto prompt = ui_.CallsOf(ServiceCall::Input).at(0);
    EXPECT_EQ(prompt.items.size(), 9u);
    EXPECT_EQ(prompt.initial, "直線");

    TimeSeriesMerlox engine(y.data(), 30);
    ASSERT_TRUE(engine.Fit(7));
    ui_.QueueOK();
    w->tsTime->btnExpresMsg->click();
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, engine.GetFormula());
}

TEST_F(FundPagesTest, AutocorrelationPageShowsTheTestsAndClampsTheTypedLag) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    w->PC->setCurrentWidget(w->tsACF);
    const UnivariateStatistics& s = w->Statistics();
    const TStringGrid* g = w->tsACF->sgACFData;
    const TACFView* chart = w->tsACF->ACF;
    EXPECT_EQ(w->tsACF->eH->text().toStdString(), "7");  // 30 / 4
    EXPECT_EQ(g->RowCount(), 9);
    // Lags 0 .. 7; only lag 0 lies beyond 1.96 / sqrt(30) = 0.3578.
    EXPECT_EQ(Row(g, 0, 3), (std::vector<std::string>{"", "ACF", "PACF"}));
    EXPECT_EQ(Row(g, 1, 3), (std::vector<std::string>{"0", "**1.0000", "**1.0000"}));
    EXPECT_EQ(Row(g, 3, 3), (std::vector<std::string>{"2", "-0.1810", "-0.1823"}));
    EXPECT_EQ(Row(g, 8, 3), (std::vector<std::string>{"7", "-0.1286", "-0.0871"}));
    EXPECT_EQ(Text(w->tsACF->stLimit), "0.3578/0.4703");
    // Ljung-Box 7.2626 on 7 degrees of freedom: upper tail 0.40205.
    EXPECT_EQ(Text(w->tsACF->stQlb), "7.2626 (40.3%)");
    // 212 increasing pairs of 435: z = 0.1963, two-sided level 0.8444.
    EXPECT_EQ(Text(w->tsACF->stP), "0.1963 (84.5%)");
    // The chart shows the autocorrelations from lag 0.
    EXPECT_EQ(chart->MaxLag, 7);
    EXPECT_EQ(chart->FirstLag, 0);
    EXPECT_NEAR(chart->Value(0), 1.0, 1e-15);
    EXPECT_NEAR(chart->Value(7), -0.128564862019424, 1e-12);

    struct Case {
        const char* typed;
        int lag;
    };
    for (const Case& c : {Case{"0", 1}, Case{"1000", 28}, Case{"2*5", 10}}) {
        SCOPED_TRACE(c.typed);
        w->tsACF->eH->setText(c.typed);
        w->eHKeyPress();
        EXPECT_EQ(w->tsACF->eH->text().toStdString(), std::to_string(c.lag));
        EXPECT_EQ(s.randomness.maxLag, c.lag);
        EXPECT_EQ(g->RowCount(), c.lag + 2);
        EXPECT_EQ(chart->MaxLag, c.lag);
    }
    EXPECT_EQ(Row(g, 11, 3), (std::vector<std::string>{"10", "0.0028", "-0.1326"}));
    EXPECT_NEAR(chart->Value(6), -0.15792507059043404, 1e-12);
    // The switch puts the partial autocorrelations on the chart.
    w->tsACF->rbPACF->click();
    EXPECT_FALSE(w->ShowsACF());
    EXPECT_NEAR(chart->Value(6), -0.3290107562323035, 1e-12);
    EXPECT_NEAR(chart->Value(10), -0.13256920905899838, 1e-12);
    w->tsACF->rbACF->click();
    EXPECT_NEAR(chart->Value(6), -0.15792507059043404, 1e-12);

    // A wave its past nearly determines: the recursion at a typed lag shows
    // its values and no message.
    std::vector<double> wave(40);
    for (int t = 0; t < 40; ++t) wave[t] = t % 4 == 0 ? 1.0 : t % 4 == 2 ? -1.0 : 0.0;
    auto v = Load(wave);
    ASSERT_TRUE(v);
    v->tsACF->eH->setText("12");
    v->eHKeyPress();
    EXPECT_EQ(v->Statistics().randomness.maxLag, 12);
    EXPECT_FALSE(Cell(v->tsACF->sgACFData, 2, 13).empty());
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(FundPagesTest, YuleWalkerButtonFollowsTheRegistrationOfItsWindow) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->tsACF->btnYWEst->isEnabled());
    YuleWalkerRequest received;
    {
        ScopedAnalysisWindow yw("TfrmYWEst", [&received](const WindowContext&) -> std::unique_ptr<AnalysisWindow> {
            struct Probe : RequestWindow<YuleWalkerRequest> {
                YuleWalkerRequest* out;
                explicit Probe(YuleWalkerRequest* o) : out(o) {}
                using RequestWindow<YuleWalkerRequest>::Fill;
                bool Fill(const YuleWalkerRequest& r) override {
                    *out = r;
                    return false;  // nothing to show: the test never blocks
                }
                int ShowModal() override { return 0; }
            };
            return std::make_unique<Probe>(&received);
        });
        EXPECT_TRUE(w->tsACF->btnYWEst->isEnabled());
        w->btnYWEstClick();
    }
    EXPECT_FALSE(w->tsACF->btnYWEst->isEnabled());
    EXPECT_EQ(received.name, "Z");
    EXPECT_EQ(received.values, kSeries);
    // No partial autocorrelation beyond 1.96 / sqrt(30) after lag 0: order 1.
    EXPECT_EQ(received.order, 1);
}

TEST_F(FundPagesTest, PeriodogramPageShowsTheTypedRangeAndSaysWhenItIsEmpty) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    w->PC->setCurrentWidget(w->tsShuki);
    const TStringGrid* g = w->tsShuki->sgShuki;
    const TACFView* chart = w->tsShuki->shuki;
    // Periods 1 .. 30; the largest intensity, 0.3970 at period 13, stays
    // below 3 times the reference level 4 / 30.
    EXPECT_EQ(g->RowCount(), 31);
    EXPECT_EQ(Row(g, 0, 2), (std::vector<std::string>{"周期", "強度"}));
    EXPECT_EQ(Row(g, 1, 2), (std::vector<std::string>{"1", "0"}));
    EXPECT_EQ(Row(g, 13, 2), (std::vector<std::string>{"13", "0.3970"}));
    EXPECT_EQ(Row(g, 30, 2), (std::vector<std::string>{"30", "0.0209"}));
    EXPECT_EQ(chart->FirstLag, 0);
    EXPECT_NEAR(chart->FixedUpper, 0.39695146828962063, 1e-12);
    EXPECT_NEAR(chart->Value(13), 0.39695146828962063, 1e-12);
    EXPECT_NEAR(chart->Value(30), 0.020877862275884933, 1e-12);

    struct Case {
        const char* typed;
        int first, rows;  // periods shown
    };
    const Case cases[] = {{"[4..9]", 4, 6}, {"10", 1, 10}, {"5000", 1, 2000}, {"[3000..4000]", 3000, 0},
                          {"", 3000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ui_.QueueInput(c.typed);
        w->OptionSetExecute();
        EXPECT_EQ(g->RowCount(), c.rows + 1);
        EXPECT_EQ(w->Periodogram().firstPeriod, c.first);
        EXPECT_EQ(w->tsShuki->lblEmpty->isVisibleTo(w->tsShuki), c.rows == 0);
        if (c.rows > 0) {
            EXPECT_EQ(Cell(g, 0, 1), std::to_string(c.first));
            EXPECT_EQ(Cell(g, 0, c.rows), std::to_string(c.first + c.rows - 1));
            EXPECT_EQ(chart->FirstLag, c.first - 1);
        }
        if (std::string(c.typed) == "[4..9]") {
            EXPECT_EQ(Row(g, 1, 2), (std::vector<std::string>{"4", "0.0385"}));
            EXPECT_EQ(Row(g, 6, 2), (std::vector<std::string>{"9", "0.0106"}));
            EXPECT_NEAR(chart->Value(1), 0.03852180901051209, 1e-12);
            EXPECT_NEAR(chart->Value(6), 0.01055217680738902, 1e-12);
            EXPECT_NEAR(chart->FixedUpper, 0.1817250023923056, 1e-12);  // period 5
        }
    }
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).at(0).text, "最高周期数");
}

TEST_F(FundPagesTest, BoxPlotPageShowsTheNumbersAndListsTheQuarters) {
    // Observation 10,501 is the one outlier, beyond the upper fence.
    std::vector<double> x(12001);
    for (int i = 0; i < 12001; ++i) x[i] = (i * 7919) % 12001;
    x[10500] = 1e6;
    auto w = Load(x);
    ASSERT_TRUE(w);
    w->PC->setCurrentWidget(w->tsBoxPlot);
    TfsBoxPage* p = w->tsBoxPlot;
    // The values 0 .. 12000 without 6572, and 1e6: hinges 3000 and 9001.
    const std::vector<std::pair<const QLabel*, std::string>> fields = {
        {p->stQuartile0, "0"},          {p->stQuartile1, "3000.0000"}, {p->stQuartile2, "6000.0000"},
        {p->stQuartile3, "9001.0000"},  {p->stQuartile4, "1.0000e+6"}, {p->stQR, "6001.0000"},
        {p->stQRL, "-"},                {p->stQRH, "18002.5000"},       {p->stMAD, "3083.0287"},
    };
    for (const auto& [label, text] : fields) EXPECT_EQ(Text(label), text) << label->objectName().toStdString();
    ASSERT_EQ(p->lbList->count(), 1);
    EXPECT_EQ(p->lbList->item(0)->text().toStdString(), "10501 :    1000000.000000 --- 0");
    p->lbList->setCurrentRow(0);
    w->lbListClick();
    EXPECT_EQ(w->Selected(), 10500);

    // Clicks on the box: quarters by their segments, nothing outside.
    p->pbBox->resize(600, 150);
    ChooseInList(*w, -1);
    w->pbBoxMouseDown(5);
    EXPECT_TRUE(listed_.empty());
    w->pbBoxMouseDown(10);
    EXPECT_EQ(listName_, "第0四分位");
    // Values 0 .. 3000, both ends included, in observation order.
    ASSERT_EQ(listed_.size(), 3001u);
    EXPECT_EQ((std::vector<int>(listed_.begin(), listed_.begin() + 3)), (std::vector<int>{0, 14, 17}));
    EXPECT_EQ((std::vector<int>(listed_.end() - 3, listed_.end())), (std::vector<int>{11992, 11995, 11998}));
    EXPECT_EQ(w->Selected(), 10500);
}

TEST(BoxPlotPaint, OutliersAreNumberedInHexadecimalOnTwoRows) {
    BoxPlotNumbers b;
    b.minimum = 0, b.lowerHinge = 40, b.median = 50, b.upperHinge = 60, b.maximum = 100;
    b.lowerFence = 25, b.upperFence = 75;
    for (int i = 0; i < 18; ++i) b.outliers.push_back({i, i < 9 ? 1.0 + i : 80.0 + i, i});
    RecordingCanvas canvas;
    PaintBoxPlot(canvas, b, 220, 150);
    // Scale 2 pixels per unit from column 10; the middle row at 140 / 2.
    ASSERT_EQ(canvas.texts.size(), 18u);
    EXPECT_EQ(canvas.texts[10].text, "A");
    EXPECT_EQ(canvas.texts[10].x, 10 + 2 * 90 - 2);
    EXPECT_EQ(canvas.texts[15].y, 70 + 20);
    EXPECT_EQ(canvas.texts[16].text, "10");
    EXPECT_EQ(canvas.texts[16].y, 70 + 40);
    // Quarters under a column: the first segment wins on a border.
    struct Case {
        int x, quarter;
    };
    for (const Case& c : {Case{9, -1}, Case{10, 0}, Case{90, 0}, Case{91, 1}, Case{110, 1}, Case{210, 3},
                          Case{211, -1}})
        EXPECT_EQ(BoxPlotQuarterAt(b, 220, c.x), c.quarter) << c.x;
}

TEST_F(FundPagesTest, ReportFileHoldsTheEnginesTextAndAFailedWriteIsReported) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    ScratchFolder dir("fund_report");
    UnivariateReportInput in;
    in.name = "Z";
    in.stats = &w->Statistics();
    in.frequency = w->CurrentFrequencyTable();
    in.periodEnd = w->PeriodEnd();
    std::ostringstream engine;
    WriteUnivariateReport(engine, in);

    ui_.QueueFile(dir.Path("report.TXT"));
    w->TextSave->trigger();
    EXPECT_EQ(ReadText(dir.Path("report.TXT")), engine.str());
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
    EXPECT_EQ(ui_.CallsOf(ServiceCall::ProgressBegin).back().text, "データの書き込み中・・・");

    // Cancelled, unwritable and full: nothing is ever reported as written.
    const std::string unwritable = dir.Path("missing/report.TXT");
    for (const std::string& path : {std::string(), unwritable, std::string("/dev/full")}) {
        SCOPED_TRACE(path);
        ui_.ClearCalls();
        ui_.QueueFile(path);
        if (!path.empty()) ui_.QueueOK();
        w->TextSaveExecute();
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), path.empty() ? 0u : 1u);
        if (!path.empty()) {
            EXPECT_EQ(boxes[0].msgKind, MsgKind::Error);
            EXPECT_NE(boxes[0].text.find(path == unwritable ? "作成できません" : "書き込"), std::string::npos);
        }
        EXPECT_EQ(ui_.ProgressDepth(), 0);
    }
    EXPECT_TRUE(w->Loaded());
}

}  // namespace
