// Writing the main text report of a large data set (every section on,
// margin 80) into a stream that only counts the bytes. The deletion
// measures are worked out before timing, so what is measured is the
// formatting and the CP932 conversion. Goal: 100,000 x 10 (73 MB of text)
// within 5 s.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <streambuf>
#include <vector>

#include "core/model/regression_model.h"
#include "core/model/text_report.h"

namespace {

class CountingBuffer : public std::streambuf {
public:
    long long bytes = 0;

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) ++bytes;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        bytes += n;
        return n;
    }
};

Reg& ModelFor(int n, int k) {
    static auto* models = new std::map<std::pair<int, int>, std::unique_ptr<Reg>>;
    auto& slot = (*models)[{n, k}];
    if (!slot) {
        slot = std::make_unique<Reg>(n, k, "bench");
        std::mt19937_64 gen(99);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(static_cast<std::size_t>(n), 1.0), x(static_cast<std::size_t>(n));
        for (int j = 0; j + 1 < k; ++j) {
            for (int i = 0; i < n; ++i) {
                x[static_cast<std::size_t>(i)] = 50.0 + (j + 1) * normal(gen);
                y[static_cast<std::size_t>(i)] += 0.3 * x[static_cast<std::size_t>(i)] + normal(gen);
            }
            slot->SetVarValues(j, x);
        }
        slot->SetVarValues(k - 1, y);
        std::vector<std::uint8_t> roles(static_cast<std::size_t>(k) + 1, Reg::kRoleExplanatory);
        roles[static_cast<std::size_t>(k) - 1] = Reg::kRoleDependent;
        (void)slot->SetModel(k - 1, roles);
        slot->ComputeInfluence();
    }
    return *slot;
}

void BM_TextReport(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Reg& model = ModelFor(n, 10);
    long long bytes = 0;
    for (auto _ : state) {
        CountingBuffer buffer;
        std::ostream out(&buffer);
        WriteTextReport(model, TextReportOptions{}, out);
        bytes = buffer.bytes;
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * bytes);
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_TextReport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
