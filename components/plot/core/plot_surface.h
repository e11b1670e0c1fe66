// PlotSurface: the size a plot component draws in and its request for a
// paint. The widget side answers with its own size and an update; tests set
// a size by hand and record the paint.
#pragma once

class PlotSurface {
public:
    virtual ~PlotSurface() = default;

    virtual int Width() const { return width_; }
    virtual int Height() const { return height_; }
    void SetSize(int width, int height) {
        width_ = width;
        height_ = height;
    }

protected:
    // The plot changed and wants a paint.
    virtual void Changed() {}

private:
    int width_ = 0, height_ = 0;
};
