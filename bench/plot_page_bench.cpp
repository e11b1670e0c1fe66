// Painting the plot components with many values: an X-Y plot of a million
// points into an 800 x 600 image with the QPainter canvas, and a histogram of
// a million values with automatic classes (building the classes, and the
// classes with one paint).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "components/plot/core/flex_dosu_core.h"
#include "components/plot/core/xy_plot_core.h"
#include "components/plot/qpainter_canvas.h"
#include "page_bench_support.h"

namespace {

// Reproducible values: uniform on [0, 1), or about normal (sum of four).
struct Lcg {
    std::uint64_t s = 88172645463325252ULL;
    double Next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) * (1.0 / 9007199254740992.0);
    }
    double Normalish() { return Next() + Next() + Next() + Next() - 2.0; }
};

constexpr int kPoints = 1000000;

void PaintScatter(benchmark::State& state, bool normal) {
    App();
    Lcg r;
    std::vector<double> x(kPoints), y(kPoints);
    std::unique_ptr<bool[]> flag(new bool[kPoints]);
    for (int i = 0; i < kPoints; ++i) {
        x[i] = normal ? r.Normalish() : r.Next();
        y[i] = normal ? 0.5 * x[i] + r.Normalish() : r.Next();
        flag[i] = i % 10 == 0;
    }
    XYPlotCore plot;
    plot.SetSize(800, 600);
    plot.SetB(0, 0.1);
    plot.SetB(1, 0.5);
    plot.SetData(x.data(), y.data(), kPoints, flag.get(), nullptr);
    QImage image(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        plot.Paint(canvas);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_XYPlotMillionPointsNormal(benchmark::State& state) { PaintScatter(state, true); }
void BM_XYPlotMillionPointsUniform(benchmark::State& state) { PaintScatter(state, false); }

std::vector<double> HistogramValues() {
    Lcg r;
    std::vector<double> v(kPoints);
    for (double& d : v) d = 50.0 + 10.0 * r.Normalish();
    return v;
}

void BM_HistogramMillionValuesAutomaticClasses(benchmark::State& state) {
    App();
    const std::vector<double> v = HistogramValues();
    FlexDosuCore histogram;
    histogram.SetSize(800, 600);
    for (auto _ : state) benchmark::DoNotOptimize(histogram.DataSet(v.data(), kPoints));
}

void BM_HistogramMillionValuesClassesAndPaint(benchmark::State& state) {
    App();
    const std::vector<double> v = HistogramValues();
    FlexDosuCore histogram;
    histogram.SetSize(800, 600);
    histogram.NormalCurve = true;
    QImage image(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        histogram.DataSet(v.data(), kPoints);
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        histogram.Paint(canvas);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

}  // namespace

BENCHMARK(BM_XYPlotMillionPointsNormal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XYPlotMillionPointsUniform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistogramMillionValuesAutomaticClasses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistogramMillionValuesClassesAndPaint)->Unit(benchmark::kMillisecond);
