#include "core/data/equation_list.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "core/data/data_set.h"
#include "core/data/variable.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

// The CP932 bytes of a name, by which the list is ordered; a name with no
// CP932 form (it cannot come from a file) orders by its UTF-8 bytes.
std::string SortKey(const std::string& name) {
    try {
        return cp932::FromUtf8(name);
    } catch (const EConvertError&) {
        return name;
    }
}

void SwapMatrices(Matrix& a, Matrix& b) noexcept { swap(a, b); }

}  // namespace

ExpresList& ExpresList::operator=(const ExpresList& other) {
    if (this != &other) {
        ExpresList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ExpresList& ExpresList::operator=(ExpresList&& other) noexcept {
    items_.swap(other.items_);
    std::swap(g_, other.g_);
    std::swap(k_, other.k_);
    SwapMatrices(b_, other.b_);
    SwapMatrices(gamma_, other.gamma_);
    SwapMatrices(pi_, other.pi_);
    SwapMatrices(fitted_, other.fitted_);
    endogenousNames_.swap(other.endogenousNames_);
    predeterminedNames_.swap(other.predeterminedNames_);
    std::swap(model_, other.model_);
    std::swap(upToDate_, other.upToDate_);
    return *this;
}

int ExpresList::Add(const Expres& e) {
    const int at = IndexOf(e.GetLeftName());
    if (at >= 0) items_[static_cast<std::size_t>(at)] = e;
    else items_.push_back(e);
    SortEquations();
    upToDate_ = false;
    return IndexOf(e.GetLeftName());
}

void ExpresList::Delete(int i) {
    if (GetCount() < 2) {
        Clear();
        return;
    }
    if (i >= 0 && i < GetCount()) items_.erase(items_.begin() + i);
    SortEquations();
    upToDate_ = false;
}

void ExpresList::Clear() {
    items_.clear();
    b_.Clear();
    gamma_.Clear();
    pi_.Clear();
    fitted_.Clear();
    endogenousNames_.clear();
    predeterminedNames_.clear();
    upToDate_ = false;
}

int ExpresList::IndexOf(const std::string& name) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].GetLeftName() == name) return static_cast<int>(i);
    return -1;
}

const Expres& ExpresList::GetItem(int i) const {
    if (i < 0 || i >= GetCount()) throw ERangeError(kRangeErrorText);
    return items_[static_cast<std::size_t>(i)];
}

bool ExpresList::DeleteMentioning(const std::string& name) {
    const auto mentions = [&](const Expres& e) { return e.FindVar(name) != -2; };
    if (std::none_of(items_.begin(), items_.end(), mentions)) return false;
    items_.erase(std::remove_if(items_.begin(), items_.end(), mentions), items_.end());
    // Deleting the last equation clears the list as Delete does, derived
    // matrices and names included.
    if (items_.empty()) Clear();
    SortEquations();
    upToDate_ = false;
    return true;
}

bool ExpresList::RenameVar(const std::string& oldName, const std::string& newName) {
    bool any = false;
    for (Expres& e : items_)
        if (e.RenameVar(oldName, newName)) any = true;
    if (any) upToDate_ = false;
    return any;
}

// The order is defined by two exchange passes: first by left-hand name
// (byte-wise on the CP932 text), then by definition flag, the second one
// exchanging item i with every later item of a smaller flag. The list never
// holds two equations with one left-hand name, so the first pass is an
// ordinary sort; in the second, a definition at i trades places with the
// last estimated equation after it and nothing else moves. Both are done
// here without the quadratic number of comparisons.
void ExpresList::SortEquations() {
    const std::size_t n = items_.size();
    if (n < 2) return;
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(n);
    for (std::size_t i = 0; i < n; ++i) keys.emplace_back(SortKey(items_[i].GetLeftName()), i);
    std::sort(keys.begin(), keys.end());
    std::vector<Expres> sorted;
    sorted.reserve(n);
    for (auto& key : keys) sorted.push_back(std::move(items_[key.second]));
    items_.swap(sorted);

    std::vector<std::size_t> zeros;  // positions of estimated equations, ascending
    for (std::size_t i = 0; i < n; ++i)
        if (!items_[i].IsDefinition()) zeros.push_back(i);
    for (std::size_t i = 0; i < n && !zeros.empty(); ++i) {
        if (zeros.back() <= i) break;
        if (items_[i].IsDefinition()) {
            std::swap(items_[i], items_[zeros.back()]);
            zeros.pop_back();
        }
    }
}

void ExpresList::DeriveNames(std::vector<std::string>& endogenous, std::vector<std::string>& predetermined) const {
    endogenous.clear();
    predetermined.clear();
    if (!model_) return;
    const int k = model_->GetVarCount();
    for (int j = 0; j < k; ++j) {
        const int t = model_->GetVarType(j);
        if (t == Var::kEndogenous) endogenous.push_back(model_->GetVarName(j));
        else if (t == Var::kExogenous || t == Var::kLagged) predetermined.push_back(model_->GetVarName(j));
    }
    predetermined.push_back(Data::ConstantName());
}

void ExpresList::Bind(const Data& model) {
    model_ = &model;
    std::vector<std::string> endogenous, predetermined;
    DeriveNames(endogenous, predetermined);
    const int g = static_cast<int>(endogenous.size());
    const int k = static_cast<int>(predetermined.size());
    Matrix b(g, g), gamma(g, k), pi(g, k), fitted(model.GetObsCount(), g);
    g_ = g;
    k_ = k;
    SwapMatrices(b_, b);
    SwapMatrices(gamma_, gamma);
    SwapMatrices(pi_, pi);
    SwapMatrices(fitted_, fitted);
    endogenousNames_.swap(endogenous);
    predeterminedNames_.swap(predetermined);
    upToDate_ = false;
}

void ExpresList::SetData(const Data& model) { Bind(model); }

bool ExpresList::ComputeReducedForm() {
    if (!model_) return false;
    std::vector<std::string> endogenous, predetermined;
    DeriveNames(endogenous, predetermined);
    const int g = static_cast<int>(endogenous.size());
    if (g > GetCount()) return false;
    // The matrices are gone after Clear, and stale after an edit of the
    // variables or observations: bind again rather than use them.
    const bool stale = endogenous != endogenousNames_ || predetermined != predeterminedNames_ ||
                       b_.Rows() != g || b_.Cols() != g || gamma_.Rows() != g ||
                       gamma_.Cols() != static_cast<int>(predetermined.size()) || pi_.Rows() != g ||
                       pi_.Cols() != gamma_.Cols() || fitted_.Rows() != model_->GetObsCount() ||
                       fitted_.Cols() != g;
    if (stale) Bind(*model_);
    upToDate_ = false;

    for (int i = 0; i < g_; ++i) {
        const Expres& e = items_[static_cast<std::size_t>(i)];
        for (int j = 0; j < g_; ++j) b_[i][j] = e.GetSystemCoef(endogenousNames_[static_cast<std::size_t>(j)]);
        for (int k = 0; k < k_; ++k) gamma_[i][k] = e.GetSystemCoef(predeterminedNames_[static_cast<std::size_t>(k)]);
    }
    if (g_ > 0) {
        Matrix product = b_.Inverse().Multiply(gamma_);
        for (int i = 0; i < g_; ++i)
            for (int k = 0; k < k_; ++k) pi_[i][k] = -product[i][k];
    }

    std::vector<int> index(static_cast<std::size_t>(k_));
    for (int k = 0; k < k_; ++k) index[static_cast<std::size_t>(k)] = model_->FindVar(predeterminedNames_[static_cast<std::size_t>(k)]);
    const int n = model_->GetObsCount();
    std::vector<double> x(static_cast<std::size_t>(k_));
    for (int t = 0; t < n; ++t) {
        for (int k = 0; k < k_; ++k) x[static_cast<std::size_t>(k)] = model_->GetValue(t, index[static_cast<std::size_t>(k)]);
        for (int j = 0; j < g_; ++j) {
            long double sum = 0.0L;
            const double* row = pi_[j];
            for (int k = 0; k < k_; ++k) sum += static_cast<long double>(row[k]) * x[static_cast<std::size_t>(k)];
            fitted_[t][j] = static_cast<double>(sum);
        }
    }
    upToDate_ = true;
    return true;
}

std::string ExpresList::GetEndogenousName(int j) const {
    if (j < 0 || j >= static_cast<int>(endogenousNames_.size())) throw ERangeError(kRangeErrorText);
    return endogenousNames_[static_cast<std::size_t>(j)];
}

std::string ExpresList::GetPredeterminedName(int k) const {
    if (k < 0 || k >= static_cast<int>(predeterminedNames_.size())) throw ERangeError(kRangeErrorText);
    return predeterminedNames_[static_cast<std::size_t>(k)];
}

int ExpresList::FindEndogenous(const std::string& name) const {
    for (std::size_t j = 0; j < endogenousNames_.size(); ++j)
        if (endogenousNames_[j] == name) return static_cast<int>(j);
    return -1;
}

void ExpresList::Read(std::istream& in, std::int64_t available) {
    BinaryReader reader(in, available, "方程式リストの読み込み");
    const int count = reader.ReadCount(INT32_MAX, Expres::kMinRecordBytes);
    // A later record with the same left-hand name replaces the earlier one
    // in its place, as adding it would.
    std::vector<Expres> read;
    std::unordered_map<std::string, std::size_t> position;
    for (int i = 0; i < count; ++i) {
        Expres e;
        e.Read(reader);
        auto [it, inserted] = position.emplace(e.GetLeftName(), read.size());
        if (inserted) read.push_back(std::move(e));
        else read[it->second] = std::move(e);
    }
    Clear();
    items_.swap(read);
    SortEquations();
}

void ExpresList::Write(std::ostream& out) const {
    BinaryWriter writer(out, "方程式リストの書き込み");
    writer.WriteInt32(GetCount());
    for (const Expres& e : items_) e.Write(writer);
}
