#include "core/io/clipboard_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace {

// Answers from a table of expression texts; anything else is refused as the
// evaluator refuses a bad text.
class TableEvaluator : public TextEvaluator {
public:
    double Calculate(const std::string& text) override {
        ++calls;
        if (text.empty()) throw Exception("システムエラー");
        const auto it = table_.find(text);
        if (it == table_.end()) throw Exception("Syntax Error!");
        return it->second;
    }
    double Evaluate(const std::string& text, double fallback) override {
        ++calls;
        const auto it = table_.find(text);
        return it == table_.end() ? fallback : it->second;
    }
    int calls = 0;

private:
    std::map<std::string, double> table_ = {{"2*3", 6.0}, {"1+1", 2.0}, {"3/4", 0.75}, {"x", 7.0},
                                           {"0/0", std::numeric_limits<double>::quiet_NaN()}};
};

DataString Cells(const std::vector<std::pair<double, std::uint16_t>>& cells) {
    DataString s;
    for (const auto& [v, m] : cells) s.Add(DataCell(m, v));
    return s;
}

std::uint64_t Bits(double x) {
    std::uint64_t b = 0;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

void ExpectSameCells(const DataString& got, const DataString& want) {
    ASSERT_EQ(got.Count(), want.Count());
    for (int i = 0; i < got.Count(); ++i) {
        EXPECT_EQ(Bits(got.GetValue(i)), Bits(want.GetValue(i))) << "cell " << i;
        EXPECT_EQ(got.GetAttribute(i), want.GetAttribute(i)) << "cell " << i;
    }
}

// --- the text form -------------------------------------------------------------

TEST(ClipboardText, WritesEveryCellWithItsCommaAndNothingElse) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        std::vector<std::pair<double, std::uint16_t>> cells;
        std::string text;
    } cases[] = {
        {{{1.5, 3}}, "1.5@3,"},
        {{{1.0, 0}, {2.0, 0}}, "1,2,"},
        {{}, ""},
        {{{-0.25, 65535}, {1e20, 1}, {1.5e-7, 0}}, "-0.25@65535,1E20@1,1.5E-7,"},
        {{{1.0 / 3.0, 0}}, "0.333333333333333,"},
        {{{123456789012345678.0, 2}}, "1.23456789012346E17@2,"},
        {{{0.0, 0}, {-0.0, 0}}, "0,0,"},
        {{{std::nan(""), 4}, {inf, 0}, {-inf, 0}}, "NAN@4,INF,-INF,"},
    };
    for (const Case& c : cases) EXPECT_EQ(ClipboardText(Cells(c.cells)), c.text);
}

TEST(ClipboardText, ReadsFieldsValuesAndGroupWords) {
    struct Case {
        std::string text;
        std::vector<std::pair<double, std::uint16_t>> cells;
    } cases[] = {
        {"1\r\n2\r\n3", {{1, 0}, {2, 0}, {3, 0}}},
        {"2*3@1+1,", {{6, 2}}},
        {"5@65537,", {{5, 1}}},
        {"5@-1,", {{5, 65535}}},
        {"5@2.9,6@-2.9,", {{5, 2}, {6, 65534}}},
        {"5@,", {{5, 0}}},
        {"5@x", {{5, 7}}},
        {"5@unknown", {{5, 0}}},
        {"1.5@3,", {{1.5, 3}}},
        {"1\t2\n3,,4", {{1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        {" 1 , 2 ", {{1, 0}, {2, 0}}},
        {"1, ,2", {{1, 0}}},  // a field of blanks ends the cells
        {"", {}},
        {",,,\r\n", {}},
        {"NAN@4,INF,-INF", {{std::nan(""), 4}, {std::numeric_limits<double>::infinity(), 0},
                            {-std::numeric_limits<double>::infinity(), 0}}},
        {"3/4@1e6", {{0.75, static_cast<std::uint16_t>(1000000 & 0xFFFF)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TableEvaluator ev;
        DataString out;
        ReadClipboardText(c.text, out, ev);
        ASSERT_EQ(out.Count(), static_cast<int>(c.cells.size()));
        for (int i = 0; i < out.Count(); ++i) {
            const double want = c.cells[static_cast<std::size_t>(i)].first;
            if (std::isnan(want))
                EXPECT_TRUE(std::isnan(out.GetValue(i)));
            else
                EXPECT_EQ(out.GetValue(i), want);
            EXPECT_EQ(out.GetAttribute(i), c.cells[static_cast<std::size_t>(i)].second);
        }
        EXPECT_EQ(ClipboardTextCellCount(c.text), static_cast<int>(c.cells.size()));
    }
}

TEST(ClipboardText, PlainNumbersNeedNoEvaluator) {
    TableEvaluator ev;
    DataString out;
    ReadClipboardText("1,2.5@3,-1e-3@65535,", out, ev);
    EXPECT_EQ(out.Count(), 3);
    EXPECT_EQ(ev.calls, 0);
}

TEST(ClipboardText, BadValueStopsWithTheCellsReadSoFar) {
    struct Case {
        std::string text;
        int kept;
    } cases[] = {{"1,2,bad,4", 2}, {"@3,1", 0}, {"1@2,@5", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TableEvaluator ev;
        DataString out;
        EXPECT_THROW(ReadClipboardText(c.text, out, ev), Exception);
        EXPECT_EQ(out.Count(), c.kept);
    }
    // The empty value text gives the evaluator's message.
    TableEvaluator ev;
    DataString out;
    try {
        ReadClipboardText("@1", out, ev);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "システムエラー");
    }
}

TEST(ClipboardText, GroupOutsideAnyIntegerIsARangeError) {
    for (const char* text : {"1@1e300", "1@-1e19", "1@0/0"}) {
        TableEvaluator ev;
        DataString out;
        EXPECT_THROW(ReadClipboardText(text, out, ev), ERangeError) << text;
        EXPECT_EQ(out.Count(), 0) << text;
    }
}

// --- the two clipboards ---------------------------------------------------------

TEST(Clip, BufferKeepsCellsBitForBit) {
    ScriptedServices services;
    TableEvaluator ev;
    Clip clip;
    const DataString cells = Cells({{0.1 + 0.2, 1}, {1.0 / 3.0, 0}, {std::nextafter(1.0, 2.0), 65535},
                                    {-4.9406564584124654e-324, 8}});
    clip.CopyToClipboard(cells, false, services);
    EXPECT_EQ(clip.ClipboardLineCount(false, services), 4);
    DataString out = Cells({{9, 9}});
    clip.PasteFromClipboard(out, false, services, ev);
    ExpectSameCells(out, cells);
    clip.Clear(false, services);
    EXPECT_EQ(clip.ClipboardLineCount(false, services), 0);
    // The system clipboard is never touched.
    EXPECT_TRUE(services.Calls().empty());
}

TEST(Clip, SystemClipboardCarriesTheTextForm) {
    ScriptedServices services;
    TableEvaluator ev;
    Clip clip;
    clip.CopyToClipboard(Cells({{1.5, 3}, {2, 0}}), true, services);
    EXPECT_EQ(services.ClipboardText(), "1.5@3,2,");
    ASSERT_EQ(services.CallsOf(ServiceCall::ClipboardSet).size(), 1u);
    EXPECT_EQ(clip.ClipboardLineCount(true, services), 2);
    DataString out = Cells({{9, 9}, {9, 9}, {9, 9}});
    clip.PasteFromClipboard(out, true, services, ev);
    ExpectSameCells(out, Cells({{1.5, 3}, {2, 0}}));
    // The own buffer stays empty.
    EXPECT_EQ(clip.ClipboardLineCount(false, services), 0);
    clip.Clear(true, services);
    EXPECT_EQ(services.CallsOf(ServiceCall::ClipboardClear).size(), 1u);
    EXPECT_EQ(clip.ClipboardLineCount(true, services), 0);
}

TEST(Clip, SystemClipboardLosesWhatFifteenDigitsDoNotHold) {
    ScriptedServices services;
    TableEvaluator ev;
    Clip clip;
    clip.CopyToClipboard(Cells({{0.1 + 0.2, 0}, {1.0 / 3.0, 2}}), true, services);
    EXPECT_EQ(services.ClipboardText(), "0.3,0.333333333333333@2,");
    DataString out;
    clip.PasteFromClipboard(out, true, services, ev);
    ExpectSameCells(out, Cells({{0.3, 0}, {0.333333333333333, 2}}));
}

TEST(Clip, EmptyCopyGivesAnEmptyText) {
    ScriptedServices services;
    Clip clip;
    services.ClipboardSetText("old");
    clip.CopyToClipboard(DataString(), true, services);
    const auto sets = services.CallsOf(ServiceCall::ClipboardSet);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets.back().text, "");
    EXPECT_EQ(clip.ClipboardLineCount(true, services), 0);
}

TEST(Clip, SystemClipboardWithoutTextLeavesTheCells) {
    ScriptedServices services;
    TableEvaluator ev;
    Clip clip;
    DataString out = Cells({{4, 1}});
    clip.PasteFromClipboard(out, true, services, ev);
    ExpectSameCells(out, Cells({{4, 1}}));
    EXPECT_EQ(clip.ClipboardLineCount(true, services), 0);
    EXPECT_TRUE(services.CallsOf(ServiceCall::ClipboardGet).empty());
    // Nothing to clear: the clipboard is not cleared.
    clip.Clear(true, services);
    EXPECT_TRUE(services.CallsOf(ServiceCall::ClipboardClear).empty());
}

TEST(Clip, OtherProgramsLinesPasteAsCells) {
    ScriptedServices services;
    TableEvaluator ev;
    Clip clip;
    services.ClipboardSetText("1\r\n2\r\n3");
    EXPECT_EQ(clip.ClipboardLineCount(true, services), 3);
    DataString out;
    clip.PasteFromClipboard(out, true, services, ev);
    ExpectSameCells(out, Cells({{1, 0}, {2, 0}, {3, 0}}));
    clip.Clear(true, services);
    EXPECT_EQ(clip.ClipboardLineCount(true, services), 0);
}

TEST(Clip, CountStopsAtTheFirstEmptyFieldAsThePasteDoes) {
    ScriptedServices services;
    TableEvaluator ev;
    Clip clip;
    services.ClipboardSetText("1,2, ,3,4");
    EXPECT_EQ(clip.ClipboardLineCount(true, services), 2);
    DataString out;
    clip.PasteFromClipboard(out, true, services, ev);
    EXPECT_EQ(out.Count(), 2);
}

TEST(Clip, FailedPasteKeepsTheCellsReadAndTheClipboard) {
    ScriptedServices services;
    TableEvaluator ev;
    Clip clip;
    services.ClipboardSetText("1,2*3@1+1,oops,4");
    EXPECT_EQ(clip.ClipboardLineCount(true, services), 4);
    DataString out = Cells({{9, 9}});
    EXPECT_THROW(clip.PasteFromClipboard(out, true, services, ev), Exception);
    ExpectSameCells(out, Cells({{1, 0}, {6, 2}}));
    EXPECT_EQ(services.ClipboardText(), "1,2*3@1+1,oops,4");
}

}  // namespace
