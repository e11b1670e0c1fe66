// FlexDosuCore: the histogram without its widget. The value axis is cut
// into equal pieces between a lower and an upper bound (plus an open piece
// at each end); consecutive pieces form classes that the user may join and
// split. A value v lies in the piece with low < v <= high. The bars show the
// frequency per piece width, with the cumulative polygon, the mean and mode
// lines, a marker under one selected observation and, on request, the
// normal curve.
#pragma once

#include <cstdint>
#include <vector>

#include "components/plot/core/plot_canvas.h"
#include "components/plot/core/plot_surface.h"

// One piece, or (from GetRank) a whole class: its bounds, the data values in
// it, the number of pieces of its class and the class index.
struct DosuPiece {
    double low = 0;
    double high = 0;
    int count = 0;
    std::uint16_t wide = 0;
    std::uint16_t rank = 0;
};

class FlexDosuCore : public PlotSurface {
public:
    // More pieces than this are refused by Reset.
    static constexpr int kMaxPieces = 10000;

    FlexDosuCore() = default;
    FlexDosuCore(const FlexDosuCore&) = delete;
    FlexDosuCore& operator=(const FlexDosuCore&) = delete;

    // ---- settings, written by the settings dialog and the window before Reset
    bool AutoSet = true;
    CanvasColor PieceColor = canvas_color::kAqua;
    CanvasColor PieceRectColor = canvas_color::kBlue;
    double RangeLow = 0;        // range lower bound
    double RangeHigh = 0;       // range upper bound
    double ClassWidth = 0;      // class width
    int PieceCount = 0;         // number of pieces (the two open ends count)
    // With AutoSet: 0 the data's minimum and maximum; 1 mean +- k sd widened
    // to the data; other values mean +- k sd.
    std::uint8_t RangeMode = 0;
    // Without AutoSet: 0 the piece count is given, other values the width.
    std::uint8_t Priority = 0;
    bool NormalCurve = false;

    // ---- results
    double BarScale = 0;     // pixels per unit of frequency per piece
    double PieceWidthPx = 0;
    double DataMax = 0, DataMin = 0;
    int MeanPiece = -1, ModePiece = -1, SelectedPiece = 0;
    int MaxFrequency = 0, MaxClass = 0, ClassCount = 0;
    double ModeValue = 0;
    double Mean = 0, StdDev = 0;  // standard deviation with divisor n - 1
    int SelectedObservation = 0;

    // Copies the data (values that are not finite are not counted), computes
    // the mean, standard deviation, minimum and maximum and calls Reset.
    bool DataSet(const double* data, int n);
    // Rebuilds the pieces and counts from the settings. False, with the
    // classes as they were, when the settings give no usable division: fewer
    // than 3 pieces, a width or count that is not finite, more than
    // kMaxPieces pieces.
    bool Reset();
    void Setup() { Changed(); }

    void Bind(int c, bool withNext);
    void Separate(int c);
    void SetMode();

    int PieceTotal() const { return static_cast<int>(pieces_.size()); }
    int DataCount() const { return static_cast<int>(data_.size()); }
    int GetFrequency(int c) const;
    int SettingParam(int c, int* wide, int* firstPiece) const;
    int GetWide(int c, int* firstPiece, int* lastPiece) const;
    void GetRange(int c, double* low, double* high) const;
    DosuPiece GetRank(int c) const;
    DosuPiece GetBaseRank(int i) const;
    int GetAccFreq(int i) const;
    int GetRankIndex(double v) const;
    int GetRangeIndex(double v) const;
    bool Contained(int c, double v) const;
    // The class whose bar holds the pixel (edges included), -1 for none.
    int GetIndex(int px, int py) const;
    void SelectedPointer(int i);

    void Paint(PlotCanvas& canvas);

private:
    struct ClassSpan {
        int first = 0, wide = 0, frequency = 0;
    };
    // Bar geometry at the current size.
    struct Layout {
        std::vector<ClassSpan> classes;
        int maxFrequency = 0, maxClass = 0;
        double maxDensity = 0, scale = 0, pieceWidth = 0;
    };
    std::vector<ClassSpan> Classes() const;
    Layout MakeLayout() const;
    CanvasRect BarRect(const Layout& l, int c) const;
    int LineX(int piece, double v) const;
    void RankFrom(int piece, int delta);

    std::vector<double> data_;
    std::vector<DosuPiece> pieces_;
    std::vector<int> accumulated_;
    int finiteCount_ = 0;
    bool ascending_ = true;  // piece bounds never fall
    double pieceSpan_ = 0;   // value width of the inner pieces
};
