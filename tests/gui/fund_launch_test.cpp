// The main window's right click on a residual column opens the univariate
// statistics window on the whole column with the clicked observation marked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "app/application.h"
#include "app/dialogs/property_dialog.h"
#include "app/main_window/main_window.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"
#include "stats/ui/fund_basic_page.h"
#include "stats/ui/fund_window.h"

namespace {

class FundLaunchTest : public StartedWindows {
protected:
    FundLaunchTest() : StartedWindows("fund") {
        main_->resize(900, 600);
        main_->show();
    }
    // The title and the count of the statistics window that opens while
    // the action runs; it is closed at once.
    std::pair<std::string, std::string> ShownBy(const std::function<void()>& action) {
        std::pair<std::string, std::string> shown;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TfrmFund*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            shown = {w->windowTitle().toStdString(), w->tsFund->stNumber->text().toStdString()};
            w->ExitenceExecute();
        });
        action();
        return shown;
    }
};

TEST_F(FundLaunchTest, ResidualColumnRightClickOpensTheWindow) {
    const int n = 30;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i + 1;
        y[i] = 0.5 * (i + 1) + (i % 3 == 0 ? 0.4 : -0.2) + 0.01 * i * i;
    }
    SaveAs(*MakeModel({x, y}, {}, {"X", "Y"}), dir_.Path("data.MDF"));
    main_->OpenAndRemember(dir_.Path("data.MDF"));
    ASSERT_NE(state_.Model(), nullptr);
    main_->mnuCheckViewClick();
    TStringGrid* res = main_->DiagnosticsGrid();

    std::string title, count, marked;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmFund*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        title = w->windowTitle().toStdString();
        count = w->tsFund->stNumber->text().toStdString();
        marked = w->tsFund->stPLOT->text().toStdString();
        w->ExitenceExecute();
    });
    QTest::mouseClick(res->viewport(), Qt::RightButton, Qt::NoModifier, res->CellRect(3, 2).center());
    EXPECT_EQ(title, "単変量統計 --- 残差");
    EXPECT_EQ(count, "30");
    EXPECT_EQ(marked, "2");
}

}  // namespace

namespace {

TEST_F(FundLaunchTest, PropertyDialogShowsTheStatisticsOfTheWorkingValues) {
    SaveAs(*MakeModel({{1, 4, 2, 8, 5, 7}, {2, 2, 3, 3, 4, 5}}, {}, {"X", "Y"}), dir_.Path("small.MDF"));
    main_->OpenAndRemember(dir_.Path("small.MDF"));
    TfrmProperty& dialog = *windows_->frmProperty;
    dialog.SetVarIndex(0);
    dialog.FormShow();
    ASSERT_TRUE(dialog.btnFund->isEnabled());
    const auto shown = ShownBy([&] { dialog.btnFund->click(); });
    EXPECT_EQ(shown.first, "単変量統計 --- X");
    EXPECT_EQ(shown.second, "6");
}

}  // namespace
