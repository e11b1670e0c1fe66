#include "simeq/system_build.h"

#include <algorithm>
#include <cmath>

#include "core/data/variable.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/model/centred_fit_rows.h"
#include "platform/errors.h"
#include "simeq/structural_store.h"

namespace {

// Rows moved per file transfer.
constexpr int kBlockRows = 4096;

// A predetermined column whose spread left after those swept before is below
// this share of its own is a combination of them: it is not swept.
constexpr long double kExplainedShare = 0x1p-40L;

bool IsSystemType(int type) { return type == Var::kEndogenous || type == Var::kExogenous || type == Var::kLagged; }

}  // namespace

SimultaneousSystem::SimultaneousSystem() = default;
SimultaneousSystem::~SimultaneousSystem() = default;

void SimultaneousSystem::Clear() {
    stores_.clear();
    observed_.reset();
    firstStage_.reset();
    coefficients_.reset();
    reduced_.reset();
    simulation_.reset();
    structuralCov_.reset();
    reducedCov_.reset();
    derivative_.Clear();
    equations_.Clear();
    names_.clear();
    stochastic_.clear();
    inputs_.clear();
    predictions_.clear();
    model_ = nullptr;
    twoStage_ = false;
    n_ = g_ = k_ = 0;
}

bool SimultaneousSystem::TryBuild(const Reg& model, bool twoStage) {
    try {
        Build(model, twoStage);
        return true;
    } catch (const Exception& e) {
        error_ = e.Message();
    } catch (const std::bad_alloc&) {
        error_ = EOutOfMemory().Message();
    } catch (const std::exception& e) {
        error_ = e.what();
    }
    return false;
}

std::vector<std::string> SimultaneousSystem::StochasticTexts() const {
    std::vector<std::string> texts;
    for (int p : stochastic_) texts.push_back(equations_.GetItem(p).Format(1));
    return texts;
}

void SimultaneousSystem::Build(const Reg& model, bool twoStage) {
    Clear();
    error_.clear();
    try {
        if (model.Expressions().GetCount() == 0) throw Exception("式がありません。");
        twoStage_ = twoStage;
        n_ = model.GetObsCount();
        equations_ = model.Expressions();
        equations_.SetData(model);
        for (int p = 0; p < equations_.GetCount(); ++p)
            if (!equations_.GetItem(p).IsDefinition()) stochastic_.push_back(p);
        g_ = equations_.GetEndogenousCount();
        k_ = equations_.GetPredeterminedCount();
        if (g_ > equations_.GetCount()) throw Exception("式の数が足りません。");
        CheckEquations(model);
        for (int j = 0; j < g_; ++j) names_.push_back(equations_.GetEndogenousName(j));
        for (int k = 0; k < k_; ++k) names_.push_back(equations_.GetPredeterminedName(k));

        FillObserved(model);
        ComputeFirstStage();
        if (twoStage_) ReEstimate(model);
        FillCoefficients();
        SolveReducedForm();
        ComputeDerivative();
        ComputeStructuralCovariance();
        ComputeReducedFormCovariance();
        Simulate(model);
        model_ = &model;
        SetPredictionInputs(std::vector<double>(static_cast<std::size_t>(std::max(k_ - 1, 0)), 0.0));
    } catch (...) {
        Clear();
        throw;
    }
}

// Every variable an equation names must be one of the system's: endogenous,
// exogenous, lagged endogenous or the constant term.
void SimultaneousSystem::CheckEquations(const Reg& model) const {
    const int vars = model.GetVarCount();
    for (int p = 0; p < equations_.GetCount(); ++p) {
        const Expres& e = equations_.GetItem(p);
        std::vector<std::string> names{e.GetLeftName()};
        for (int i = 0; i < e.GetCount(); ++i) names.push_back(e.GetVarName(i));
        for (const std::string& name : names) {
            const int v = model.FindVar(name);
            if (v < 0) throw Exception("式 " + e.GetLeftName() + " の変数 " + name + " がデータにありません。");
            if (v < vars && !IsSystemType(model.GetVarType(v)))
                throw Exception("式 " + e.GetLeftName() + " の変数 " + name +
                                " は内生変数でも先決変数でもありません (体系の外の変数です)。");
        }
        if (twoStage_ && !e.IsDefinition() &&
            (e.GetCount() < 1 || e.GetVarName(e.GetCount() - 1) != Data::ConstantName()))
            throw Exception("式 " + e.GetLeftName() + " は定数項で終わっていません。");
    }
}

int SimultaneousSystem::IndexOfName(const std::string& name) const {
    auto it = std::find(names_.begin(), names_.end(), name);
    return it == names_.end() ? -1 : static_cast<int>(it - names_.begin());
}

const RegFile& SimultaneousSystem::Store(int s) const {
    if (s < 0 || s >= static_cast<int>(stores_.size())) throw ERangeError(kRangeErrorText);
    return *stores_[static_cast<std::size_t>(s)];
}

void SimultaneousSystem::FillObserved(const Reg& model) {
    const int cols = g_ + k_ - 1;
    observed_ = std::make_unique<TFileMatrix>(model.Context(), n_, cols, 0.0);
    std::vector<const double*> source(static_cast<std::size_t>(cols));
    for (int j = 0; j < cols; ++j) source[static_cast<std::size_t>(j)] = model.GetVar(model.FindVar(names_[static_cast<std::size_t>(j)])).Data();
    std::vector<double> block(static_cast<std::size_t>(std::min(kBlockRows, n_)) * cols);
    for (int first = 0; first < n_; first += kBlockRows) {
        const int count = std::min(kBlockRows, n_ - first);
        for (int r = 0; r < count; ++r)
            for (int j = 0; j < cols; ++j)
                block[static_cast<std::size_t>(r) * cols + j] = source[static_cast<std::size_t>(j)][first + r];
        observed_->WriteRows(first, count, block.data());
    }
}

// Least-squares fit of every endogenous variable on all predetermined
// variables and the constant; a predetermined column explained by those
// before it is left out of the fit.
void SimultaneousSystem::ComputeFirstStage() {
    firstStage_ = std::make_unique<TFileMatrix>(*observed_);
    const int cols = g_ + k_ - 1;
    if (g_ == 0 || n_ == 0) return;
    LongMatrix m;
    observed_->ComputeMoments(m);
    const LongMatrix unswept(m);
    std::vector<int> swept;
    std::vector<long double> own(static_cast<std::size_t>(cols));
    for (int c = 0; c < cols; ++c) own[static_cast<std::size_t>(c)] = m[c][c];
    for (int c = g_; c < cols; ++c) {
        const long double o = own[static_cast<std::size_t>(c)];
        if (!(o > 0.0L) || !(m[c][c] > kExplainedShare * o)) continue;
        if (m.Sweep(c) == SweepResult::kSwept) swept.push_back(c);
    }
    for (int j = 0; j < g_; ++j)
        if (!std::isfinite(static_cast<double>(m[cols][j])))
            throw Exception(names_[static_cast<std::size_t>(j)] + " の第1段階の推定ができません。");

    // Fitted values in centred form, one fit per endogenous variable.
    std::vector<CentredFitRows> fits;
    for (int j = 0; j < g_; ++j) fits.emplace_back(m, unswept, swept, j, n_);
    const std::size_t q = swept.size();
    std::vector<double> x(q), c(q);
    std::vector<double> block(static_cast<std::size_t>(std::min(kBlockRows, n_)) * cols);
    for (int first = 0; first < n_; first += kBlockRows) {
        const int count = std::min(kBlockRows, n_ - first);
        observed_->ReadRows(first, count, block.data());
        for (int r = 0; r < count; ++r) {
            double* row = block.data() + static_cast<std::size_t>(r) * cols;
            for (std::size_t s = 0; s < q; ++s) x[s] = row[swept[s]];
            fits.front().Centre(x.data(), c.data());
            for (int j = 0; j < g_; ++j)
                row[j] = static_cast<double>(fits[static_cast<std::size_t>(j)].FittedFromCentred(c.data()));
        }
        firstStage_->WriteRows(first, count, block.data());
    }
}

// Two-stage estimate of every stochastic equation; the system's copy of the
// equation takes the estimates (the data set's list is not touched).
void SimultaneousSystem::ReEstimate(const Reg& model) {
    for (int p : stochastic_) {
        auto store = std::make_unique<RegFile>(model, p, *firstStage_, *observed_, names_);
        const int k = store->K();
        std::vector<std::string> names;
        std::vector<double> coefs;
        for (int i = 0; i < k - 1; ++i) {
            names.push_back(store->GetName(i));
            coefs.push_back(store->GetCoef(i));
        }
        names.push_back(Data::ConstantName());
        coefs.push_back(store->GetCoef(k));
        equations_.Add(Expres(store->GetName(k - 1), k, false, coefs, names));
        stores_.push_back(std::move(store));
    }
    equations_.SetData(model);
}

void SimultaneousSystem::FillCoefficients() {
    const int e = equations_.GetCount();
    const int cols = g_ + k_;
    coefficients_ = std::make_unique<TFileMatrix>(observed_->Context(), e, cols, 0.0);
    std::vector<double> row(static_cast<std::size_t>(cols));
    for (int p = 0; p < e; ++p) {
        const Expres& eq = equations_.GetItem(p);
        for (int j = 0; j < cols; ++j) {
            const int at = eq.FindVar(names_[static_cast<std::size_t>(j)]);
            row[static_cast<std::size_t>(j)] = at == -2 ? 0.0 : at == -1 ? 1.0 : -eq.GetCoef(at);
        }
        coefficients_->WriteRow(p, row.data());
    }
}

void SimultaneousSystem::SolveReducedForm() {
    bool solved = false;
    try {
        solved = equations_.ComputeReducedForm();
    } catch (const EZeroDivide&) {
        throw Exception("構造係数行列 B が特異です (内生変数の係数行列の逆行列がありません)。");
    }
    if (!solved) throw Exception("式の数が足りません。");
    reduced_ = std::make_unique<TFileMatrix>(observed_->Context(), g_, k_, 0.0);
    for (int i = 0; i < g_; ++i) {
        const Matrix& pi = equations_.ReducedForm();
        reduced_->WriteRow(i, pi[i]);
    }
    for (int i = 0; i < g_; ++i)
        for (int k = 0; k < k_; ++k)
            if (!std::isfinite(equations_.GetReducedFormCoef(i, k)))
                throw Exception("構造係数行列 B が特異です (誘導型係数が数値になりません)。");
}

std::vector<double> SimultaneousSystem::Predict(const std::vector<double>& predetermined) const {
    if (static_cast<int>(predetermined.size()) != k_ - 1) throw ERangeError(kRangeErrorText);
    std::vector<double> y(static_cast<std::size_t>(g_));
    for (int i = 0; i < g_; ++i) {
        double sum = equations_.GetReducedFormCoef(i, k_ - 1);
        for (int k = 0; k < k_ - 1; ++k) sum += equations_.GetReducedFormCoef(i, k) * predetermined[static_cast<std::size_t>(k)];
        y[static_cast<std::size_t>(i)] = sum;
    }
    return y;
}

void SimultaneousSystem::SetPredictionInputs(const std::vector<double>& predetermined) {
    std::vector<double> y = Predict(predetermined);
    inputs_ = predetermined;
    predictions_.swap(y);
}
