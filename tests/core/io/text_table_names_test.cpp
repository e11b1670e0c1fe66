// Names in the table of the text data file: every name the reader takes
// back unchanged is written and read back with its properties and groups;
// every other name stops the saving before a byte is written, and the
// file on disk stays as it was.
#include "core/io/text_table_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/io/text_data_file.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

std::string WriteText(Reg& reg) {
    std::ostringstream out;
    ScriptedServices services;
    WriteTextDataFile(FileImage(reg), out, services);
    return out.str();
}

std::unique_ptr<Reg> TwoColumns(const std::string& first, const std::string& second) {
    auto reg = std::make_unique<Reg>(3, 2, "d");
    reg->SetVarName(0, first);
    reg->SetVarName(1, second);
    return reg;
}

// Names the reader takes back as they are.
const char* const kGoodNames[] = {
    "x", "_1", "ID", "NAN", "E5", "a b", "所得", "所得(万円)", "aｱｲｳ", "a/b", "x/en/y", "a#b", "a@b", "a.b", "a;b", "z}",
};

TEST(TextTableNames, NamesTheReaderTakesBackRoundTripWithTheirPropertiesAndGroups) {
    for (const char* good : kGoodNames) {
        SCOPED_TRACE(good);
        auto owner = TwoColumns(good, "y");
        Reg& reg = *owner;
        reg.SetVarValues(0, std::vector<double>{1, 2, 3});
        reg.SetVarValues(1, std::vector<double>{4, 5, 6});
        reg.SetVarInfo(0, "comment, with comma");
        reg.SetVarType(0, 2);
        reg.SetMark(1, 0, 1);
        const std::string name = good;
        std::istringstream in(WriteText(reg));
        ScriptedServices services;
        LoadedDataFile back;
        ReadTextDataFile(in, back, PlainNumbers(), services);
        ASSERT_EQ(back.vars.size(), 2u);
        EXPECT_EQ(back.vars[0]->GetName(), name);
        EXPECT_EQ(back.vars[1]->GetName(), "y");
        EXPECT_EQ(back.vars[0]->GetInfo(), "comment, with comma");
        EXPECT_EQ(back.vars[0]->GetType(), 2);
        EXPECT_EQ(back.vars[1]->GetType(), 0);
        EXPECT_EQ(back.vars[0]->At(2), 3.0);
        EXPECT_EQ(back.vars[0]->Marks(), (std::vector<std::uint16_t>{0, 1, 0}));
        EXPECT_EQ(back.vars[1]->Marks(), (std::vector<std::uint16_t>{0, 0, 0}));
    }
}

struct BadName {
    const char* why;
    std::string first;
    std::string second;
};

TEST(TextTableNames, NamesTheReaderWouldReadOtherwiseAreRefusedBeforeWriting) {
    const std::vector<BadName> cases = {
        {"empty: the empty field is skipped", "", "y"},
        {"a comma splits the name", "a,b", "y"},
        {"a tab splits the name", "a\tb", "y"},
        {"a line end splits the name", "a\r\nb", "y"},
        {"a quote opens a quoted part in the sections", "a\"b", "y"},
        {"a digit ends the header", "1x", "y"},
        {"a minus ends the header", "-x", "y"},
        {"a keyword mark ends the header", "#x", "y"},
        {"a group reference mark ends the header", "@x", "y"},
        {"a half-width katakana ends the header", "ｱｲｳ", "y"},
        {"a leading blank is trimmed", " x", "y"},
        {"a trailing blank is trimmed", "x ", "y"},
        {"twice the same name: properties and groups go to the first", "x", "x"},
        {"the text before a slash names another variable", "y/z", "y"},
        {"the same with a blank before the slash", "y /z", "y"},
    };
    for (const BadName& c : cases) {
        SCOPED_TRACE(c.why);
        auto owner = TwoColumns(c.first, c.second);
        Reg& reg = *owner;
        const std::vector<std::string> names = {c.first, c.second};
        EXPECT_FALSE(TextTableNameProblem(names, 0).empty() && TextTableNameProblem(names, 1).empty());
        std::ostringstream out;
        ScriptedServices services;
        try {
            WriteTextDataFile(FileImage(reg), out, services);
            ADD_FAILURE() << "written";
        } catch (const EWriteError& e) {
            EXPECT_NE(std::string(e.what()).find("テキスト形式"), std::string::npos) << e.what();
        }
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(TextTableNames, TheMessageNamesTheVariable) {
    try {
        CheckTextTableNames({"ok", "bad,name"});
        ADD_FAILURE() << "accepted";
    } catch (const EWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("「bad,name」"), std::string::npos) << e.what();
    }
    EXPECT_NO_THROW(CheckTextTableNames({"ok", "所得"}));
}

TEST(TextTableNames, ARefusedSaveLeavesTheFileOnDisk) {
    const fs::path dir = fs::temp_directory_path() / ("merlox_names_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "d.txt").string();
    {
        std::ofstream f(path, std::ios::binary);
        f << "old";
    }
    auto reg = TwoColumns("x", "1y");
    EXPECT_THROW(SaveAs(*reg, path), EWriteError);
    std::ifstream f(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "old");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 1u);
    fs::remove_all(dir);
}

}  // namespace
