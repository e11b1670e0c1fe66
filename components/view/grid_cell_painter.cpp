#include "components/view/grid_cell_painter.h"

#include <memory>

#include "components/plot/qpainter_canvas.h"
#include "components/view/variable_names.h"
#include "core/model/regression_model.h"

namespace {

using namespace canvas_color;

bool StartsFlagged(const QString& text) { return text.size() >= 2 && text[0] == QLatin1Char('*'); }

}  // namespace

void DrawGridCell(PlotCanvas& canvas, const GridCellContext& ctx, const QString& cellText, int c, int r,
                  const QRect& rect, GridDrawState state) {
    QString text = cellText;
    canvas.SetFont(ToCanvasFont(ctx.font));
    bool marked = false;
    const Reg* model = ctx.model;

    if (state.fixed) {
        CanvasColor brush = kButtonFace;
        CanvasColor font = kBlack;
        if (r == 0 && c >= 1 && ctx.columnMarked) marked = ctx.columnMarked(c - 1);
        if (ctx.ShowsObservationMarks()) {
            if (r > 0 && ctx.observationMarked && ctx.observationMarked(r - 1)) {
                brush = kYellow;
                marked = true;
            } else if (ctx.coloring && model && ctx.kind == GridKind::MainEdit && r == 0 && c >= 1 &&
                       c - 1 < model->GetVarCount()) {
                const int j = c - 1;
                if (j == model->GetDependent())
                    brush = kGreen;
                else if (model->GetRole(j) == Reg::kRoleExplanatory)
                    brush = kAqua;
                const int kind = model->GetVarType(j);
                font = KindColor(kind);
                if (kind == 1 && brush == kGreen && !marked) font = kYellow;
            }
        } else if (model && ctx.coloring) {
            const int j = text.isEmpty() ? -1 : model->FindVar(text.toStdString());
            if (j >= 0) {
                font = KindColor(model->GetVarType(j));
            } else if (text.startsWith(QLatin1Char('_'))) {
                font = kWhite;
                text.remove(0, 1);
            }
        }
        if (marked) brush = kYellow;
        canvas.SetBrushColor(brush);
        canvas.SetFontColor(font);
    } else if (state.selected && !state.focused) {
        canvas.SetBrushColor(kHighlight);
        if (!ctx.coloring || !StartsFlagged(text)) {
            canvas.SetFontColor(kHighlightText);
        } else {
            canvas.SetFontColor(text[1] == QLatin1Char('*') ? kLime : kYellow);
            text.remove(0, 2);
        }
    } else {
        CanvasColor brush = kWhite;
        CanvasColor font = kBlack;
        if (ctx.kind == GridKind::MainEdit && model && ctx.coloring) {
            const int i = r - 1, j = c - 1;
            if (i >= 0 && j >= 0 && i < model->GetObsCount() && j < model->GetVarCount()) {
                const std::uint16_t mask = model->GetMark(i, j);
                const GridColorEntry e = ctx.groupColors ? ctx.groupColors(mask) : GridColorEntry{};
                font = e.textColor;
                brush = e.backgroundColor;
            }
        } else if (ctx.coloring && StartsFlagged(text)) {
            font = text[1] == QLatin1Char('*') ? kRed : kBlue;
            text.remove(0, 2);
        }
        canvas.SetBrushColor(brush);
        canvas.SetFontColor(font);
    }

    const CanvasRect cell = ToCanvasRect(rect);
    const std::string utf8 = text.toStdString();
    canvas.FillRect(cell);
    const int w = canvas.TextWidth(utf8);
    const int left = rect.left();
    const int right = rect.left() + rect.width();
    int x;
    if (state.fixed)
        x = w <= right - left ? (left + right - w) / 2 : left + 3;
    else
        x = right - w - 5;
    canvas.TextOut(x, rect.top() + 3, cell, utf8);
    if (marked && state.fixed) canvas.DrawSunkenEdge(cell);
}

void DrawGridCell(PlotCanvas& canvas, const GridCellContext& context, const TStringGrid& grid, int col, int row,
                  const QRect& rect, GridDrawState state) {
    DrawGridCell(canvas, context, grid.Cell(col, row), col, row, rect, state);
}

GridCellContext MarkedGridCellContext(std::function<bool(int)> marked, const QFont& font) {
    GridCellContext ctx;
    ctx.kind = GridKind::MarkedRows;
    ctx.observationMarked = std::move(marked);
    ctx.font = font;
    return ctx;
}

void UseGridCellPainter(TStringGrid& grid, std::function<const GridCellContext&()> context) {
    QObject::connect(&grid, &TStringGrid::DrawCell, &grid,
                     [&grid, context = std::move(context)](QPainter* painter, int c, int r, QRect rect,
                                                           GridDrawState state) {
                         QPainterCanvas canvas(*painter, grid.palette());
                         DrawGridCell(canvas, context(), grid, c, r, rect, state);
                     });
}

void UsePlainGridCellPainter(TStringGrid& grid) {
    auto context = std::make_shared<GridCellContext>();
    UseGridCellPainter(grid, [&grid, context]() -> const GridCellContext& {
        context->font = grid.font();
        return *context;
    });
}
