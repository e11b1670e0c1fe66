// The plots of the instrumental-variable window, the correlation matrix of
// its columns and its text report. The series come from the engine; the
// window only chooses them.
#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <fstream>
#include <tuple>

#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/grid_marks.h"
#include "core/io/file_matrix.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/iv_plot_series.h"
#include "simeq/iv_report.h"
#include "simeq/iv_tables.h"
#include "simeq/ui/iv_window.h"
#include "stats/correlation_matrix_request.h"

namespace {

const char* const kInstrumentPrefix = "(iv)";
constexpr int kRowStudentizedT = 7;
constexpr int kRowStudentized = 6;

bool IsInstrumentItem(const std::string& item) { return item.rfind(kInstrumentPrefix, 0) == 0; }

}  // namespace

void TfrmIV::BuildPlotActions() {
    XYPlot = AddAction("XYPlot", "X-Y", "Ctrl+G", "Ｘ－Ｙ　プロット", [this] { XYPlotExecute(); });
    RelMat = AddAction("RelMat", "相関", "Ctrl+Alt+R", "相関行列を表示", [this] { RelMatExecute(); }, true);
    YEPlot = AddAction("YEPlot", "e-y", "Ctrl+Alt+C", "残差・予測値プロット", [this] { YEPlotExecute(); });
    TEPlot = AddAction("TEPlot", "e-t", "Ctrl+Alt+T", "残差時系列プロット", [this] { TEPlotExecute(); });
    PRLPlot = AddAction("PRLPlot", "偏回帰", "Ctrl+Alt+P", "偏回帰作用点プロット", [this] { PRLPlotExecute(); });
    NPlot = AddAction("NPlot", "正規", "Ctrl+Alt+N", "残差の正規プロット", [this] { NPlotExecute(); });
    EEPlot = AddAction("EEPlot", "e-e", "Ctrl+Alt+E", "Ｅ－Ｅプロット", [this] { EEPlotExecute(); });
    XEPlot = AddAction("XEPlot", "e-x", "Ctrl+Alt+X", "残差・説明変数プロット", [this] { XEPlotExecute(); }, true);
    LRPlot = AddAction("LRPlot", "L-R", "Ctrl+Alt+L", "Ｌ－Ｒプロット", [this] { LRPlotExecute(); }, true);

    pmEELag = new QMenu(this);
    pmEELag->setObjectName("pmEELag");
    const char* lagNames[] = {"mnuEE2", "mnuEE3", "mnuEE4"};
    const char* lagCaptions[] = {"二期前(&2)", "三期前(&3)", "四期前(&4)"};
    for (int l = 2; l <= 4; ++l) {
        QAction* a = pmEELag->addAction(lagCaptions[l - 2]);
        a->setObjectName(lagNames[l - 2]);
        connect(a, &QAction::triggered, this, GuardedSlot([this, l] { ShowResidualPlot(300 + l); }));
    }
    if (auto* button = qobject_cast<QToolButton*>(TB->widgetForAction(EEPlot))) {
        button->setObjectName("tbEELag");
        button->setMenu(pmEELag);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    EELagx = new QAction(this);
    EELagx->setObjectName("EELagx");
    EELagx->setShortcut(QKeySequence("Ctrl+E"));
    connect(EELagx, &QAction::triggered, this, GuardedSlot([this] {
                QWidget* button = TB->widgetForAction(EEPlot);
                pmEELag->popup(button ? button->mapToGlobal(QPoint(0, 24)) : QCursor::pos());
            }));
    addAction(EELagx);
    // The right button on the normal plot's tool button: t(i) instead.
    if (QWidget* button = TB->widgetForAction(NPlot)) {
        button->setObjectName("ToolButton9");
        button->installEventFilter(this);
    }
}

int TfrmIV::CountMarks() const {
    return CountMarked(tableMarks_) + CountMarked(resMarks_) + CountMarked(anaMarks_);
}

ResultColumn TfrmIV::TakeMarkedColumn() {
    if (!model_) return {};
    for (int i = 0; i < tableMarks_.Count(); ++i)
        if (IsMarked(tableMarks_, i) && i < static_cast<int>(designColumns_.size())) {
            tableMarks_.Set(i, 0);
            return {ResultKind::Variable, designColumns_[static_cast<std::size_t>(i)]};
        }
    for (int i = 0; i < resMarks_.Count(); ++i)
        if (IsMarked(resMarks_, i) && i < kDiagnosticColumns) {
            resMarks_.Set(i, 0);
            return {ResultKind::Diagnostic, i};
        }
    for (int i = 0; i < anaMarks_.Count(); ++i)
        if (IsMarked(anaMarks_, i) && i < static_cast<int>(influence_.size())) {
            anaMarks_.Set(i, 0);
            return InfluenceColumnCode(i, false);
        }
    return {};
}

void TfrmIV::TakeTwoMarkedColumns() {
    xyPair_.first = TakeMarkedColumn();
    xyPair_.second = TakeMarkedColumn();
}

void TfrmIV::ShowResidualPlot(int mode) {
    if (!model_) return;
    const IVPlotSeries s = IVResidualPlotSeries(*model_, mode);
    if (s.Empty()) return;
    ShowXYGraph(Context(), s.xName, s.x.data(), s.yName, static_cast<int>(s.x.size()), s.y.data());
}

void TfrmIV::XYPlotExecute() {
    if (!model_) return;
    const int n = model_->Rows();
    std::string xName, yName;
    std::vector<double> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
    if (CountMarks() > 0) {
        model_->ComputeInfluence();
        TakeTwoMarkedColumns();
        // One mark: that column against time.
        const ResultColumn first = xyPair_.first;
        const ResultColumn second =
            xyPair_.second.kind == ResultKind::None ? ResultColumn{ResultKind::Time, 0} : xyPair_.second;
        xName = IVColumnTitle(*model_, first);
        yName = IVColumnTitle(*model_, second);
        for (int i = 0; i < n; ++i) {
            x[static_cast<std::size_t>(i)] = IVColumnValue(*model_, first, i);
            y[static_cast<std::size_t>(i)] = IVColumnValue(*model_, second, i);
        }
        for (TStringGrid* g : {sgTable, sgRes, sgAna}) g->InvalidateGrid();
    } else {
        std::vector<std::string> items;
        for (int j = 0; j < model_->VarCount(); ++j) items.push_back(model_->GetVarName(j));
        for (int j = 0; j < model_->VarCount(); ++j)
            if (j != model_->GetDependent()) items.push_back(kInstrumentPrefix + model_->GetVarName(j));
        UiServices& ui = Context().Services();
        const InputAnswer a = ui.AskInput(LoadStr(kStrVerticalAxis), items, std::string());
        if (a.result != mrOK) return;
        std::erase(items, a.text);
        const InputAnswer b = ui.AskInput(LoadStr(kStrHorizontalAxis), items, std::string());
        if (b.result != mrOK) return;
        for (const auto& [answer, name, values] : {std::tuple{&a, &yName, &y}, std::tuple{&b, &xName, &x}}) {
            const bool instrument = IsInstrumentItem(answer->text);
            const int j = model_->FindVar(instrument ? answer->text.substr(4) : answer->text);
            if (j < 0 || j >= model_->VarCount()) return;
            *name = answer->text;
            if (instrument)
                model_->GetDesignColumn(j, *values);
            else
                model_->GetDataColumn(j, *values);
        }
    }
    ShowXYGraph(Context(), xName, x.data(), yName, n, y.data());
}

void TfrmIV::XEPlotExecute() {
    if (!model_) return;
    const int v = model_->VarCount(), dep = model_->GetDependent();
    if (v == 2) {
        ShowResidualPlot(100 + (dep == 0 ? 1 : 0));
        return;
    }
    std::vector<std::string> items;
    for (int j = 0; j < v; ++j) {
        if (j == dep) continue;
        items.push_back(model_->GetVarName(j));
        items.push_back(kInstrumentPrefix + model_->GetVarName(j));
    }
    const InputAnswer a = Context().Services().AskInput(LoadStr(kStrChooseExplanatory), items, std::string());
    if (a.result != mrOK) return;
    const bool instrument = IsInstrumentItem(a.text);
    const int j = model_->FindVar(instrument ? a.text.substr(4) : a.text);
    if (j < 0 || j >= v) return;
    ShowResidualPlot((instrument ? 200 : 100) + j);
}

void TfrmIV::NPlotExecute() {
    if (!model_) return;
    model_->ComputeDiagnostics();
    ShowColumnStats({ResultKind::Diagnostic, kRowStudentized}, 1);
}

void TfrmIV::ToolButton9MouseDown(Qt::MouseButton button) {
    if (!model_ || button != Qt::RightButton) return;
    model_->ComputeDiagnostics();
    ShowColumnStats({ResultKind::Diagnostic, kRowStudentizedT}, 1);
}

void TfrmIV::PRLPlotExecute() {
    if (!model_ || model_->VarCount() <= 2) return;
    std::vector<std::string> items;
    for (int j = 0; j < model_->VarCount(); ++j)
        if (model_->IsExplanatory(j)) items.push_back(model_->GetVarName(j));
    const InputAnswer a = Context().Services().AskInput(LoadStr(kStrChooseVariable), items, std::string());
    if (a.result != mrOK) return;
    const IVPlotSeries s = IVPartialPlotSeries(*model_, model_->FindVar(a.text));
    if (s.Empty()) return;
    ShowXYGraph(Context(), s.xName, s.x.data(), s.yName, static_cast<int>(s.x.size()), s.y.data());
}

void TfrmIV::RelMatExecute() {
    if (!model_) return;
    EngineContext& engine = Context().State().Context();
    const int n = model_->Rows();
    std::unique_ptr<TNamedData> table;
    std::unique_ptr<TFileMatrix> design;
    if (CountMarks() < 2) {
        // Every variable, the model's own selected; the instrumented values
        // are the table to switch to.
        const int v = model_->VarCount();
        table = std::make_unique<TNamedData>(engine, n, v);
        design = std::make_unique<TFileMatrix>(engine, n, v, 0.0);
        std::vector<double> row;
        for (int i = 0; i < n; ++i) {
            model_->GetDataRow(i, row);
            table->WriteSpan(i, 0, v, row.data());
            model_->GetDesignRow(i, row);
            design->WriteSpan(i, 0, v, row.data());
        }
        for (int j = 0; j < v; ++j) {
            table->SetColumnName(j, model_->GetVarName(j));
            table->SetSelected(j, model_->GetRole(j) != RegIV::kRoleUnused ? 1 : 0);
        }
    } else {
        model_->ComputeInfluence();
        std::vector<ResultColumn> columns;
        for (ResultColumn c = TakeMarkedColumn(); c.kind != ResultKind::None; c = TakeMarkedColumn())
            columns.push_back(c);
        for (TStringGrid* g : {sgTable, sgRes, sgAna}) g->InvalidateGrid();
        table = std::make_unique<TNamedData>(engine, n, static_cast<int>(columns.size()));
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const int c = static_cast<int>(k);
            table->SetColumnName(c, IVColumnTitle(*model_, columns[k]));
            for (int i = 0; i < n; ++i) table->SetValue(i, c, IVColumnValue(*model_, columns[k], i));
        }
    }
    CorrelationMatrixRequest request;
    request.table = table.get();
    request.alternate = design.get();
    request.showSelection = design != nullptr;
    OpenWindow("TfrmRelative", Context().WithOwner(this), request);
}

void TfrmIV::TextSaveExecute() {
    if (!model_ || !data_) return;
    UiServices& ui = Context().Services();
    const std::string path = AskSaveFileName(Context().State().Context());
    if (path.empty()) return;
    const IVRequest* r = OpenedWith().As<IVRequest>();
    IVReportTitle title;
    title.dataSetName = data_->GetName();
    title.groupMask = mask_;
    title.margin = r && r->reportMargin ? r->reportMargin() : 80;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        ErrorBox(ui, "ファイルを作成できません: " + path);
        return;
    }
    // A report cut short (a full disk) says so; the window and the data
    // set stay as they are.
    try {
        WriteIVReport(*model_, title, out, &ui);
        out.close();
        if (out.fail()) throw EWriteError("ファイルの書き込みに失敗しました: " + path);
    } catch (const EWriteError& e) {
        ErrorBox(ui, e.what());
    }
    // The report ran the influence measures and the specification test.
    PageChanged();
}
