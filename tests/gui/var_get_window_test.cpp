// The external variables window: the tree of a folder's data files, the
// value grid, row marks, the name search and importing a whole variable or
// its marked rows as one undo step.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QTreeWidget>
#include <QLabel>
#include <functional>

#include "components/view/grid_cell_painter.h"
#include "components/view/grid_marks.h"
#include "app/dialogs/var_get_window.h"
#include "core/data/variable.h"
#include "core/data/variable_rows.h"
#include "core/io/stored_variables.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "components/plot/core/recording_canvas.h"
#include "components/plot/qpainter_canvas.h"
#include "started_windows.h"

namespace {

const char* const kNotFound = "見つかりませんでした。";

// P over seven observations with group words, the same values as the
// hand-made expectations below.
const std::vector<double> kP = {1.5, -2.0, 3.25, 0.0, 7.0, -0.5, 11.0};
const std::vector<std::uint16_t> kPGroups = {0x0000, 0x0001, 0x0002, 0x0004, 0x8000, 0x0010, 0x0021};

class VarGetWindowTest : public StartedWindows {
protected:
    // Rows 2, 5 and 7 of prices.MDF's P imported as the new variable PM.
    void ImportRows257AsPM() {
        ui_.QueueInput("PM");
        WithWindow([&](TfrmVarGet& w) {
            w.tvFileMouseDown(Node(w, "prices.MDF", "P"));
            ClickRow(w, 2);
            ClickRow(w, 5, Qt::ControlModifier);
            ClickRow(w, 7, Qt::ControlModifier);
            w.ActionNamed("ImportSelected")->trigger();
        });
    }
    VarGetWindowTest() : StartedWindows("vget") {
        auto prices = MakeModel({kP, {1, 2, 3, 4, 5, 6, 8}}, {}, {"P", "W"});
        for (int i = 0; i < 7; ++i) prices->SetMark(i, 0, kPGroups[static_cast<std::size_t>(i)]);
        SaveAs(*prices, dir_.Path("prices.MDF"));
        auto other = MakeModel({{1, 2, 4}, {3, 1, 2}}, {}, {"Q", "R"});
        SaveAs(*other, dir_.Path("other.mdf"));
        WriteText(dir_.Path("notes.txt"), "not a data file");
        auto cur = MakeModel({{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}}, {}, {"X", "Y"});
        SaveAs(*cur, dir_.Path("cur.MDF"));
        main_->OpenAndRemember(dir_.Path("cur.MDF"));
        ui_.ClearCalls();
    }

    // Runs the main window's command; the window, once shown, goes to act.
    void WithWindow(const std::function<void(TfrmVarGet&)>& act) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TfrmVarGet*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            shown = true;
            act(*w);
            if (w->isVisible()) w->ExitenceExecute();
        });
        main_->Action("ImportVar")->trigger();
        EXPECT_TRUE(shown);
    }

    static std::vector<std::string> TreeTexts(QTreeWidget* tree) {
        std::vector<std::string> out;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem* root = tree->topLevelItem(i);
            out.push_back(root->text(0).toStdString());
            for (int k = 0; k < root->childCount(); ++k) out.push_back("  " + root->child(k)->text(0).toStdString());
        }
        return out;
    }

    static QTreeWidgetItem* Node(TfrmVarGet& w, const QString& file, const QString& var) {
        QTreeWidget* tree = w.FileTree();
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem* root = tree->topLevelItem(i);
            if (root->text(0) != file) continue;
            if (var.isEmpty()) return root;
            for (int k = 0; k < root->childCount(); ++k)
                if (root->child(k)->text(0) == var) return root->child(k);
        }
        return nullptr;
    }

    // A left click on the number cell of a row, with keys held.
    static void ClickRow(TfrmVarGet& w, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QRect r = w.DataGrid()->CellRect(0, row);
        w.sgDataMouseDown(Qt::LeftButton, mods, r.center().x(), r.center().y());
    }

};

TEST_F(VarGetWindowTest, TreeListsEveryDataFileOfTheDataFolderWithItsVariables) {
    WithWindow([&](TfrmVarGet& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("外部変数情報"));
        const std::vector<std::string> expected = {"cur.MDF", "  X", "  Y", "other.mdf", "  Q", "  R",
                                                   "prices.MDF", "  P", "  W"};
        EXPECT_EQ(TreeTexts(w.FileTree()), expected);
        EXPECT_EQ(w.BaseFolder(), dir_.Folder());
    });
}

TEST_F(VarGetWindowTest, ClickingAVariableShowsItsValuesAndGroups) {
    WithWindow([&](TfrmVarGet& w) {
        w.tvFileMouseDown(Node(w, "prices.MDF", ""));  // a file node does nothing
        EXPECT_EQ(w.LoadedVariable(), nullptr);
        w.tvFileMouseDown(Node(w, "prices.MDF", "P"));
        ASSERT_NE(w.LoadedVariable(), nullptr);
        EXPECT_EQ(w.FileLabel()->text(), QStringLiteral("prices.MDF"));
        TStringGrid* g = w.DataGrid();
        EXPECT_EQ(g->RowCount(), 8);
        EXPECT_EQ(g->Cell(1, 0), QStringLiteral("P"));
        EXPECT_EQ(g->Cell(2, 0), QStringLiteral("グループ情報"));
        struct Row {
            int row;
            const char* number;
            const char* value;
            const char* groups;
        };
        const Row rows[] = {
            {1, "1", "1.5000", "________________"},
            {2, "2", "-2.0000", "1_______________"},
            {3, "3", "3.2500", "_2______________"},
            {5, "5", "7.0000", "_______________0"},
            {7, "7", "11.0000", "1____6__________"},
        };
        for (const Row& r : rows) {
            EXPECT_EQ(g->Cell(0, r.row).toStdString(), r.number);
            EXPECT_EQ(g->Cell(1, r.row).toStdString(), r.value) << r.row;
            EXPECT_EQ(g->Cell(2, r.row).toStdString(), r.groups) << r.row;
        }
    });
}

TEST_F(VarGetWindowTest, SearchFindsANameAcrossFilesAndReportsMisses) {
    ui_.QueueInput("R");
    ui_.QueueInput("NONE");
    ui_.QueueOK();
    ui_.QueueInput("other.mdf");
    ui_.QueueOK();
    WithWindow([&](TfrmVarGet& w) {
        w.ActionNamed("FindVar")->trigger();
        ASSERT_NE(w.LoadedVariable(), nullptr);
        EXPECT_EQ(w.LoadedVariable()->GetName(), "R");
        EXPECT_EQ(w.FileName(), "other.mdf");
        EXPECT_EQ(w.FileTree()->currentItem(), Node(w, "other.mdf", "R"));
        EXPECT_TRUE(ui_.MessageTexts().empty());

        w.ActionNamed("FindVar")->trigger();
        EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{kNotFound});
        EXPECT_EQ(w.LoadedVariable()->GetName(), "R");  // the shown variable stays

        // A file's own name selects its node but loads nothing.
        w.ActionNamed("FindVar")->trigger();
        EXPECT_EQ(w.FileTree()->currentItem(), Node(w, "other.mdf", ""));
        EXPECT_EQ(ui_.MessageTexts().size(), 2u);
        EXPECT_EQ(w.FileName(), "other.mdf");
    });
}

TEST_F(VarGetWindowTest, ImportingAWholeVariableIsOneUndoStep) {
    ui_.QueueInput("P2");
    WithWindow([&](TfrmVarGet& w) {
        w.tvFileMouseDown(Node(w, "prices.MDF", "P"));
        w.ActionNamed("VarImportAll")->trigger();
    });
    Reg* m = state_.Model();
    const int j = m->FindVar("P2");
    ASSERT_EQ(j, 2);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(m->GetValue(i, j), kP[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(m->GetMark(i, j), kPGroups[static_cast<std::size_t>(i)]) << i;
    }
    main_->UndoEditExecute();
    EXPECT_EQ(state_.Model()->GetVarCount(), 2);
    EXPECT_EQ(state_.Model()->FindVar("P2"), -1);
}

TEST_F(VarGetWindowTest, ALongerVariableIsCutToTheDataSetAndTheUserIsTold) {
    auto smaller = MakeModel({{1, 2, 4}, {3, 1, 2}}, {}, {"X", "Y"});
    SaveAs(*smaller, dir_.Path("smaller.MDF"));
    main_->OpenAndRemember(dir_.Path("smaller.MDF"));
    ui_.ClearCalls();
    ui_.QueueInput("P2");
    ui_.QueueOK();  // the warning
    WithWindow([&](TfrmVarGet& w) {
        w.tvFileMouseDown(Node(w, "prices.MDF", "P"));
        w.ActionNamed("VarImportAll")->trigger();
    });
    Reg* m = state_.Model();
    const int j = m->FindVar("P2");
    ASSERT_EQ(j, 2);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m->GetValue(i, j), kP[static_cast<std::size_t>(i)]) << i;
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].msgKind, MsgKind::Warning);
    EXPECT_EQ(boxes[0].text, "変数 P2 の値は 7 個ありますが、データ組数が 3 なので、先頭の 3 個だけを取り込みました。");
}

TEST_F(VarGetWindowTest, CancelledNamePromptImportsUnderTheVariablesOwnName) {
    ui_.QueueCancel();
    WithWindow([&](TfrmVarGet& w) {
        w.tvFileMouseDown(Node(w, "prices.MDF", "P"));
        w.ActionNamed("VarImportAll")->trigger();
    });
    EXPECT_EQ(state_.Model()->FindVar("P"), 2);
}

TEST_F(VarGetWindowTest, RowMarksFollowTheKeysHeld) {
    WithWindow([&](TfrmVarGet& w) {
        w.tvFileMouseDown(Node(w, "prices.MDF", "P"));
        struct Step {
            int row;
            Qt::KeyboardModifiers mods;
            std::vector<std::uint8_t> marks;
        };
        const Step steps[] = {
            {2, Qt::NoModifier, {0, 1, 0, 0, 0, 0, 0}},                     // only mark, anchor
            {5, Qt::ShiftModifier, {0, 1, 1, 1, 1, 0, 0}},                  // range, anchor gone
            {7, Qt::ControlModifier, {0, 1, 1, 1, 1, 0, 1}},                // adds
            {4, Qt::ControlModifier | Qt::AltModifier, {0, 1, 1, 0, 1, 0, 1}},  // removes
            {6, Qt::ShiftModifier, {0, 0, 0, 0, 0, 1, 0}},                  // no anchor: plain click
            {1, Qt::ShiftModifier, {1, 1, 1, 1, 1, 1, 0}},                  // range to the new anchor
            {3, Qt::AltModifier, {0, 0, 0, 0, 0, 0, 0}},                    // clears all
        };
        for (const Step& s : steps) {
            ClickRow(w, s.row, s.mods);
            EXPECT_EQ(w.RowMarks().Flags(), s.marks) << "row " << s.row;
        }
        // Dragging with the button held marks each row passed.
        const QRect r = w.DataGrid()->CellRect(0, 4);
        w.sgDataMouseMove(Qt::LeftButton, r.center().x(), r.center().y());
        EXPECT_EQ(w.RowMarks().Flags(), (std::vector<std::uint8_t>{0, 0, 0, 1, 0, 0, 0}));
    });
}

TEST_F(VarGetWindowTest, MarkedRowsImportAsANewVariableInTheirOrder) {
    auto small = MakeModel({{1, 2, 4}, {3, 1, 2}}, {}, {"X", "Y"});
    SaveAs(*small, dir_.Path("small.MDF"));
    main_->OpenAndRemember(dir_.Path("small.MDF"));
    ImportRows257AsPM();
    Reg* m = state_.Model();
    const int j = m->FindVar("PM");
    ASSERT_EQ(j, 2);
    EXPECT_EQ(m->GetVarInfo(j), "imported");
    const double values[] = {-2.0, 7.0, 11.0};
    const std::uint16_t groups[] = {0x0001, 0x8000, 0x0021};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m->GetValue(i, j), values[i]) << i;
        EXPECT_EQ(m->GetMark(i, j), groups[i]) << i;
    }
    main_->UndoEditExecute();
    EXPECT_EQ(state_.Model()->FindVar("PM"), -1);
}

TEST_F(VarGetWindowTest, MarkedRowsJoinALargerDataSetWithZerosAfterThem) {
    auto larger = MakeModel({{1, 2, 4, 8, 16}, {3, 1, 2, 5, 4}}, {}, {"X", "Y"});
    SaveAs(*larger, dir_.Path("larger.MDF"));
    main_->OpenAndRemember(dir_.Path("larger.MDF"));
    ImportRows257AsPM();
    Reg* m = state_.Model();
    const int j = m->FindVar("PM");
    ASSERT_EQ(j, 2);
    const double values[] = {-2.0, 7.0, 11.0, 0.0, 0.0};
    const std::uint16_t groups[] = {0x0001, 0x8000, 0x0021, 0, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m->GetValue(i, j), values[i]) << i;
        EXPECT_EQ(m->GetMark(i, j), groups[i]) << i;
    }
}

TEST_F(VarGetWindowTest, FirstImportWithoutDataSetMakesOne) {
    state_.SetModel(nullptr);
    ui_.QueueInput("W");
    WithWindow([&](TfrmVarGet& w) {
        w.tvFileMouseDown(Node(w, "prices.MDF", "W"));
        w.ActionNamed("VarImportAll")->trigger();
    });
    Reg* m = state_.Model();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->GetVarCount(), 1);
    EXPECT_EQ(m->GetVarName(0), "W");
    EXPECT_EQ(m->GetObsCount(), 7);
    EXPECT_EQ(m->GetValue(6, 0), 8.0);
}

TEST_F(VarGetWindowTest, NewFileFromImportSavesTheImportedVariables) {
    ui_.QueueInput("NEWDATA");
    ui_.QueueInput("<import>");
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmVarGet*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        shown = true;
        EXPECT_EQ(state_.Model(), nullptr);  // the former data set is gone
        ui_.QueueInput("P");
        w->tvFileMouseDown(Node(*w, "prices.MDF", "P"));
        w->ActionNamed("VarImportAll")->trigger();
        ui_.QueueInput("W");
        w->tvFileMouseDown(Node(*w, "prices.MDF", "W"));
        w->ActionNamed("VarImportAll")->trigger();
        w->ExitenceExecute();
    });
    main_->NewFileExecute();
    EXPECT_TRUE(shown);
    Reg* m = state_.Model();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->GetVarCount(), 2);
    EXPECT_EQ(m->GetVarName(0), "P");
    EXPECT_EQ(m->GetVarName(1), "W");
    EXPECT_EQ(m->GetFileName(), dir_.Path("NEWDATA.MDF"));
    std::vector<std::string> names;
    ASSERT_EQ(ReadVariableNames(dir_.Path("NEWDATA.MDF"), names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"P", "W"}));
}

TEST_F(VarGetWindowTest, TextFileGivesTheChosenVariable) {
    WriteText(dir_.Path("two.TXT"), "ID,U,V\r\n1,1,4\r\n2,2,5\r\n3,4,9\r\n");
    WriteText(dir_.Path("one.TXT"), "ID,S\r\n1,0.5\r\n2,-1\r\n");
    WithWindow([&](TfrmVarGet& w) {
        ui_.QueueFile(dir_.Path("two.TXT"));
        ui_.QueueInput("V");
        w.ActionNamed("TextFlie")->trigger();
        ASSERT_NE(w.LoadedVariable(), nullptr);
        EXPECT_EQ(w.LoadedVariable()->GetName(), "V");
        EXPECT_EQ(w.FileName(), "two.TXT");
        EXPECT_EQ(w.DataGrid()->Cell(1, 3), QStringLiteral("9.0000"));
        const auto prompts = ui_.CallsOf(ServiceCall::Input);
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].items, (std::vector<std::string>{"U", "V"}));
        EXPECT_EQ(ui_.CallsOf(ServiceCall::OpenFile)[0].file.filterIndex, 3);

        ui_.QueueFile(dir_.Path("one.TXT"));
        w.ActionNamed("TextFlie")->trigger();
        EXPECT_EQ(w.LoadedVariable()->GetName(), "S");
        EXPECT_EQ(w.LoadedVariable()->Count(), 2);
        EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).size(), 1u);  // nothing to choose

        ui_.QueueFile("");  // cancelled: the variable stays
        w.ActionNamed("TextFlie")->trigger();
        EXPECT_EQ(w.LoadedVariable()->GetName(), "S");
    });
}

TEST_F(VarGetWindowTest, ImportAnswerOfTheAddVariablePromptOpensTheWindow) {
    ui_.QueueInput("<import>");
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmVarGet*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        shown = true;
        ui_.QueueInput("X");  // a name the data set holds
        ui_.QueueOK();
        w->tvFileMouseDown(Node(*w, "other.mdf", "Q"));
        w->ActionNamed("VarImportAll")->trigger();
        EXPECT_TRUE(w->isVisible());  // a refusal leaves the window open
        ASSERT_NE(w->LoadedVariable(), nullptr);
        ui_.QueueInput("Q");
        w->ActionNamed("VarImportAll")->trigger();
        w->ExitenceExecute();
    });
    main_->VARADDExecute();
    EXPECT_TRUE(shown);
    // The duplicate name is refused with its message; Q's three values then
    // join the seven observations with zeros after them.
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    ASSERT_EQ(state_.Model()->GetVarCount(), 3);
    EXPECT_EQ(state_.Model()->GetValue(2, 2), 4.0);
    EXPECT_EQ(state_.Model()->GetValue(6, 2), 0.0);
}

TEST_F(VarGetWindowTest, AnotherFolderReplacesTheTreeAndAnUnreadableOneKeepsIt) {
    ScratchFolder second("vget2");
    auto z = MakeModel({{1, 2}, {2, 1}}, {}, {"Z1", "Z2"});
    SaveAs(*z, second.Path("z.MDF"));
    WithWindow([&](TfrmVarGet& w) {
        ui_.QueueFolder(second.Path("missing"));
        ui_.QueueOK();
        w.ActionNamed("SetBaseDir")->trigger();
        EXPECT_EQ(ui_.MessageTexts().size(), 1u);
        EXPECT_EQ(w.BaseFolder(), dir_.Folder());
        EXPECT_EQ(w.FileTree()->topLevelItemCount(), 3);

        ui_.QueueFolder(second.Path());
        w.ActionNamed("SetBaseDir")->trigger();
        EXPECT_EQ(w.BaseFolder(), second.Folder());
        EXPECT_EQ(TreeTexts(w.FileTree()), (std::vector<std::string>{"z.MDF", "  Z1", "  Z2"}));
        const auto folders = ui_.CallsOf(ServiceCall::Folder);
        ASSERT_EQ(folders.size(), 2u);
        EXPECT_EQ(folders[1].text, dir_.Folder());  // the choice starts at the base folder
    });
}

TEST_F(VarGetWindowTest, HelpOpensTheWindowsPageOrSaysItFailed) {
    ui_.SetHelpResult(false);
    ui_.QueueOK();
    WithWindow([&](TfrmVarGet& w) { w.ActionNamed("HelpContext")->trigger(); });
    const auto help = ui_.CallsOf(ServiceCall::Help);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].value, 1021);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

TEST_F(VarGetWindowTest, UnreadableFileIsNamedAndTheOthersStayListed) {
    WriteText(dir_.Path("broken.MDF"), std::string("MDF\0\xff\xff\x00\x00", 8));
    ui_.QueueOK();
    WithWindow([&](TfrmVarGet& w) {
        const std::vector<std::string> messages = ui_.MessageTexts();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind("broken.MDF: ", 0), 0u) << messages[0];
        EXPECT_EQ(w.FileTree()->topLevelItemCount(), 3);
    });
    EXPECT_EQ(state_.Model()->GetVarCount(), 2);
}

TEST(MarkedGridCell, MarkedNumberCellIsYellowWithSunkenEdge) {
    TestApp();
    Selekto marks;
    marks.Reset(3);
    marks.Set(1, 1);
    const GridCellContext ctx = MarkedGridCellContext([&](int i) { return IsMarked(marks, i); }, QFont());
    struct Case {
        int col, row;
        bool fixed;
        CanvasColor brush;
        bool edge;
    };
    const Case cases[] = {
        {0, 2, true, canvas_color::kYellow, true},       // observation 1 marked
        {0, 1, true, canvas_color::kButtonFace, false},  // observation 0 not
        {1, 0, true, canvas_color::kButtonFace, false},  // a title
        {1, 2, false, canvas_color::kWhite, false},      // a value of a marked row
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        GridDrawState state;
        state.fixed = c.fixed;
        DrawGridCell(canvas, ctx, QStringLiteral("7"), c.col, c.row, QRect(0, 0, 50, 20), state);
        ASSERT_EQ(canvas.fills.size(), 1u);
        EXPECT_EQ(canvas.fills[0].color, c.brush) << c.col << "," << c.row;
        EXPECT_EQ(canvas.edges.size(), c.edge ? 1u : 0u) << c.col << "," << c.row;
    }
}

TEST_F(VarGetWindowTest, FewerThanTwoMarkedRowsAreRefused) {
    ui_.QueueOK();
    ui_.QueueOK();
    WithWindow([&](TfrmVarGet& w) {
        w.tvFileMouseDown(Node(w, "prices.MDF", "P"));
        ClickRow(w, 3);
        w.ActionNamed("ImportSelected")->trigger();
        ASSERT_EQ(ui_.MessageTexts().size(), 1u);
        ClickRow(w, 3, Qt::AltModifier);  // Alt alone clears every mark
        EXPECT_EQ(CountMarkedRows(w.RowMarks(), 7), 0);
        w.ActionNamed("ImportSelected")->trigger();
        EXPECT_EQ(ui_.MessageTexts().size(), 2u);
    });
    EXPECT_EQ(state_.Model()->GetVarCount(), 2);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());
}

}  // namespace
