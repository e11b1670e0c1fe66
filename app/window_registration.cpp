#include "app/window_registration.h"

#include "app/dialogs/about_box.h"
#include "app/dialogs/henkan_window.h"
#include "app/dialogs/user_define_window.h"
#include "app/settings/color_sel.h"
#include "components/view/window_registry.h"
#include "estimators/ui/anova_window.h"
#include "estimators/ui/auto_select_dialog.h"
#include "estimators/ui/chow_window.h"
#include "estimators/ui/jackknife_window.h"
#include "estimators/ui/tobit_window.h"
#include "estimators/ui/weighted_fit_window.h"
#include "stats/ui/fund_window.h"
#include "stats/ui/xy_graph_window.h"

void RegisterStandardWindows() {
    if (!AnalysisWindows().Has("TAboutBox")) RegisterDialogWindow<TAboutBox>("TAboutBox");
    if (!AnalysisWindows().Has("TfrmColorSel")) RegisterColorSelWindow();
    if (!AnalysisWindows().Has("TfrmHenkan")) RegisterHenkanWindow();
    if (!AnalysisWindows().Has("TfrmUD")) RegisterUserDefWindow();
    if (!AnalysisWindows().Has("TfrmGraphXY")) RegisterGraphXYWindow();
    if (!AnalysisWindows().Has("TfrmFund")) RegisterFundWindow();
    if (!AnalysisWindows().Has("TfrmAnova")) RegisterAnovaWindow();
    if (!AnalysisWindows().Has("TAutoSelectDlg")) RegisterAutoSelectDialog();
    if (!AnalysisWindows().Has("TfrmChow")) RegisterChowWindow();
    if (!AnalysisWindows().Has("TfrmJNE")) RegisterJackknifeWindow();
    if (!AnalysisWindows().Has("TfrmMLE")) RegisterTobitWindow();
    if (!AnalysisWindows().Has("TfrmWLS")) RegisterWeightedRegressionWindow();
}
