// Report columns counted in CP932 bytes, the CP932 sink, and the result
// table's cells.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "core/report/report_text.h"
#include "core/report/result_table.h"
#include "core/text/number_format.h"
#include "platform/errors.h"

namespace {

TEST(ReportColumns, WidthsCountCp932Bytes) {
    struct Case {
        std::string text;
        int width;
        std::string expected;  // UTF-8
    };
    // "番号" and "ｔ値" are 4 bytes in CP932, "変数名" 6 (python: encode('cp932')).
    const Case cases[] = {
        {"番号", 4, "番号"},
        {"番号", 6, "  番号"},
        {"変数名", 12, "      変数名"},
        {"ｔ値", 5, " ｔ値"},
        // Too long: the tail is kept, and a character cut in two becomes a blank.
        {"変数名", 5, " 数名"},
        {"abcdef", 4, "cdef"},
    };
    for (const Case& c : cases) {
        std::string line = "|";
        AppendColumn(line, c.text, c.width);
        EXPECT_EQ(line, "|" + c.expected) << c.text << " in " << c.width;
    }
    std::string line;
    AppendColumn(line, 17, 4);
    AppendNumberColumn(line, 1.5);
    AppendMarkedColumn(line, "**", 1.5);
    AppendMarkedColumn(line, "", -2.25, 8);
    EXPECT_EQ(line, "  17      1.5000    **1.5000 -2.2500");
}

// A marked value takes the quick number form: the same text as the mark
// followed by the program's number format.
TEST(ReportColumns, MarkedValueMatchesTheProgramFormat) {
    std::mt19937_64 gen(5);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-9, 8);
    for (int i = 0; i < 50000; ++i) {
        const double x = mantissa(gen) * std::pow(10.0, exponent(gen));
        std::string line;
        AppendMarkedColumn(line, "* ", x);
        ASSERT_EQ(line, PadLeft("* " + FormatNumber(false, x), 12)) << x;
    }
}

TEST(ReportTextSink, WritesCp932AndRefusesAFailedStream) {
    std::ostringstream out;
    {
        ReportText text(out, "failed", 4);
        text.Put("番号");
        text.Put(" 1\n");
        text.Finish();
    }
    EXPECT_EQ(out.str(), std::string("\x94\xd4\x8d\x86 1\n"));

    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    ReportText text(broken, "レポートを書き込めません");
    text.Put("x\n");
    try {
        text.Finish();
        FAIL() << "a failed stream was reported as written";
    } catch (const EWriteError& e) {
        EXPECT_STREQ(e.what(), "レポートを書き込めません");
    }
}

TEST(ResultTableCells, RowsFillToTheColumnsAndOutsideIsEmpty) {
    ResultTable table({"a", "b", "c"});
    table.AddRow({NumberCell(0.5, false, "* "), TextCell("-")});
    table.AddRow({NumberCell(1e-5, true), NumberCell(1e-5), NumberCell(2.0), NumberCell(3.0)});
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.Cell(0, 0).Shown(), "* 0.5000");
    EXPECT_EQ(table.Cell(0, 0).value, 0.5);
    EXPECT_EQ(table.Cell(1, 0).Shown(), "-");
    EXPECT_TRUE(std::isnan(table.Cell(1, 0).value));
    EXPECT_EQ(table.Cell(2, 0), ResultCell{});
    EXPECT_EQ(table.Cell(0, 1).text, "0.0000");
    EXPECT_EQ(table.Cell(1, 1).text, "1.0000e-5");
    EXPECT_EQ(table.Cell(3, 1), ResultCell{});
    EXPECT_EQ(table.Cell(0, 2), ResultCell{});
    EXPECT_EQ(table.Title(1), "b");
    EXPECT_EQ(table.Title(3), "");
}

}  // namespace
