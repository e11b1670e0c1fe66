// The estimates page of the instrumental-variable window on Longley's
// EMPLOY on GNP, UNEMP and ARMED: YEAR, far from zero but not collinear,
// is offered and enters with a click; a copy of GNP shows "TOL CHECK" and
// ignores the click.
#include <gtest/gtest.h>

#include <QAction>
#include <QTabWidget>

#include <string>

#include "components/view/result_grid.h"
#include "core/model/instrumental_fit.h"
#include "simeq/ui/iv_window.h"
#include "support/sample_columns.h"
#include "modal_window.h"
#include "started_windows.h"

namespace {

// Longley's regressors, a copy of GNP, then EMPLOY.
Columns LongleyWithACopy() {
    const Columns& longley = LongleyColumns();
    Columns c(longley.begin(), longley.end() - 1);
    c.push_back(longley[1]);
    c.push_back(longley.back());
    return c;
}

struct EstimateRow {
    int row;
    const char* name;
    const char* fValue;
    bool entersOnClick;
};

const EstimateRow kRows[] = {
    {7, "GNP2", "TOL CHECK", false},
    {6, "YEAR", "24.3145", true},
};

class IVWindowToleranceTest : public StartedWindows {
protected:
    IVWindowToleranceTest() : StartedWindows("ivtol") {}
    KeptWindow<TfrmIV> kept_{"TfrmIV", RegisterIVWindow};
};

TEST_F(IVWindowToleranceTest, FarFromZeroIsNotCollinear) {
    auto model =
        MakeModel(LongleyWithACopy(), {}, {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "GNP2", "EMPLOY"});
    SaveAs(*model, dir_.Path("longley.MDF"));
    main_->OpenAndRemember(dir_.Path("longley.MDF"));
    state_.Model()->SetDependent(7);
    for (int j : {1, 2, 3}) EXPECT_TRUE(state_.Model()->ToggleVariable(j));
    main_->UpdateLaunchActions();
    TfrmIV* w = kept_.Keep([this] { main_->Action("mnuIVEst")->trigger(); });
    ASSERT_NE(w, nullptr);
    w->PC->setCurrentWidget(w->tsEst);
    for (const EstimateRow& r : kRows) {
        SCOPED_TRACE(r.name);
        ASSERT_EQ(w->sgEst->Cell(0, r.row).toStdString(), r.name);
        EXPECT_EQ(w->sgEst->Cell(1, r.row).toStdString(), r.fValue);
        w->EstCellClick(0, r.row, Qt::LeftButton, Qt::NoModifier);
        EXPECT_EQ(w->Estimator()->IsExplanatory(r.row - 1), r.entersOnClick);
        EXPECT_EQ(w->sgEst->Cell(2, r.row).toStdString() != "-", r.entersOnClick);
    }
    w->close();
}

}  // namespace
