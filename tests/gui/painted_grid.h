// What a grid paints, taken from the paint engine rather than from pixels:
// for each cell in view the text drawn in it, the text's colour and extent,
// and the colour the cell was filled with. So a test reads the text as the
// user sees it (a mark the painter drops is gone) and where it stands.
#pragma once

#include <QColor>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QTextItem>

#include <climits>
#include <map>
#include <utility>
#include <vector>

#include "platform/qt/string_grid.h"

struct PaintedCell {
    QString text;          // every text drawn in the cell, in order
    QColor textColour;     // the pen of the first text
    QColor fill;           // the first fill of the cell
    int textLeft = 0;      // extent of the texts, in viewport pixels
    int textRight = 0;
    QRect rect;            // the cell
};

class RecordingPaintEngine : public QPaintEngine {
public:
    struct Text {
        QString text;
        QColor colour;
        double left, right, baseline;
    };
    struct Fill {
        QRectF rect;
        QColor colour;
    };

    RecordingPaintEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& s) override {
        if (s.state() & DirtyPen) pen_ = s.pen();
        if (s.state() & DirtyBrush) brush_ = s.brush();
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) fills.push_back({rects[i], brush_.color()});
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) fills.push_back({QRectF(rects[i]), brush_.color()});
    }
    void drawLines(const QLineF*, int) override {}
    void drawLines(const QLine*, int) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        texts.push_back({item.text(), pen_.color(), p.x(), p.x() + item.width(), p.y()});
    }

    std::vector<Text> texts;
    std::vector<Fill> fills;

private:
    QPen pen_;
    QBrush brush_;
};

class RecordingPaintDevice : public QPaintDevice {
public:
    RecordingPaintDevice(QSize size, int dpi) : size_(size), dpi_(dpi) {}
    ~RecordingPaintDevice() override = default;
    QPaintEngine* paintEngine() const override { return &engine_; }
    RecordingPaintEngine& Engine() { return engine_; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return size_.width();
        case PdmHeight: return size_.height();
        case PdmWidthMM: return size_.width() * 254 / (10 * dpi_);
        case PdmHeightMM: return size_.height() * 254 / (10 * dpi_);
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return dpi_;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    QSize size_;
    int dpi_;
    mutable RecordingPaintEngine engine_;
};

// The cells in the grid's view, keyed by (column, row), as they are painted
// now.
inline std::map<std::pair<int, int>, PaintedCell> PaintedCells(TStringGrid& grid) {
    const QSize size = grid.viewport()->size();
    RecordingPaintDevice device(size, grid.logicalDpiY());
    {
        QPainter painter(&device);
        grid.PaintCells(painter, QRect(QPoint(0, 0), size));
    }
    std::map<std::pair<int, int>, PaintedCell> cells;
    auto cellAt = [&grid](double x, double y) {
        int c = -1, r = -1;
        grid.MouseToCell(static_cast<int>(x), static_cast<int>(y), c, r);
        return std::make_pair(c, r);
    };
    for (const RecordingPaintEngine::Fill& f : device.Engine().fills) {
        const auto key = cellAt(f.rect.center().x(), f.rect.center().y());
        if (key.first < 0 || key.second < 0 || cells.count(key)) continue;
        PaintedCell& cell = cells[key];
        cell.fill = f.colour;
        cell.rect = grid.CellRect(key.first, key.second);
    }
    for (const RecordingPaintEngine::Text& t : device.Engine().texts) {
        const auto key = cellAt(t.left + 1, t.baseline - 1);
        auto it = cells.find(key);
        if (it == cells.end()) continue;
        PaintedCell& cell = it->second;
        if (cell.text.isEmpty()) {
            cell.textColour = t.colour;
            cell.textLeft = static_cast<int>(t.left);
        }
        cell.text += t.text;
        cell.textRight = static_cast<int>(t.right + 0.5);
    }
    return cells;
}
