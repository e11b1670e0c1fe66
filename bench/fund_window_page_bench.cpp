// The univariate statistics window on long series: opening it (the
// statistics, the basic page and one paint of the probability plot) and
// stepping to the next and previous observation, which should cost the
// same for 100 values as for a million.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "components/plot/qpainter_canvas.h"
#include "components/plot/xy_plot.h"
#include "eval/app_state.h"
#include "stats/ui/fund_basic_page.h"
#include "stats/ui/fund_window.h"
#include "page_bench_support.h"

namespace {

std::vector<double> Series(int n) {
    std::uint64_t s = 88172645463325252ULL;
    auto next = [&] {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) * (1.0 / 9007199254740992.0);
    };
    std::vector<double> v(static_cast<std::size_t>(n));
    for (double& d : v) d = 50.0 + 10.0 * (next() + next() + next() + next() - 2.0);
    return v;
}

void BM_FundOpen(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> v = Series(n);
    AppState app;
    QImage image(400, 400, QImage::Format_RGB32);
    for (auto _ : state) {
        TfrmFund window{WindowContext(app)};
        window.tsFund->NPlot->resize(400, 400);
        benchmark::DoNotOptimize(window.ShowVariable("Z", v.data(), n));
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        window.tsFund->NPlot->Paint(canvas);
    }
}
BENCHMARK(BM_FundOpen)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_FundForwardBackward(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> v = Series(n);
    AppState app;
    TfrmFund window{WindowContext(app)};
    window.ShowVariable("Z", v.data(), n);
    for (auto _ : state) {
        window.FowardExecute();
        window.BackwardExecute();
    }
}
BENCHMARK(BM_FundForwardBackward)->Arg(100)->Arg(1000000);

}  // namespace
