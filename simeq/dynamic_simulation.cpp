// Dynamic simulation of the reduced form: a lagged endogenous variable whose
// comment text is "@" + name + "/" + lag takes the simulated value of that
// endogenous variable lag observations earlier, once the simulation has
// reached that far; before that, and for every other variable, the observed
// value is used.
#include <algorithm>
#include <vector>

#include "core/data/variable.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"
#include "core/text/field_split.h"
#include "platform/errors.h"
#include "simeq/system_build.h"

namespace {

constexpr int kBlockRows = 4096;

// The endogenous variable and lag a predetermined variable stands for; lag 0
// when it stands for none.
struct LagLink {
    int endogenous = -1;
    int lag = 0;
};

LagLink ReadLink(const Reg& model, const ExpresList& equations, const std::string& name) {
    LagLink link;
    const int v = model.FindVar(name);
    if (v < 0 || v >= model.GetVarCount() || model.GetVarType(v) != Var::kLagged) return link;
    const std::string info = model.GetVarInfo(v);
    if (info.empty() || info[0] != '@') return link;
    double lag = 0.0;
    std::string base;
    try {
        base = SplitNameValue(std::string_view(info).substr(1), lag, model.Context().Evaluator());
        link.lag = TruncToInt(lag, "ラグ");
    } catch (const Exception&) {
        return LagLink{};  // a lag that cannot be read links nothing
    }
    link.endogenous = equations.FindEndogenous(base);
    if (link.endogenous < 0 || link.lag <= 0) return LagLink{};
    return link;
}

}  // namespace

void SimultaneousSystem::Simulate(const Reg& model) {
    simulation_ = std::make_unique<TFileMatrix>(observed_->Context(), n_, g_, 0.0);
    if (g_ == 0 || n_ == 0) return;
    const int cols = g_ + k_ - 1;
    std::vector<LagLink> links(static_cast<std::size_t>(k_ - 1));
    std::vector<int> column(static_cast<std::size_t>(k_ - 1));
    int longest = 0;
    for (int k = 0; k < k_ - 1; ++k) {
        const std::string& name = names_[static_cast<std::size_t>(g_ + k)];
        column[static_cast<std::size_t>(k)] = IndexOfName(name);
        LagLink& link = links[static_cast<std::size_t>(k)];
        link = ReadLink(model, equations_, name);
        if (link.lag >= n_) link = LagLink{};  // never reached
        longest = std::max(longest, link.lag);
    }
    // The last `longest` simulated rows, as a ring.
    const int ring = std::max(longest, 1);
    std::vector<double> history(static_cast<std::size_t>(ring) * g_);
    const Matrix& pi = equations_.ReducedForm();
    std::vector<double> x(static_cast<std::size_t>(k_ - 1));
    const std::size_t block = static_cast<std::size_t>(std::min(kBlockRows, n_));
    std::vector<double> in(block * cols), out(block * g_);
    for (int first = 0; first < n_; first += kBlockRows) {
        const int count = std::min(kBlockRows, n_ - first);
        observed_->ReadRows(first, count, in.data());
        for (int r = 0; r < count; ++r) {
            const int t = first + r;
            const double* row = in.data() + static_cast<std::size_t>(r) * cols;
            for (int k = 0; k < k_ - 1; ++k) {
                const LagLink& link = links[static_cast<std::size_t>(k)];
                if (link.endogenous >= 0 && link.lag <= t) {
                    const int from = (t - link.lag) % ring;
                    x[static_cast<std::size_t>(k)] = history[static_cast<std::size_t>(from) * g_ + link.endogenous];
                } else {
                    x[static_cast<std::size_t>(k)] = row[column[static_cast<std::size_t>(k)]];
                }
            }
            double* y = out.data() + static_cast<std::size_t>(r) * g_;
            for (int g = 0; g < g_; ++g) {
                const double* p = pi[g];
                double sum = p[k_ - 1];
                for (int k = 0; k < k_ - 1; ++k) sum += p[k] * x[static_cast<std::size_t>(k)];
                y[g] = sum;
            }
            std::copy_n(y, g_, history.data() + static_cast<std::size_t>(t % ring) * g_);
        }
        simulation_->WriteRows(first, count, out.data());
    }
}
