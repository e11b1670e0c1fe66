// The extra lines of the graph windows (free lines drawn with the mouse,
// prediction bands), program-wide: the current list, the plot they are drawn
// on and whether x and y are drawn exchanged. A graph window makes its own
// list current while it is open; FreeLineScope puts the opener's state back
// whatever happens, so a nested graph leaves its opener's lines intact.
#pragma once

class XYDataList;
class XYPlotCore;

struct FreeLineState {
    XYDataList* list = nullptr;  // null: no extra lines
    XYPlotCore* plot = nullptr;
    bool swap = false;
};

// The one state of the program.
FreeLineState& FreeLines();

// Draws every line of the current list on the current plot (nothing when
// either is null). Plots call it at the end of every paint.
void DrawFreeLines();

// Saves the state on construction and restores it on destruction.
class FreeLineScope {
public:
    FreeLineScope() : saved_(FreeLines()) {}
    ~FreeLineScope() { FreeLines() = saved_; }
    FreeLineScope(const FreeLineScope&) = delete;
    FreeLineScope& operator=(const FreeLineScope&) = delete;
    const FreeLineState& Saved() const { return saved_; }

private:
    FreeLineState saved_;
};
