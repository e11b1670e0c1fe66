// Cut, copy and paste of whole observations through the program's own
// buffer and the system clipboard, and undo and redo of the edit steps:
// each command is one step, undo restores the data bit for bit, and the
// modified flag is clear exactly at the state last loaded or saved.
#include <gtest/gtest.h>

#include <QAction>
#include <cmath>
#include <cstring>

#include "app/main_window/main_window.h"
#include "app/settings/settings_dialog.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "started_windows.h"

namespace {

// Every value and group word of a data set, and its shape, as bits.
struct Snapshot {
    int n = 0, k = 0;
    std::vector<std::uint64_t> bits;
    std::vector<std::uint16_t> marks;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const Reg& m) {
    Snapshot s{m.GetObsCount(), m.GetVarCount(), {}, {}};
    for (int i = 0; i < s.n; ++i)
        for (int j = 0; j < s.k; ++j) {
            const double v = m.GetValue(i, j);
            std::uint64_t b;
            std::memcpy(&b, &v, sizeof b);
            s.bits.push_back(b);
            s.marks.push_back(m.GetMark(i, j));
        }
    return s;
}

class ClipboardCommandsTest : public StartedWindows {
protected:
    ClipboardCommandsTest() : StartedWindows("clip") {}
    ~ClipboardCommandsTest() override {
        if (state_.Model()) state_.Model()->SetModified(false);
    }
    // Six observations of A = i + 0.5, B = 10 (i + 1), C = 1/3 + i (not
    // exact in 15 digits) with group words on a few cells; C dependent.
    void Open(bool exactValues = false) {
        std::vector<double> a(6), b(6), c(6);
        for (int i = 0; i < 6; ++i) {
            a[i] = i + 0.5;
            b[i] = 10.0 * (i + 1) + (i % 2 ? 3 : 0);
            c[i] = exactValues ? 0.25 * i * i + 1 : 1.0 / 3.0 + i * i * 0.1;
        }
        auto model = MakeModel({a, b, c}, {}, {"A", "B", "C"});
        model->SetMark(1, 1, 3);
        model->SetMark(3, 0, 0x8000);
        ASSERT_TRUE(model->SetModel(2, {2, 2, 0}));
        SaveAs(*model, dir_.Path("data.MDF"));
        main_->OpenAndRemember(dir_.Path("data.MDF"));
        ASSERT_NE(state_.Model(), nullptr);
        ASSERT_FALSE(state_.Model()->IsModified());
    }
    void SetOsClip(bool on) { windows_->SetteiDlg->Settings().Values().OS_Clip = on; }
    void Mark(std::initializer_list<int> observations) {
        main_->ObservationMarks.Clear();
        for (int i : observations) main_->ObservationMarks.Set(i, 1);
        main_->UpdateClipboardActions();
    }
    bool Enabled(const char* name) { return main_->Action(name)->isEnabled(); }
    Reg& Model() { return *state_.Model(); }
};

TEST_F(ClipboardCommandsTest, CopyAndPasteRoundTripThroughBothClipboards) {
    for (bool os : {false, true}) {
        SCOPED_TRACE(os ? "system clipboard" : "own buffer");
        Open(os);  // the system clipboard carries 15 digits: exact values there
        SetOsClip(os);
        const Snapshot before = Take(Model());
        EXPECT_FALSE(Enabled("CopyEdit"));
        EXPECT_FALSE(Enabled("PasteEdit"));
        Mark({1, 3});
        EXPECT_TRUE(Enabled("CopyEdit"));
        EXPECT_TRUE(Enabled("CutEdit"));
        main_->Action("CopyEdit")->trigger();
        EXPECT_EQ(main_->ObservationMarks.FindFirst(), -1);
        EXPECT_FALSE(Enabled("CopyEdit"));
        EXPECT_TRUE(Enabled("PasteEdit"));
        EXPECT_EQ(Take(Model()), before);  // a copy changes nothing
        if (os) {
            EXPECT_EQ(ui_.ClipboardText(), "1.5,23@3,1.25,3.5@32768,43,3.25,");
        }

        Mark({0, 4});  // pasted before the first marked observation
        main_->Action("PasteEdit")->trigger();
        ASSERT_EQ(Model().GetObsCount(), 8);
        const int from[] = {1, 3, 0, 1, 2, 3, 4, 5};  // former index of each row
        const Snapshot after = Take(Model());
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 3; ++j) {
                const std::size_t at = static_cast<std::size_t>(i * 3 + j);
                const std::size_t was = static_cast<std::size_t>(from[i] * 3 + j);
                EXPECT_EQ(after.bits[at], before.bits[was]) << i << "," << j;
                EXPECT_EQ(after.marks[at], before.marks[was]) << i << "," << j;
            }
        EXPECT_FALSE(Enabled("PasteEdit"));
        EXPECT_TRUE(Model().IsModified());
        if (os) {
            EXPECT_EQ(ui_.ClipboardText(), "");  // emptied by the paste
        }

        main_->UndoEditExecute();
        EXPECT_EQ(Take(Model()), before);
        EXPECT_FALSE(Model().IsModified());
        main_->RedoEditExecute();
        EXPECT_EQ(Take(Model()), after);
        EXPECT_TRUE(Model().IsModified());
        Model().SetModified(false);
    }
}

TEST_F(ClipboardCommandsTest, PasteWithNothingMarkedAppendsAndNeedsWholeObservations) {
    Open(true);
    SetOsClip(true);
    const Snapshot before = Take(Model());
    ui_.ClipboardSetText("7,8,");  // two cells: less than one observation
    main_->PasteEditExecute();
    EXPECT_EQ(Take(Model()), before);
    EXPECT_EQ(ui_.ClipboardText(), "7,8,");  // left as it was

    // Seven cells: two whole observations, the seventh cell left out.
    ui_.ClipboardSetText("1,2,3,4,5@2,6,99,");
    Mark({});
    main_->PasteEditExecute();
    ASSERT_EQ(Model().GetObsCount(), 8);
    EXPECT_EQ(Model().GetValue(6, 0), 1.0);
    EXPECT_EQ(Model().GetValue(7, 1), 5.0);
    EXPECT_EQ(Model().GetMark(7, 1), 2);
    EXPECT_EQ(Model().GetValue(7, 2), 6.0);
    EXPECT_EQ(Model().GetValue(5, 0), 5.5);
}

TEST_F(ClipboardCommandsTest, MarksBeyondTheObservationsAreIgnored) {
    Open();
    Mark({40, 41});
    main_->CopyEditExecute();
    EXPECT_FALSE(Enabled("PasteEdit"));  // nothing copied, nothing to paste

    Mark({2});
    main_->CopyEditExecute();
    Mark({40});  // a paste never goes beyond the data set: appended
    main_->PasteEditExecute();
    ASSERT_EQ(Model().GetObsCount(), 7);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(Model().GetValue(6, j), Model().GetValue(2, j));

    Mark({1, 50});
    main_->CutEditExecute();
    EXPECT_EQ(Model().GetObsCount(), 6);  // only observation 2 went
}

TEST_F(ClipboardCommandsTest, CuttingEveryObservationIsRefusedBeforeAnythingIsCopied) {
    Open(true);
    SetOsClip(true);
    const Snapshot before = Take(Model());
    Mark({0, 1, 2, 3, 4, 5});
    ui_.ClearCalls();
    ui_.QueueOK();
    main_->Action("CutEdit")->trigger();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_EQ(Take(Model()), before);
    EXPECT_EQ(ui_.ClipboardText(), "");
    EXPECT_FALSE(Enabled("PasteEdit"));
    EXPECT_FALSE(state_.Undo().CanUndo());
}

TEST_F(ClipboardCommandsTest, APasteWhoseTextFailsToEvaluateChangesNothing) {
    Open(true);
    SetOsClip(true);
    const Snapshot before = Take(Model());
    ui_.ClipboardSetText("1,2,3,4,5@99999999999999999999999,6,");
    ui_.QueueOK();
    main_->Action("PasteEdit")->setEnabled(true);
    main_->Action("PasteEdit")->trigger();
    EXPECT_EQ(Take(Model()), before);
    EXPECT_FALSE(state_.Undo().CanUndo());
}

TEST_F(ClipboardCommandsTest, CopyWithNothingMarkedCopiesNothing) {
    Open();
    Mark({});
    main_->CopyEditExecute();
    EXPECT_FALSE(Enabled("PasteEdit"));
    main_->CutEditExecute();
    EXPECT_EQ(Model().GetObsCount(), 6);
    EXPECT_EQ(state_.Undo().UndoStepCount(), 0);
}

TEST_F(ClipboardCommandsTest, UndoRestoresACutOfThreeAtOnceAndTwoPastesAreTwoSteps) {
    Open();
    const Snapshot original = Take(Model());
    Mark({0, 2, 5});
    main_->CutEditExecute();
    ASSERT_EQ(Model().GetObsCount(), 3);
    EXPECT_EQ(main_->ObservationMarks.Count(), 3);
    EXPECT_TRUE(Enabled("PasteEdit"));
    main_->UndoEditExecute();
    EXPECT_EQ(Take(Model()), original);

    // Two pastes of two observations each: two steps.
    Mark({0, 1});
    main_->CopyEditExecute();
    main_->PasteEditExecute();
    const Snapshot onePaste = Take(Model());
    Mark({0, 1});
    main_->CopyEditExecute();
    main_->PasteEditExecute();
    ASSERT_EQ(Model().GetObsCount(), 10);
    main_->UndoEditExecute();
    EXPECT_EQ(Take(Model()), onePaste);
    main_->UndoEditExecute();
    EXPECT_EQ(Take(Model()), original);
    EXPECT_FALSE(Model().IsModified());
}

TEST_F(ClipboardCommandsTest, MixedEditsUndoAndRedoBitForBit) {
    Open();
    DataEdit ed{Model(), state_.Undo(), {}};
    std::vector<Snapshot> states{Take(Model())};
    SetCellValueWithUndo(ed, 2, 0, 1.0 / 7.0);
    states.push_back(Take(Model()));
    Mark({4, 5});
    main_->CutEditExecute();
    states.push_back(Take(Model()));
    const double added[] = {0.1, 0.2, 0.3};
    AppendObservationWithUndo(ed, added);
    states.push_back(Take(Model()));
    Mark({0});
    main_->CopyEditExecute();
    Mark({2});
    main_->PasteEditExecute();
    states.push_back(Take(Model()));
    ExchangeVariablesWithUndo(ed, 0, 1);
    states.push_back(Take(Model()));
    DeleteObservationsWithUndo(ed, {0, 3});
    states.push_back(Take(Model()));

    for (std::size_t s = states.size() - 1; s > 0; --s) {
        main_->UndoEditExecute();
        EXPECT_EQ(Take(Model()), states[s - 1]) << "undo to state " << s - 1;
    }
    EXPECT_FALSE(Model().IsModified());
    EXPECT_FALSE(state_.Undo().CanUndo());
    for (std::size_t s = 1; s < states.size(); ++s) {
        main_->RedoEditExecute();
        EXPECT_EQ(Take(Model()), states[s]) << "redo to state " << s;
    }
    EXPECT_TRUE(Model().IsModified());
}

TEST_F(ClipboardCommandsTest, ModifiedIsClearOnlyAtTheSavedState) {
    Open();
    Mark({0});
    main_->CopyEditExecute();
    main_->PasteEditExecute();
    EXPECT_TRUE(Model().IsModified());
    // Save as keeps the history.
    ui_.QueueFile(dir_.Path("copy.MDF"));
    main_->SaveAsFileExecute();
    EXPECT_FALSE(Model().IsModified());
    // Back at the state that was loaded, but the file now holds the paste.
    main_->UndoEditExecute();
    EXPECT_TRUE(Model().IsModified());
    main_->RedoEditExecute();
    EXPECT_FALSE(Model().IsModified());
    // Save empties it: nothing to undo past what the file holds.
    const int rows = Model().GetObsCount();
    main_->SaveFileExecute();
    main_->UndoEditExecute();
    EXPECT_EQ(Model().GetObsCount(), rows);
    EXPECT_FALSE(Model().IsModified());
}

}  // namespace
