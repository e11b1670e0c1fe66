// How long the main road takes on a large data set: opening a file of
// 1,000,000 observations of 20 variables and showing the estimates page,
// then one toggle with its page refresh. The times are printed, not
// judged; the test checks that the work was done.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <cstdio>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "platform/qt/string_grid.h"
#include "support/scripted_services.h"

namespace {

TEST(EstimatesSpeed, MillionObservationsOpenAndToggle) {
    TestApp();
    ScratchFolder dir("speed");
    constexpr int n = 1000000, k = 20;
    {
        Reg big(n, k, "BIG");
        std::uint64_t s = 12345;
        for (int j = 0; j < k; ++j)
            for (int i = 0; i < n; ++i) {
                s = s * 6364136223846793005ULL + 1442695040888963407ULL;
                big.SetValue(i, j, static_cast<double>(s >> 11) / 9007199254740992.0 + (j == k - 1 ? 0.0 : j));
            }
        std::vector<std::uint8_t> roles(k, 2);
        roles[k - 1] = 0;
        ASSERT_TRUE(big.SetModel(k - 1, roles));
        SaveAs(big, dir.Path("big.MDF"));
    }
    ScriptedServices ui;
    ui.SetFailOnUnusedAnswers(false);
    AppState state;
    state.SetServices(&ui);
    WriteText(dir.Path("MERLOX.ini"), "[DIR]\ndata=" + dir.Path() + "\n");
    {
        auto windows = StartApplication(state, nullptr, dir.Path("MERLOX.ini"), {});
        TfrmREG* main = windows->frmREG.get();
        main->resize(1200, 800);
        main->show();

        QElapsedTimer timer;
        timer.start();
        main->OpenAndRemember(dir.Path("big.MDF"));
        main->Action("mnuSelectView")->trigger();
        const double openMs = timer.nsecsElapsed() / 1e6;
        ASSERT_NE(state.Model(), nullptr);
        ASSERT_EQ(state.Model()->GetObsCount(), n);
        EXPECT_EQ(main->EstimateGrid()->Cell(0, 2).toStdString(), "VAR0");

        timer.restart();
        main->ToggleEstimateRow(2, true);
        const double toggleMs = timer.nsecsElapsed() / 1e6;
        EXPECT_EQ(main->EstimateGrid()->Cell(2, 2).toStdString(), "-");
        std::printf("[ speed ] open and estimates page: %.1f ms; toggle and refresh: %.1f ms\n", openMs, toggleMs);
        state.Model()->SetModified(false);
        windows.reset();
    }
    state.SetServices(nullptr);
}

}  // namespace
