// Whole macros: the header and its parameters, "var" sections, modules with
// their arguments and "dim", "def" blocks, "lib" files and the expression
// list form. The expected listings are written out by hand from the
// instruction sizes (MCR 9, BLC 13, AAC/DMA/DMB 10, RDM 12, LDI 9, a
// variable reference 11, jumps 5).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "macro_program_support.h"

namespace {

TEST(MacroProgram, HeaderParametersAndVarSections) {
    ExpectListings({
        // Parameters at 4 (number) and 6 (text); x 14, arr 16, u 20: frame 28.
        {"macro m(a, t$: \"name\") var x, arr[3], u$ { x = a }",
         {"0 : MCR 2,28", "9 : LDI 3", "18 : AAC [V,0:16]", "28 : LDA [V,V,0:4]", "39 : STA [V,V,0:14]",
          "50 : POP", "51 : END"}},
        {"macro m() { }", {"0 : MCR 0,4", "9 : END"}},
        // Two bounds set the flag; an array declared again keeps its slot.
        {"macro m var b[2, 3], a[2], a[3]; var y { }",
         {"0 : MCR 0,14", "9 : LDI 2", "18 : LDI 3", "27 : AAC [R,0:4]", "37 : LDI 2", "46 : AAC [V,0:8]",
          "56 : LDI 3", "65 : AAC [V,0:8]", "75 : END"}},
        // Text after the body is ignored.
        {"macro m { 1 } 2 3", {"0 : MCR 0,4", "9 : LDI 1", "18 : END"}},
    });
}

TEST(MacroProgram, ParametersAreRecorded) {
    AppState app;
    MacroCompile compiler(app);
    const std::string text = "macro m(a, t$: \"name\", c: 単位) { }";
    compiler.CompileProgram(text);
    EXPECT_EQ(compiler.Name(), "m");
    EXPECT_EQ(compiler.Source(), text);
    ASSERT_EQ(compiler.ParameterCount(), 3);
    EXPECT_EQ(compiler.ParameterOffset(0), 4);
    EXPECT_EQ(compiler.ParameterOffset(1), 6);
    EXPECT_EQ(compiler.ParameterOffset(2), 14);
    EXPECT_FALSE(compiler.ParameterIsText(0));
    EXPECT_TRUE(compiler.ParameterIsText(1));
    EXPECT_EQ(compiler.ParameterPrompt(0), "");
    EXPECT_EQ(compiler.ParameterPrompt(1), "name");
    EXPECT_EQ(compiler.ParameterPrompt(2), "単位");
    EXPECT_EQ(compiler.ListCode(), ProgramListing("m", {"0 : MCR 3,16", "9 : END"}));
}

TEST(MacroProgram, NameMayBeAText) {
    AppState app;
    MacroCompile compiler(app);
    compiler.CompileProgram("macro \"回帰 1\" { }");
    EXPECT_EQ(compiler.Name(), "回帰 1");
    EXPECT_EQ(compiler.ListCode(), ProgramListing("回帰 1", {"0 : MCR 0,4", "9 : END"}));
}

TEST(MacroProgram, FifteenParametersCompile) {
    AppState app;
    MacroCompile compiler(app);
    compiler.CompileProgram("macro m(a,b,c,d,e,f,g,h,i,j,k,l,n,o,p) { }");
    EXPECT_EQ(compiler.ParameterCount(), 15);
    EXPECT_EQ(compiler.ParameterOffset(14), 32);
    EXPECT_EQ(compiler.ListCode(), ProgramListing("m", {"0 : MCR 15,34", "9 : END"}));
}

TEST(MacroProgram, ExpressionListForm) {
    AppState app;
    MacroCompile compiler(app);
    compiler.CompileProgram("1, 2");
    EXPECT_EQ(compiler.ListCode(), ProgramListing("", {"0 : LDI 1", "9 : POP", "10 : LDI 2", "19 : END"}));
    EXPECT_EQ(compiler.Source(), "1, 2");
    compiler.CompileProgram("3; ignored");
    EXPECT_EQ(compiler.ListCode(), ProgramListing("", {"0 : LDI 3", "9 : END"}));
    // A block inside the list: "return" ends the run with its value.
    compiler.CompileProgram("{ return 4 }, 5");
    EXPECT_EQ(compiler.ListCode(),
              ProgramListing("", {"0 : LDI 4", "9 : JMP <24>", "14 : POP", "15 : LDI 5", "24 : END"}));
}

TEST(MacroProgram, Modules) {
    ExpectListings({
        // a -3, r -4, v -8 (reshaped to 2 columns), t -16: 15 words + 1.
        {"macro m module g(a, &r, @v[, 2], t$) var w { r = a } { }",
         {"0 : MCR 0,4", "9 : JMP <70>", "14 : LDI 2", "23 : DMB [R,1:-8]", "33 : BLC 1,16,6",
          "46 : LDA [V,V,1:-3]", "57 : STA [R,V,1:-4]", "68 : POP", "69 : RET", "70 : END"}},
        // "dim" with and without brackets.
        {"macro m module h(@v) var z[4] dim v[, 2], z { } { }",
         {"0 : MCR 0,4", "9 : JMP <78>", "14 : BLC 1,5,8", "27 : LDI 4", "36 : AAC [V,1:4]", "46 : LDI 2",
          "55 : RDM [V,A,1:-5],T", "67 : DMA [R,1:4]", "77 : RET", "78 : END"}},
        {"macro m module h(@v) dim v[] { } { }",
         {"0 : MCR 0,4", "9 : JMP <40>", "14 : BLC 1,5,4", "27 : RDM [V,A,1:-5],F", "39 : RET", "40 : END"}},
        // A module inside a module, called from its body.
        {"macro m module f module g { 1 } { g } { f }",
         {"0 : MCR 0,4", "9 : JMP <66>", "14 : BLC 1,1,4", "27 : JMP <55>", "32 : BLC 2,1,4", "45 : LDI 1",
          "54 : RET", "55 : ARG <0>", "60 : GSB <32>", "65 : RET", "66 : ARG <0>", "71 : GSB <14>", "76 : END"}},
        // A module without arguments is called without parentheses; the
        // module's own frame keeps its variables away from the program's.
        {"macro m var x module f var y { y = 1 } { f; x = 2 }",
         {"0 : MCR 0,6", "9 : JMP <49>", "14 : BLC 1,1,6", "27 : LDI 1", "36 : STA [V,V,1:4]", "47 : POP",
          "48 : RET", "49 : ARG <0>", "54 : GSB <14>", "59 : LDI 2", "68 : STA [V,V,0:4]", "79 : POP",
          "80 : END"}},
    });
}

TEST(MacroProgram, DefBlocks) {
    ExpectListings({
        // a -2, t -10; y at 4 of the block's frame.
        {"macro m var x { x = def (a = 2, t$ = \"s\") var y { y = a; stop y } }",
         {"0 : MCR 0,6", "9 : LDI 2", "18 : LSI \"s\"", "21 : ARG <2>", "26 : BLC 1,10,6", "39 : LDA [V,V,1:-2]",
          "50 : STA [V,V,1:4]", "61 : POP", "62 : LDA [V,V,1:4]", "73 : JMP <78>", "78 : BLE",
          "79 : STA [V,V,0:4]", "90 : POP", "91 : END"}},
        // "return" leaves the block's frame first.
        {"macro m { def { return 5 } }",
         {"0 : MCR 0,4", "9 : ARG <0>", "14 : BLC 1,0,4", "27 : LDI 5", "36 : BLE", "37 : JMP <43>", "42 : BLE",
          "43 : END"}},
        {"macro m { def { def { return 1 } } }",
         {"0 : MCR 0,4", "9 : ARG <0>", "14 : BLC 1,0,4", "27 : ARG <0>", "32 : BLC 2,0,4", "45 : LDI 1",
          "54 : BLE", "55 : BLE", "56 : JMP <63>", "61 : BLE", "62 : BLE", "63 : END"}},
        {"macro m module f { def { return 1 } } { f }",
         {"0 : MCR 0,4", "9 : JMP <58>", "14 : BLC 1,1,4", "27 : ARG <0>", "32 : BLC 2,0,4", "45 : LDI 1",
          "54 : BLE", "55 : RET", "56 : BLE", "57 : RET", "58 : ARG <0>", "63 : GSB <14>", "68 : END"}},
    });
}

class MacroLib : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("macro_lib_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream out(folder_ / name, std::ios::binary);
        out << text;
    }

    std::filesystem::path folder_;
    AppState app_;
};

const std::vector<std::string> kLibListing = {
    "0 : MCR 0,4", "9 : JMP <52>", "14 : BLC 1,3,4", "27 : LDA [V,V,1:-3]", "38 : LDA [V,V,1:-3]", "49 : MUL",
    "50 : RET", "51 : RET", "52 : JMP <81>", "57 : BLC 1,1,4", "70 : LDI 1", "79 : RET", "80 : RET",
    "81 : LDI 2", "90 : ARG <1>", "95 : GSB <14>", "100 : END"};

TEST_F(MacroLib, ModulesOfAFileByItsName) {
    Write("SQ.MLB", "module sq(a) { return a * a };\r\nmodule one { return 1 }\r\n");
    MacroCompile compiler(app_);
    compiler.CompileProgram("macro m lib \"" + (folder_ / "SQ.MLB").string() + "\" { sq(2) }");
    EXPECT_EQ(compiler.ListCode(), ProgramListing("m", kLibListing));
}

TEST_F(MacroLib, NameNotFoundIsReadFromTheProgramFolder) {
    Write("SQ2.MLB", "module sq(a) { return a * a } module one { return 1 }");
    MacroCompile compiler(app_);
    compiler.SetLibraryFolder(folder_.string());
    compiler.CompileProgram("macro m lib \"SQ2.MLB\"; { sq(2) }");
    EXPECT_EQ(compiler.ListCode(), ProgramListing("m", kLibListing));
}

// Without a folder set, the folder of the running program.
TEST_F(MacroLib, DefaultFolderIsTheProgramsOwn) {
    const auto exeFolder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string name = "MACRO_LIB_" + std::to_string(::getpid()) + ".MLB";
    {
        std::ofstream out(exeFolder / name, std::ios::binary);
        out << "module sq(a) { return a * a }; module one { return 1 }";
    }
    MacroCompile compiler(app_);
    try {
        compiler.CompileProgram("macro m lib \"" + name + "\" { sq(2) }");
        EXPECT_EQ(compiler.ListCode(), ProgramListing("m", kLibListing));
    } catch (const Exception& e) {
        ADD_FAILURE() << e.Message();
    }
    std::filesystem::remove(exeFolder / name);
}

TEST_F(MacroLib, FileErrors) {
    Write("OPEN.MLB", "module f { 1");
    Write("OTHER.MLB", "module f { 1 }; x = 1");
    MacroCompile compiler(app_);
    compiler.SetLibraryFolder(folder_.string());
    const struct {
        const char* text;
        std::string message;
    } cases[] = {
        // An unclosed module ends at the end of the file.
        {"macro m lib \"OPEN.MLB\" { }", kSyntaxError + "dule f { 1"},
        // Only module definitions.
        {"macro m lib \"OTHER.MLB\" { }", kSyntaxError + "f { 1 }; x "},
        {"macro m lib \"NONE.MLB\" { }", kSyntaxError + "\"NONE.MLB\" "},
    };
    for (const auto& c : cases) {
        try {
            compiler.CompileProgram(c.text);
            ADD_FAILURE() << c.text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.text;
        }
    }
}

TEST(MacroProgram, RecordsAreCompiledAsPrograms) {
    AppState app;
    MacroCompile compiler(app);
    MacroObject source;
    source.SetSource("macro r var x { x = 1 }");
    std::stringstream stream;
    source.WriteRecord(stream);
    MacroObject read;
    read.ReadRecord(stream, compiler.ProgramCompilerFor());
    EXPECT_EQ(read.Name(), "r");
    EXPECT_EQ(read.ListCode(),
              ProgramListing("r", {"0 : MCR 0,6", "9 : LDI 1", "18 : STA [V,V,0:4]", "29 : POP", "30 : END"}));
}

}  // namespace
