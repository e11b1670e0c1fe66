// File/"テキスト保存" on the main window: the report of the open data set
// goes to the chosen file; the open data file itself is refused.
#include <gtest/gtest.h>

#include <QAction>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/text/cp932.h"
#include "started_windows.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class TextSaveTest : public StartedWindows {
protected:
    TextSaveTest() : StartedWindows("textsave") {
        const char* dir = std::getenv("MERLOX_SOURCE_DIR");
        fs::copy_file(std::string(dir ? dir : ".") + "/data/samples/Longley.MDF", dir_.Path("Longley.MDF"));
        ui_.QueueFile(dir_.Path("Longley.MDF"));
        main_->Action("LoadFile")->trigger();
    }
};

}  // namespace

TEST_F(TextSaveTest, WritesTheReportOfTheOpenDataSet) {
    ASSERT_NE(state_.Model(), nullptr);
    QAction* action = main_->Action("TextSave");
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isEnabled());
    EXPECT_EQ(action->statusTip().toStdString(), "結果をテキストファイルとして保存する");
    ui_.QueueFile(dir_.Path("report.TXT"));
    action->trigger();
    const std::string text = cp932::ToUtf8(ReadBytes(dir_.Path("report.TXT")));
    EXPECT_EQ(text.rfind("\n【Longley】 における回帰分析の結果\n{\n", 0), 0u);
    // The default TEXT settings: diagnostics, influence and correlation on.
    for (const char* heading : {"【変数リスト】", "【パラメータ推定】", "【データ】", "【相関行列】", "【回帰診断】", "【影響分析】"})
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
    EXPECT_EQ(text.find("【式】"), std::string::npos);
    EXPECT_FALSE(state_.Model()->IsModified());
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(TextSaveTest, RefusesTheOpenDataFile) {
    ASSERT_NE(state_.Model(), nullptr);
    const std::string before = ReadBytes(dir_.Path("Longley.MDF"));
    ui_.QueueFile(dir_.Path("Longley.MDF"));
    ui_.QueueOK();
    main_->Action("TextSave")->trigger();
    EXPECT_EQ(ReadBytes(dir_.Path("Longley.MDF")), before);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}
