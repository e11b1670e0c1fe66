#include "app/dialogs/var_get_window.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "components/view/grid_marks.h"
#include "components/view/guarded_slot.h"
#include "components/view/key_helpers.h"
#include "components/view/qt_text.h"
#include "core/data/group_mask.h"
#include "core/data/variable.h"
#include "core/data/variable_rows.h"
#include "core/io/data_file.h"
#include "core/io/stored_variable_folder.h"
#include "core/io/stored_variables.h"
#include "core/io/text_data_file.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

const char* const kNotFound = "見つかりませんでした。";
const char* const kTooFewRows = "データ組を二つ以上選んでください。";
const char* const kImportPrompt = "インポート時の変数名の入力";
constexpr int kMaxErrorsShown = 10;
constexpr int kHelpContextVarGet = 1021;

}  // namespace

int TfrmVarGet::MarkAnchor = -1;

TfrmVarGet::TfrmVarGet(AppState& state, std::string dataFolder, AddVariable addVariable, QWidget* parent)
    : QDialog(parent), state_(state), dataFolder_(std::move(dataFolder)), addVariable_(std::move(addVariable)) {
    setObjectName(QStringLiteral("frmVarGet"));
    setWindowTitle(QStringLiteral("外部変数情報"));
    resize(620, 440);
    rowMarks_.Reset(10);

    TB = new QToolBar(this);
    TB->setObjectName(QStringLiteral("TB"));
    tvFile = new QTreeWidget(this);
    tvFile->setObjectName(QStringLiteral("tvFile"));
    tvFile->setHeaderHidden(true);
    sgData = new TStringGrid(this);
    sgData->setObjectName(QStringLiteral("sgData"));
    sgData->SetColCount(3);
    sgData->SetRowCount(2);
    sgData->SetFixedCols(1);
    sgData->SetFixedRows(1);
    sgData->SetRangeSelect(true);
    sgData->SetEditable(false);
    sgData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stFile = new QLabel(this);
    stFile->setObjectName(QStringLiteral("stFile"));
    stFile->setFrameShape(QFrame::Panel);
    stFile->setFrameShadow(QFrame::Sunken);
    SB = new QStatusBar(this);
    SB->setObjectName(QStringLiteral("SB"));
    SB->setSizeGripEnabled(false);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("ファイル名 "), this));
    fileRow->addWidget(stFile, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(fileRow);
    right->addWidget(sgData, 1);
    auto* rightPane = new QWidget(this);
    rightPane->setLayout(right);
    right->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(this);
    split->addWidget(tvFile);
    split->addWidget(rightPane);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 380});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(TB);
    layout->addWidget(split, 1);
    layout->addWidget(SB);

    BuildActions();

    cellContext_ = MarkedGridCellContext([this](int i) { return IsMarked(rowMarks_, i); }, font());
    UseGridCellPainter(*sgData, [this]() -> const GridCellContext& { return cellContext_; });
    connect(tvFile, &QTreeWidget::itemPressed, this,
            Guarded(state_, [this](QTreeWidgetItem* item, int) { tvFileMouseDown(item); }));
    connect(sgData, &TStringGrid::GridMouseDown, this,
            Guarded(state_, [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                sgDataMouseDown(b, m, x, y);
            }));
    connect(sgData, &TStringGrid::GridMouseMove, this,
            Guarded(state_, [this](Qt::MouseButtons b, Qt::KeyboardModifiers, int x, int y) {
                sgDataMouseMove(b, x, y);
            }));
    RefreshGrid();
}

TfrmVarGet::~TfrmVarGet() = default;

void TfrmVarGet::BuildActions() {
    struct Spec {
        const char* name;
        const char* caption;
        const char* hint;
        const char* shortcut;
        void (TfrmVarGet::*handler)();
        bool onToolBar;
    };
    const Spec specs[] = {
        {"Exitence", "終了(&X)", "終了します", "Ctrl+X", &TfrmVarGet::ExitenceExecute, true},
        {"SetBaseDir", "ディレクトリ(&D)", "ベースとなるディレクトリを指定する", "Ctrl+D",
         &TfrmVarGet::SetBaseDirExecute, true},
        {"FindVar", "変数検索(&F)", "特定の変数を検索する", "Ctrl+F", &TfrmVarGet::FindVarExecute, true},
        {"NextVar", "NextVar", nullptr, "Ctrl+N", &TfrmVarGet::NextVarExecute, false},
        {"VarImportAll", "全体取込", "この変数をデータに新規変数として追加する", "Ctrl+A",
         &TfrmVarGet::VarImportAllExecute, true},
        {"ImportSelected", "選択取込", "範囲選択された部分のみデータに新規変数として追加する", "Ctrl+S",
         &TfrmVarGet::ImportSelectedExecute, true},
        {"PropertyView", "変数情報(&I)", "変数情報を表示する", "Ctrl+P", &TfrmVarGet::PropertyViewExecute, true},
        {"TextFlie", "テキストファイル(&T)", "変数をテキストファイルから読み込む", "Ctrl+T",
         &TfrmVarGet::TextFlieExecute, true},
        {"HelpContext", "HelpContext", nullptr, "Ctrl+H", &TfrmVarGet::HelpContextExecute, false},
    };
    for (const Spec& s : specs) {
        auto* a = new QAction(QString::fromUtf8(s.caption), this);
        a->setObjectName(QString::fromUtf8(s.name));
        a->setShortcut(QKeySequence(QString::fromUtf8(s.shortcut)));
        if (s.hint) a->setStatusTip(QString::fromUtf8(s.hint));
        a->setToolTip(s.hint ? QString::fromUtf8(s.hint) : a->text());
        auto handler = s.handler;
        connect(a, &QAction::triggered, this,
                Guarded(state_, [this, handler] { (this->*handler)(); }));
        // The hint of the action under the pointer.
        connect(a, &QAction::hovered, this, [this, a] { SB->showMessage(a->statusTip()); });
        addAction(a);
        if (s.onToolBar) TB->addAction(a);
    }
}

QAction* TfrmVarGet::ActionNamed(const QString& name) const { return findChild<QAction*>(name); }

void TfrmVarGet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    GuardCommand(state_.Services(), [&] { FormShow(); });
}

void TfrmVarGet::FormShow() { static_cast<void>(BuildTree(baseFolder_.empty() ? dataFolder_ : baseFolder_)); }

void TfrmVarGet::ExitenceExecute() { reject(); }

std::string TfrmVarGet::FolderPath(const std::string& file) const { return baseFolder_ + file; }

bool TfrmVarGet::BuildTree(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '/') base += '/';
    const StoredVariableFolder listing = ListStoredVariables(base);
    if (!listing.folderRead) {
        ErrorBox(state_.Services(), listing.errors.empty() ? base : listing.errors.front());
        return false;
    }
    baseFolder_ = base;
    tvFile->clear();
    nodes_.clear();
    for (const StoredVariableFile& file : listing.files) {
        auto* root = new QTreeWidgetItem(tvFile, QStringList(Q(file.fileName)));
        nodes_.push_back(root);
        for (const std::string& name : file.names) nodes_.push_back(new QTreeWidgetItem(root, QStringList(Q(name))));
    }
    tvFile->expandAll();
    searchPosition_ = 0;
    RefreshGrid();
    if (!listing.errors.empty()) {
        std::string text;
        const int shown = std::min<int>(kMaxErrorsShown, static_cast<int>(listing.errors.size()));
        for (int i = 0; i < shown; ++i) text += listing.errors[static_cast<std::size_t>(i)] + "\n";
        if (static_cast<int>(listing.errors.size()) > shown) text += "...";
        ErrorBox(state_.Services(), text);
    }
    return true;
}

void TfrmVarGet::RefreshGrid() {
    sgData->SetColWidth(0, 50);
    sgData->SetColWidth(1, 150);
    sgData->SetColWidth(2, 150);
    if (!loaded_ || fileName_.empty()) {
        sgData->SetRowCount(2);
        sgData->SetCellProvider({});
        sgData->ClearCells();
        stFile->clear();
        return;
    }
    stFile->setText(Q(fileName_));
    const Var* v = loaded_.get();
    sgData->ClearCells();
    sgData->SetRowCount(std::max(2, v->Count() + 1));
    const QString title = Q(v->GetName());
    const QString groups = Q(LoadStr(kStrGroup) + "情報");
    // Cells come from the variable as they are painted, so a long variable
    // costs only the rows in view; it is looked up at each cell, never kept
    // past a replacement.
    sgData->SetCellProvider([this, title, groups](int c, int r) -> QString {
        if (r == 0) return c == 1 ? title : c == 2 ? groups : QString();
        const Var* shown = loaded_.get();
        const int i = r - 1;
        if (!shown || i >= shown->Count()) return {};
        if (c == 0) return QString::number(r);
        if (c == 1) return Q(FormatNumber(false, shown->At(i)));
        return Q(GroupMaskText(shown->GetMark(i), true));
    });
    sgData->InvalidateGrid();
}

bool TfrmVarGet::LoadVariable(const std::string& file, const std::string& name) {
    auto fresh = std::make_unique<Var>();
    if (!ReadVariableFromFile(FolderPath(file), name, *fresh)) {
        ErrorBox(state_.Services(), kNotFound);
        return false;
    }
    loaded_ = std::move(fresh);
    fileName_ = file;
    return true;
}

void TfrmVarGet::tvFileMouseDown(QTreeWidgetItem* item) {
    if (!item || !item->parent()) return;
    if (!LoadVariable(item->parent()->text(0).toStdString(), item->text(0).toStdString())) return;
    rowMarks_.Reset(loaded_->Count());
    RefreshGrid();
}

void TfrmVarGet::FindVarExecute() {
    if (nodes_.empty()) return;
    const InputAnswer a = state_.Services().AskInput("検索する" + LoadStr(kStrVariableName), {}, "");
    searchName_ = a.result == mrOK ? a.text : std::string();
    searchPosition_ = -1;
    searchCount_ = static_cast<int>(nodes_.size());
    NextVarExecute();
}

void TfrmVarGet::NextVarExecute() {
    const int count = std::min(searchCount_, static_cast<int>(nodes_.size()));
    int found = -1;
    for (int i = std::max(searchPosition_ + 1, 0); i < count; ++i) {
        if (nodes_[static_cast<std::size_t>(i)]->text(0).toStdString() == searchName_) {
            found = i;
            break;
        }
    }
    searchPosition_ = found >= 0 ? found : 0;
    if (found >= 0) tvFile->setCurrentItem(nodes_[static_cast<std::size_t>(found)]);
    QTreeWidgetItem* node =
        searchPosition_ < static_cast<int>(nodes_.size()) ? nodes_[static_cast<std::size_t>(searchPosition_)] : nullptr;
    if (found < 0 || !node || !node->parent()) {
        ErrorBox(state_.Services(), kNotFound);
        return;
    }
    if (!LoadVariable(node->parent()->text(0).toStdString(), searchName_)) return;
    // The marks keep their flags but never reach past the variable.
    rowMarks_.Resize(loaded_->Count());
    RefreshGrid();
}

void TfrmVarGet::AskImportName() {
    const InputAnswer a = state_.Services().AskInput(kImportPrompt, {}, loaded_->GetName());
    if (a.result == mrOK) loaded_->SetName(a.text);
}

void TfrmVarGet::VarImportAllExecute() {
    if (!loaded_) return;
    AskImportName();
    RefreshGrid();
    Var copy(*loaded_);
    addVariable_(copy);
}

void TfrmVarGet::ImportSelectedExecute() {
    if (!loaded_) return;
    if (CountMarkedRows(rowMarks_, loaded_->Count()) < 2) {
        ErrorBox(state_.Services(), kTooFewRows);
        return;
    }
    AskImportName();
    RefreshGrid();
    std::unique_ptr<Var> rows = VariableOfMarkedRows(*loaded_, rowMarks_, loaded_->GetName());
    addVariable_(*rows);
}

void TfrmVarGet::PropertyViewExecute() {
    if (!loaded_) return;
    const Var& v = *loaded_;
    std::string text = LoadStr(kStrVariableName) + " : " + v.GetName() + "\n";
    text += "コメント : " + v.GetInfo() + "\n";
    text += "データ数 : " + std::to_string(v.Count());
    if (v.Count() > 0) {
        text += "\n平均 : " + FormatNumber(false, v.GetMean());
        text += "\n標準偏差 : " + FormatNumber(false, v.GetStdDev());
        text += "\n最大 : " + FormatNumber(false, v.GetMax());
        text += "\n最小 : " + FormatNumber(false, v.GetMin());
    }
    InformationBox(state_.Services(), text);
}

void TfrmVarGet::TextFlieExecute() {
    UiServices& ui = state_.Services();
    FileDialogRequest request;
    request.initialDir = dataFolder_;
    request.filter = "多変量データ|*.MDF|マクロデータ|*.MCR|テキストデータ|*.TXT|マクロライブラリー|*.MLB|すべて|*.*";
    request.filterIndex = 3;
    request.title = "開く";
    const std::string path = ui.ChooseOpenFile(request);
    if (path.empty()) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFOpenError("ファイルを開けません: " + path);
    LoadedDataFile read;
    std::int64_t sectionStart = 0;
    static_cast<void>(ReadTextDataPart(in, read, state_.Context().Evaluator(), ui, sectionStart));
    if (read.vars.empty()) throw EReadError(path + ": 変数がありません。");
    std::size_t chosen = 0;
    if (read.vars.size() > 1) {
        std::vector<std::string> names;
        for (const auto& v : read.vars) names.push_back(v->GetName());
        const InputAnswer a = ui.AskInput("読み込む" + LoadStr(kStrVariableName), names, names.front());
        if (a.result != mrOK) return;
        const auto it = std::find(names.begin(), names.end(), a.text);
        chosen = it == names.end() ? 0 : static_cast<std::size_t>(it - names.begin());
    }
    loaded_ = std::move(read.vars[chosen]);
    fileName_ = std::filesystem::path(path).filename().string();
    rowMarks_.Reset(loaded_->Count());
    RefreshGrid();
}

void TfrmVarGet::SetBaseDirExecute() {
    const std::optional<std::string> folder = state_.Services().ChooseFolder(baseFolder_);
    static_cast<void>(BuildTree(folder ? *folder : baseFolder_));
}

void TfrmVarGet::sgDataMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) {
    if (button != Qt::LeftButton || !loaded_) return;
    int c = -1, r = -1;
    sgData->MouseToCell(x, y, c, r);
    if (c != 0 || r < 1 || r > loaded_->Count()) return;
    MarkObservationsByClick(rowMarks_, MarkAnchor, KeysOf(mods), r - 1, loaded_->Count());
    sgData->InvalidateGrid();
}

void TfrmVarGet::sgDataMouseMove(Qt::MouseButtons buttons, int x, int y) {
    if (!(buttons & Qt::LeftButton) || !loaded_) return;
    int c = -1, r = -1;
    sgData->MouseToCell(x, y, c, r);
    if (c != 0 || r < 1 || r > loaded_->Count()) return;
    if (IsMarked(rowMarks_, r - 1)) return;
    rowMarks_.Set(r - 1, 1);
    sgData->InvalidateRow(r);
}

void TfrmVarGet::HelpContextExecute() {
    if (!state_.Services().ShowHelp(helpFile_, kHelpContextVarGet))
        ErrorBox(state_.Services(), LoadStr(kStrHelpFailed));
}
