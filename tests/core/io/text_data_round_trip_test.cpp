// Files the text writer produces read back to the same data set: line ends
// that straddle the reader's buffer, texts that need quoting, and the items
// the reader cannot take back, which the writer refuses before any byte.
#include "core/io/text_data_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/settings/user_var.h"
#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace {

using namespace std::string_literals;

LoadedDataFile ReadBytes(const std::string& bytes, std::size_t chunk = kTextReadChunk) {
    ScriptedServices services;
    std::istringstream in(bytes);
    LoadedDataFile out;
    ReadTextDataFile(in, out, PlainNumbers(), services, chunk);
    return out;
}

std::vector<double> Values(const Var& v) { return std::vector<double>(v.begin(), v.end()); }

// Three columns of short numbers; the row texts hold fields of several
// lengths so that the separators fall on every offset of a small buffer.
std::string TableText(const std::string& eol, int rows) {
    std::string t = "ID,a,b,c" + eol;
    for (int i = 1; i <= rows; ++i)
        t += std::to_string(i) + "," + std::to_string(i * 7 % 13) + "," + std::to_string(i * 101) + ",-" +
             std::to_string(i % 5) + ".5" + eol;
    return t + "#use,u,u,d,#" + eol;
}

TEST(TextDataReadBuffer, LineEndsSplitAtEveryOffsetOfTheBuffer) {
    const int rows = 23;
    for (const std::string eol : {"\r\n", "\n", "\n\r", "\r"}) {
        const std::string text = TableText(eol, rows);
        for (std::size_t chunk = 1; chunk <= 48; ++chunk) {
            SCOPED_TRACE("chunk " + std::to_string(chunk) + ", line end of " + std::to_string(eol.size()));
            const LoadedDataFile f = ReadBytes(text, chunk);
            ASSERT_EQ(f.vars.size(), 3u);
            ASSERT_EQ(f.obs, rows);
            for (int i = 1; i <= rows; ++i) {
                const auto at = static_cast<std::size_t>(i - 1);
                ASSERT_EQ(Values(*f.vars[0])[at], i * 7 % 13);
                ASSERT_EQ(Values(*f.vars[1])[at], i * 101);
                ASSERT_EQ(Values(*f.vars[2])[at], -(i % 5) - 0.5);
            }
            EXPECT_EQ(f.dependent, 2);
            EXPECT_EQ(f.roles, (std::vector<std::uint8_t>{2, 2, 1}));
        }
    }
}

// A CR LF whose CR is the last byte of the first full read of the
// program's own buffer size.
TEST(TextDataReadBuffer, CrLfAcrossTheFullSizeBuffer) {
    std::string text = "ID,x,y\r\n";
    int i = 0;
    std::vector<double> ys;
    while (text.size() < kTextReadChunk - 40) {
        ++i;
        text += std::to_string(i) + ",1," + std::to_string(i) + "\r\n";
        ys.push_back(i);
    }
    // Pad the next row's y so that its CR falls on the last byte.
    ++i;
    const std::string head = std::to_string(i) + ",1,";
    const std::size_t room = kTextReadChunk - 1 - text.size() - head.size();
    const std::string y = std::to_string(i) + std::string(room - std::to_string(i).size(), ' ');
    text += head + y + "\r\n";
    ASSERT_EQ(text[kTextReadChunk - 1], '\r');
    ys.push_back(i);
    for (int r = 1; r <= 3; ++r) {
        text += std::to_string(i + r) + ",1," + std::to_string(i + r) + "\r\n";
        ys.push_back(i + r);
    }
    const LoadedDataFile f = ReadBytes(text);
    ASSERT_EQ(f.vars.size(), 2u);
    EXPECT_EQ(Values(*f.vars[1]), ys);
}

// What the writer makes of a model, read back with a buffer of chunk bytes.
LoadedDataFile WriteAndRead(const Reg& reg, std::size_t chunk = kTextReadChunk) {
    std::ostringstream out;
    ScriptedServices services;
    WriteTextDataFile(FileImage(reg), out, services);
    return ReadBytes(out.str(), chunk);
}

TEST(TextDataReadBuffer, WrittenFilesReadBackWithAnyBufferSize) {
    Reg reg(9, 3, "set");
    for (int j = 0; j < 3; ++j) {
        reg.SetVarName(j, std::string("v") + static_cast<char>('a' + j));
        std::vector<double> v(9);
        for (int i = 0; i < 9; ++i) v[static_cast<std::size_t>(i)] = (i + 1) * (j == 1 ? 1.25 : -3.0) + j;
        reg.SetVarValues(j, v);
    }
    reg.SetMark(4, 1, 1);
    for (std::size_t chunk = 1; chunk <= 64; chunk += 3) {
        SCOPED_TRACE(chunk);
        const LoadedDataFile f = WriteAndRead(reg, chunk);
        ASSERT_EQ(f.vars.size(), 3u);
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 9; ++i)
                ASSERT_EQ(Values(*f.vars[static_cast<std::size_t>(j)])[static_cast<std::size_t>(i)], reg.GetValue(i, j));
        EXPECT_EQ(f.vars[1]->GetMark(4), 1);
        EXPECT_EQ(f.name, "set");
    }
}

// The fields written on one line for three variables a, b, c in blocks,
// the middle one's closing "}" and the last one's left out.
TEST(TextDataBlocks, AClosingBraceMayBeLeftOutBeforeTheNextBlock) {
    const LoadedDataFile f = ReadBytes("#mode,1,{,a/nd/a,@3=7,},{,b/nd/b,1,2,3,4,},{,c/nd/c,5,6,1,},[,1,2,3,4,],}");
    ASSERT_EQ(f.vars.size(), 3u);
    EXPECT_EQ(f.obs, 3);
    EXPECT_EQ(Values(*f.vars[0]), (std::vector<double>{7, 7, 7}));
    EXPECT_EQ(Values(*f.vars[1]), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(Values(*f.vars[2]), (std::vector<double>{5, 6, 1}));
    EXPECT_EQ(f.vars[2]->Marks(), (std::vector<std::uint16_t>{1, 2, 8}));
    EXPECT_EQ(f.dependent, -1);

    // Sections after a last block without its "}" are still read.
    const LoadedDataFile g = ReadBytes("#mode,1\r\n{,a/nd/a,1,2,}\r\n{,b/en/b,3,4,}\r\n#use,d,u,#\r\n#stage,tsls,#\r\n");
    ASSERT_EQ(g.vars.size(), 2u);
    EXPECT_EQ(Values(*g.vars[1]), (std::vector<double>{3, 4}));
    EXPECT_EQ(g.dependent, 0);
    EXPECT_EQ(g.roles, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_TRUE(g.twoStage);
}

TEST(TextDataNames, ANameWithANulIsRefusedAndShownWhole) {
    for (const std::string& text : {"ID,a\0b,c\r\n1,2,3\r\n"s, "#mode,1,{,a\0b/nd/x,1,},}"s}) {
        try {
            ReadBytes(text);
            ADD_FAILURE() << "read";
        } catch (const EReadError& e) {
            EXPECT_NE(std::string(e.what()).find("a\\x00b"), std::string::npos) << e.what();
        }
    }
}

// A model of two variables x, y with one group, whose texts a case sets.
void FillTextsModel(Reg& reg) {
    reg.SetVarName(0, "x");
    reg.SetVarName(1, "y");
    reg.SetVarValues(0, std::vector<double>{1, 2, 4});
    reg.SetVarValues(1, std::vector<double>{3, 1, 5});
    reg.SetMark(1, 0, 1);
}

TEST(TextDataTexts, QuotedWhereNeededAndReadBackTheSame) {
    struct Case {
        const char* name;
        std::string info;
        std::string setName;
        std::string groupName;
    };
    const std::vector<Case> cases = {
        {"comma in the info", "a, b", "d", "G"},
        {"even quotes in the info", "say \"hi\" now", "d", "G"},
        {"line break inside the info", "one\r\ntwo", "d", "G"},
        {"set name with comma and line break", "i", "x, y\nz", "G"},
        {"group named null", "i", "d", "null"},
        {"group name with comma", "i", "d", "a,b"},
        {"group name of hash", "i", "d", "#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reg reg(3, 2, "d");
        FillTextsModel(reg);
        reg.SetVarInfo(0, c.info);
        reg.SetName(c.setName);
        reg.SetInfo(c.setName);
        reg.GroupNames().SetName(c.groupName, 1);
        const LoadedDataFile f = WriteAndRead(reg);
        ASSERT_EQ(f.vars.size(), 2u);
        EXPECT_EQ(f.vars[0]->GetInfo(), c.info);
        EXPECT_EQ(f.name, c.setName);
        EXPECT_EQ(f.info, c.setName);
        EXPECT_EQ(f.groupNames.GetName(1), c.groupName);
        EXPECT_EQ(f.vars[0]->Marks(), (std::vector<std::uint16_t>{0, 1, 0}));
    }
}

TEST(TextDataTexts, WhatCannotReadBackIsRefusedBeforeAnyByte) {
    struct Case {
        const char* name;
        void (*set)(Reg&);
        const char* named;  // in the message
    };
    const std::vector<Case> cases = {
        {"quote and comma in a quoted info", [](Reg& r) { r.SetVarInfo(0, "a\",b"); }, "変数「x」の説明"},
        {"blank after the info", [](Reg& r) { r.SetVarInfo(1, "note "); }, "変数「y」の説明"},
        {"blank before the info", [](Reg& r) { r.SetVarInfo(1, " note"); }, "変数「y」の説明"},
        {"quote and comma in the set's name", [](Reg& r) { r.SetName("a\",b"); }, "データセットの名前"},
        {"blank around the set's info", [](Reg& r) { r.SetInfo(" i"); }, "データセットの説明"},
        {"odd quote in a group name", [](Reg& r) { r.GroupNames().SetName("a\",b", 1); }, "グループ 1 の名前"},
        {"operator in an equation's name",
         [](Reg& r) {
             r.SetVarName(0, "x-1");
             r.Expressions().Add(Expres("y", 1, false, std::vector<double>{2.0}, std::vector<std::string>{"x-1"}));
         },
         "式「y"},
        {"slash in a user scalar's name", [](Reg&) {}, "ユーザ変数 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reg reg(3, 2, "d");
        FillTextsModel(reg);
        c.set(reg);
        const DataFileImage model = FileImage(reg);
        UserVar scalars;
        scalars.SetDataLink({[] { return true; }, [] {}});
        if (std::string(c.named) == "ユーザ変数 3") scalars.SetName(3, true, "a/b");
        const DataFileImage image{model.data,       model.dependent, model.twoStage, model.roles,    model.groupNames,
                                  model.equations, scalars,          model.colors,   model.finalForm};
        std::ostringstream out;
        ScriptedServices services;
        try {
            WriteTextDataFile(image, out, services);
            ADD_FAILURE() << "written:\n" << out.str();
        } catch (const EWriteError& e) {
            EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
            EXPECT_TRUE(out.str().empty());
        }
    }
}

}  // namespace
