// Reg: the leverage and PRESS rows of an ordinary fit, formed on their
// first read from what the fit left (regression_residuals.cpp): the same
// blocks, forms and order of sums as in the residual pass, so the same bits.
#include <memory>
#include <mutex>
#include <vector>

#include "core/model/leverage_forms.h"
#include "core/model/regression_model.h"

namespace {

constexpr int kBlock = kLeverageBlock;
constexpr int kChunk = kResidualChunk;

}  // namespace

void Reg::DropPendingLeverages() {
    std::lock_guard<std::mutex> lock(leverageLock_);
    pendingLeverages_.reset();
    leveragesPending_.store(false, std::memory_order_release);
}

void Reg::CompleteLeveragesNow() const {
    std::lock_guard<std::mutex> lock(leverageLock_);
    if (!leveragesPending_.load(std::memory_order_acquire) || !pendingLeverages_) return;
    const LeverageSource& src = *pendingLeverages_;
    const long long n = src.n;
    const int q = src.q;
    // Every change of the design or of the table's shape completes or drops
    // the pending rows first, so both are still those of the fit. A design
    // not copied yet is read in the variables themselves: they still hold
    // its values.
    std::vector<const double*> columns;
    if (designPending_.load(std::memory_order_acquire)) {
        for (int s = 0; s < q; ++s) columns.push_back(GetVar(src.vars[static_cast<std::size_t>(s)]).Data());
    }
    const double* design = fit_.design.Data();
    const long long stride = fit_.design.Cols();
    RAData& table = analysis_.table;
    const double* e = static_cast<const RAData&>(table).Row(kRowResidual);
    double* h = table.RowForOverwrite(kRowLeverage);
    double* pr = table.RowForOverwrite(kRowPress);
    std::vector<long double> partial(static_cast<std::size_t>((n + kChunk - 1) / kChunk), 0.0L);
    ForEachBlock(Pool(), n, kChunk, [&](long long first, int count) {
        std::vector<double> zc(static_cast<std::size_t>(q) * kBlock);
        double hb[kBlock];
        long double press = 0.0L;
        const long long last = first + count;
        for (long long start = first; start < last; start += kBlock) {
            const int len = static_cast<int>(last - start < kBlock ? last - start : kBlock);
            if (!columns.empty()) {
                for (int s = 0; s < q; ++s) {
                    const double* x = columns[static_cast<std::size_t>(s)] + start;
                    const double hi = src.centreHi[s], lo = src.centreLo[s];
                    double* zs = &zc[static_cast<std::size_t>(s) * kBlock];
                    for (int t = 0; t < len; ++t) zs[t] = (x[t] - hi) - lo;
                }
            } else {
                CentreRows(design + start * stride, static_cast<int>(stride), src.vars.data(), src.centreHi.data(),
                           src.centreLo.data(), q, len, n - start, zc.data(), kBlock);
            }
            QuadraticForm(src.packed.data(), q, zc.data(), len, hb);
            for (int t = 0; t < len; ++t) {
                const long long i = start + t;
                const double hi = LeverageSnappedToOne(hb[t] + src.inverseN);
                const double pressResidual = PressResidualOf(e[i], hi);
                press += static_cast<long double>(pressResidual) * pressResidual;
                pr[i] = pressResidual;
                h[i] = hi;
            }
        }
        partial[static_cast<std::size_t>(first / kChunk)] = press;
    });
    TakeCompletedLeverages(partial);
}

void Reg::TakeCompletedLeverages(const std::vector<long double>& pressPartial) const {
    long double press = 0.0L;
    for (long double part : pressPartial) press += part;
    fit_.press = static_cast<double>(press);
    leveragesRead_.store(true, std::memory_order_release);
    pendingLeverages_.reset();
    leveragesPending_.store(false, std::memory_order_release);
}
