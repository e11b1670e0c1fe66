// 主成分分析 and 表示 → 相関行列 on a data set holding a variable whose sum of
// squares overflows: one box in the main fit's words, and no window opens.
#include <gtest/gtest.h>

#include <QAction>

#include <string>
#include <vector>

#include "app/main_window/main_window.h"
#include "core/model/regression_model.h"
#include "modal_window.h"
#include "started_windows.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

struct OverflowingAnalysisLaunchTest : StartedWindows {
    OverflowingAnalysisLaunchTest() : StartedWindows("overflowlaunch") {}
};

TEST_F(OverflowingAnalysisLaunchTest, BothCommandsRefuseWithTheFitsMessageAndOpenNothing) {
    const struct {
        Columns columns;
        std::vector<std::string> names;
        int dependent;
        std::vector<std::uint8_t> roles;  // constant last
        int column, row;                  // where 1e200 goes
        std::string refusal;
    } files[] = {
            // EMPLOY on the other six, refused as the file opens.
            {LongleyColumns(), {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"}, 6,
             {2, 2, 2, 2, 2, 2, 1, 2}, 1, 4, "変数 GNP の平方和が有限の数値になりません。"},
            // y on x3: x1 is outside the model, whose fit stands.
            {TwelveRows(), {"x1", "x3", "y"}, 2, {0, 2, 1, 2}, 0, 1, "変数 x1 の平方和が有限の数値になりません。"},
    };
    ui_.SetAcknowledgeErrors(true);
    for (const auto& f : files) {
        auto model = MakeModel(f.columns, {}, f.names);
        ASSERT_TRUE(model->SetModel(f.dependent, f.roles));
        model->SetValue(f.row, f.column, 1e200);
        SaveAs(*model, dir_.Path("overflow.MDF"));
        main_->OpenAndRemember(dir_.Path("overflow.MDF"));
        for (const char* command : {"PCARun", "RelMatView"}) {
            SCOPED_TRACE(f.refusal + " " + command);
            ui_.ClearCalls();
            QAction* a = main_->Action(command);
            ASSERT_TRUE(a && a->isEnabled());
            EXPECT_EQ(ModalClassClosed([a] { a->trigger(); }), "");
            EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{f.refusal});
        }
    }
}

}  // namespace
