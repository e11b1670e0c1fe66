#include "stats/ui/correlation_matrix_window.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "components/view/graph_launchers.h"
#include "components/view/launch_request.h"
#include "components/view/result_grid.h"
#include "components/view/window_registry.h"
#include "core/io/file_matrix.h"
#include "core/model/overflowing_sums.h"
#include "core/settings/file_services.h"
#include "estimators/ridge_request.h"
#include "estimators/wls_request.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "stats/correlation_matrix_request.h"
#include "stats/correlation_matrix_table.h"
#include "stats/pca_request.h"

namespace {

constexpr int kHelpContext = 1013;
constexpr int kDefaultWidth = 631;
constexpr int kDefaultHeight = 280;
constexpr int kColumnWidth = 100;
// A matrix of this many variables opens whole where the screen has room.
constexpr int kWholeVariables = 7;
const QSize kFrameRoom(16, 48);
const char* const kPcaWindow = "TfrmPCA";
const char* const kWlsWindow = "TfrmWLS";
const char* const kRidgeWindow = "TfrmRidge";
const char* const kAlternatePrefix = "(iv)";

QRadioButton* AddRadio(QGroupBox* box, const char* name, const char* caption) {
    auto* b = new QRadioButton(caption, box);
    b->setObjectName(name);
    box->layout()->addWidget(b);
    return b;
}

}  // namespace

TfrmRelative::TfrmRelative(const WindowContext& context) : AnalysisWindowBase(context) {
    setObjectName("frmRelative");
    setWindowTitle("相関行列");
    resize(kDefaultWidth, kDefaultHeight);

    sgRelMat = new ResultGrid(this);
    sgRelMat->setObjectName("sgRelMat");
    sgRelMat->SetDefaultRowHeight(22);
    connect(sgRelMat, &TStringGrid::GridMouseUp, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { sgRelMatMouseUp(b, x, y); }));
    connect(sgRelMat, &TStringGrid::KeyDown, this,
            GuardedSlot([this](int key, Qt::KeyboardModifiers mods) { sgRelMatKeyDown(key, mods); }));

    rgType = new QGroupBox("表示", this);
    rgType->setObjectName("rgType");
    rgType->setLayout(new QVBoxLayout);
    rbCorrelation = AddRadio(rgType, "rbCorrelation", "相関行列(&R)");
    rbPartial = AddRadio(rgType, "rbPartial", "偏相関行列(&P)");
    connect(rbPartial, &QRadioButton::toggled, this, GuardedSlot([this](bool on) { rgTypeClick(on); }));
    rgSel = new QGroupBox("選択", this);
    rgSel->setObjectName("rgSel");
    rgSel->setLayout(new QVBoxLayout);
    rbAll = AddRadio(rgSel, "rbAll", "全変数(&A)");
    rbSelected = AddRadio(rgSel, "rbSelected", "選択変数のみ(&S)");
    connect(rbSelected, &QRadioButton::toggled, this, GuardedSlot([this](bool on) { rgSelClick(on); }));

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    btnCloseRM = button("btnCloseRM", "閉じる(&X)");
    btnCloseRM->setDefault(true);
    btnPCA = button("btnPCA", "主成分分析(&C)");
    btnHelp = button("btnHelp", "ヘルプ(&H)");
    btnWLS = button("btnWLS", "加重回帰(&W)");
    btnRidge = button("btnRidge", "リッジ回帰(&K)");
    btnChange = button("btnChange", "表示切り替え(&Z)");
    connect(btnCloseRM, &QPushButton::clicked, this, [this] { close(); });
    connect(btnPCA, &QPushButton::clicked, this, GuardedSlot([this] { btnPCAClick(); }));
    connect(btnWLS, &QPushButton::clicked, this, GuardedSlot([this] { btnWLSClick(); }));
    connect(btnRidge, &QPushButton::clicked, this, GuardedSlot([this] { btnRidgeClick(); }));
    connect(btnChange, &QPushButton::clicked, this, GuardedSlot([this] { btnChangeClick(); }));
    connect(btnHelp, &QPushButton::clicked, this,
            GuardedSlot([this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); }));

    auto* buttons = new QGridLayout;
    buttons->addWidget(btnCloseRM, 0, 0);
    buttons->addWidget(btnPCA, 0, 1);
    buttons->addWidget(btnHelp, 0, 2);
    buttons->addWidget(btnChange, 1, 0);
    buttons->addWidget(btnWLS, 1, 1);
    buttons->addWidget(btnRidge, 1, 2);
    bottom_ = new QHBoxLayout;
    bottom_->addWidget(rgType);
    bottom_->addWidget(rgSel);
    bottom_->addStretch(1);
    bottom_->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgRelMat, 1);
    layout->addLayout(bottom_);

    // The hand-over buttons wait for their windows.
    registryListener_ = AnalysisWindows().AddListener([this] { EnableHandOvers(); });
    EnableHandOvers();
}

TfrmRelative::~TfrmRelative() { AnalysisWindows().RemoveListener(registryListener_); }

void TfrmRelative::EnableHandOvers() {
    const AnalysisRegistry& r = AnalysisWindows();
    btnPCA->setEnabled(r.Has(kPcaWindow));
    btnWLS->setEnabled(r.Has(kWlsWindow));
    btnRidge->setEnabled(r.Has(kRidgeWindow));
}

bool TfrmRelative::Setup(const WindowRequest& request) {
    if (const auto* r = request.As<CorrelationMatrixRequest>()) return SetData(r->table, r->alternate, r->showSelection);
    // The main window's command: the data set's table and its two-stage values.
    if (const auto* r = request.As<LaunchRequest>()) return SetData(r->table, r->designTable, r->showSelection);
    return false;
}

bool TfrmRelative::SetData(const TNamedData* data, const TFileMatrix* alternate, bool showSelection) {
    if (!data) return false;
    data_ = data;
    alternate_ = alternate;
    rgSel->setVisible(showSelection);
    alternateShown_ = false;
    partialShown_ = false;
    selectedOnly_ = false;
    btnChange->setEnabled(alternate != nullptr);
    if (!ComputeMatrices()) return false;
    ShowMatrix();
    if (const QScreen* s = screen()) FitToMatrix(s->availableGeometry());
    return true;
}

void TfrmRelative::FitToMatrix(const QRect& available) {
    const TStringGrid& g = *sgRelMat;
    const int shown = std::min(g.ColCount(), kWholeVariables + 1);
    int width = 2 * g.frameWidth(), height = 2 * g.frameWidth();
    for (int c = 0; c < shown; ++c) width += g.ColWidth(c) + TStringGrid::kGridLineWidth;
    for (int r = 0; r < shown; ++r) height += g.RowHeight(r) + TStringGrid::kGridLineWidth;
    if (g.ColCount() > shown) {
        // The rest scrolls: the bars take their room beside the matrix.
        width += g.verticalScrollBar()->sizeHint().width();
        height += g.horizontalScrollBar()->sizeHint().height();
    }
    const QMargins m = layout()->contentsMargins();
    const QSize below = bottom_->sizeHint();
    QSize wanted(std::max(width, below.width()) + m.left() + m.right(),
                 height + std::max(0, layout()->spacing()) + below.height() + m.top() + m.bottom());
    wanted = wanted.expandedTo(QSize(kDefaultWidth, kDefaultHeight));
    // The title bar and the borders need their share of the screen.
    const QSize room = (available.size() - kFrameRoom).expandedTo(QSize(kDefaultWidth, kDefaultHeight));
    resize(wanted.boundedTo(room));
}

bool TfrmRelative::ComputeMatrices() {
    // A failure leaves the matrices and the grid as they were.
    try {
        m_ = std::make_unique<CorrelationMatrices>(
                ComputeCorrelationMatrices(*data_, alternateShown_ ? alternate_ : nullptr, selectedOnly_));
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const EOverflowingSums&) {
        throw;  // refused in the fit's words; nothing opens
    } catch (const std::exception&) {
        return false;
    }
    partialShown_ = false;
    return true;
}

void TfrmRelative::ShowMatrix() {
    sgRelMat->Show(CorrelationMatrixTable(*m_, partialShown_, alternateShown_));
    // A long name widens its column; the heading column takes the widest.
    const QFontMetrics metrics(sgRelMat->font());
    int first = kColumnWidth;
    for (int j = 1; j < sgRelMat->ColCount(); ++j) {
        const int text = metrics.horizontalAdvance(sgRelMat->Cell(j, 0));
        const int width = text > kColumnWidth - 20 ? text + 20 : kColumnWidth;
        sgRelMat->SetColWidth(j, width);
        first = std::max(first, width);
    }
    sgRelMat->SetColWidth(0, first);
    const QSignalBlocker b1(rbPartial), b2(rbCorrelation), b3(rbSelected), b4(rbAll);
    (partialShown_ ? rbPartial : rbCorrelation)->setChecked(true);
    rgType->setEnabled(m_->partialAvailable);
    (selectedOnly_ ? rbSelected : rbAll)->setChecked(true);
}

void TfrmRelative::rgTypeClick(bool partial) {
    if (partial == partialShown_) return;
    partialShown_ = partial && m_->partialAvailable;
    ShowMatrix();
}

void TfrmRelative::rgSelClick(bool selectedOnly) {
    if (selectedOnly == selectedOnly_) return;
    selectedOnly_ = selectedOnly;
    if (ComputeMatrices()) {
        ShowMatrix();
    } else {
        selectedOnly_ = !selectedOnly;
        ShowMatrix();
    }
}

void TfrmRelative::btnChangeClick() {
    if (!alternate_) return;
    alternateShown_ = !alternateShown_;
    bool computed = false;
    try {
        computed = ComputeMatrices();
    } catch (const Exception&) {
        alternateShown_ = !alternateShown_;  // the values shown stay
        throw;
    }
    if (!computed) {
        alternateShown_ = !alternateShown_;
        return;
    }
    ShowMatrix();
}

void TfrmRelative::PlotCellPair(int row, int col, bool otherMatrix) {
    const int k = static_cast<int>(m_->columns.size());
    if (!data_ || row < 1 || col < 1 || row > k || col > k) return;
    const TFileMatrix* shown = alternateShown_ && alternate_ ? alternate_ : data_;
    const TFileMatrix* other = alternate_ ? (alternateShown_ ? static_cast<const TFileMatrix*>(data_) : alternate_)
                                          : data_;
    const TFileMatrix* xFrom = shown;
    const TFileMatrix* yFrom = shown;
    if (alternate_) {
        if (row != col) {
            if (otherMatrix) yFrom = other;
        } else if (otherMatrix) {
            yFrom = other;
        } else {
            xFrom = other;
        }
    }
    const int xc = m_->columns[static_cast<std::size_t>(col - 1)], yc = m_->columns[static_cast<std::size_t>(row - 1)];
    auto name = [this](const TFileMatrix* from, int i) {
        const std::string& n = m_->names[static_cast<std::size_t>(i)];
        return from == alternate_ ? kAlternatePrefix + n : n;
    };
    const int n = data_->Rows();
    std::vector<double> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
    xFrom->ReadColumn(xc, x.data());
    yFrom->ReadColumn(yc, y.data());
    ShowXYGraph(Context().WithOwner(this), name(xFrom, col - 1), x.data(), name(yFrom, row - 1), n, y.data());
}

void TfrmRelative::sgRelMatMouseUp(Qt::MouseButton button, int x, int y) {
    int c = -1, r = -1;
    sgRelMat->MouseToCell(x, y, c, r);
    PlotCellPair(r, c, button == Qt::RightButton);
}

void TfrmRelative::sgRelMatKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
    const int c = sgRelMat->Col(), r = sgRelMat->Row();
    // Plain Enter and the diagonal do nothing from the keyboard.
    if (c == r) return;
    if (modifiers & Qt::ShiftModifier) {
        PlotCellPair(r, c, false);
    } else if (modifiers & Qt::ControlModifier) {
        PlotCellPair(r, c, true);
    }
}

std::unique_ptr<TNamedData> TfrmRelative::ShownTable(bool fromShown) const {
    const int k = static_cast<int>(m_->columns.size()), n = data_->Rows();
    const TFileMatrix* from = fromShown && alternateShown_ && alternate_ ? alternate_ : data_;
    auto table = std::make_unique<TNamedData>(Context().State().Context(), n, k);
    for (int j = 0; j < k; ++j) {
        table->SetColumnName(j, m_->names[static_cast<std::size_t>(j)]);
        table->CopyColumnFrom(j, *from, m_->columns[static_cast<std::size_t>(j)]);
    }
    return table;
}

void TfrmRelative::btnPCAClick() {
    if (!data_) return;
    const std::unique_ptr<TNamedData> table = ShownTable(true);
    PcaRequest r;
    r.table = table.get();
    OpenWindow(kPcaWindow, Context().WithOwner(this), r);
}

int TfrmRelative::AskDependent() const {
    std::vector<std::string> names;
    for (const std::string& s : m_->names)
        if (s != LoadStr(kStrConstantName)) names.push_back(s);
    const InputAnswer answer = Context().Services().AskInput(LoadStr(kStrDependentName), names, "");
    if (answer.result != mrOK) return -1;
    for (std::size_t j = 0; j < m_->names.size(); ++j)
        if (m_->names[j] == answer.text) return static_cast<int>(j);
    return -1;
}

void TfrmRelative::btnWLSClick() {
    if (!data_) return;
    const int dep = AskDependent();
    if (dep < 0) return;
    const std::unique_ptr<TNamedData> table = ShownTable(false);
    std::unique_ptr<TNamedData> second;
    if (alternateShown_ && alternate_) second = ShownTable(true);
    WLSRequest r;
    r.table = table.get();
    r.second = second.get();
    r.dependentColumn = dep;
    r.mode = -1;
    OpenWindow(kWlsWindow, Context().WithOwner(this), r);
}

void TfrmRelative::btnRidgeClick() {
    if (!data_) return;
    const int dep = AskDependent();
    if (dep < 0) return;
    const std::unique_ptr<TNamedData> table = ShownTable(false);
    RidgeRequest r;
    r.table = table.get();
    r.dependentColumn = dep;
    OpenWindow(kRidgeWindow, Context().WithOwner(this), r);
}

void RegisterCorrelationMatrixWindow() {
    AnalysisWindows().Register("TfrmRelative", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmRelative>(context);
    });
}
