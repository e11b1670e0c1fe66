#include "app/dialogs/user_define_window.h"

#include <QAction>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <memory>
#include <string>

#include "components/view/grid_cell_painter.h"
#include "components/view/key_helpers.h"
#include "components/view/qt_text.h"
#include "components/view/window_registry.h"
#include "core/settings/file_services.h"
#include "core/text/general_float.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"

namespace {

constexpr int kHelpContextUserDef = 1014;
constexpr int kRows = 1 + UserVar::kCount;
const char* const kSharedBank = "共用変数";
const char* const kFileBank = "個別ファイル変数";
const char* const kFunctionPrompt = "関数入力";

std::string ValueText(double x) {
    std::string s;
    AppendGeneralFloat(s, x);
    return s;
}

// What follows the name in a definition ("(x) = x * x" of "sq(x) = x * x").
std::string DefinitionAfterName(const UserFunc& f) {
    const std::string& d = f.Definition();
    const std::size_t at = f.Name().empty() ? std::string::npos : d.find(f.Name());
    return at == std::string::npos ? d : d.substr(at + f.Name().size());
}

TStringGrid* MakeGrid(QWidget* parent, const char* name, int cols) {
    auto* g = new TStringGrid(parent);
    g->setObjectName(QString::fromLatin1(name));
    g->SetColCount(cols);
    g->SetRowCount(kRows);
    g->SetFixedCols(1);
    g->SetFixedRows(1);
    g->SetRangeSelect(false);
    g->SetEditable(false);
    return g;
}

// The window as the main window's "UserDef" command opens it.
class UserDefWindow : public RequestWindow<LaunchRequest> {
public:
    UserDefWindow(AppState& state, QWidget* owner) : dialog_(state, owner) {}
    bool Fill(const LaunchRequest&) override { return true; }
    int ShowModal() override { return dialog_.exec(); }

private:
    TfrmUD dialog_;
};

}  // namespace

TfrmUD::TfrmUD(AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmUD"));
    setWindowTitle(QStringLiteral("ユーザ定義"));
    resize(660, 400);
    TB = new QToolBar(this);
    TB->setObjectName(QStringLiteral("TB"));
    PC = new QTabWidget(this);
    PC->setObjectName(QStringLiteral("PC"));
    tsVar = new QWidget;
    tsVar->setObjectName(QStringLiteral("tsVar"));
    tsFunc = new QWidget;
    tsFunc->setObjectName(QStringLiteral("tsFunc"));
    PC->addTab(tsVar, QStringLiteral("変数"));
    PC->addTab(tsFunc, QStringLiteral("関数"));

    sgUV = MakeGrid(tsVar, "sgUV", 5);
    sgUV->SetColWidth(0, 50);
    for (int c = 1; c <= 4; ++c) sgUV->SetColWidth(c, c % 2 == 1 ? 130 : 150);
    auto context = std::make_shared<GridCellContext>();
    context->font = font();
    UseGridCellPainter(*sgUV, [context]() -> const GridCellContext& { return *context; });
    sgUF = MakeGrid(tsFunc, "sgUF", 2);
    sgUF->SetColWidth(0, 90);
    sgUF->SetColWidth(1, 500);
    for (QWidget* page : {tsVar, tsFunc}) {
        auto* l = new QVBoxLayout(page);
        l->setContentsMargins(2, 2, 2, 2);
        l->addWidget(page == tsVar ? sgUV : sgUF);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(TB);
    layout->addWidget(PC);
    BuildActions();

    auto connectGrid = [this](TStringGrid* grid, void (TfrmUD::*click)(int, int)) {
        connect(grid, &TStringGrid::GridMouseUp, this, [this, grid, click](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
            if (b != Qt::LeftButton) return;
            int c, r;
            grid->MouseToCell(x, y, c, r);
            (this->*click)(c, r);
        });
        connect(grid, &TStringGrid::KeyDown, this, [this, grid, click](int key, Qt::KeyboardModifiers) {
            if (IsEnterKey(key)) (this->*click)(grid->Col(), grid->Row());
        });
    };
    connectGrid(sgUV, &TfrmUD::sgUVClick);
    connectGrid(sgUF, &TfrmUD::sgUFClick);
    connect(PC, &QTabWidget::currentChanged, this, [this](int page) { page == 0 ? tsVarShow() : tsFuncShow(); });
    tsVarShow();
    tsFuncShow();
}

void TfrmUD::BuildActions() {
    struct Spec {
        const char* name;
        const char* caption;
        const char* hint;
        const char* shortcut;
        void (TfrmUD::*handler)();
        bool onToolBar;
    };
    const Spec specs[] = {
        {"Exitence", "閉じる(&X)", "閉じる", "Ctrl+X", &TfrmUD::ExitenceExecute, true},
        {"ClearAll", "すべてクリア(&A)", "すべてクリアする", "Ctrl+A", &TfrmUD::ClearAllExecute, true},
        {"ClearOne", "選択項目の初期化(&C)", "選択項目を初期化する", "Ctrl+C", &TfrmUD::ClearOneExecute, true},
        {"HelpContext", "ヘルプ(&H)", nullptr, "Ctrl+H", nullptr, false},
    };
    for (const Spec& s : specs) {
        auto* a = new QAction(QString::fromUtf8(s.caption), this);
        a->setObjectName(QString::fromUtf8(s.name));
        a->setShortcut(QKeySequence(QString::fromUtf8(s.shortcut)));
        a->setToolTip(s.hint ? QString::fromUtf8(s.hint) : a->text());
        auto handler = s.handler;
        connect(a, &QAction::triggered, this, [this, handler] {
            GuardCommand(state_.Services(), [&] {
                if (handler) (this->*handler)();
                else ShowHtmlHelp(state_.Context(), kHelpContextUserDef);
            });
        });
        addAction(a);
        if (s.onToolBar) TB->addAction(a);
    }
}

QAction* TfrmUD::ActionNamed(const QString& name) const { return findChild<QAction*>(name); }

bool TfrmUD::OnVariablePage() const { return PC->currentWidget() == tsVar; }

void TfrmUD::tsVarShow() {
    const std::string value = LoadStr(kStrValue);
    sgUV->SetCell(0, 0, Q(LoadStr(kStrNumber)));
    sgUV->SetCell(1, 0, Q(std::string(kSharedBank) + "名"));
    sgUV->SetCell(2, 0, Q(kSharedBank + value));
    sgUV->SetCell(3, 0, Q(std::string(kFileBank) + "名"));
    sgUV->SetCell(4, 0, Q(kFileBank + value));
    const UserVar& uv = state_.UserScalars();
    const bool dataOpen = state_.Model() != nullptr;
    for (int i = 0; i < UserVar::kCount; ++i) {
        const int r = i + 1;
        sgUV->SetCell(0, r, QString::number(i));
        sgUV->SetCell(1, r, Q(uv.GetName(i, false)));
        sgUV->SetCell(2, r, Q(ValueText(uv.GetValue(i, false))));
        sgUV->SetCell(3, r, dataOpen ? Q(uv.GetName(i, true)) : QStringLiteral("-"));
        sgUV->SetCell(4, r, dataOpen ? Q(ValueText(uv.GetValue(i, true))) : QStringLiteral("-"));
    }
    sgUV->InvalidateGrid();
}

void TfrmUD::tsFuncShow() {
    sgUF->SetCell(0, 0, QStringLiteral("関数名"));
    sgUF->SetCell(1, 0, Q(LoadStr(kStrDefinition)));
    const auto& functions = state_.UserFunctions().Functions();
    for (int f = 0; f < UserFunc::kCount; ++f) {
        const UserFunc& u = functions[static_cast<std::size_t>(f)];
        sgUF->SetCell(0, f + 1, Q(u.Name().empty() ? LoadStr(kStrUndefined) : u.Name()));
        sgUF->SetCell(1, f + 1, Q(DefinitionAfterName(u)));
    }
    sgUF->InvalidateGrid();
}

void TfrmUD::sgUVClick(int col, int row) {
    if (row < 1 || row >= kRows || col < 1 || col > 4) return;
    const bool dataBank = col >= 3;
    if (dataBank && !state_.Model()) return;
    const int i = row - 1;
    const bool nameCell = col == 1 || col == 3;
    UserVar& uv = state_.UserScalars();
    const std::string prompt =
        std::string(dataBank ? kFileBank : kSharedBank) + (nameCell ? "名" : LoadStr(kStrValue)) + std::to_string(i);
    const std::string current = nameCell ? uv.GetName(i, dataBank) : ValueText(uv.GetValue(i, dataBank));
    GuardCommand(state_.Services(), [&] {
        const InputAnswer a = state_.Services().AskInput(prompt, {}, current);
        if (a.result != mrOK) return;
        // An edit that changes nothing stores nothing (the data set stays
        // unmodified, the value keeps its digits).
        if (a.text == current) return;
        if (nameCell) uv.SetName(i, dataBank, a.text);
        else uv.SetValue(i, dataBank, state_.Evaluator().Calculate(a.text));
    });
    tsVarShow();
}

void TfrmUD::sgUFClick(int, int row) {
    if (row < 1 || row >= kRows) return;
    UserFunc& f = state_.UserFunctions().Entry(row - 1);
    GuardCommand(state_.Services(), [&] {
        const InputAnswer a = state_.Services().AskInput(kFunctionPrompt, {}, f.Definition());
        if (a.result != mrOK) return;
        f.SetDefinition(a.text);
    });
    tsFuncShow();
}

void TfrmUD::ExitenceExecute() { close(); }

void TfrmUD::ClearAllExecute() {
    if (OnVariablePage()) {
        UserVar& uv = state_.UserScalars();
        for (bool dataBank : {false, true})
            for (int i = 0; i < UserVar::kCount; ++i) {
                uv.SetName(i, dataBank, std::to_string(i));
                uv.SetValue(i, dataBank, 0.0);
            }
        tsVarShow();
    } else {
        state_.UserFunctions().ClearAll();
        tsFuncShow();
    }
}

void TfrmUD::ClearOneExecute() {
    if (OnVariablePage()) {
        const int r = sgUV->Row(), c = sgUV->Col();
        if (r < 1 || r >= kRows || c < 1 || c > 4) return;
        const bool dataBank = c >= 3;
        UserVar& uv = state_.UserScalars();
        if (c == 1 || c == 3) uv.SetName(r - 1, dataBank, std::to_string(r - 1));
        else uv.SetValue(r - 1, dataBank, 0.0);
        tsVarShow();
    } else {
        const int r = sgUF->Row();
        if (r < 1 || r >= kRows) return;
        state_.UserFunctions().Entry(r - 1).Clear();
        tsFuncShow();
    }
}

void RegisterUserDefWindow() {
    AnalysisWindows().Register("TfrmUD", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<UserDefWindow>(context.State(), context.Owner());
    });
}
