#include "estimators/ui/yule_walker_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "components/view/fundamental_stats_launcher.h"
#include "components/view/guarded_slot.h"
#include "components/view/labels.h"
#include "components/view/launch_request.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/window_actions.h"
#include "components/view/window_registry.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "estimators/yule_walker_request.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {
constexpr int kHelpContext = 1022;
}  // namespace

TfrmYWEst::TfrmYWEst(const WindowContext& context) : QDialog(context.Owner()), context_(context) {
    setObjectName("frmYWEst");
    setWindowTitle("ユールウォーカー推定");
    resize(560, 360);
    sgEst = NewResultGrid(this, "sgEst", 40);
    stVe = NewValueLabel(this, "stVe", 120);
    stAve = NewValueLabel(this, "stAve", 120);
    btnSetRho = AddButton("btnSetRho", "次数(&P)", [this] { btnSetRhoClick(); });
    btnRes = AddButton("btnRes", "残差(&R)", [this] { btnResClick(); });
    btnOK = AddButton("btnOK", "決定(&O)", [this] { accept(); });
    btnCancel = AddButton("btnCancel", "取り消し(&C)", [this] { reject(); });
    // Says so when there is no help to show.
    btnHelp = AddButton("btnHelp", "ヘルプ(&H)", [this] { ShowHtmlHelp(context_.State().Context(), kHelpContext); });
    btnOK->setDefault(true);

    auto* figures = new QGridLayout;
    figures->addWidget(new QLabel("分散推定値", this), 0, 0);
    figures->addWidget(stVe, 0, 1);
    figures->addWidget(new QLabel("標本平均値", this), 1, 0);
    figures->addWidget(stAve, 1, 1);
    figures->setColumnStretch(2, 1);
    auto* left = new QVBoxLayout;
    left->addWidget(sgEst, 1);
    left->addLayout(figures);
    auto* side = new QVBoxLayout;
    for (QPushButton* b : {btnSetRho, btnRes}) side->addWidget(b);
    side->addStretch(1);
    for (QPushButton* b : {btnOK, btnCancel, btnHelp}) side->addWidget(b);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(side);
}

QPushButton* TfrmYWEst::AddButton(const char* name, const char* caption, std::function<void()> handler) {
    return AddWindowButton(this, context_.State(), name, caption, std::move(handler));
}

bool TfrmYWEst::SetData(const std::vector<double>& values, int order) {
    if (!series_.SetData(values, order)) return false;
    FormShow();
    return true;
}

void TfrmYWEst::FormShow() {
    sgEst->Show(YuleWalkerTable(series_));
    stVe->setText(Q(FormatNumber(false, series_.Fit().sigma2)));
    stAve->setText(Q(FormatNumber(false, series_.Mean())));
}

void TfrmYWEst::btnSetRhoClick() {
    const InputAnswer answer = context_.Services().AskInput("次数設定", {}, std::to_string(series_.Order()));
    if (answer.result != mrOK) return;
    // An empty text, or one that gives no value, asks for order 1.
    const double typed = context_.State().Evaluator().Evaluate(answer.text, 1.0);
    if (!std::isfinite(typed)) return;
    const double order = std::trunc(typed);
    if (order < 1.0) {
        ErrorBox(context_.Services(), "次数は 1 以上です。");
        return;
    }
    if (static_cast<int>(std::min(order, 1e9)) == series_.Order()) return;
    if (series_.SetOrder(static_cast<int>(std::min(order, 1e9))))
        FormShow();
    else
        ErrorBox(context_.Services(), "この次数では推定できません。");
}

void TfrmYWEst::btnResClick() {
    const std::vector<double>& e = series_.Whitened();
    ShowFundamentalStats(context_.WithOwner(this), LoadStr(kStrResidual), e.data(), static_cast<int>(e.size()), 0);
    FormShow();
}

namespace {

// The transformation command: the caller's series replaced on OK, with the
// note of the fit when asked.
class YuleWalkerTransformWindow : public RequestWindow<LaunchRequest> {
public:
    explicit YuleWalkerTransformWindow(const WindowContext& context) : dialog_(context) {}
    bool Fill(const LaunchRequest& request) override {
        request_ = request;
        return request.values && dialog_.SetData(*request.values, 1);
    }
    int ShowModal() override {
        if (dialog_.exec() != QDialog::Accepted) return mrCancel;
        *request_.values = dialog_.Series().Whitened();
        if (request_.comment && request_.commentWanted) *request_.comment += dialog_.Series().CommentText();
        return mrOK;
    }

private:
    TfrmYWEst dialog_;
    LaunchRequest request_;
};

// A series shown elsewhere: nothing is handed back.
class YuleWalkerViewWindow : public RequestWindow<YuleWalkerRequest> {
public:
    explicit YuleWalkerViewWindow(const WindowContext& context) : dialog_(context) {}
    bool Fill(const YuleWalkerRequest& request) override { return dialog_.SetData(request.values, request.order); }
    int ShowModal() override { return dialog_.exec() == QDialog::Accepted ? mrOK : mrCancel; }

private:
    TfrmYWEst dialog_;
};

// Takes either request: the registry hands the window whichever came.
class YuleWalkerWindow : public AnalysisWindow {
public:
    explicit YuleWalkerWindow(const WindowContext& context) : context_(context) {}
    bool Fill(const WindowRequest& request) override {
        if (request.As<LaunchRequest>())
            window_ = std::make_unique<YuleWalkerTransformWindow>(context_);
        else if (request.As<YuleWalkerRequest>())
            window_ = std::make_unique<YuleWalkerViewWindow>(context_);
        return window_ && window_->Fill(request);
    }
    int ShowModal() override { return window_ ? window_->ShowModal() : mrCancel; }

private:
    WindowContext context_;
    std::unique_ptr<AnalysisWindow> window_;
};

}  // namespace

void RegisterYuleWalkerWindow() {
    AnalysisWindows().Register("TfrmYWEst", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<YuleWalkerWindow>(context);
    });
}
