// 主成分分析 and 表示 → 相関行列 on a data set holding a variable whose sum of
// squares overflows: one box in the main fit's words, and no window opens.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <string>
#include <vector>

#include "app/main_window/main_window.h"
#include "core/model/regression_model.h"
#include "modal_window.h"
#include "started_windows.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

using Strings = std::vector<std::string>;

struct DataFile {
    const char* label;
    Columns columns;
    Strings names;
    int dependent;
    std::vector<std::uint8_t> roles;  // constant last
    int column, row;                  // where 1e200 goes
    const char* refusal;
};

class OverflowingAnalysisLaunchTest : public StartedWindows {
protected:
    OverflowingAnalysisLaunchTest() : StartedWindows("overflowlaunch") {}

    void Open(const DataFile& f) {
        auto model = MakeModel(f.columns, {}, f.names);
        ASSERT_TRUE(model->SetModel(f.dependent, f.roles));
        model->SetValue(f.row, f.column, 1e200);
        SaveAs(*model, dir_.Path("overflow.MDF"));
        ui_.SetAcknowledgeErrors(true);
        main_->OpenAndRemember(dir_.Path("overflow.MDF"));
        ASSERT_NE(state_.Model(), nullptr);
        ui_.ClearCalls();
    }

    // Runs the command; whatever window it runs modally is closed at once
    // and its class returned.
    std::string Run(const char* command) {
        return ModalClassClosed([&] {
            QAction* a = main_->Action(command);
            EXPECT_TRUE(a && a->isEnabled()) << command;
            if (a) a->trigger();
        });
    }
};

TEST_F(OverflowingAnalysisLaunchTest, BothCommandsRefuseWithTheFitsMessageAndOpenNothing) {
    const DataFile files[] = {
            // EMPLOY on the other six, refused as the file opens.
            {"Longley, GNP[5]",
             LongleyColumns(),
             {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"},
             6,
             {2, 2, 2, 2, 2, 2, 1, 2},
             1,
             4,
             "変数 GNP の平方和が有限の数値になりません。"},
            // y on x3: x1 is outside the model, whose fit stands.
            {"twelve rows, x1[2]", TwelveRows(), {"x1", "x3", "y"}, 2, {0, 2, 1, 2}, 0, 1,
             "変数 x1 の平方和が有限の数値になりません。"},
    };
    for (const DataFile& f : files) {
        SCOPED_TRACE(f.label);
        Open(f);
        for (const char* command : {"PCARun", "RelMatView"}) {
            SCOPED_TRACE(command);
            ui_.ClearCalls();
            EXPECT_EQ(Run(command), "");
            EXPECT_EQ(ui_.MessageTexts(), Strings{f.refusal});
        }
    }
}

}  // namespace
