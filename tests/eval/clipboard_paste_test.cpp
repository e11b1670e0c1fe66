// Pasted cells read through the program's own evaluator: fields are
// expressions, and what a copy writes pastes back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/io/clipboard_text.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace {

TEST(ClipboardPaste, FieldsAreExpressions) {
    AppState app;
    TextEvaluator& ev = app.Context().Evaluator();
    const struct {
        const char* text;
        double value;
        int group;
    } cases[] = {
        {"2*3@1+1", 6.0, 2}, {"10/4@2^4", 2.5, 16}, {"-(1+2)@-1", -3.0, 65535}, {"1.5@3", 1.5, 3}, {"7@65537", 7.0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        DataString out;
        ReadClipboardText(c.text, out, ev);
        ASSERT_EQ(out.Count(), 1);
        EXPECT_EQ(out.GetValue(0), c.value);
        EXPECT_EQ(out.GetAttribute(0), c.group);
    }
}

TEST(ClipboardPaste, CopyThenPasteThroughTheSystemClipboard) {
    AppState app;
    ScriptedServices services;
    Clip clip;
    DataString cells;
    cells.Add(DataCell(3, 1.5));
    cells.Add(DataCell(0, -2e-7));
    cells.Add(DataCell(65535, 12345.678));
    clip.CopyToClipboard(cells, true, services);
    EXPECT_EQ(services.ClipboardText(), "1.5@3,-2E-7,12345.678@65535,");
    DataString out;
    clip.PasteFromClipboard(out, true, services, app.Context().Evaluator());
    ASSERT_EQ(out.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(out.GetValue(i), cells.GetValue(i));
        EXPECT_EQ(out.GetAttribute(i), cells.GetAttribute(i));
    }
}

TEST(ClipboardPaste, EmptyValueIsTheEvaluatorsError) {
    AppState app;
    DataString out;
    EXPECT_THROW(ReadClipboardText("1,@2", out, app.Context().Evaluator()), Exception);
    EXPECT_EQ(out.Count(), 1);
}

}  // namespace
