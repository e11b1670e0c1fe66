// The further pages of the univariate statistics window: each page shows
// the engine's values (one cell compared per page) and the tests keep to
// what only the window decides: joining, splitting and resetting classes,
// the lists of a class or a quarter, the lag and period ranges typed, the
// trend chosen by name, the Yule-Walker button following its window's
// registration, the box plot's drawing and the report file.
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

// The trend 0.1, 0.2, ..., 3.0.
std::vector<double> Trend() {
    std::vector<double> x(30);
    for (int t = 0; t < 30; ++t) x[static_cast<std::size_t>(t)] = (t + 1) / 10.0;
    return x;
}

// A row's cells joined by spaces; a grid's row count with its first and last row.
std::string RowText(const TStringGrid* g, int r) {
    std::string s = Cell(g, 0, r);
    for (int c = 1; c < g->ColCount(); ++c) s += " " + Cell(g, c, r);
    return s;
}
std::string Shown(const TStringGrid* g) {
    return std::to_string(g->RowCount()) + ": " + RowText(g, 1) + " ... " + RowText(g, g->RowCount() - 1);
}

TEST_F(FundPagesTest, ResultGridsDrawMarkedValuesInColourAndNumbersRightAligned) {
    auto w = Load(Trend());
    ASSERT_TRUE(w);
    w->resize(900, 700);
    w->show();
    // The trend's autocorrelation at lag 5 lies beyond the 1 % limit; its
    // periodogram at period 26 above 3 times the reference level.
    struct Case {
        QWidget* page;
        TStringGrid* grid;
        int col, row;
        const char* drawn;
        QColor colour;
    };
    const Case cases[] = {
        {w->tsFreq, w->tsFreq->sgDosu, 1, 2, "0.3417", Qt::black},
        {w->tsTime, w->tsTime->sgData, 1, 2, "0.2000", Qt::black},
        {w->tsACF, w->tsACF->sgACFData, 1, 6, "0.5089", QColor(255, 0, 0)},
        {w->tsShuki, w->tsShuki->sgShuki, 1, 26, "0.5277", QColor(0, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drawn);
        w->PC->setCurrentWidget(c.page);
        QApplication::processEvents();
        c.grid->SetTopRow(std::max(1, c.row - 3));
        const PaintedCell cell = Painted(*c.grid, c.col, c.row);
        EXPECT_EQ(cell.text.toStdString(), c.drawn);
        EXPECT_EQ(cell.colour, c.colour);
        const QRect rect = c.grid->CellRect(c.col, c.row);
        EXPECT_NEAR(cell.right, rect.left() + rect.width() - 5, 1);
    }
}

TEST_F(FundPagesTest, FrequencyPageShowsTheHistogramsClassesAndEditsThem) {
    auto w = Load(Trend(), 4);
    ASSERT_TRUE(w);
    w->PC->setCurrentWidget(w->tsFreq);
    TFlexDosu* d = w->tsFreq->Dosu1;
    const TStringGrid* g = w->tsFreq->sgDosu;
    const std::string automatic = "8: 1 -∞ 0.3417 - 3 3 0.1000 0.1000 ... 7 2.7583 +∞ - 3 30 0.1000 1.0000";
    EXPECT_EQ(Shown(g), automatic);
    EXPECT_EQ(Cell(g, 1, 0), "区間下限");
    EXPECT_EQ(Text(w->tsFreq->stMode), "0.8250");
    // Observation 4 (0.4) lies in the second class.
    EXPECT_EQ(Cell(g, 0, 2), "* 2");

    // Row 3 joins the class above; the join splits again; Alt+click on
    // the histogram brings the automatic classes back.
    w->tsFreq->sgDosu->SetCurrentCell(1, 3);
    w->pmBindUpperClick();
    EXPECT_EQ(RowText(g, 2), "* 2 0.3417 1.3083 0.8250 10 13 0.3333 0.4333");
    w->tsFreq->sgDosu->SetCurrentCell(1, 2);
    w->pmSeparateClick();
    EXPECT_EQ(Shown(g), automatic);
    w->tsFreq->sgDosu->SetCurrentCell(1, 7);
    w->pmBindLowerClick();  // the last class has none below
    EXPECT_EQ(Shown(g), automatic);

    d->resize(400, 200);
    int x = 0;
    while (x < 400 && d->GetIndex(x, 199) != 1) ++x;
    ASSERT_LT(x, 400);
    // The second class joins the first, then the joined one the next.
    w->Dosu1MouseDown(Qt::LeftButton, Qt::ControlModifier, x, 199);
    EXPECT_EQ(RowText(g, 1), "* 1 -∞ 0.8250 - 8 8 0.2667 0.2667");
    w->Dosu1MouseDown(Qt::RightButton, Qt::ControlModifier, x, 199);
    EXPECT_EQ(g->RowCount(), 6);
    w->Dosu1MouseDown(Qt::LeftButton, Qt::AltModifier, x, 199);
    EXPECT_EQ(Shown(g), automatic);

    // The settings: manual classes from 0.45 to 2.45 (typed as formulas),
    // taken only on OK; an empty count keeps the 6 classes on show after a
    // join, not the pieces of the automatic division.
    w->tsFreq->sgDosu->SetCurrentCell(1, 3);
    w->pmBindUpperClick();
    for (bool ok : {false, true}) {
        w->RunDialog = [ok](QDialog& dialog) {
            auto& set = static_cast<TfrmDosuSet&>(dialog);
            set.rgMode->button(1)->setChecked(true);
            set.rgPriority->button(0)->setChecked(true);
            set.eRankNumber->setText("");
            set.eMiniVal->setText("9/20");
            set.eMaxiVal->setText("2.45");
            return ok ? QDialog::Accepted : QDialog::Rejected;
        };
        w->OptionSetExecute();
        EXPECT_EQ(RowText(g, 1), ok ? "* 1 -∞ 0.4500 - 4 4 0.1333 0.1333" : "1 -∞ 0.3417 - 3 3 0.1000 0.1000");
    }
    EXPECT_EQ(Shown(g), "7: * 1 -∞ 0.4500 - 4 4 0.1333 0.1333 ... 6 2.4500 +∞ - 6 30 0.2000 1.0000");
    // Then by their width, 2/5.
    w->RunDialog = [](QDialog& dialog) {
        auto& set = static_cast<TfrmDosuSet&>(dialog);
        set.rgPriority->button(1)->setChecked(true);
        set.eWidth->setText("2/5");
        return QDialog::Accepted;
    };
    w->OptionSetExecute();
    EXPECT_EQ(g->RowCount(), 8);
    EXPECT_EQ(RowText(g, 2), "2 0.4500 0.8500 0.6500 4 8 0.1333 0.2667");
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
    const std::vector<int> expected = {3, 4, 5, 6, 7};  // 0.4 .. 0.8

    ChooseInList(*w, 0);
    g->SetCurrentCell(1, row);
    w->sgDosuKeyDown(Qt::Key_Return, Qt::NoModifier);  // Enter alone lists nothing
    EXPECT_TRUE(listed_.empty());
    w->sgDosuKeyDown(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(listName_, "第2ランク");
    EXPECT_EQ(listed_, expected);
    EXPECT_EQ(w->Selected(), expected[0]);

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
    EXPECT_EQ(Cell(w->tsTime->sgData, 1, 0), "データ");
    EXPECT_EQ(Shown(w->tsTime->sgData), "31: 1 0.4000 ... 30 1.9987");
    EXPECT_EQ(w->tsTime->sgData->Row(), 3);
    EXPECT_EQ(w->tsTime->stLineStyle->text().toStdString(), "直線");
    const TXYPlot* plot = w->tsTime->timeseries;
    ASSERT_EQ(plot->Count(), 30);
    EXPECT_EQ(plot->X(0), 1.0);
    EXPECT_DOUBLE_EQ(plot->Y(0), 0.4);  // 1 / (0.5 + 2)
    EXPECT_EQ(plot->X(29), 30.0);
    EXPECT_EQ(plot->Y(29), y[29]);

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
    EXPECT_EQ(Shown(g), "9: 0 **1.0000 **1.0000 ... 7 -0.1286 -0.0871");
    EXPECT_EQ(Text(w->tsACF->stQlb), "7.2626 (40.3%)");
    EXPECT_EQ(Text(w->tsACF->stP), "0.1963 (84.5%)");
    EXPECT_EQ(Text(w->tsACF->stLimit), "0.3578/0.4703");
    // The chart's bars, lag 0 to 7.
    ASSERT_EQ(chart->MaxLag, 7);
    EXPECT_EQ(chart->SampleSize, 30);
    EXPECT_DOUBLE_EQ(chart->Value(0), 1.0);
    EXPECT_NEAR(chart->Value(7), -0.12856486201942401, 1e-12);

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
    w->tsACF->rbPACF->click();
    EXPECT_FALSE(w->ShowsACF());
    EXPECT_NEAR(chart->Value(6), -0.3290107562323035, 1e-12);  // PACF at lag 6

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
    EXPECT_EQ(received.order, 1);
}

TEST_F(FundPagesTest, PeriodogramPageShowsTheTypedRangeAndSaysWhenItIsEmpty) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    w->PC->setCurrentWidget(w->tsShuki);
    const TStringGrid* g = w->tsShuki->sgShuki;
    const TACFView* chart = w->tsShuki->shuki;
    EXPECT_EQ(Shown(g), "31: 1 0 ... 30 0.0209");

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
            EXPECT_EQ(chart->FirstLag, c.first - 1);
        }
        if (c.first == 4) {
            EXPECT_EQ(Shown(g), "7: 4 0.0385 ... 9 0.0106");
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
    EXPECT_EQ(Text(p->stQuartile2), "6000.0000");
    EXPECT_EQ(Text(p->stQRL), "-");
    EXPECT_EQ(Text(p->stQRH), "18002.5000");
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
    // Values 0 .. 3000, in observation order.
    ASSERT_EQ(listed_.size(), 3001u);
    EXPECT_EQ(listed_.front(), 0);
    EXPECT_EQ(listed_.back(), 11998);
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
