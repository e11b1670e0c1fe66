// The univariate statistics window on long series: opening it (the
// statistics, the basic page and one paint of the probability plot),
// stepping to the next and previous observation, which should cost the
// same for 100 values as for a million, and the further pages: the
// histogram, the autocorrelations with their tests to lag 40, the
// periodogram of periods 1..2000 and the report file.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTabWidget>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "components/plot/qpainter_canvas.h"
#include "components/plot/xy_plot.h"
#include "eval/app_state.h"
#include "platform/ui_services.h"
#include "stats/ui/fund_basic_page.h"
#include "stats/ui/fund_acf_page.h"
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

// One window per size, loaded once; the pages are measured on it.
TfrmFund& LoadedWindow(AppState& app, int n) {
    static std::map<int, std::unique_ptr<TfrmFund>> windows;
    auto& w = windows[n];
    if (!w) {
        static std::map<int, std::vector<double>> series;
        series[n] = Series(n);
        w = std::make_unique<TfrmFund>(WindowContext(app));
        w->ShowVariable("Z", series[n].data(), n);
    }
    return *w;
}

AppState& BenchState() {
    static AppState* app = new AppState;
    return *app;
}

void BM_FundFrequencyPage(benchmark::State& state) {
    App();
    TfrmFund& w = LoadedWindow(BenchState(), static_cast<int>(state.range(0)));
    for (auto _ : state) w.tsFreqShow();
}
BENCHMARK(BM_FundFrequencyPage)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_FundAutocorrelationLag40(benchmark::State& state) {
    App();
    TfrmFund& w = LoadedWindow(BenchState(), static_cast<int>(state.range(0)));
    bool forty = false;
    for (auto _ : state) {
        // Alternating 39 and 40, so that each Enter recomputes.
        forty = !forty;
        w.tsACF->eH->setText(forty ? "40" : "39");
        w.eHKeyPress();
    }
}
BENCHMARK(BM_FundAutocorrelationLag40)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Answers the prompts and the save dialog from fixed texts.
class BenchServices : public UiServices {
public:
    std::string answer, file;
    int ShowMessageBox(MsgKind, const std::string&, unsigned) override { return mrOK; }
    bool AskYesNo(const std::string&) override { return true; }
    InputAnswer AskInput(const std::string&, const std::vector<std::string>&, const std::string&) override {
        return {mrOK, answer};
    }
    void ProgressBegin(const std::string&, int) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
    std::string ClipboardGetText() override { return {}; }
    void ClipboardSetText(const std::string&) override {}
    void ClipboardClear() override {}
    bool ClipboardHasText() override { return false; }
    bool ShowHelp(const std::string&, int) override { return false; }
    std::string ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::string ChooseSaveFile(const FileDialogRequest&) override { return file; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
    void SetUndoEditEnabled(bool) override {}
    void SetRedoEditEnabled(bool) override {}
    void RequestTerminate() override {}
};

void BM_FundPeriodogramTo2000(benchmark::State& state) {
    App();
    static BenchServices services;
    BenchState().SetServices(&services);
    TfrmFund& w = LoadedWindow(BenchState(), static_cast<int>(state.range(0)));
    w.PC->setCurrentIndex(4);
    bool wide = false;
    for (auto _ : state) {
        // Each range differs from the last, so each is computed.
        wide = !wide;
        services.answer = wide ? "2000" : "[2..2000]";
        w.OptionSetExecute();
    }
    w.PC->setCurrentIndex(0);
}
BENCHMARK(BM_FundPeriodogramTo2000)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_FundTextSave(benchmark::State& state) {
    App();
    static BenchServices services;
    BenchState().SetServices(&services);
    TfrmFund& w = LoadedWindow(BenchState(), static_cast<int>(state.range(0)));
    services.file = (std::filesystem::temp_directory_path() / "merlox_fund_report_bench.TXT").string();
    for (auto _ : state) w.TextSaveExecute();
    std::filesystem::remove(services.file);
}
BENCHMARK(BM_FundTextSave)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
