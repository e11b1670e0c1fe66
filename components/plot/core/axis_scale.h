// Axis scales of the plots: the round scale of the series plot and the grid
// interval of the X-Y plot.
#pragma once

// One axis: lowest value, highest value and grid interval.
struct AxisScale {
    double low = 0.0;
    double high = 1.0;
    double interval = 0.2;
};

// A scale of round grid steps (1, 2 or 5 times a power of ten) covering
// low..high with about five steps. Non-finite or equal ends are widened.
AxisScale RoundAxisScale(double low, double high);

// The grid interval of the X-Y plot: the power of ten s from 1e-5 up to
// 1e10 with s <= max(|a|, |b|) < 10 s. Beyond those powers (and for a
// non-finite end) the first power above 1e10 that the stepping reaches.
double AxisStep(double a, double b);
