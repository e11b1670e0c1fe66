// The command boundary: an error becomes one error box with its message and
// the command's error value; an error whose message was shown already, and a
// command that ends normally, show nothing.
#include "platform/command_guard.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "support/scripted_services.h"

namespace {

TEST(GuardCommand, EachErrorBecomesOneBoxWithItsMessage) {
    struct Case {
        const char* what;
        std::function<double()> command;
        const char* message;
    };
    const Case cases[] = {
        {"range", [] () -> double { throw ERangeError("範囲エラー"); }, "範囲エラー"},
        {"zero divide", [] () -> double { throw EZeroDivide("０除算エラー"); }, "０除算エラー"},
        {"memory", [] () -> double { throw EOutOfMemory(); }, "メモリーの確保に失敗しました。"},
        {"bad_alloc", [] () -> double { throw std::bad_alloc(); }, "メモリーの確保に失敗しました。"},
        {"plain", [] () -> double { throw std::runtime_error(""); }, "エラーが発生しました。"},
    };
    for (const Case& c : cases) {
        ScriptedServices ui;
        ui.QueueOK();
        EXPECT_EQ(GuardCommand(ui, c.command, -1.0), -1.0) << c.what;
        const auto boxes = ui.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u) << c.what;
        EXPECT_EQ(boxes[0].text, c.message) << c.what;
        EXPECT_EQ(boxes[0].msgKind, MsgKind::Error) << c.what;
        EXPECT_EQ(boxes[0].value, static_cast<long>(mbOK)) << c.what;
    }
}

TEST(GuardCommand, AnErrorShownAlreadyStopsTheCommandWithoutASecondBox) {
    ScriptedServices ui;
    EXPECT_EQ(GuardCommand(ui, [] () -> double { throw EAlreadyShown(); }, -1.0), -1.0);
    EXPECT_FALSE(GuardCommand(ui, [] { throw EAlreadyShown(); }));
    EXPECT_TRUE(ui.Calls().empty());
}

TEST(GuardCommand, NormalEndGivesTheValueAndShowsNothing) {
    ScriptedServices ui;
    EXPECT_EQ(GuardCommand(ui, [] { return 2.5; }, 0.0), 2.5);
    int runs = 0;
    EXPECT_TRUE(GuardCommand(ui, [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(ui.Calls().empty());

    ui.QueueOK();
    EXPECT_FALSE(GuardCommand(ui, [] { throw EReadError("読めません"); }));
    EXPECT_EQ(ui.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

}  // namespace
