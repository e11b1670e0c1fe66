// The instrument dialog over a first stage the engine refuses: one message,
// and the dialog shows what it showed before, under the method it was.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>

#include <string>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "platform/qt/string_grid.h"
#include "simeq/ui/iv_set_dialog.h"
#include "started_windows.h"
#include "support/first_stage_overflow.h"

namespace {

using Cells = std::vector<std::vector<QString>>;

// The grid and the two figures beside it.
Cells Shown(const TfrmIVSet& d) {
    Cells shown = {{d.stVe->text(), d.stRR2->text()}};
    for (int r = 0; r < d.sgREG->RowCount(); ++r) {
        std::vector<QString> row;
        for (int c = 0; c < d.sgREG->ColCount(); ++c) row.push_back(d.sgREG->Cell(c, r));
        shown.push_back(row);
    }
    return shown;
}

class IVSetRefusalTest : public StartedWindows {
protected:
    IVSetRefusalTest() : StartedWindows("ivsetrefusal") {}

    // The candidates exogenous, t (the target) and y endogenous; y on t.
    void Open(Columns columns, const std::vector<std::string>& names) {
        columns.push_back({1, 2, 3, 5, 4, 6, 8, 7});
        columns.back().resize(columns[0].size());
        std::vector<int> types(columns.size(), Var::kExogenous);
        types[columns.size() - 2] = types[columns.size() - 1] = Var::kEndogenous;
        data_ = MakeModel(columns, types, names);
        iv_ = std::make_unique<RegIV>(*data_, 0);
        dialog_ = std::make_unique<TfrmIVSet>(WindowContext(state_));
        dialog_->SetModel(iv_.get(), data_.get(), 0);
        dialog_->cbIVSel->setCurrentText("t");
        dialog_->show();  // the grid laid out, for the clicks
    }
    void ChooseMethod(int method) { dialog_->methods->button(method)->click(); }
    void ClickRow(int row) {
        const QPoint p = dialog_->sgREG->CellRect(0, row).center();
        emit dialog_->sgREG->GridMouseDown(Qt::LeftButton, Qt::NoModifier, p.x(), p.y());
    }

    std::unique_ptr<Reg> data_;
    std::unique_ptr<RegIV> iv_;
    std::unique_ptr<TfrmIVSet> dialog_;
};

TEST_F(IVSetRefusalTest, TheLastCandidateOutIsRefusedAndTheTableStays) {
    Open(NearE16FirstStage(), {"c1", "c2", "zero", "t", "y"});
    TfrmIVSet& d = *dialog_;
    ChooseMethod(TfrmIVSet::kExogenous);
    EXPECT_EQ(d.sgREG->Cell(0, 2), "c1");
    ClickRow(2);  // c1 out
    ASSERT_FALSE(d.FirstStage()->IsIn(0));
    ASSERT_TRUE(ui_.MessageTexts().empty());
    const Cells before = Shown(d);
    ui_.QueueOK();
    ClickRow(3);  // c2 out: the constant alone has no variance left
    EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{kFirstStageRefusal});
    EXPECT_TRUE(d.FirstStage()->IsIn(1));
    EXPECT_EQ(Shown(d), before);
}

TEST_F(IVSetRefusalTest, AFirstStageRefusedAsBuiltLeavesTheOneBeforeAndItsMethod) {
    Open(OverflowingFirstStage(), {"a", "b", "t", "y"});
    TfrmIVSet& d = *dialog_;
    ChooseMethod(TfrmIVSet::kOthers);  // nothing enters: the constant alone
    const InstrumentFirstStage* others = d.FirstStage();
    ASSERT_NE(others, nullptr);
    const Cells before = Shown(d);
    EXPECT_EQ(before[2][0], "定数項");
    ui_.QueueOK();
    ChooseMethod(TfrmIVSet::kExogenous);  // a and b in at once
    EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{kFirstStageRefusal});
    EXPECT_EQ(d.FirstStage(), others);
    EXPECT_EQ(d.methods->checkedId(), TfrmIVSet::kOthers);
    EXPECT_TRUE(d.sgREG->isEnabled());
    EXPECT_EQ(Shown(d), before);
}

}  // namespace
