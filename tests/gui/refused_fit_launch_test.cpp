// Every analysis command of the main window over a fit that was refused:
// those that start from the fit say why and open nothing; those that
// compute from the data open, or refuse in words of their own. A command
// added to the launch table without a row here fails the test.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <set>
#include <string>
#include <vector>

#include "app/main_window/launch_table.h"
#include "app/main_window/main_window.h"
#include "core/model/regression_model.h"
#include "modal_window.h"
#include "started_windows.h"

namespace {

using Strings = std::vector<std::string>;

const char kRefused[] = "変数 y の平方和が有限の数値になりません。";

// What a command does over the refused fit: the window it runs modally
// ("" for none) and the messages it shows.
struct Outcome {
    const char* command;
    const char* opens;
    Strings messages;
    // Refuses y by its own sums of squares, in the fit's words.
    bool formsOwnSums = false;
};

const Outcome kOutcomes[] = {
    {"btnAutoSel", "TAutoSelectDlg", {}},
    {"btnMCL", "", {kRefused}},
    {"UserDef", "TfrmUD", {}},
    {"mnuChowTest", "", {kRefused}},
    {"mnuSURE", "", {}},  // no equation to estimate
    {"mnuIVEst", "TfrmIV", {"係数を計算できません: 係数または標準誤差が有限の数値になりません。"}},
    {"About1", "TAboutBox", {}},
    {"PCARun", "", {kRefused}, true},
    {"btnANOVA", "", {kRefused}},
    {"mnuRest", "", {kRefused}},
    {"ReducedF", "", {}},  // no equation either
    {"WREGRun", "", {kRefused}},
    {"mnuGLS", "", {kRefused}},
    {"mnuRidge", "", {"リッジ回帰の計算ができません。"}},
    {"btnJNE", "", {kRefused}},
    {"mnuTobit", "", {kRefused}},
};

class RefusedFitLaunchTest : public StartedWindows {
protected:
    RefusedFitLaunchTest() : StartedWindows("refusedlaunch") {}

    // Runs the command; whatever window it runs modally is closed at once
    // and its class returned.
    std::string Run(const std::string& command) {
        return ModalClassClosed([&] {
            if (QAction* a = main_->Action(command)) {
                a->trigger();
            } else if (QPushButton* b = main_->EstimateButton(command)) {
                EXPECT_TRUE(b->isEnabled());
                b->click();
            } else {
                ADD_FAILURE() << "no command " << command;
            }
        });
    }
};

TEST_F(RefusedFitLaunchTest, EachCommandRefusesWithTheFitsMessageOrOpensOrSaysWhyInItsOwnWords) {
    std::set<std::string> listed;
    for (const Outcome& o : kOutcomes) listed.insert(o.command);
    std::set<std::string> commands;
    for (const LaunchCommand& c : LaunchCommands()) commands.insert(c.command);
    EXPECT_EQ(listed, commands);

    // y on x1 and x2, 1e200 in y: its fit is refused as the file opens.
    auto model = MakeModel({{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}, {1.5, 2.5, 2, 4, 4.5, 6.5, 6}}, {2, 2, 1},
                           {"x1", "x2", "y"});
    ASSERT_TRUE(model->SetModel(2, {2, 2, 1, 2}));
    model->SetValue(1, 2, 1e200);
    SaveAs(*model, dir_.Path("refused.MDF"));
    ui_.SetAcknowledgeErrors(true);
    main_->OpenAndRemember(dir_.Path("refused.MDF"));
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_EQ(ui_.MessageTexts(), Strings{kRefused});
    main_->mnuSelectViewClick();

    for (const Outcome& o : kOutcomes) {
        SCOPED_TRACE(o.command);
        ui_.ClearCalls();
        EXPECT_EQ(Run(o.command), o.opens);
        EXPECT_EQ(ui_.MessageTexts(), o.messages);
        // What the launch table says of the command agrees.
        const LaunchCommand* c = FindLaunchCommand(o.command);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->fromFit, o.messages == Strings{kRefused} && !o.formsOwnSums);
        EXPECT_FALSE(state_.Model()->HasEstimate());
    }
}

}  // namespace
