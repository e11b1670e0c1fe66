#include "core/io/stored_variable_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/model/regression_file.h"
#include "support/model_builder.h"

namespace fs = std::filesystem;

namespace {

class StoredVariableFolderTest : public ::testing::Test {
protected:
    StoredVariableFolderTest() {
        dir_ = fs::temp_directory_path() / ("merlox_folder_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~StoredVariableFolderTest() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(Path(name), std::ios::binary);
        out << bytes;
    }
    void Save(const std::string& name, const std::vector<std::string>& vars) const {
        Columns cols;
        for (std::size_t j = 0; j < vars.size(); ++j) cols.push_back({1.0 + j, 2.0, 4.0 + j});
        auto m = MakeModel(cols, {}, vars);
        SaveAs(*m, Path(name));
    }

    fs::path dir_;
};

TEST_F(StoredVariableFolderTest, ListsDataFilesOfAnyCaseWithTheirNamesInStoredOrder) {
    Save("b.mdf", {"Z"});
    Save("a.MDF", {"Y", "X"});
    Save("c.Mdf", {"P", "Q", "R"});
    Write("notes.TXT", "A\n1\n");
    fs::create_directories(dir_ / "sub.MDF");
    const StoredVariableFolder listing = ListStoredVariables(dir_.string() + "/");
    ASSERT_EQ(listing.files.size(), 3u);
    EXPECT_TRUE(listing.errors.empty());
    EXPECT_TRUE(listing.folderRead);
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {"a.MDF", {"Y", "X"}}, {"b.mdf", {"Z"}}, {"c.Mdf", {"P", "Q", "R"}}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(listing.files[i].fileName, expected[i].first);
        EXPECT_EQ(listing.files[i].names, expected[i].second) << expected[i].first;
    }
}

TEST_F(StoredVariableFolderTest, FileWithoutMagicIsLeftOutAndDamagedFileIsNamedInErrors) {
    Save("good.MDF", {"A", "B"});
    Write("plain.MDF", "A B\n1 2\n");
    // The magic, then a data part that claims more than the file holds.
    Write("broken.MDF", std::string("MDF\0\xff\xff\x00\x00", 8));
    const StoredVariableFolder listing = ListStoredVariables(dir_.string());
    ASSERT_EQ(listing.files.size(), 1u);
    EXPECT_EQ(listing.files[0].fileName, "good.MDF");
    ASSERT_EQ(listing.errors.size(), 1u);
    EXPECT_EQ(listing.errors[0].rfind("broken.MDF: ", 0), 0u) << listing.errors[0];
}

TEST_F(StoredVariableFolderTest, MissingFolderGivesEmptyListingWithItsError) {
    const StoredVariableFolder listing = ListStoredVariables(Path("nowhere"));
    EXPECT_TRUE(listing.files.empty());
    EXPECT_EQ(listing.errors.size(), 1u);
    EXPECT_FALSE(listing.folderRead);
}

}  // namespace
