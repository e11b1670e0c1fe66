#include "app/main_window/launch_table.h"

const std::vector<LaunchCommand>& LaunchCommands() {
    using N = LaunchNeed;
    using F = LaunchFill;
    static const std::vector<LaunchCommand> table = {
        {"btnAutoSel", "TAutoSelectDlg", N::TwoVariables, F::Model, false, nullptr, kAfterEstimates},
        {"btnMCL", "TfrmMCL", N::TwoExplanatory, F::MultiCollinearity, false, nullptr, kAfterNothing, true},
        {"UserDef", "TfrmUD", N::Nothing, F::None, true, nullptr, kAfterNothing},
        {"mnuChowTest", "TfrmChow", N::Data, F::Chow, false, "データ不足", kAfterNothing, true},
        {"mnuSURE", "TfrmSURE", N::Data, F::Model, false, nullptr, kAfterNothing},
        {"mnuIVEst", "TfrmIV", N::Data, F::Instrumental, true, nullptr, kAfterNothing},
        {"About1", "TAboutBox", N::Nothing, F::None, true, nullptr, kAfterNothing},
        {"PCARun", "TfrmPCA", N::Data, F::Model, true, nullptr, kAfterVariables},
        {"btnANOVA", "TfrmAnova", N::Data, F::Model, false, nullptr, kAfterNothing, true},
        {"mnuRest", "TfrmRREG", N::Data, F::Restrictions, false, nullptr, kAfterNothing, true},
        {"ReducedF", "TfrmRF", N::Equations, F::ReducedForm, false, nullptr, kAfterNothing},
        {"WREGRun", "TfrmWLS", N::Data, F::RobustWeights, false, nullptr, kAfterNothing, true},
        {"mnuGLS", "TfrmWLS", N::Data, F::AutoRegressive, false, nullptr, kAfterNothing, true},
        {"mnuRidge", "TfrmRidge", N::TwoExplanatory, F::Ridge, false, nullptr, kAfterNothing},
        {"btnJNE", "TfrmJNE", N::Data, F::Model, false, nullptr, kAfterNothing, true},
        {"mnuTobit", "TfrmMLE", N::Data, F::Model, false, nullptr, kAfterNothing, true},
    };
    return table;
}

const LaunchCommand* FindLaunchCommand(const std::string& command) {
    for (const LaunchCommand& c : LaunchCommands())
        if (command == c.command) return &c;
    return nullptr;
}

const std::vector<TransformationCommand>& TransformationCommands() {
    static const std::vector<TransformationCommand> table = {
        {"mnuExpConv", 0}, {"mnuEV", 1}, {"mnuARE", 2}, {"mnuMAF", 3}, {"mnuPreREG", 4}, {"mnuYWxchg", 5},
    };
    return table;
}

const char* TransformationWindowClass(int kind) {
    if (kind >= 0 && kind <= 3) return "TfrmHenkan";
    if (kind == 4) return "TfrmPreREG";
    if (kind == 5) return "TfrmYWEst";
    return "";
}
