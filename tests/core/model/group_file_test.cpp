// Saving groups as a data file of their own: what the file holds when read
// back, and the targets and blocks that are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/io/data_file.h"
#include "core/model/group_file.h"
#include "core/model/regression_file.h"
#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

class GroupFileTest : public ::testing::Test {
protected:
    GroupFileTest() {
        dir_ = fs::temp_directory_path() / ("merlox_groupfile_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Observations 2, 4, 5 and 6 in group 2 over every variable, the
        // fourth also in group 4; the first in group 1.
        model_ = MakeModel({{1, 2, 3, 4, 5, 6}, {6, 1, 5, 2, 4, 3}, {1.5, 2.5, 2, 4, 4.5, 6}}, {}, {"a", "b", "y"});
        for (int i : {1, 3, 4, 5})
            for (int j = 0; j < 3; ++j) model_->SetMark(i, j, i == 3 ? 0x000A : 0x0002);
        for (int j = 0; j < 3; ++j) model_->SetMark(0, j, 0x0001);
        EXPECT_TRUE(model_->SetGroupName(2, "東日本"));
        EXPECT_TRUE(model_->SetGroupName(4, "北"));
        EXPECT_TRUE(model_->SetGroupName(1, "西"));
        SaveAs(*model_, Path("all.MDF"));
    }
    ~GroupFileTest() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    LoadedDataFile Read(const std::string& path) {
        LoadedDataFile loaded;
        int form = -1;
        ReadDataFile(path, loaded, form, services_, PlainNumbers());
        EXPECT_EQ(form, 0);
        return loaded;
    }

    fs::path dir_;
    std::unique_ptr<Reg> model_;
    ScriptedServices services_;
};

TEST_F(GroupFileTest, ReopensWithOnlyTheGroupsObservationsWordsAndNames) {
    SaveGroupFile(*model_, 0x0002, Path("east.MDF"));
    const LoadedDataFile f = Read(Path("east.MDF"));
    EXPECT_EQ(f.name, "east");
    ASSERT_EQ(f.obs, 4);
    ASSERT_EQ(f.vars.size(), 3u);
    const std::vector<std::string> names = {"a", "b", "y"};
    const std::vector<std::vector<double>> values = {{2, 4, 5, 6}, {1, 2, 4, 3}, {2.5, 4, 4.5, 6}};
    const std::vector<std::uint16_t> words = {0x0002, 0x000A, 0x0002, 0x0002};
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(f.vars[j]->GetName(), names[j]);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(f.vars[j]->At(i), values[j][i]) << j << "," << i;
            EXPECT_EQ(f.vars[j]->GetMark(i), words[i]) << j << "," << i;
        }
    }
    EXPECT_EQ(f.groupNames.Count(), 1);
    EXPECT_EQ(f.groupNames.GetName(2), "東日本");
    EXPECT_EQ(f.groupNames.GetCode("北"), -1);
}

TEST_F(GroupFileTest, TwoGroupsKeepBothNames) {
    SaveGroupFile(*model_, 0x0003, Path("two.MDF"));
    const LoadedDataFile f = Read(Path("two.MDF"));
    EXPECT_EQ(f.obs, 5);
    EXPECT_EQ(f.groupNames.Count(), 2);
    EXPECT_EQ(f.groupNames.GetName(1), "西");
    EXPECT_EQ(f.groupNames.GetName(2), "東日本");
}

TEST_F(GroupFileTest, TheOpenDataFileIsRefused) {
    const std::string before = Bytes(Path("all.MDF"));
    EXPECT_THROW(SaveGroupFile(*model_, 0x0002, Path("all.MDF")), EFOpenError);
    // The same file by another spelling of its path.
    EXPECT_THROW(SaveGroupFile(*model_, 0x0002, (dir_ / "." / "all.MDF").string()), EFOpenError);
    EXPECT_EQ(Bytes(Path("all.MDF")), before);
    EXPECT_FALSE(fs::exists(Path("all.BAK")));
}

TEST_F(GroupFileTest, BlocksTheGroupsDoNotMakeAreRefused) {
    struct Case {
        const char* what;
        std::uint16_t mask;
    };
    // Group 4 has one observation for three variables; group 9 has no cell.
    const Case cases[] = {{"fewer observations than variables", 0x0008}, {"no cell", 0x0100}};
    for (const Case& c : cases) {
        try {
            SaveGroupFile(*model_, c.mask, Path("bad.MDF"));
            ADD_FAILURE() << c.what;
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), "グループ設定に失敗しました。") << c.what;
        }
        EXPECT_FALSE(fs::exists(Path("bad.MDF"))) << c.what;
    }
    SaveGroupFile(*model_, 0, Path("none.MDF"));
    EXPECT_FALSE(fs::exists(Path("none.MDF")));
}

TEST_F(GroupFileTest, AnOlderFileIsKeptAsBackup) {
    SaveGroupFile(*model_, 0x0002, Path("g.MDF"));
    const std::string first = Bytes(Path("g.MDF"));
    SaveGroupFile(*model_, 0x0003, Path("g.MDF"));
    EXPECT_EQ(Bytes(Path("g.BAK")), first);
    EXPECT_EQ(Read(Path("g.MDF")).obs, 5);
    // No temporary file is left beside it.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 3);  // all.MDF, g.MDF, g.BAK
}

TEST(GroupFileNames, TitleAndSameFile) {
    EXPECT_EQ(FileTitleOf("/data/east.MDF"), "east");
    EXPECT_EQ(FileTitleOf("east"), "east");
    EXPECT_TRUE(IsSameFile("/tmp/x/../y.MDF", "/tmp/y.MDF"));
    EXPECT_FALSE(IsSameFile("/tmp/y.MDF", "/tmp/z.MDF"));
    EXPECT_FALSE(IsSameFile("", ""));
}

}  // namespace
