// What a grid paints in a cell, taken from the paint engine rather than from
// pixels: the text as the user sees it, its colour and its extent.
#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>

#include <climits>
#include <vector>

#include "platform/qt/string_grid.h"

struct PaintedCell {
    QString text;   // every text drawn in the cell, in order
    QColor colour;  // the pen of the first text
    int left = 0, right = 0;  // in viewport pixels
};

class RecordingPaintEngine : public QPaintEngine {
public:
    struct Text {
        QString text;
        QColor colour;
        double left, right, baseline;
    };
    RecordingPaintEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& s) override {
        if (s.state() & DirtyPen) pen_ = s.pen();
    }
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        texts.push_back({item.text(), pen_.color(), p.x(), p.x() + item.width(), p.y()});
    }
    std::vector<Text> texts;

private:
    QPen pen_;
};

class RecordingPaintDevice : public QPaintDevice {
public:
    RecordingPaintDevice(QSize size, int dpi) : size_(size), dpi_(dpi) {}
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingPaintEngine engine;

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return size_.width();
        case PdmHeight: return size_.height();
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return dpi_;
        default: return 0;
        }
    }

private:
    QSize size_;
    int dpi_;
};

// The cell (col, row) of the grid's view as it is painted now.
inline PaintedCell Painted(TStringGrid& grid, int col, int row) {
    const QSize size = grid.viewport()->size();
    RecordingPaintDevice device(size, grid.logicalDpiY());
    {
        QPainter painter(&device);
        grid.PaintCells(painter, QRect(QPoint(0, 0), size));
    }
    PaintedCell cell;
    for (const RecordingPaintEngine::Text& t : device.engine.texts) {
        int c = -1, r = -1;
        grid.MouseToCell(static_cast<int>(t.left + 1), static_cast<int>(t.baseline - 1), c, r);
        if (c != col || r != row) continue;
        if (cell.text.isEmpty()) cell = {{}, t.colour, static_cast<int>(t.left)};
        cell.text += t.text;
        cell.right = static_cast<int>(t.right + 0.5);
    }
    return cell;
}
