// Appending observations of another data file: the variables matched by
// name, the rows chosen in the window by marks, a list or a condition over
// the file's own values, and the append undone as one step.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QTimer>
#include <functional>

#include "app/dialogs/append_select_window.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

using Rows = std::vector<std::vector<double>>;

class AppendDataTest : public StartedWindows {
protected:
    AppendDataTest() : StartedWindows("append") {
        auto cur = MakeModel({{5, 6, 7}, {1, 3, 2}, {9, 8, 9.5}}, {}, {"A", "B", "C"});
        SaveAs(*cur, dir_.Path("cur.MDF"));
        // A, X, B: X exists only in the file.
        auto other = MakeModel({{-1, 2, -3, 4}, {100, 200, 300, 400}, {10, 20, 30, 40}}, {}, {"A", "X", "B"});
        other->SetMark(2, 2, 0x0002);
        SaveAs(*other, dir_.Path("other.MDF"));
        main_->OpenAndRemember(dir_.Path("cur.MDF"));
        ui_.ClearCalls();
    }

    // Runs the command on a file; the window, if shown, goes to act. The
    // message boxes expected on the way are answered OK.
    bool WithWindow(const std::string& file, const std::function<void(TfrmApndSel&)>& act, int boxes = 0) {
        bool shown = false;
        ui_.QueueFile(dir_.Path(file));
        for (int k = 0; k < boxes; ++k) ui_.QueueOK();
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TfrmApndSel*>(QApplication::activeModalWidget());
            if (!w) return;
            shown = true;
            act(*w);
            if (w->isVisible()) w->CanceledExecute();
        });
        main_->Action("AppendData")->trigger();
        return shown;
    }

    // The data set row by row: A, B, C.
    Rows Data() const {
        Rows out;
        const Reg* m = state_.Model();
        for (int i = 0; i < m->GetObsCount(); ++i)
            out.push_back({m->GetValue(i, 0), m->GetValue(i, 1), m->GetValue(i, 2)});
        return out;
    }

    static void ClickNumber(TfrmApndSel& w, int row, Qt::MouseButton button = Qt::LeftButton,
                            Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QRect r = w.Grid()->CellRect(0, row);
        w.sgEditMouseDown(button, mods, r.center().x(), r.center().y());
    }

    const Rows before_ = {{5, 1, 9}, {6, 3, 8}, {7, 2, 9.5}};
};

TEST_F(AppendDataTest, WindowShowsTheCommonVariablesOfTheFile) {
    EXPECT_TRUE(WithWindow("other.MDF", [&](TfrmApndSel& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("追加データ選択"));
        TStringGrid* g = w.Grid();
        EXPECT_EQ(g->ColCount(), 3);
        EXPECT_EQ(g->RowCount(), 5);
        EXPECT_EQ(g->ColWidth(0), 40);
        const std::vector<std::vector<const char*>> cells = {
            {"CLR", "A", "B"}, {"1", "-1.0000", "10.0000"}, {"2", "2.0000", "20.0000"}, {"4", "4.0000", "40.0000"}};
        const int rows[] = {0, 1, 2, 4};
        for (std::size_t k = 0; k < cells.size(); ++k)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(g->Cell(c, rows[k]).toStdString(), cells[k][static_cast<std::size_t>(c)])
                    << rows[k] << "," << c;
    }));
    EXPECT_EQ(Data(), before_);
}

TEST_F(AppendDataTest, EveryNumberFitsItsCellWhole) {
    auto wide = MakeModel({{234289, -1234567.125, 5e14, 1}, {0.5, 1, 2, 3}}, {}, {"A", "LongVariableNameB"});
    SaveAs(*wide, dir_.Path("wide.MDF"));
    EXPECT_TRUE(WithWindow("wide.MDF", [&](TfrmApndSel& w) {
        TStringGrid* g = w.Grid();
        const QFontMetrics metrics(w.font());
        ASSERT_EQ(g->Cell(1, 1).toStdString(), "234289.0000");
        for (int c = 0; c < g->ColCount(); ++c)
            for (int r = 0; r < g->RowCount(); ++r) {
                // The painter keeps 5 pixels on the right; the text starts
                // inside the cell.
                const int need = metrics.horizontalAdvance(g->Cell(c, r)) + 5 + 1;
                EXPECT_GE(g->ColWidth(c), need) << g->Cell(c, r).toStdString();
            }
    }));
}

TEST_F(AppendDataTest, AllAppendsEveryRowByNameAndUndoesAsOneStep) {
    EXPECT_TRUE(WithWindow("other.MDF", [&](TfrmApndSel& w) {
        ClickNumber(w, 2);
        ClickNumber(w, 1, Qt::LeftButton);  // the marks do not matter to All
        w.ActionNamed("All")->trigger();
    }));
    const Rows expected = {{5, 1, 9}, {6, 3, 8}, {7, 2, 9.5}, {-1, 10, 0}, {2, 20, 0}, {-3, 30, 0}, {4, 40, 0}};
    EXPECT_EQ(Data(), expected);
    EXPECT_EQ(state_.Model()->GetMark(5, 1), 0x0002);  // the group word comes along
    EXPECT_EQ(state_.Model()->GetMark(5, 2), 0);
    main_->UndoEditExecute();
    EXPECT_EQ(Data(), before_);
}

TEST_F(AppendDataTest, ConditionIsReadOverTheFileAndListsAddMarks) {
    // The open data set's A is positive everywhere; the file's A only in
    // rows 2 and 4.
    EXPECT_TRUE(WithWindow("other.MDF", [&](TfrmApndSel& w) {
        ui_.QueueInput("=A>0");
        ui_.QueueInput("1");
        ClickNumber(w, 3);
        w.ActionNamed("ChoiceData")->trigger();
        EXPECT_EQ(w.RowMarks().Flags(), (std::vector<std::uint8_t>{0, 1, 0, 1}));
        ClickNumber(w, 0, Qt::RightButton);  // right click on "CLR": the same prompt
        EXPECT_EQ(w.RowMarks().Flags(), (std::vector<std::uint8_t>{1, 1, 0, 1}));
        w.ActionNamed("Selected")->trigger();
    }));
    const Rows expected = {{5, 1, 9}, {6, 3, 8}, {7, 2, 9.5}, {-1, 10, 0}, {2, 20, 0}, {4, 40, 0}};
    EXPECT_EQ(Data(), expected);
    main_->UndoEditExecute();
    EXPECT_EQ(Data(), before_);
}

TEST_F(AppendDataTest, ClickedMarksChooseRowsAndClrClearsThem) {
    EXPECT_TRUE(WithWindow("other.MDF", [&](TfrmApndSel& w) {
        ClickNumber(w, 1);
        ClickNumber(w, 4, Qt::LeftButton, Qt::ShiftModifier);
        EXPECT_EQ(w.RowMarks().Flags(), (std::vector<std::uint8_t>{1, 1, 1, 1}));
        ClickNumber(w, 0);  // "CLR"
        EXPECT_EQ(w.RowMarks().Flags(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
        ClickNumber(w, 3);
        ClickNumber(w, 2, Qt::LeftButton, Qt::ControlModifier);
        w.ActionNamed("Selected")->trigger();
    }));
    const Rows expected = {{5, 1, 9}, {6, 3, 8}, {7, 2, 9.5}, {2, 20, 0}, {-3, 30, 0}};
    EXPECT_EQ(Data(), expected);
}

TEST_F(AppendDataTest, CancelAndNoMarkedRowAppendNothing) {
    EXPECT_TRUE(WithWindow("other.MDF", [&](TfrmApndSel& w) { w.ActionNamed("Canceled")->trigger(); }));
    EXPECT_EQ(Data(), before_);
    EXPECT_TRUE(WithWindow("other.MDF", [&](TfrmApndSel& w) { w.ActionNamed("Selected")->trigger(); }));
    EXPECT_EQ(Data(), before_);
    ui_.QueueFile("");
    main_->Action("AppendData")->trigger();
    EXPECT_EQ(Data(), before_);
}

TEST_F(AppendDataTest, FileWithoutCommonVariableOrUnreadableShowsItsError) {
    auto none = MakeModel({{1, 2, 3}, {3, 1, 2}}, {}, {"P", "Q"});
    SaveAs(*none, dir_.Path("none.MDF"));
    WriteText(dir_.Path("broken.MDF"), std::string("MDF\0\xff\xff\x00\x00", 8));
    EXPECT_FALSE(WithWindow("none.MDF", [](TfrmApndSel&) {}, 1));
    EXPECT_FALSE(WithWindow("broken.MDF", [](TfrmApndSel&) {}, 1));
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "追加すべき変数がありません。");
    EXPECT_EQ(boxes[0].msgKind, MsgKind::Error);
    EXPECT_NE(boxes[1].text.find("broken.MDF"), std::string::npos) << boxes[1].text;
    EXPECT_EQ(Data(), before_);
}

}  // namespace
