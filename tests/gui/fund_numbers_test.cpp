// The statistics of a column with an observation left out: r(i) of y on x1,
// x3 and a dummy of observation 5, whose leverage is 1. Every value keeps
// its own observation's number on every page of the statistics window, and
// the observation left out leaves a gap in the time plot.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

#include <sstream>

#include "components/plot/xy_plot.h"
#include "core/data/variable.h"
#include "core/model/regression_model.h"
#include "modal_window.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"
#include "stats/ui/data_list_dialog.h"
#include "stats/ui/fund_basic_page.h"
#include "stats/ui/fund_time_page.h"
#include "stats/ui/fund_window.h"
#include "support/sample_columns.h"

namespace {

using Texts = std::vector<std::string>;
const Texts kKept = {"1", "2", "3", "4", "6", "7", "8", "9", "10", "11", "12"};
const Texts kNotice = {"観測値 5 は作用点が 1 で数値にならないため、除いて計算します。"};

std::string Text(const QLabel* label) { return label->text().toStdString(); }

std::string RowText(const TStringGrid& g, int r) {
    return g.Cell(0, r).toStdString() + " " + g.Cell(1, r).toStdString();
}

class FundNumbersTest : public StartedWindows {
protected:
    FundNumbersTest() : StartedWindows("fundnumbers") {
        main_->resize(1400, 700);
        main_->show();
    }
    // y on x1, x3 and d, d = 1 at observation 5 alone.
    void OpenDummyModel() {
        SaveAs(*MakeModel(WithDummy(TwelveRows(), 2, 4), {}, {"x1", "x3", "d", "y"}), dir_.Path("d.MDF"));
        main_->OpenAndRemember(dir_.Path("d.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(3);
        for (int j = 0; j < 3; ++j) EXPECT_TRUE(m->ToggleVariable(j));
        main_->mnuCheckViewClick();
        ui_.ClearCalls();
    }
};

TEST_F(FundNumbersTest, RightClickOnRowEightOfRiNumbersEachValueByItsObservation) {
    OpenDummyModel();
    TStringGrid* res = main_->DiagnosticsGrid();
    ASSERT_EQ(res->Cell(7, 0).toStdString(), "r(i)");
    ui_.QueueOK();  // the notice
    const bool opened = WhileModal<TfrmFund>(
        [&] { QTest::mouseClick(res->viewport(), Qt::RightButton, Qt::NoModifier, res->CellRect(7, 8).center()); },
        [&](TfrmFund& w) {
            EXPECT_EQ(w.windowTitle().toStdString(), "単変量統計 --- r(i)");
            EXPECT_EQ(Text(w.tsFund->stNumber), "11");
            EXPECT_EQ(Text(w.tsFund->stPLOT), "8");
            // Stepping passes over the observation left out.
            Texts stepped;
            w.FowardExecute();
            stepped.push_back(Text(w.tsFund->stPLOT));
            for (int i = 0; i < 4; ++i) {
                w.BackwardExecute();
                stepped.push_back(Text(w.tsFund->stPLOT));
            }
            EXPECT_EQ(stepped, (Texts{"9", "8", "7", "6", "4"}));
            // A typed number chooses that observation; the one left out, none.
            ui_.QueueInput("5");
            w.stPLOTClick();
            EXPECT_EQ(Text(w.tsFund->stPLOT), "4");
            ui_.QueueInput("12");
            w.stPLOTClick();
            EXPECT_EQ(Text(w.tsFund->stPLOT), "12");

            // The time page: its list and the plot's time axis.
            w.PC->setCurrentWidget(w.tsTime);
            const TStringGrid& list = *w.tsTime->sgData;
            ASSERT_EQ(list.RowCount(), 12);
            Texts numbers;
            for (int r = 1; r < list.RowCount(); ++r) numbers.push_back(list.Cell(0, r).toStdString());
            EXPECT_EQ(numbers, kKept);
            EXPECT_EQ(RowText(list, 5), "6 0.7116");
            const TXYPlot& plot = *w.tsTime->timeseries;
            ASSERT_EQ(plot.Count(), 11);
            std::vector<double> times;
            for (int i = 0; i < plot.Count(); ++i) times.push_back(plot.X(i));
            EXPECT_EQ(times, (std::vector<double>{1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12}));

            // The list of the third quarter of the box plot: median to upper
            // hinge; observation 6 chosen there is the one selected.
            Texts listed;
            w.RunDialog = [&](QDialog& d) {
                auto& dialog = static_cast<TfrmDataList&>(d);
                dialog.FormShow();
                for (int r = 1; r <= dialog.Count(); ++r) listed.push_back(RowText(*dialog.sgData, r));
                dialog.Selected = 1;
                return QDialog::Accepted;
            };
            w.ShowDataList(2, TfrmFund::ListKind::Quarter);
            EXPECT_EQ(listed, (Texts{"3 0.4130", "6 0.7116", "10 -0.1237"}));
            w.PC->setCurrentWidget(w.tsFund);
            EXPECT_EQ(Text(w.tsFund->stPLOT), "6");

            // The report's data rows: the observation-number column.
            ui_.QueueFile(dir_.Path("r.TXT"));
            w.TextSave->trigger();
            std::istringstream report(ReadText(dir_.Path("r.TXT")));
            std::string line;
            for (int i = 0; i < 3; ++i) std::getline(report, line);  // title, section, column titles
            Texts reported;
            for (int i = 0; i < 6 && std::getline(report, line); ++i) reported.push_back(line.substr(12, 4));
            EXPECT_EQ(reported, (Texts{"   1", "   2", "   3", "   4", "   6", "   7"}));
        });
    EXPECT_TRUE(opened);
    EXPECT_EQ(ui_.MessageTexts(), kNotice);
}

}  // namespace
