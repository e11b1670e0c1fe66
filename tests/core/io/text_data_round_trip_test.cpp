// Text data files read back as written: line ends across the reader's
// buffer, blocks without their closing brace, texts that need quotes, and
// what the reader cannot take back, refused before any byte is written.
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

// Every line end style, with a buffer of 1 to 48 bytes: each separator
// falls on every offset around a refill.
TEST(TextDataReadBuffer, LineEndsSplitAtEveryOffsetOfTheBuffer) {
    for (const std::string eol : {"\r\n", "\n", "\n\r", "\r"}) {
        std::string text = "ID,a,b" + eol;
        for (int i = 1; i <= 23; ++i) text += std::to_string(i) + "," + std::to_string(i * 101) + ",-" + std::to_string(i % 5) + ".5" + eol;
        text += "#use,u,d,#" + eol;
        for (std::size_t chunk = 1; chunk <= 48; ++chunk) {
            SCOPED_TRACE(std::to_string(chunk) + " bytes, line end of " + std::to_string(eol.size()));
            const LoadedDataFile f = ReadBytes(text, chunk);
            ASSERT_EQ(f.obs, 23);
            for (int i = 1; i <= 23; ++i) {
                ASSERT_EQ(f.vars[0]->At(i - 1), i * 101);
                ASSERT_EQ(f.vars[1]->At(i - 1), -(i % 5) - 0.5);
            }
            EXPECT_EQ(f.dependent, 1);
        }
    }
}

// A CR LF whose CR is the last byte of the program's own first read.
TEST(TextDataReadBuffer, CrLfAcrossTheFullSizeBuffer) {
    std::string text = "ID,y\r\n";
    std::vector<double> ys;
    for (int i = 1; text.size() < kTextReadChunk - 40; ++i) {
        text += std::to_string(i) + "," + std::to_string(i) + "\r\n";
        ys.push_back(i);
    }
    // Blanks pad the next row's value (they are trimmed) up to the boundary.
    text += "0,7" + std::string(kTextReadChunk - 1 - text.size() - 3, ' ') + "\r\n1,8\r\n";
    ASSERT_EQ(text[kTextReadChunk - 1], '\r');
    ys.insert(ys.end(), {7, 8});
    EXPECT_EQ(Values(*ReadBytes(text).vars[0]), ys);
}

TEST(TextDataBlocks, AClosingBraceMayBeLeftOutBeforeTheNextBlock) {
    const LoadedDataFile f = ReadBytes("#mode,1,{,a/nd/a,@3=7,},{,b/nd/b,1,2,3,4,},{,c/nd/c,5,6,1,},[,1,2,3,4,],}");
    ASSERT_EQ(f.vars.size(), 3u);
    EXPECT_EQ(Values(*f.vars[0]), (std::vector<double>{7, 7, 7}));
    EXPECT_EQ(Values(*f.vars[1]), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(Values(*f.vars[2]), (std::vector<double>{5, 6, 1}));
    EXPECT_EQ(f.vars[2]->Marks(), (std::vector<std::uint16_t>{1, 2, 8}));
    // Sections after a last block without its "}" are still read.
    const LoadedDataFile g = ReadBytes("#mode,1\r\n{,a/nd/a,1,2,}\r\n{,b/en/b,3,4,}\r\n#use,d,u,#\r\n");
    EXPECT_EQ(g.roles, (std::vector<std::uint8_t>{1, 2}));
}

// Parts that cannot be read are errors naming the line (a name with a NUL
// among them: no text data file holds one).
TEST(TextDataBlocks, WhatCannotBeReadIsAnErrorNamingTheLine) {
    const std::pair<std::string, const char*> cases[] = {
        {"#mode,1\r\n{,a/nd/a,1,2,},}\r\n}\r\n{,b/nd/b,3,4,},}\r\n", "3 行目"},  // a stray brace
        {"#mode,1\r\n{,a/nd/a,1,2,}\r\n7\r\n", "3 行目"},                       // a value after the blocks
        {"#mode,2\r\n{,a/nd/a,1,2,},}\r\n", "2 行目"},                          // an unknown layout
        {"ID,a\0b,c\r\n1,2,3\r\n"s, "1 行目: NUL 文字"},
        {"#mode,1,{,a\0b/nd/x,1,},}"s, "1 行目: NUL 文字"},
    };
    for (const auto& [text, named] : cases) {
        try {
            ReadBytes(text);
            ADD_FAILURE() << "read: " << text;
        } catch (const EReadError& e) {
            EXPECT_NE(std::string(e.what()).find(named), std::string::npos) << e.what();
        }
    }
}

// Each case sets one text of a model of x and y; "" expects it to read
// back the same, any other text is the item the refusal must name.
TEST(TextDataTexts, QuotedWhenThatProtectsThemRefusedBeforeAnyByteOtherwise) {
    struct Case {
        void (*set)(Reg&);
        const char* refused;
    };
    const Case cases[] = {
        {[](Reg& r) { r.SetVarInfo(0, "a, b"); }, ""},
        {[](Reg& r) { r.SetVarInfo(0, "say \"hi\" now"); }, ""},
        {[](Reg& r) { r.SetVarInfo(0, "one\r\ntwo"); }, ""},
        {[](Reg& r) { r.SetName("x, y\nz"); }, ""},
        {[](Reg& r) { r.GroupNames().SetName("null", 1); }, ""},
        {[](Reg& r) { r.GroupNames().SetName("a,b", 1); }, ""},
        {[](Reg& r) { r.GroupNames().SetName("#", 1); }, ""},
        {[](Reg& r) { r.SetVarInfo(0, "a\",b"); }, "変数「x」の説明"},
        {[](Reg& r) { r.SetVarInfo(1, "note "); }, "変数「y」の説明"},
        {[](Reg& r) { r.SetName("a\",b"); }, "データセットの名前"},
        {[](Reg& r) { r.SetInfo(" i"); }, "データセットの説明"},
        {[](Reg& r) { r.GroupNames().SetName("a\",b", 1); }, "グループ 1 の名前"},
        {[](Reg& r) {
             r.SetVarName(0, "x-1");
             r.Expressions().Add(Expres("y", 1, false, std::vector<double>{2.0}, std::vector<std::string>{"x-1"}));
         },
         "式「y"},
    };
    for (const Case& c : cases) {
        Reg reg(3, 2, "d");
        reg.SetVarName(0, "x");
        reg.SetVarName(1, "y");
        reg.SetVarValues(0, std::vector<double>{1, 2, 4});
        reg.SetMark(1, 0, 1);
        c.set(reg);
        std::ostringstream out;
        ScriptedServices services;
        try {
            WriteTextDataFile(FileImage(reg), out, services);
        } catch (const EWriteError& e) {
            EXPECT_STRNE(c.refused, "") << e.what();
            EXPECT_NE(std::string(e.what()).find(c.refused), std::string::npos) << e.what();
            EXPECT_TRUE(out.str().empty());
            continue;
        }
        ASSERT_STREQ(c.refused, "") << out.str();
        const LoadedDataFile f = ReadBytes(out.str());
        EXPECT_EQ(f.vars[0]->GetInfo(), reg.GetVarInfo(0));
        EXPECT_EQ(f.name, reg.GetName());
        EXPECT_EQ(f.groupNames.GetName(1), reg.GroupNames().GetName(1));
        EXPECT_EQ(f.vars[0]->Marks(), (std::vector<std::uint16_t>{0, 1, 0}));
    }
}

TEST(TextDataTexts, AUserScalarNameWithASlashIsRefused) {
    Reg reg(2, 1, "d");
    reg.SetVarValues(0, std::vector<double>{1, 2});
    UserVar scalars;
    scalars.SetDataLink({[] { return true; }, [] {}});
    scalars.SetName(3, true, "a/b");  // would read back as "a" with the value "b/…"
    const DataFileImage m = FileImage(reg);
    const DataFileImage image{m.data, m.dependent, m.twoStage, m.roles, m.groupNames, m.equations, scalars, m.colors, m.finalForm};
    std::ostringstream out;
    ScriptedServices services;
    EXPECT_THROW(WriteTextDataFile(image, out, services), EWriteError);
    EXPECT_TRUE(out.str().empty());
}

}  // namespace
