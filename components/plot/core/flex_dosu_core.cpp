#include "components/plot/core/flex_dosu_core.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#include "components/plot/core/pixel.h"

namespace {

using namespace canvas_color;

constexpr double kTinyWidth = 2.220446e-16;
constexpr int kNormalCurveSteps = 1000;

}  // namespace

bool FlexDosuCore::DataSet(const double* data, int n) {
    if (!data || n < 0) n = 0;
    data_.assign(data, data + n);
    double mean = 0, ss = 0, lo = 0, hi = 0;
    int m = 0;
    for (double v : data_) {
        if (!std::isfinite(v)) continue;
        ++m;
        // Running mean: steady for long series of large values.
        const double d = v - mean;
        mean += d / m;
        ss += d * (v - mean);
        lo = m == 1 ? v : std::min(lo, v);
        hi = m == 1 ? v : std::max(hi, v);
    }
    Mean = mean;
    StdDev = m >= 2 ? std::sqrt(ss / (m - 1)) : 0.0;
    DataMin = lo;
    DataMax = hi;
    finiteCount_ = m;
    SelectedObservation = 0;
    SelectedPiece = 0;
    return Reset();
}

bool FlexDosuCore::Reset() {
    try {
        double lo = RangeLow, hi = RangeHigh, width = 0;
        int pieces = 0, group = 1;
        if (AutoSet) {
            const double k = finiteCount_ > 500 ? 3.5 : 3.0;
            pieces = finiteCount_ <= 100 ? 14 : finiteCount_ <= 500 ? 24 : 32;
            lo = Mean - k * StdDev;
            hi = Mean + k * StdDev;
            if (RangeMode == 0) {
                lo = DataMin;
                hi = DataMax;
            } else if (RangeMode == 1) {
                lo = std::min(lo, DataMin);
                hi = std::max(hi, DataMax);
            }
            width = (hi - lo) / (pieces - 2);
            group = 2;
        } else if (Priority != 0) {
            if (lo > hi) std::swap(lo, hi);
            width = ClassWidth;
            if (width <= kTinyWidth) width = (hi - lo) / 10;
            const double classes = std::ceil((hi - lo) / width);
            if (!std::isfinite(classes) || classes < 1 || classes > kMaxPieces - 2) return false;
            pieces = static_cast<int>(classes) + 2;
            hi = lo + classes * width;
        } else {
            pieces = PieceCount;
            if (pieces < 3 || pieces > kMaxPieces) return false;
            width = (hi - lo) / (pieces - 2);
        }
        if (pieces < 3 || pieces > kMaxPieces || !std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(width))
            return false;

        std::vector<DosuPiece> next(static_cast<std::size_t>(pieces));
        next[0].low = -DBL_MAX;
        next[0].high = lo;
        for (int i = 1; i < pieces; ++i) {
            next[i].low = next[i - 1].high;
            next[i].high = next[i].low + width;
        }
        next[pieces - 1].high = DBL_MAX;
        for (int i = 0; i < pieces; ++i) {
            next[i].wide = static_cast<std::uint16_t>(group);
            next[i].rank = static_cast<std::uint16_t>(i / group);
        }
        pieces_ = std::move(next);
        ascending_ = width >= 0;
        pieceSpan_ = width;
        for (double v : data_) {
            const int p = GetRankIndex(v);
            if (p >= 0) ++pieces_[p].count;
        }
        accumulated_.assign(pieces_.size(), 0);
        RangeLow = lo;
        RangeHigh = hi;
        ClassWidth = width;
        PieceCount = pieces;
        MeanPiece = GetRankIndex(Mean);
        if (SelectedObservation >= 0 && SelectedObservation < DataCount())
            SelectedPiece = GetRankIndex(data_[SelectedObservation]);
        Changed();
        return true;
    } catch (...) {
        return false;
    }
}

std::vector<FlexDosuCore::ClassSpan> FlexDosuCore::Classes() const {
    std::vector<ClassSpan> out;
    for (int i = 0; i < PieceTotal(); ++i) {
        const int c = pieces_[i].rank;
        if (c >= static_cast<int>(out.size())) out.resize(c + 1, ClassSpan{i, 0, 0});
        ++out[c].wide;
        out[c].frequency += pieces_[i].count;
    }
    return out;
}

// Pieces and classes share their ranks with the pieces after them; joining
// and splitting move those ranks down or up by one.
void FlexDosuCore::RankFrom(int piece, int delta) {
    for (int i = piece; i < PieceTotal(); ++i) pieces_[i].rank = static_cast<std::uint16_t>(pieces_[i].rank + delta);
}

void FlexDosuCore::Bind(int c, bool withNext) {
    const std::vector<ClassSpan> cls = Classes();
    const int last = static_cast<int>(cls.size()) - 1;
    const int first = withNext ? c : c - 1;
    if (first < 0 || first >= last) return;
    const ClassSpan& a = cls[first];
    const ClassSpan& b = cls[first + 1];
    const int wide = a.wide + b.wide;
    for (int i = a.first; i < a.first + wide; ++i) {
        pieces_[i].rank = static_cast<std::uint16_t>(first);
        pieces_[i].wide = static_cast<std::uint16_t>(wide);
    }
    RankFrom(b.first + b.wide, -1);
    Changed();
}

void FlexDosuCore::Separate(int c) {
    const std::vector<ClassSpan> cls = Classes();
    if (c < 0 || c >= static_cast<int>(cls.size()) || cls[c].wide < 2) return;
    const ClassSpan& s = cls[c];
    const int h = s.wide / 2;
    RankFrom(s.first + s.wide, +1);
    for (int i = s.first; i < s.first + s.wide; ++i) {
        const bool second = i >= s.first + h;
        pieces_[i].rank = static_cast<std::uint16_t>(second ? c + 1 : c);
        pieces_[i].wide = static_cast<std::uint16_t>(second ? s.wide - h : h);
    }
    Changed();
}

void FlexDosuCore::SetMode() {
    const std::vector<ClassSpan> cls = Classes();
    if (cls.empty()) return;
    int r = 0, f = -1;
    for (int c = 0; c < static_cast<int>(cls.size()); ++c)
        if (cls[c].frequency > f) f = cls[c].frequency, r = c;
    const int last = static_cast<int>(cls.size()) - 1;
    double low, high;
    GetRange(r, &low, &high);
    double h = high - low;
    int next = 0;
    if (r == last) {
        h = DataMax - low;
    } else {
        next = cls[r + 1].frequency;
        if (next == f) {
            // A run of equally frequent classes: the middle of the run.
            int k = 1;
            while (r + k <= last && cls[r + k].frequency == f) ++k;
            r += k / 2;
            GetRange(r, &low, &high);
            ModeValue = k % 2 == 0 ? low : 0.5 * low + 0.5 * high;
            ModePiece = GetRankIndex(ModeValue);
            return;
        }
    }
    int previous = 0;
    if (r > 0) {
        previous = cls[r - 1].frequency;
    } else {
        low = DataMin;
        h = high - DataMin;
    }
    ModeValue = previous + next >= 1 ? low + h * next / (previous + next) : low + h / 2;
    ModePiece = GetRankIndex(ModeValue);
}

int FlexDosuCore::GetFrequency(int c) const {
    const std::vector<ClassSpan> cls = Classes();
    return c >= 0 && c < static_cast<int>(cls.size()) ? cls[c].frequency : 0;
}

int FlexDosuCore::SettingParam(int c, int* wide, int* firstPiece) const {
    const std::vector<ClassSpan> cls = Classes();
    if (c < 0 || c >= static_cast<int>(cls.size())) return 0;
    if (wide) *wide = cls[c].wide;
    if (firstPiece) *firstPiece = cls[c].first;
    return cls[c].frequency;
}

int FlexDosuCore::GetWide(int c, int* firstPiece, int* lastPiece) const {
    const std::vector<ClassSpan> cls = Classes();
    if (c < 0 || c >= static_cast<int>(cls.size())) return 0;
    if (firstPiece) *firstPiece = cls[c].first;
    if (lastPiece) *lastPiece = cls[c].first + cls[c].wide - 1;
    return cls[c].wide;
}

void FlexDosuCore::GetRange(int c, double* low, double* high) const {
    int first = 0, last = 0;
    if (GetWide(c, &first, &last) == 0) {
        *low = -DBL_MAX;
        *high = DBL_MAX;
        return;
    }
    *low = pieces_[first].low;
    *high = pieces_[last].high;
}

DosuPiece FlexDosuCore::GetRank(int c) const {
    DosuPiece p;
    GetRange(c, &p.low, &p.high);
    int wide = 0;
    p.count = SettingParam(c, &wide, nullptr);
    p.wide = static_cast<std::uint16_t>(wide);
    p.rank = static_cast<std::uint16_t>(c >= 0 ? c : 0);
    return p;
}

DosuPiece FlexDosuCore::GetBaseRank(int i) const {
    const int n = PieceTotal();
    return n ? pieces_[((i % n) + n) % n] : DosuPiece{};
}

int FlexDosuCore::GetAccFreq(int i) const {
    const int n = static_cast<int>(accumulated_.size());
    return n ? accumulated_[((i % n) + n) % n] : 0;
}

int FlexDosuCore::GetRankIndex(double v) const {
    const int n = PieceTotal();
    if (n == 0) return -1;
    if (ascending_) {
        // The highs never fall: the first piece whose high is not below v,
        // found from a first guess by the width and a step or two either way.
        int i = 0;
        if (pieceSpan_ > 0) {
            const double g = std::ceil((v - pieces_[0].high) / pieceSpan_);
            i = g > 0 ? (g < n - 1 ? static_cast<int>(g) : n - 1) : 0;  // NaN: 0
        } else if (!(v <= pieces_[0].high)) {
            i = n - 1;
        }
        while (i > 0 && v <= pieces_[i - 1].high) --i;
        while (i < n - 1 && !(v <= pieces_[i].high)) ++i;
        if (!(v <= pieces_[i].high) || !(pieces_[i].low < v)) return -1;
        return i;
    }
    for (int i = 0; i < n; ++i)
        if (pieces_[i].low < v && v <= pieces_[i].high) return i;
    return -1;
}

int FlexDosuCore::GetRangeIndex(double v) const {
    const int p = GetRankIndex(v);
    return p < 0 ? -1 : pieces_[p].rank;
}

bool FlexDosuCore::Contained(int c, double v) const { return c >= 0 && GetRangeIndex(v) == c; }

FlexDosuCore::Layout FlexDosuCore::MakeLayout() const {
    Layout l;
    l.classes = Classes();
    for (int c = 0; c < static_cast<int>(l.classes.size()); ++c) {
        const ClassSpan& s = l.classes[c];
        if (s.frequency > l.maxFrequency) l.maxFrequency = s.frequency, l.maxClass = c;
        l.maxDensity = std::max(l.maxDensity, static_cast<double>(s.frequency) / s.wide);
    }
    if (l.maxDensity > 0) l.scale = Height() / l.maxDensity;
    if (PieceTotal() > 0) l.pieceWidth = static_cast<double>(Width()) / PieceTotal();
    return l;
}

CanvasRect FlexDosuCore::BarRect(const Layout& l, int c) const {
    const ClassSpan& s = l.classes[c];
    const int left = TruncPixel(s.first * l.pieceWidth);
    const int top = Height() - TruncPixel(s.frequency * l.scale) / s.wide;
    return {left, top, left + TruncPixel(s.wide * l.pieceWidth), Height()};
}

int FlexDosuCore::GetIndex(int px, int py) const {
    const Layout l = MakeLayout();
    if (l.maxFrequency == 0) return -1;
    for (int c = 0; c < static_cast<int>(l.classes.size()); ++c) {
        const CanvasRect r = BarRect(l, c);
        if (px >= r.left && px <= r.right && py >= r.top && py <= r.bottom) return c;
    }
    return -1;
}

void FlexDosuCore::SelectedPointer(int i) {
    if (i < 0 || i >= DataCount()) return;
    const int p = GetRankIndex(data_[i]);
    if (p < 0) return;
    SelectedObservation = i;
    SelectedPiece = p;
    Changed();
}

// A vertical line's column for value v in piece p: the piece's left edge
// plus v's share of the piece (nothing for the open end pieces).
int FlexDosuCore::LineX(int p, double v) const {
    const DosuPiece& piece = pieces_[p];
    const double span = piece.high - piece.low;
    double offset = 0;
    if (span > 0 && std::isfinite(span)) offset = PieceWidthPx * (v - piece.low) / span;
    return TruncPixel(p * PieceWidthPx) + TruncPixel(offset);
}

void FlexDosuCore::Paint(PlotCanvas& canvas) {
    const int w = Width(), h = Height();
    canvas.SetBrushColor(kWhite);
    canvas.SetPen({kBlack, 1, PenStyle::Solid});
    canvas.Rectangle({0, 0, w, h});
    if (PieceTotal() == 0 || pieces_.back().rank == 0 || finiteCount_ < 2) return;
    const Layout l = MakeLayout();
    ClassCount = static_cast<int>(l.classes.size());
    MaxFrequency = l.maxFrequency;
    MaxClass = l.maxClass;
    if (l.maxFrequency == 0) return;
    SetMode();
    BarScale = l.scale;
    PieceWidthPx = l.pieceWidth;

    canvas.SetPen({PieceRectColor, 1, PenStyle::Solid});
    canvas.SetBrushColor(PieceColor);
    canvas.SetFontColor(kBlack);
    int total = 0;
    for (int c = 0; c < ClassCount; ++c) {
        const CanvasRect r = BarRect(l, c);
        canvas.Rectangle(r);
        canvas.TextOut(TruncPixel(r.left + PieceWidthPx / 2), h - 25, std::to_string(c + 1));
        total += l.classes[c].frequency;
        accumulated_[c] = total;
    }

    canvas.SetPen({kGreen, 1, PenStyle::Dash});
    if (MeanPiece >= 0) {
        const int x = LineX(MeanPiece, Mean);
        canvas.Line({x, 0}, {x, h});
    }
    canvas.SetPen({kBlue, 1, PenStyle::Dash});
    if (ModePiece >= 0) {
        const int x = LineX(ModePiece, ModeValue);
        canvas.Line({x, 0}, {x, h});
    }

    canvas.SetPen({kRed, 2, PenStyle::Solid});
    std::vector<CanvasPoint> cumulative{{0, h}};
    for (int c = 0; c < ClassCount; ++c) {
        const ClassSpan& s = l.classes[c];
        cumulative.push_back({TruncPixel((2 * s.first + s.wide) * PieceWidthPx / 2),
                              h - TruncPixel(static_cast<double>(accumulated_[c]) * h / total)});
    }
    canvas.Polyline(cumulative);

    if (SelectedObservation >= 0 && SelectedObservation < DataCount() && SelectedPiece >= 0 &&
        SelectedPiece < PieceTotal()) {
        canvas.SetBrushColor(kRed);
        canvas.SetPen({kRed, 1, PenStyle::Solid});
        const int x = LineX(SelectedPiece, data_[SelectedObservation]);
        const CanvasPoint marker[] = {{x - 4, h - 10}, {x, h}, {x + 4, h - 10}};
        canvas.Polygon(marker);
    }
    canvas.SetPen({kBlack, 1, PenStyle::Solid});
    canvas.SetBrushColor(kWhite);

    const double lo = RangeLow, hi = RangeHigh, sd = StdDev;
    if (NormalCurve && hi > lo && sd > 0 && std::isfinite(hi - lo) && std::isfinite(sd)) {
        std::vector<CanvasPoint> curve{{0, h}};
        const double step = (hi - lo) / kNormalCurveSteps;
        double x = lo;
        for (int k = 0; k <= kNormalCurveSteps + 1 && x <= hi; ++k, x += step) {
            const double z = (x - Mean) / sd;
            // The curve's peak is the top of the box.
            curve.push_back({TruncPixel((x - lo) * w / (hi - lo)), h - TruncPixel(std::exp(-z * z / 2) * h)});
        }
        canvas.Polyline(curve);
    }
}
