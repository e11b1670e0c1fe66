#include "components/plot/core/recording_canvas.h"

CanvasOp& RecordingCanvas::Add(CanvasOpKind kind, const CanvasRect& rect, std::span<const CanvasPoint> points) {
    CanvasOp op;
    op.kind = kind;
    op.pen = pen_;
    op.brush = brush_;
    op.fontColor = fontColor_;
    op.rect = rect;
    op.points.assign(points.begin(), points.end());
    ops.push_back(std::move(op));
    return ops.back();
}

void RecordingCanvas::Line(CanvasPoint from, CanvasPoint to) {
    const CanvasPoint both[] = {from, to};
    Add(CanvasOpKind::Line, {}, both);
}

void RecordingCanvas::FillRect(const CanvasRect& rect) {
    Add(CanvasOpKind::FillRect, rect);
    fills.push_back({rect, brush_});
}

int RecordingCanvas::TextWidth(const std::string& text) {
    int characters = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++characters;
    return kCharWidth * characters;
}

void RecordingCanvas::TextOut(int x, int y, const std::string& text) {
    const CanvasPoint at[] = {{x, y}};
    Add(CanvasOpKind::Text, {}, at).text = text;
    texts.push_back({x, y, text, fontColor_});
}

void RecordingCanvas::TextOut(int x, int y, const CanvasRect& clip, const std::string& text) {
    const CanvasPoint at[] = {{x, y}};
    Add(CanvasOpKind::ClippedText, clip, at).text = text;
    texts.push_back({x, y, text, fontColor_});
}

void RecordingCanvas::DrawSunkenEdge(const CanvasRect& rect) {
    Add(CanvasOpKind::SunkenEdge, rect);
    edges.push_back(rect);
}

void RecordingCanvas::Dots(std::span<const CanvasPoint> centres, int radius) {
    Add(CanvasOpKind::Dots, {}, centres).radius = radius;
}

std::vector<CanvasOp> RecordingCanvas::OpsOf(CanvasOpKind kind) const {
    std::vector<CanvasOp> out;
    for (const CanvasOp& op : ops)
        if (op.kind == kind) out.push_back(op);
    return out;
}

int RecordingCanvas::DotCount() const {
    int n = 0;
    for (const CanvasOp& op : ops) {
        if (op.kind == CanvasOpKind::Ellipse) ++n;
        if (op.kind == CanvasOpKind::Dots) n += static_cast<int>(op.points.size());
    }
    return n;
}
