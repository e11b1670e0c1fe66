#include "app/window_registration.h"

#include "app/dialogs/about_box.h"
#include "app/dialogs/henkan_window.h"
#include "app/dialogs/property_dialog.h"
#include "app/dialogs/user_define_window.h"
#include "app/settings/color_sel.h"
#include "components/view/window_registry.h"
#include "estimators/ui/anova_window.h"
#include "estimators/ui/auto_select_dialog.h"
#include "estimators/ui/chow_window.h"
#include "estimators/ui/jackknife_window.h"
#include "estimators/ui/mcl_window.h"
#include "estimators/ui/prediction_dialog.h"
#include "estimators/ui/preliminary_regression_window.h"
#include "estimators/ui/restricted_window.h"
#include "estimators/ui/ridge_window.h"
#include "estimators/ui/tobit_window.h"
#include "estimators/ui/weighted_fit_window.h"
#include "estimators/ui/yule_walker_window.h"
#include "simeq/ui/final_form_window.h"
#include "simeq/ui/iv_window.h"
#include "simeq/ui/reduced_form_window.h"
#include "simeq/ui/sur_window.h"
#include "stats/ui/correlation_matrix_window.h"
#include "stats/ui/fac_load_plot_window.h"
#include "stats/ui/fund_window.h"
#include "stats/ui/pca_window.h"
#include "stats/ui/xy_graph_window.h"

void RegisterStandardWindows() {
    if (!AnalysisWindows().Has("TAboutBox")) RegisterDialogWindow<TAboutBox>("TAboutBox");
    if (!AnalysisWindows().Has("TfrmColorSel")) RegisterColorSelWindow();
    if (!AnalysisWindows().Has("TfrmHenkan")) RegisterHenkanWindow();
    if (!AnalysisWindows().Has("TfrmUD")) RegisterUserDefWindow();
    if (!AnalysisWindows().Has("TfrmProperty")) RegisterPropertyDialog();
    if (!AnalysisWindows().Has("TfrmGraphXY")) RegisterGraphXYWindow();
    if (!AnalysisWindows().Has("TfrmFund")) RegisterFundWindow();
    if (!AnalysisWindows().Has("TfrmFacLoadPlot")) RegisterFacLoadPlotWindow();
    if (!AnalysisWindows().Has("TfrmPCA")) RegisterPcaWindow();
    if (!AnalysisWindows().Has("TfrmRelative")) RegisterCorrelationMatrixWindow();
    if (!AnalysisWindows().Has("TfrmAnova")) RegisterAnovaWindow();
    if (!AnalysisWindows().Has("TAutoSelectDlg")) RegisterAutoSelectDialog();
    if (!AnalysisWindows().Has("TfrmChow")) RegisterChowWindow();
    if (!AnalysisWindows().Has("TfrmIV")) RegisterIVWindow();
    if (!AnalysisWindows().Has("TfrmJNE")) RegisterJackknifeWindow();
    if (!AnalysisWindows().Has("TfrmMCL")) RegisterMclWindow();
    if (!AnalysisWindows().Has("TfrmMLE")) RegisterTobitWindow();
    if (!AnalysisWindows().Has("TfrmSURE")) RegisterSurWindow();
    if (!AnalysisWindows().Has("TfrmPreREG")) RegisterPreliminaryRegressionWindow();
    if (!AnalysisWindows().Has("TfrmYWEst")) RegisterYuleWalkerWindow();
    if (!AnalysisWindows().Has("TfrmPredict")) RegisterPredictionDialog();
    if (!AnalysisWindows().Has("TfrmRREG")) RegisterRestrictedWindow();
    if (!AnalysisWindows().Has("TfrmRidge")) RegisterRidgeWindow();
    if (!AnalysisWindows().Has("TfrmFFA")) RegisterFinalFormWindow();
    if (!AnalysisWindows().Has("TfrmRF")) RegisterReducedFormWindow();
    if (!AnalysisWindows().Has("TfrmWLS")) RegisterWeightedRegressionWindow();
}
