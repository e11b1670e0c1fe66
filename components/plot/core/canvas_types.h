// The plain values a plot canvas draws with: colours, pens, points,
// rectangles and fonts. No window library type appears here, so the
// drawing of every plot can be worked out and recorded without a screen.
//
// Colours are 32-bit: 0x00BBGGRR for an explicit colour (red in the low
// byte), as colour tables and settings keep them, or 0x80000000 + n for
// system colour n (the three the grids use are below), which the screen
// canvas takes from its palette.
#pragma once

#include <cstdint>
#include <string>

using CanvasColor = std::uint32_t;

namespace canvas_color {
inline constexpr CanvasColor kBlack = 0x000000;
inline constexpr CanvasColor kMaroon = 0x000080;
inline constexpr CanvasColor kGreen = 0x008000;
inline constexpr CanvasColor kOlive = 0x008080;
inline constexpr CanvasColor kNavy = 0x800000;
inline constexpr CanvasColor kPurple = 0x800080;
inline constexpr CanvasColor kTeal = 0x808000;
inline constexpr CanvasColor kGray = 0x808080;
inline constexpr CanvasColor kSilver = 0xC0C0C0;
inline constexpr CanvasColor kRed = 0x0000FF;
inline constexpr CanvasColor kLime = 0x00FF00;
inline constexpr CanvasColor kYellow = 0x00FFFF;
inline constexpr CanvasColor kBlue = 0xFF0000;
inline constexpr CanvasColor kFuchsia = 0xFF00FF;
inline constexpr CanvasColor kAqua = 0xFFFF00;
inline constexpr CanvasColor kWhite = 0xFFFFFF;
inline constexpr CanvasColor kHighlight = 0x8000000D;
inline constexpr CanvasColor kHighlightText = 0x8000000E;
inline constexpr CanvasColor kButtonFace = 0x8000000F;

constexpr bool IsSystem(CanvasColor c) { return (c & 0xFF000000u) == 0x80000000u; }
constexpr int Red(CanvasColor c) { return static_cast<int>(c & 0xFF); }
constexpr int Green(CanvasColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int Blue(CanvasColor c) { return static_cast<int>((c >> 16) & 0xFF); }
}  // namespace canvas_color

// Line styles, numbered as the pen-style byte of stored series keeps them.
enum class PenStyle : std::uint8_t { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Clear = 5 };

// A style byte as stored; unknown values draw solid.
constexpr PenStyle PenStyleFromByte(std::uint8_t b) { return b <= 5 ? static_cast<PenStyle>(b) : PenStyle::Solid; }

struct CanvasPen {
    CanvasColor color = canvas_color::kBlack;
    int width = 1;
    PenStyle style = PenStyle::Solid;
    bool operator==(const CanvasPen&) const = default;
};

struct CanvasPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CanvasPoint&) const = default;
};

// Holds the pixels left..right-1 across and top..bottom-1 down.
struct CanvasRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    static constexpr CanvasRect FromSize(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    // Left <= right and top <= bottom.
    constexpr CanvasRect Normalized() const {
        return {left < right ? left : right, top < bottom ? top : bottom, left < right ? right : left,
                top < bottom ? bottom : top};
    }
    bool operator==(const CanvasRect&) const = default;
};

// An empty family keeps the canvas's current font.
struct CanvasFont {
    std::string family;
    double pointSize = 0;  // <= 0: pixelSize is used
    int pixelSize = 0;
    bool bold = false;
    bool italic = false;
    bool operator==(const CanvasFont&) const = default;
};
