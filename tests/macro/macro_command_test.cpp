// "mat" statements and the "%" data commands. Expected listings are
// written out by hand: the "var" sections take the first bytes (LDI 9, AAC
// 10), then MAT 25 (35 with a second operand), MTS 15, SYS 10 (14 for
// "predict" and "residual").
#include <gtest/gtest.h>

#include "macro/macro_opcodes.h"
#include "macro_program_support.h"

namespace {

// The lines of the three arrays a (4), b (8) and c (12), followed by
// the lines given, then END at end.
std::vector<std::string> ThreeArrays(std::vector<std::string> lines, int end) {
    std::vector<std::string> all = {"0 : MCR 0,16", "9 : LDI 2",  "18 : AAC [V,0:4]", "28 : LDI 2",
                                    "37 : AAC [V,0:8]", "47 : LDI 2", "56 : AAC [V,0:12]"};
    all.insert(all.end(), lines.begin(), lines.end());
    all.push_back(std::to_string(end) + " : END");
    return all;
}

std::string Arrays(const std::string& body) { return "macro m var a[2], b[2], c[2] { " + body + " }"; }

TEST(MacroCommands, Mat) {
    const std::string a = "[V,A,0:4]", b = "[V,A,0:8]", c = "[V,A,0:12]";
    const struct {
        std::string body;
        std::vector<std::string> lines;
        int end;
    } cases[] = {
        {"mat a = inv(b)", {"66 : MAT (inv)," + a + "," + b}, 91},
        {"mat a = trn b", {"66 : MAT (trn)," + a + "," + b}, 91},
        {"mat a = sqrt(b)", {"66 : MAT (sqrt)," + a + "," + b}, 91},
        {"mat a = diag(1, 2)", {"66 : LDI 1", "75 : LDI 2", "84 : MTS " + a + ",-2"}, 99},
        {"mat a = (2) * b", {"66 : LDI 2", "75 : MAT (scallar_mul)," + a + "," + b}, 100},
        {"mat a = (2) + b", {"66 : LDI 2", "75 : MAT (scallar_add)," + a + "," + b}, 100},
        {"mat a = (2) - b", {"66 : LDI 2", "75 : MAT (scallar_sub)," + a + "," + b}, 100},
        {"mat a = {1, 2}", {"66 : LDI 1", "75 : LDI 2", "84 : MTS " + a + ",2"}, 99},
        {"mat a = b", {"66 : MAT (let)," + a + "," + b}, 91},
        {"mat a = b * c", {"66 : MAT (mul)," + a + "," + b + "," + c}, 101},
        {"mat a = b + c", {"66 : MAT (add)," + a + "," + b + "," + c}, 101},
        {"mat a = b - c", {"66 : MAT (sub)," + a + "," + b + "," + c}, 101},
    };
    AppState app;
    MacroCompile compiler(app);
    for (const auto& k : cases) {
        compiler.CompileProgram(Arrays(k.body));
        EXPECT_EQ(compiler.ListCode(), ProgramListing("m", ThreeArrays(k.lines, k.end))) << k.body;
    }
}

TEST(MacroCommands, SystemCommands) {
    const struct {
        std::string body;
        std::vector<std::string> lines;
        int end;
    } cases[] = {
        {"%adddata a", {"66 : SYS adddata,0,4,0"}, 76},
        {"%insdata 3, a", {"66 : LDI 3", "75 : SYS insdata,0,4,0"}, 85},
        {"%addvar \"v\", b", {"66 : LSI \"v\"", "69 : SYS addvar,0,8,0"}, 79},
        {"%set 1, c", {"66 : LDI 1", "75 : SYS set,0,12,0"}, 85},
        {"%deldata 1, 2, 3", {"66 : LDI 1", "75 : LDI 2", "84 : LDI 3", "93 : SYS deldata,3,0,0"}, 103},
        {"%xchgdata 1, 2", {"66 : LDI 1", "75 : LDI 2", "84 : SYS xchgdata,0,0,0"}, 94},
        {"%xchgvar 1, 2", {"66 : LDI 1", "75 : LDI 2", "84 : SYS xchgvar,0,0,0"}, 94},
        {"%rename \"u\", \"v\"", {"66 : LSI \"u\"", "69 : LSI \"v\"", "72 : SYS rename,0,0,0"}, 82},
        {"%insvar 1, 2, a", {"66 : LDI 1", "75 : LDI 2", "84 : SYS insvar,0,4,0"}, 94},
        {"%delvar 2", {"66 : LDI 2", "75 : SYS delvar,0,0,0"}, 85},
        {"%load \"f.dat\"", {"66 : LSI \"f.dat\"", "73 : SYS load,0,0,0"}, 83},
        {"%save \"f.dat\"", {"66 : LSI \"f.dat\"", "73 : SYS save,0,0,0"}, 83},
        {"%getvar 1, 2, a, 3, 4",
         {"66 : LDI 1", "75 : LDI 2", "84 : LDI 3", "93 : LDI 4", "102 : SYS getvar,0,4,0"}, 112},
        {"%putvar 1, 2, b, 3, 4",
         {"66 : LDI 1", "75 : LDI 2", "84 : LDI 3", "93 : LDI 4", "102 : SYS putvar,0,8,0"}, 112},
        {"%path input", {"66 : SYS path,0,0,0"}, 76},
        {"%path data", {}, 66},
        {"%path \"/data/in\"", {}, 66},
        {"%group - 1, 2, 3, 4",
         {"66 : LDI 1", "75 : LDI 2", "84 : LDI 3", "93 : LDI 4", "102 : SYS group,1,0,0"}, 112},
        {"%group 1, 2, 3, 4",
         {"66 : LDI 1", "75 : LDI 2", "84 : LDI 3", "93 : LDI 4", "102 : SYS group,0,0,0"}, 112},
        {"%grpclr 1, 2, 3", {"66 : LDI 1", "75 : LDI 2", "84 : LDI 3", "93 : SYS grpclr,0,0,0"}, 103},
        {"%sort 2, up", {"66 : LDI 2", "75 : SYS sort,1,0,0"}, 85},
        {"%sort 2, down", {"66 : LDI 2", "75 : SYS sort,0,0,0"}, 85},
        {"%trend 1, a", {"66 : LDI 1", "75 : SYS trend,0,4,0"}, 85},
        {"%trend 1, a, n", {"66 : LDI 1", "75 : SYS trend,0,4,0"}, 85},
        {"%predict a, 1, 2", {"66 : LDI 1", "75 : LDI 2", "84 : SYS predict,0,4,2"}, 98},
        {"%residual c, 1, 2, 3", {"66 : LDI 1", "75 : LDI 2", "84 : LDI 3", "93 : SYS residual,0,12,3"}, 107},
        {"%vartype 1, en", {"66 : LDI 1", "75 : SYS vartype,0,1,0"}, 85},
        {"%vartype 1, ex", {"66 : LDI 1", "75 : SYS vartype,0,2,0"}, 85},
        {"%vartype 1, lg", {"66 : LDI 1", "75 : SYS vartype,0,3,0"}, 85},
        {"%vartype 1, xx", {"66 : LDI 1", "75 : SYS vartype,0,0,0"}, 85},
        {"%undo", {"66 : SYS undo,0,0,0"}, 76},
        {"%redo", {"66 : SYS redo,0,0,0"}, 76},
        {"%uservar file", {"66 : SYS uservar,0,1,0"}, 76},
        {"%uservar sys", {"66 : SYS uservar,0,0,0"}, 76},
    };
    AppState app;
    MacroCompile compiler(app);
    for (const auto& k : cases) {
        compiler.CompileProgram(Arrays(k.body));
        EXPECT_EQ(compiler.ListCode(), ProgramListing("m", ThreeArrays(k.lines, k.end))) << k.body;
    }
}

// Both forms of "trend" list as "trend"; the command byte tells them apart.
TEST(MacroCommands, TrendWithNIsCommand19) {
    AppState app;
    MacroCompile compiler(app);
    for (const auto& [body, command] : std::vector<std::pair<std::string, int>>{
             {"%trend 1, a", 18}, {"%trend 1, a, n", 19}, {"%trend 1, a, N", 19}}) {
        compiler.CompileProgram(Arrays(body));
        ASSERT_GT(compiler.CodeLength(), 77);
        EXPECT_EQ(compiler.Code()[75], opSYS) << body;
        EXPECT_EQ(compiler.Code()[76], command) << body;
    }
}

}  // namespace
