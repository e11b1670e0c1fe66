// The instrument dialog over a first stage the engine refuses as built: one
// message, and the dialog shows what it showed before, under the method it
// was.
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
};

// a and b exogenous, t (the target) and y endogenous. The first stage on
// the other variables enters nothing; the one on the exogenous ones takes
// a and b in at once and is refused.
TEST_F(IVSetRefusalTest, AFirstStageRefusedAsBuiltLeavesTheOneBeforeAndItsMethod) {
    Columns columns = OverflowingFirstStage();
    columns.push_back({1, 2, 3, 5, 4});
    auto data = MakeModel(columns, {Var::kExogenous, Var::kExogenous, Var::kEndogenous, Var::kEndogenous},
                          {"a", "b", "t", "y"});
    RegIV iv(*data, 0);
    TfrmIVSet d{WindowContext(state_)};
    d.SetModel(&iv, data.get(), 0);
    d.cbIVSel->setCurrentText("t");
    d.methods->button(TfrmIVSet::kOthers)->click();
    const InstrumentFirstStage* others = d.FirstStage();
    ASSERT_NE(others, nullptr);
    const Cells before = Shown(d);
    EXPECT_EQ(before[2][0], "定数項");
    ui_.QueueOK();
    d.methods->button(TfrmIVSet::kExogenous)->click();
    EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{kFirstStageRefusal});
    EXPECT_EQ(d.FirstStage(), others);
    EXPECT_EQ(d.methods->checkedId(), TfrmIVSet::kOthers);
    EXPECT_TRUE(d.sgREG->isEnabled());
    EXPECT_EQ(Shown(d), before);
}

}  // namespace
