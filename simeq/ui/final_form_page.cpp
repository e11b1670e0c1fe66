#include "simeq/ui/final_form_page.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

#include "components/plot/core/canvas_types.h"
#include "components/view/graph_launchers.h"
#include "components/view/guarded_slot.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/window_actions.h"
#include "core/io/final_form_storage.h"
#include "core/model/regression_model.h"
#include "core/numeric/xy_data.h"
#include "eval/app_state.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/final_form_assistant.h"
#include "simeq/system_tables.h"

namespace {

constexpr std::uint8_t kSolidPen = 0;

}  // namespace

FinalFormPage::FinalFormPage(QWidget* parent, const WindowContext& context) : QWidget(parent), context_(context) {
    sgFFC = NewResultGrid(this, "sgFFC", 200);
    connect(sgFFC, &TStringGrid::GridMouseDown, this,
            Guarded(context_.State(), [this](Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) { sgFFCMouseDown(x, y); }));
    auto button = [this](const char* name, const char* caption, void (FinalFormPage::*handler)()) {
        return AddWindowButton(this, context_.State(), name, caption, [this, handler] { (this->*handler)(); });
    };
    btnYPlot = button("btnYPlot", "グラフ(&G)", &FinalFormPage::btnYPlotClick);
    btnDel = button("btnDel", "削除(&D)", &FinalFormPage::btnDelClick);
    btnAllClr = button("btnAllClr", "全削除(&A)", &FinalFormPage::btnAllClrClick);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnYPlot);
    buttons->addWidget(btnDel);
    buttons->addWidget(btnAllClr);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(sgFFC, 1);
    layout->addLayout(buttons);
}

bool FinalFormPage::HasCurrent() const {
    return current_ >= 0 && current_ < context_.State().FinalForms().stored.GetCount();
}

void FinalFormPage::tsFFAShow() { sgFFC->Show(FinalFormTable(context_.State().FinalForms().stored, current_)); }

void FinalFormPage::sgFFCMouseDown(int x, int y) {
    int c = -1, r = -1;
    sgFFC->MouseToCell(x, y, c, r);
    if (c != 0 || r != 0) return;
    const FFList& stored = context_.State().FinalForms().stored;
    std::vector<std::string> names;
    for (int i = 0; i < stored.GetCount(); ++i) names.push_back(stored.GetElement(i).GetName());
    const InputAnswer a = context_.Services().AskInput(LoadStr(kStrEndogenous) + "の設定", names, "");
    if (a.result != mrOK) return;
    current_ = 0;
    for (int i = 0; i < stored.GetCount(); ++i)
        if (names[static_cast<std::size_t>(i)] == a.text) {
            current_ = i;
            break;
        }
    tsFFAShow();
}

void FinalFormPage::btnYPlotClick() {
    const Reg* model = context_.State().Model();
    if (!model || !HasCurrent()) return;
    const FFElement e = context_.State().FinalForms().stored.GetElement(current_);
    const int v = model->FindVar(e.GetName());
    if (v < 0 || v >= model->GetVarCount()) return;
    std::vector<double> computed;
    if (!e.Evaluate(*model, computed)) return;
    const int n = model->GetObsCount();
    std::vector<double> t(static_cast<std::size_t>(n)), observed;
    for (int i = 0; i < n; ++i) t[static_cast<std::size_t>(i)] = i + 1.0;
    model->GetVarValues(v, observed);
    XYData series(canvas_color::kGreen, kSolidPen, false, n);
    series.SetData(t.data(), computed.data(), n);
    ShowSeriesPlot(context_, LoadStr(kStrTime), t.data(), e.GetName(), {series}, n, observed.data());
}

void FinalFormPage::btnDelClick() {
    DeleteStored(context_.State().FinalForms(), current_, context_.State().Model());
    tsFFAShow();
}

void FinalFormPage::btnAllClrClick() {
    ClearStored(context_.State().FinalForms(), context_.State().Model());
    tsFFAShow();
}

void FinalFormPage::PlotStored(int mode) {
    const Reg* model = context_.State().Model();
    // After a deletion the index may be past the list.
    if (!model || !HasCurrent()) return;
    ShowFinalFormPlot(context_, *model, context_.State().FinalForms().stored, current_, mode);
}
