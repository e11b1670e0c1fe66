// The grid-cell painter as a decision table: brush, text colour, drawn text,
// position and frame for each kind of cell, recorded without pixels.
#include <gtest/gtest.h>

#include <set>

#include <QFontMetrics>

#include "components/view/grid_cell_painter.h"
#include "core/model/regression_model.h"
#include "gui_fixture.h"
#include "painted_grid.h"
#include "components/plot/core/recording_canvas.h"
#include "components/plot/qpainter_canvas.h"

namespace {

using namespace canvas_color;

const QRect kRect(100, 40, 80, 20);  // right edge 180
constexpr int kW = RecordingCanvas::kCharWidth;

struct Drawn {
    CanvasColor brush;
    CanvasColor font;
    QString text;
    int x;
    int y;
    bool sunken;
};

Drawn Draw(const GridCellContext& ctx, const QString& text, int c, int r, GridDrawState state,
           QRect rect = kRect) {
    RecordingCanvas canvas;
    DrawGridCell(canvas, ctx, text, c, r, rect, state);
    EXPECT_EQ(canvas.fills.size(), 1u);
    EXPECT_EQ(canvas.texts.size(), 1u);
    if (canvas.fills.empty() || canvas.texts.empty()) return {};
    EXPECT_EQ(canvas.fills[0].rect, ToCanvasRect(rect));
    const RecordedText& t = canvas.texts[0];
    return {canvas.fills[0].color, t.color, QString::fromStdString(t.text), t.x, t.y, !canvas.edges.empty()};
}

const GridDrawState kNormal{};
const GridDrawState kFixed{false, false, true};
const GridDrawState kSelected{true, false, false};
const GridDrawState kFocused{true, true, false};

class PainterTest : public ::testing::Test {
protected:
    PainterTest() {
        TestApp();
        // Y1 endogenous (dependent), X exogenous (explanatory), L lagged, U undefined.
        model_ = MakeModel({{1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 7}, {1, 1, 2, 3, 5, 8}, {3, 1, 4, 1, 5, 9}},
                           {2, 3, 0, 1}, {"X", "L", "U", "Y1"});
        model_->Reestimate(false);
        EXPECT_TRUE(model_->ToggleVariable(0));
        model_->SetMark(2, 1, 0x0005);  // groups 1 and 3
        colMarks_ = {false, false, false, false};
        obsMarks_ = std::set<int>{};
        ctx_.kind = GridKind::MainEdit;
        ctx_.model = model_.get();
        ctx_.columnMarked = [this](int j) { return j < 4 && colMarks_[static_cast<std::size_t>(j)]; };
        ctx_.observationMarked = [this](int i) { return obsMarks_.count(i) > 0; };
        ctx_.groupColors = [](std::uint16_t mask) {
            GridColorEntry e;
            e.mask = mask;
            if (mask == 0x0005) e.Set(mask, kNavy, kAqua);
            return e;
        };
    }
    std::unique_ptr<Reg> model_;
    std::vector<bool> colMarks_;
    std::set<int> obsMarks_;
    GridCellContext ctx_;
};

TEST_F(PainterTest, DataCellsFlagsAndSelection) {
    GridCellContext other = ctx_;
    other.kind = GridKind::MainDiagnostics;
    GridCellContext plain = other;
    plain.coloring = false;
    struct Case {
        const char* what;
        const GridCellContext* ctx;
        const char* text;
        GridDrawState state;
        CanvasColor brush, font;
        const char* drawn;
    } cases[] = {
        {"plain value", &other, "1.5000", kNormal, kWhite, kBlack, "1.5000"},
        {"** flagged", &other, "**0.0123", kNormal, kWhite, kRed, "0.0123"},
        {"* flagged", &other, "* 0.0123", kNormal, kWhite, kBlue, "0.0123"},
        {"*x flagged", &other, "*x0.5", kNormal, kWhite, kBlue, "0.5"},
        {"lone star", &other, "*", kNormal, kWhite, kBlack, "*"},
        {"focused flagged", &other, "**7", kFocused, kWhite, kRed, "7"},
        {"selected plain", &other, "3", kSelected, kHighlight, kHighlightText, "3"},
        {"selected **", &other, "**3", kSelected, kHighlight, kLime, "3"},
        {"selected * ", &other, "* 3", kSelected, kHighlight, kYellow, "3"},
        {"selected empty", &other, "", kSelected, kHighlight, kHighlightText, ""},
        {"coloring off keeps stars", &plain, "**3", kNormal, kWhite, kBlack, "**3"},
        {"coloring off selected", &plain, "* 3", kSelected, kHighlight, kHighlightText, "* 3"},
    };
    for (const Case& k : cases) {
        const Drawn d = Draw(*k.ctx, QString::fromUtf8(k.text), 2, 3, k.state);
        EXPECT_EQ(d.brush, k.brush) << k.what;
        EXPECT_EQ(d.font, k.font) << k.what;
        EXPECT_EQ(d.text, QString::fromUtf8(k.drawn)) << k.what;
        EXPECT_EQ(d.x, 180 - kW * static_cast<int>(d.text.size()) - 5) << k.what;  // right-aligned
        EXPECT_EQ(d.y, 43) << k.what;
        EXPECT_FALSE(d.sunken) << k.what;
    }
}

TEST_F(PainterTest, EditGridUsesGroupColoursNotStars) {
    struct Case {
        int c, r;
        const char* text;
        bool coloring;
        CanvasColor brush, font;
        const char* drawn;
    } cases[] = {
        {2, 3, "7", true, kAqua, kNavy, "7"},        // observation 2, variable 1: groups 1 and 3
        {1, 3, "7", true, kWhite, kBlack, "7"},      // no group
        {2, 3, "**7", true, kAqua, kNavy, "**7"},    // stars mean nothing on the data grid
        {2, 3, "7", false, kWhite, kBlack, "7"},     // colouring off
        {2, 99, "", true, kWhite, kBlack, ""},       // a row beyond the data
    };
    for (const Case& k : cases) {
        GridCellContext ctx = ctx_;
        ctx.coloring = k.coloring;
        const Drawn d = Draw(ctx, QString::fromUtf8(k.text), k.c, k.r, kNormal);
        EXPECT_EQ(d.brush, k.brush) << k.c << "," << k.r << " " << k.text;
        EXPECT_EQ(d.font, k.font) << k.c << "," << k.r << " " << k.text;
        EXPECT_EQ(d.text, QString::fromUtf8(k.drawn));
    }
}

TEST_F(PainterTest, EditHeadersShowRoleKindAndMarks) {
    struct Case {
        const char* what;
        int c, r;
        bool colMarked, obsMarked, coloring;
        CanvasColor brush, font;
        bool sunken;
    } cases[] = {
        {"dependent endogenous", 4, 0, false, false, true, kGreen, kYellow, false},
        {"dependent marked", 4, 0, true, false, true, kYellow, kGreen, true},
        {"explanatory exogenous", 1, 0, false, false, true, kAqua, kBlue, false},
        {"lagged, no role", 2, 0, false, false, true, kButtonFace, kNavy, false},
        {"undefined", 3, 0, false, false, true, kButtonFace, kBlack, false},
        {"colouring off", 4, 0, false, false, false, kButtonFace, kBlack, false},
        {"colouring off marked", 1, 0, true, false, false, kYellow, kBlack, true},
        {"row header", 0, 3, false, false, true, kButtonFace, kBlack, false},
        {"marked observation", 0, 3, false, true, true, kYellow, kBlack, true},
        {"corner", 0, 0, false, false, true, kButtonFace, kBlack, false},
    };
    for (const Case& k : cases) {
        colMarks_.assign(4, k.colMarked);
        obsMarks_.clear();
        if (k.obsMarked) obsMarks_.insert(k.r - 1);
        GridCellContext ctx = ctx_;
        ctx.coloring = k.coloring;
        const Drawn d = Draw(ctx, QStringLiteral("ab"), k.c, k.r, kFixed);
        EXPECT_EQ(d.brush, k.brush) << k.what;
        EXPECT_EQ(d.font, k.font) << k.what;
        EXPECT_EQ(d.sunken, k.sunken) << k.what;
        EXPECT_EQ(d.text, "ab") << k.what;
    }
}

TEST_F(PainterTest, MarkedObservationShowsOnAllThreeMainGridsOnly) {
    obsMarks_.insert(4);
    for (GridKind kind : {GridKind::MainEdit, GridKind::MainDiagnostics, GridKind::MainInfluence, GridKind::Other}) {
        GridCellContext ctx = ctx_;
        ctx.kind = kind;
        const Drawn d = Draw(ctx, QStringLiteral("5"), 0, 5, kFixed);
        const bool main = kind != GridKind::Other;
        EXPECT_EQ(d.brush, main ? kYellow : kButtonFace);
        EXPECT_EQ(d.sunken, main);
    }
}

TEST_F(PainterTest, OtherGridsColourNamesByKindAndHideUnderscoreNames) {
    GridCellContext ctx = ctx_;
    ctx.kind = GridKind::Other;
    ctx.columnMarked = nullptr;
    struct Case {
        const char* text;
        bool coloring;
        CanvasColor font;
        const char* drawn;
    } cases[] = {
        {"X", true, kBlue, "X"},       {"L", true, kNavy, "L"},     {"Y1", true, kGreen, "Y1"},
        {"U", true, kBlack, "U"},      {"_hid", true, kWhite, "hid"}, {"定数項", true, kBlue, "定数項"},  // the constant is exogenous
        {"_hid", false, kBlack, "_hid"}, {"X", false, kBlack, "X"},
    };
    for (const Case& k : cases) {
        ctx.coloring = k.coloring;
        const Drawn d = Draw(ctx, QString::fromUtf8(k.text), 1, 0, kFixed);
        EXPECT_EQ(d.brush, kButtonFace) << k.text;
        EXPECT_EQ(d.font, k.font) << k.text;
        EXPECT_EQ(d.text, QString::fromUtf8(k.drawn)) << k.text;
    }
    // Without a model nothing is looked up and "_" stays.
    ctx.model = nullptr;
    ctx.coloring = true;
    EXPECT_EQ(Draw(ctx, QStringLiteral("_hid"), 1, 0, kFixed).text, "_hid");
}

TEST_F(PainterTest, HeaderTextCentredWhenItFitsElseFromTheLeft) {
    struct Case {
        int chars;
        int x;
    } cases[] = {
        {1, (100 + 180 - kW) / 2},
        {11, (100 + 180 - 77) / 2},  // 77 of 80 pixels
        {12, 103},                   // 84 pixels: wider than the cell
        {0, 140},
    };
    for (const Case& k : cases) {
        const Drawn d = Draw(ctx_, QString(k.chars, QLatin1Char('a')), 0, 2, kFixed);
        EXPECT_EQ(d.x, k.x) << k.chars;
        EXPECT_EQ(d.y, 43);
    }
    // Exactly as wide as the cell is still centred; one pixel more is not.
    const QRect exact(100, 40, 70, 20);
    EXPECT_EQ(Draw(ctx_, QString(10, QLatin1Char('a')), 0, 2, kFixed, exact).x, 100);
    const QRect narrow(100, 40, 69, 20);
    EXPECT_EQ(Draw(ctx_, QString(10, QLatin1Char('a')), 0, 2, kFixed, narrow).x, 103);
    // An odd remainder truncates toward zero, also left of the origin.
    const QRect left(-9, 0, 10, 20);
    EXPECT_EQ(Draw(ctx_, QStringLiteral("a"), 0, 2, kFixed, left).x, (-9 + 1 - 7) / 2);
}

TEST(PlainGridCellPainter, DrawsFlaggedValuesInColourInTheGridsCurrentFont) {
    TestApp();
    TStringGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(2);
    grid.SetDefaultColWidth(120);
    UsePlainGridCellPainter(grid);
    grid.SetCell(1, 1, "**0.5000");
    grid.resize(400, 300);
    grid.show();
    QApplication::processEvents();
    // A larger font set afterwards is the one drawn.
    QFont big = grid.font();
    big.setPixelSize(20);
    grid.setFont(big);
    const PaintedCell cell = Painted(grid, 1, 1);
    EXPECT_EQ(cell.text.toStdString(), "0.5000");
    EXPECT_EQ(cell.colour, QColor(255, 0, 0));
    EXPECT_NEAR(cell.right - cell.left, QFontMetrics(big).horizontalAdvance(cell.text), 1);
}

}  // namespace
