// Statements compiled to byte code: "if"/"else", the loops with "break" and
// "next", "select"/"case", "try"/"catch"/"throw", "return", "stop", blocks
// in expressions, and the simple statements. The expected listings are
// written out by hand (MCR 9, LDI 9, a variable reference 11, STO 15,
// jumps 5).
#include <gtest/gtest.h>

#include "macro_program_support.h"

namespace {

TEST(MacroStatements, IfElse) {
    ExpectListings({
        {"macro m var x { if (x) x = 1 else x = 2 }",
         {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : JPF <51>", "25 : LDI 1", "34 : STA [V,V,0:4]", "45 : POP",
          "46 : JMP <72>", "51 : LDI 2", "60 : STA [V,V,0:4]", "71 : POP", "72 : END"}},
        {"macro m var x { if (x) x = 1; }",
         {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : JPF <46>", "25 : LDI 1", "34 : STA [V,V,0:4]", "45 : POP",
          "46 : END"}},
        // No jump over the else branch behind a return.
        {"macro m var x { if (x) return 1 else x = 2 }",
         {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : JPF <39>", "25 : LDI 1", "34 : JMP <60>", "39 : LDI 2",
          "48 : STA [V,V,0:4]", "59 : POP", "60 : END"}},
        {"macro m module f(a) { if (a) return 1 else return 2 } { f(3) }",
         {"0 : MCR 0,4", "9 : JMP <64>", "14 : BLC 1,3,4", "27 : LDA [V,V,1:-3]", "38 : JPF <53>", "43 : LDI 1",
          "52 : RET", "53 : LDI 2", "62 : RET", "63 : RET", "64 : LDI 3", "73 : ARG <1>", "78 : GSB <14>",
          "83 : END"}},
        // The inner if/else ends on a return, but its end label is behind it:
        // the outer then-branch still jumps over the outer else-branch.
        {"macro m var x { if (x) { if (x) x = 1 else return 2 } else x = 3 }",
         {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : JPF <86>", "25 : LDA [V,V,0:4]", "36 : JPF <67>",
          "41 : LDI 1", "50 : STA [V,V,0:4]", "61 : POP", "62 : JMP <81>", "67 : LDI 2", "76 : JMP <107>",
          "81 : JMP <107>", "86 : LDI 3", "95 : STA [V,V,0:4]", "106 : POP", "107 : END"}},
    });
}

TEST(MacroStatements, Loops) {
    ExpectListings({
        {"macro m var i { while (i < 3) i++ }",
         {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : LDI 3", "29 : LT_", "30 : JPF <56>", "35 : STO [V,V,0:4]0",
          "50 : POP", "51 : JMP <9>", "56 : END"}},
        {"macro m var i { do i++ until (i > 2) }",
         {"0 : MCR 0,6", "9 : STO [V,V,0:4]0", "24 : POP", "25 : LDA [V,V,0:4]", "36 : LDI 2", "45 : GT_",
          "46 : JPF <9>", "51 : END"}},
        {"macro m var i { do { i++ } while (i) }",
         {"0 : MCR 0,6", "9 : STO [V,V,0:4]0", "24 : POP", "25 : LDA [V,V,0:4]", "36 : JPT <9>", "41 : END"}},
        {"macro m var i, s { for (i = 0; i < 3; i++) s += i }",
         {"0 : MCR 0,8", "9 : LDI 0", "18 : STA [V,V,0:4]", "29 : POP", "30 : LDA [V,V,0:4]", "41 : LDI 3",
          "50 : LT_", "51 : JPT <82>", "56 : JMP <114>", "61 : STO [V,V,0:4]0", "76 : POP", "77 : JMP <30>",
          "82 : LDA [V,V,0:4]", "93 : STO [V,V,0:6]3", "108 : POP", "109 : JMP <61>", "114 : END"}},
        // Without a condition the loop ends at once.
        {"macro m var i { for (;;) i++ }",
         {"0 : MCR 0,6", "9 : JMP <40>", "14 : JMP <9>", "19 : STO [V,V,0:4]0", "34 : POP", "35 : JMP <14>",
          "40 : END"}},
        {"macro m var i, s { loop (i = 1, 3) s += i }",
         {"0 : MCR 0,8", "9 : LDI 1", "18 : LDI 3", "27 : LDI 1", "36 : LOP [V,V,0:4]", "47 : LPD <84>",
          "52 : LDA [V,V,0:4]", "63 : STO [V,V,0:6]3", "78 : POP", "79 : LPR <47>", "84 : LPE", "85 : END"}},
        {"macro m var i { loop (i = 3, 1; d) { } }",
         {"0 : MCR 0,6", "9 : LDI 3", "18 : LDI 1", "27 : LDI -1", "36 : LOP [V,V,0:4]", "47 : LPD <57>",
          "52 : LPR <47>", "57 : LPE", "58 : END"}},
        {"macro m var i { loop (i = 1, 9, 2) { } }",
         {"0 : MCR 0,6", "9 : LDI 1", "18 : LDI 9", "27 : LDI 2", "36 : LOP [V,V,0:4]", "47 : LPD <57>",
          "52 : LPR <47>", "57 : LPE", "58 : END"}},
        {"macro m var i { while (1) { if (i) break; next } }",
         {"0 : MCR 0,6", "9 : LDI 1", "18 : JPF <54>", "23 : LDA [V,V,0:4]", "34 : JPF <44>", "39 : JMP <54>",
          "44 : JMP <9>", "49 : JMP <9>", "54 : END"}},
        // The innermost loop's labels; outside any loop the program ends.
        {"macro m var i { loop (i = 1, 2) while (i) break; break }",
         {"0 : MCR 0,6", "9 : LDI 1", "18 : LDI 2", "27 : LDI 1", "36 : LOP [V,V,0:4]", "47 : LPD <83>",
          "52 : LDA [V,V,0:4]", "63 : JPF <78>", "68 : JMP <78>", "73 : JMP <52>", "78 : LPR <47>", "83 : LPE",
          "84 : JMP <89>", "89 : END"}},
    });
}

TEST(MacroStatements, SelectTryThrow) {
    ExpectListings({
        {"macro m var x { select (x) { case 1, 2: x = 0; case > 5: x = 1 } }",
         {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : SEL <122>", "25 : ALP", "26 : LDI 1", "35 : EQ_", "36 : ALP",
          "37 : LDI 2", "46 : EQ_", "47 : CSC 2", "52 : JPF <79>", "57 : LDI 0", "66 : STA [V,V,0:4]", "77 : POP",
          "78 : CE_", "79 : ALP", "80 : LDI 5", "89 : GT_", "90 : CSC 1", "95 : JPF <122>", "100 : LDI 1",
          "109 : STA [V,V,0:4]", "120 : POP", "121 : CE_", "122 : SEP", "123 : END"}},
        {"macro m var x { try throw 3 catch { case 3: x = 1 } }",
         {"0 : MCR 0,6", "9 : TRY <29>", "14 : LDI 3", "23 : EJP", "24 : TRE <78>", "29 : XEP <77>", "34 : ALP",
          "35 : LDI 3", "44 : EQ_", "45 : CSC 1", "50 : JPF <77>", "55 : LDI 1", "64 : STA [V,V,0:4]", "75 : POP",
          "76 : CE_", "77 : SEP", "78 : END"}},
        {"macro m { try { throw; } catch { } }",
         {"0 : MCR 0,4", "9 : TRY <29>", "14 : LDI 0", "23 : EJP", "24 : TRE <35>", "29 : XEP <34>", "34 : SEP",
          "35 : END"}},
    });
}

TEST(MacroStatements, StopReturnAndBlocks) {
    ExpectListings({
        {"macro m var x { stop x }", {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : JMP <25>", "25 : END"}},
        {"macro m { stop; return }", {"0 : MCR 0,4", "9 : JMP <19>", "14 : JMP <19>", "19 : END"}},
        // "stop" inside a block in an expression leaves that block.
        {"macro m var x { x = { stop 2 } }",
         {"0 : MCR 0,6", "9 : LDI 2", "18 : JMP <23>", "23 : STA [V,V,0:4]", "34 : POP", "35 : END"}},
    });
}

TEST(MacroStatements, SimpleStatements) {
    ExpectListings({
        {"macro m var x, a[3] { seed; error \"bad\"; swap a, 1, 2; read \"x?\" x; read \"e\": a[2] }",
         {"0 : MCR 0,10", "9 : LDI 3", "18 : AAC [V,0:6]", "28 : FNC (seed)", "33 : ERM \"bad\"", "38 : LDI 1",
          "47 : LDI 2", "56 : SWP [V,A,0:6]", "67 : LSI \"x?\"", "71 : RDV [V,V,0:4]", "82 : LSI \"e\"",
          "85 : LDI 2", "94 : RDV [V,A,0:6]", "105 : END"}},
        {"macro m var x { write x, cr; write format(8, 2) x : 3 }",
         {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : WRE", "21 : LN_", "22 : LDI 8", "31 : LDI 2", "40 : FMT",
          "41 : LDA [V,V,0:4]", "52 : FMT", "53 : LDI 3", "62 : WRE", "63 : END"}},
        {"macro m var x { write x, 1; write tab x, spc(2) x }",
         {"0 : MCR 0,6", "9 : LDA [V,V,0:4]", "20 : WRE", "21 : TAB", "22 : LDI 1", "31 : WRE", "32 : TAB",
          "33 : LDA [V,V,0:4]", "44 : WRE", "45 : LDI 2", "54 : SPC", "55 : LDA [V,V,0:4]", "66 : WRE",
          "67 : END"}},
        // Keywords that start expressions.
        {"macro m var x { inc(x); pi }",
         {"0 : MCR 0,6", "9 : ADI [V,V,0:4]{F,F,1}", "26 : POP", "27 : LDI 3.14159265358979", "36 : END"}},
    });
}

}  // namespace
