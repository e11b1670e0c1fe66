#include "core/data/data_set.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <string>
#include <utility>

#include "core/text/field_split.h"
#include "core/data/group_mask.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/statistics.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "resources/string_table.h"

namespace {

// Values a column or table must hold before its work is spread over the
// worker threads (fewer are done before the threads would have started).
constexpr long long kSpreadValues = 1 << 18;
// Doubles in the smallest page of memory.
constexpr long long kValuesPerPage = 4096 / sizeof(double);

// Copies n values, in pieces on the pool's threads for a long column.
void CopyValues(const double* from, long long n, double* to, ThreadPool* pool) {
    const bool apart = from + n <= to || to + n <= from;
    if (pool == nullptr || pool->Threads() < 2 || n < kSpreadValues || !apart) {
        std::copy_n(from, n, to);
        return;
    }
    const int pieces = static_cast<int>(std::min<long long>(pool->Threads(), n / (kSpreadValues / 2)));
    pool->ParallelFor(pieces, [&](int p) {
        const long long first = n * p / pieces, last = n * (p + 1) / pieces;
        std::copy(from + first, from + last, to + first);
    });
}

// Constant-term statistics for the index one past the last variable.
constexpr double kConstMean = 1.0;
constexpr double kConstSd = 0.0;

std::string RangeText(const char* what, int index) {
    return std::string(kRangeErrorText) + ": " + what + " " + std::to_string(index);
}

// Texts of the data set are saved in CP932; refuse any that has no form
// there, so saving never fails later.
void CheckCp932(const std::string& text) {
    if (!cp932::IsRepresentable(text))
        throw EConvertError("データの名前またはコメントに使えない文字が含まれています: " + text);
}

}  // namespace

const std::string& Data::ConstantName() { return LoadStr(kStrConstantName); }

Data::Data(int obs, int vars, const std::string& name, ThreadPool* pool) {
    if (obs < 1 || vars < 1) return;
    CheckCp932(name);
    name_ = name;
    info_ = name;
    obs_ = obs;
    moments_.Resize(vars + 1, vars + 1, false);
    correlations_.Resize(vars, vars, false);
    std::vector<std::unique_ptr<Var>> columns(static_cast<std::size_t>(vars));
    const bool spread = pool != nullptr && pool->Threads() > 1 && vars > 1 &&
                        static_cast<long long>(obs) * vars >= kSpreadValues;
    const auto form = [&](int j) {
        const std::string varName = "VAR" + std::to_string(j);
        auto v = std::make_unique<Var>(varName, varName, obs, 0.0);
        // The values are zero already; writing one a page makes the system
        // hand its pages over now, on this thread.
        if (spread) {
            double* x = v->Data();
            for (long long i = 0; i < obs; i += kValuesPerPage) x[i] = 0.0;
        }
        columns[static_cast<std::size_t>(j)] = std::move(v);
    };
    if (spread)
        pool->ParallelFor(vars, form);
    else
        for (int j = 0; j < vars; ++j) form(j);
    table_ = std::move(columns);
}

// --- helpers -----------------------------------------------------------------

int Data::CheckVar(int j) const {
    if (j < 0 || j >= GetVarCount()) throw ERangeError(RangeText("変数", j));
    return j;
}

void Data::CheckObs(int i) const {
    if (i < 0 || i >= obs_) throw ERangeError(RangeText("データ組", i));
}

// --- variables ---------------------------------------------------------------

void Data::DeleteAllVars() {
    BeforeValuesChange();
    // The matrices stay those of the variables that were there.
    Refresh();
    table_.clear();
}

void Data::AddVar(Var& var) {
    BeforeValuesChange();
    var.Resize(obs_, true);
    table_.push_back(std::make_unique<Var>(var));
    Rebuild();
}

void Data::InsertVar(int j, Var& var) {
    BeforeValuesChange();
    if (j < 0) return;
    if (j >= GetVarCount()) {
        AddVar(var);
        return;
    }
    auto copy = std::make_unique<Var>(var);
    // A column of another length would break the table; pad or cut the copy.
    copy->Resize(obs_, true);
    table_.insert(table_.begin() + j, std::move(copy));
    Rebuild();
}

void Data::DeleteVar(int j) {
    BeforeValuesChange();
    if (j < 0 || j >= GetVarCount()) return;
    table_.erase(table_.begin() + j);
    Rebuild();
}

void Data::DeleteVarByName(const std::string& name) {
    const int j = FindVar(name);
    if (j != -1) DeleteVar(j);
}

void Data::SwapVars(int i, int j) {
    BeforeValuesChange();
    if (i == j) return;
    const int k = GetVarCount();
    if (i < 0 || j < 0 || i >= k || j >= k) return;
    std::swap(table_[static_cast<std::size_t>(i)], table_[static_cast<std::size_t>(j)]);
    MarkMomentsStale();
    modified_ = true;
}

// --- observations ------------------------------------------------------------

bool Data::AppendObservation(std::span<const double> values, std::span<const std::uint16_t> marks) {
    return InsertObservation(obs_, values, marks);
}

bool Data::AppendObservationCells(const DataString& cells) { return InsertObservationCells(obs_, cells); }

bool Data::InsertObservation(int i, std::span<const double> values, std::span<const std::uint16_t> marks) {
    BeforeValuesChange();
    const auto k = static_cast<std::size_t>(GetVarCount());
    if (i < 0 || i > obs_ || values.size() < k) return false;
    if (!marks.empty() && marks.size() < k) return false;
    // Room first, so that no column is left longer than another.
    for (auto& v : table_) v->Reserve(obs_ + 1);
    for (std::size_t j = 0; j < k; ++j)
        table_[j]->InsertAt(i, marks.empty() ? std::uint16_t{0} : marks[j], values[j]);
    ++obs_;
    Rebuild();
    return true;
}

bool Data::InsertObservationCells(int i, const DataString& cells) {
    BeforeValuesChange();
    const int k = GetVarCount();
    if (i < 0 || i > obs_ || cells.Count() < k) return false;
    for (auto& v : table_) v->Reserve(obs_ + 1);
    for (int j = 0; j < k; ++j) table_[static_cast<std::size_t>(j)]->InsertCell(i, cells.GetCell(j));
    ++obs_;
    Rebuild();
    return true;
}

void Data::DeleteObservation(int i) {
    BeforeValuesChange();
    if (i < 0 || i >= obs_) return;
    for (auto& v : table_) v->DeleteAt(i);
    --obs_;
    Rebuild();
}

void Data::SwapObservations(int i, int j) {
    BeforeValuesChange();
    if (i == j || i < 0 || j < 0 || i >= obs_ || j >= obs_) return;
    for (auto& v : table_) v->Swap(i, j);
    RecalcStatistics();  // sums depend on the order of the values
    modified_ = true;
}

namespace {

// The diminishing-increment exchange sort (increments 2^m - 1) of keys with
// their indices: an element moves down while it is not in order with the one
// an increment below, so equal keys never pass each other there. The
// comparisons are those of exchanging whole rows, NaNs included.
template <class InOrder>
bool ShellSort(std::vector<double>& key, std::vector<int>& from, InOrder inOrder) {
    const long long n = static_cast<long long>(key.size());
    double* x = key.data();
    int* f = from.data();
    bool moved = false;
    long long p = 1;
    while (p <= n) p *= 2;
    for (long long h = (p - 1) / 2; h > 0; h = (h - 1) / 2) {
        for (long long i = 0; i + h < n; ++i) {
            const double t = x[i + h];
            if (inOrder(t, x[i])) continue;
            const int ft = f[i + h];
            long long m = i;
            do {
                x[m + h] = x[m];
                f[m + h] = f[m];
                m -= h;
            } while (m >= 0 && !inOrder(t, x[m]));
            x[m + h] = t;
            f[m + h] = ft;
            moved = true;
        }
    }
    return moved;
}

// Keys that are all distinct have a single sorted order, whichever sort
// finds it: a standard sort of the keys with their indices gives the
// exchange sort's result. False, key and from untouched, when two keys are
// equal (their order is then the exchange sort's own); moved tells whether
// any key left its place.
template <class Before>
bool SortDistinctKeys(std::vector<double>& key, std::vector<int>& from, Before before, bool& moved) {
    struct Entry {
        double key;
        int from;
    };
    const std::size_t n = key.size();
    // Keys with many ties (a grouping code) show one among the first few
    // thousand: those skip the standard sort at once.
    std::vector<double> sample(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(n, 4096)));
    std::sort(sample.begin(), sample.end());
    if (std::adjacent_find(sample.begin(), sample.end()) != sample.end()) return false;
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i) entries[i] = {key[i], from[i]};
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) { return before(a.key, b.key); });
    for (std::size_t i = 1; i < n; ++i)
        if (entries[i - 1].key == entries[i].key) return false;
    moved = false;
    for (std::size_t i = 0; i < n; ++i) {
        moved = moved || entries[i].from != from[i];
        key[i] = entries[i].key;
        from[i] = entries[i].from;
    }
    return true;
}

}  // namespace

void Data::SortObservations(int j, bool ascending, std::vector<int>* order) {
    BeforeValuesChange();
    const int n = obs_;
    if (order != nullptr) {
        order->resize(static_cast<std::size_t>(n));
        std::iota(order->begin(), order->end(), 0);
    }
    modified_ = true;
    // The constant term (or any index without a column) is a constant key:
    // nothing would be exchanged.
    if (j < 0 || j >= GetVarCount()) return;
    // What is read afterwards describes the values as they were.
    Refresh();
    const Var& column = *table_[static_cast<std::size_t>(j)];
    // A key that is no number has no place in the order: such rows go last,
    // as they stood. (Compared as they are, they would make every pass run
    // to the start of the array: hours for a long column of them.)
    std::vector<double> key;
    std::vector<int> from, last;
    key.reserve(static_cast<std::size_t>(n));
    from.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double v = column.begin()[i];
        if (std::isnan(v)) {
            last.push_back(i);
        } else {
            key.push_back(v);
            from.push_back(i);
        }
    }
    bool moved = false;
    const bool distinct = ascending ? SortDistinctKeys(key, from, std::less<double>(), moved)
                                    : SortDistinctKeys(key, from, std::greater<double>(), moved);
    if (!distinct)
        moved = ascending ? ShellSort(key, from, [](double a, double b) { return a >= b; })
                          : ShellSort(key, from, [](double a, double b) { return a <= b; });
    moved = moved || (!last.empty() && last.front() < static_cast<int>(from.size()));
    from.insert(from.end(), last.begin(), last.end());
    if (!moved) return;
    key = {};
    PermuteColumns(from.data());
    if (order != nullptr) *order = std::move(from);
}

void Data::PermuteColumns(const int* from) {
    // Each column is gathered once; columns are independent of each other,
    // so they are spread over the worker threads.
    ThreadPool* pool = Pool();
    const int k = GetVarCount();
    if (pool == nullptr || pool->Threads() < 2 || k < 2) {
        Var::PermuteScratch scratch;
        for (auto& v : table_) v->Permute(from, scratch);
        return;
    }
    const int tasks = std::min(k, pool->Threads());
    pool->ParallelFor(tasks, [&](int task) {
        Var::PermuteScratch scratch;
        for (int j = task; j < k; j += tasks) table_[static_cast<std::size_t>(j)]->Permute(from, scratch);
    });
}

void Data::RestoreObservationOrder(const std::vector<int>& order) {
    BeforeValuesChange();
    const int n = obs_;
    if (static_cast<int>(order.size()) != n) throw ERangeError(RangeText("並べ替えの記録", static_cast<int>(order.size())));
    // from is the inverse of order; -1 marks a position nothing moves to.
    std::vector<int> from(static_cast<std::size_t>(n), -1);
    for (int i = 0; i < n; ++i) {
        const int target = order[static_cast<std::size_t>(i)];
        if (target < 0 || target >= n || from[static_cast<std::size_t>(target)] != -1)
            throw ERangeError(RangeText("並べ替えの記録", target));
        from[static_cast<std::size_t>(target)] = i;
    }
    Refresh();
    PermuteColumns(from.data());
    modified_ = true;
}

// --- cells and columns ---------------------------------------------------------

double Data::GetValue(int i, int j) const {
    // The constant term (and any index without a column) is 1.0 at every
    // observation; only a real column checks the observation index.
    if (j < 0 || j >= GetVarCount()) return 1.0;
    CheckObs(i);
    return table_[static_cast<std::size_t>(j)]->At(i);
}

void Data::SetValue(int i, int j, double x) {
    BeforeValuesChange();
    if (j < 0 || j >= GetVarCount()) return;
    Var& v = *table_[static_cast<std::size_t>(j)];
    double& cell = v.At(i);
    if (cell == x) return;
    cell = x;
    v.CalcStatistics();
    MarkMomentsStale();
    modified_ = true;
}

void Data::RestoreValue(int i, int j, double x) {
    BeforeValuesChange();
    Var& v = GetVar(j);
    v.At(i) = x;
    v.CalcStatistics();
    MarkMomentsStale();
    modified_ = true;
}

const Var& Data::GetVarValues(int j, std::vector<double>& out) const {
    const Var& v = GetVar(j);
    out.assign(v.begin(), v.end());
    return v;
}

void Data::SetVarValues(int j, std::span<const double> in) {
    BeforeValuesChange();
    Var& v = GetVar(j);
    if (static_cast<int>(in.size()) < obs_) throw ERangeError(RangeText("値の数", static_cast<int>(in.size())));
    CopyValues(in.data(), obs_, v.Data(), Pool());
    v.CalcStatistics();
    MarkMomentsStale();
    modified_ = true;
}

void Data::GetObservation(int i, std::vector<double>& out) const {
    CheckObs(i);
    out.resize(table_.size());
    for (std::size_t j = 0; j < table_.size(); ++j) out[j] = table_[j]->At(i);
}

Var& Data::GetVar(int j) {
    // The caller may write through the reference.
    BeforeValuesChange();
    return *table_[static_cast<std::size_t>(CheckVar(j))];
}

const Var& Data::GetVar(int j) const { return *table_[static_cast<std::size_t>(CheckVar(j))]; }

void Data::SetMark(int i, int j, std::uint16_t mark) {
    if (i < 0 || i >= obs_ || j < 0 || j >= GetVarCount()) return;
    Var& v = *table_[static_cast<std::size_t>(j)];
    if (v.GetMark(i) == mark) return;
    v.SetMark(i, mark);
    modified_ = true;
}

std::uint16_t Data::GetMark(int i, int j) const {
    if (i < 0 || i >= obs_ || j < 0 || j >= GetVarCount()) return 0;
    return table_[static_cast<std::size_t>(j)]->GetMark(i);
}

bool Data::HasGroup(int g) const {
    if (g < 1) return false;
    const std::uint16_t bit = GroupBit(g);
    for (const auto& v : table_)
        for (const std::uint16_t m : v->Marks())
            if (m & bit) return true;
    return false;
}

bool Data::HasMarks() const {
    for (const auto& v : table_)
        for (const std::uint16_t m : v->Marks())
            if (m != 0) return true;
    return false;
}

// --- names, types and texts ------------------------------------------------------

int Data::FindVar(const std::string& name) const {
    if (name == ConstantName()) return GetVarCount();
    for (std::size_t j = 0; j < table_.size(); ++j)
        if (table_[j]->GetName() == name) return static_cast<int>(j);
    return -1;
}

std::string Data::GetVarName(int j) const {
    if (j == GetVarCount()) return ConstantName();
    return GetVar(j).GetName();
}

std::string Data::GetVarInfo(int j) const {
    if (j == GetVarCount()) return ConstantName();
    return GetVar(j).GetInfo();
}

int Data::GetVarType(int j) const {
    if (j == GetVarCount()) return Var::kExogenous;
    return GetVar(j).GetType();
}

void Data::SetVarName(int j, const std::string& text) {
    Var& v = GetVar(j);
    if (v.GetName() == text) return;
    v.SetName(text);
    modified_ = true;
}

void Data::SetVarInfo(int j, const std::string& text) {
    Var& v = GetVar(j);
    if (v.GetInfo() == text) return;
    v.SetInfo(text);
    modified_ = true;
}

void Data::SetVarType(int j, int t) {
    Var& v = GetVar(j);
    const auto type = static_cast<std::uint8_t>(t);
    if (v.GetType() == type) return;
    v.SetType(type);
    modified_ = true;
}

void Data::SetName(const std::string& text) {
    if (name_ == text) return;
    CheckCp932(text);
    name_ = text;
    modified_ = true;
}

void Data::SetInfo(const std::string& text) {
    if (info_ == text) return;
    CheckCp932(text);
    info_ = text;
    modified_ = true;
}

double Data::GetMean(int j) const { return j == GetVarCount() ? kConstMean : GetVar(j).GetMean(); }
double Data::GetStdDev(int j) const { return j == GetVarCount() ? kConstSd : GetVar(j).GetStdDev(); }
double Data::GetMax(int j) const { return j == GetVarCount() ? kConstMean : GetVar(j).GetMax(); }
double Data::GetMin(int j) const { return j == GetVarCount() ? kConstMean : GetVar(j).GetMin(); }

std::string Data::FormatVarProperty(int j) const {
    const Var& v = GetVar(j);
    return v.GetName() + "/" + VarTypeTag(v.GetType()) + "/" + v.GetInfo();
}

void Data::ApplyVarProperty(const std::string& text) {
    std::string info;
    unsigned char type = 0;
    const std::string name = SplitVariableHeader(text, info, type);
    const int j = FindVar(name);
    if (j < 0 || j >= GetVarCount()) return;
    Var& v = *table_[static_cast<std::size_t>(j)];
    v.SetInfo(info);
    v.SetType(type);
}

void Data::ParseProperty(const std::string& text) {
    if (text.empty()) throw ERangeError(RangeText("プロパティ", 0));
    if (text[0] != '@') {
        ApplyVarProperty(text);
        return;
    }
    std::string key;
    std::string value;
    ParsePropertyAssignment(text, key, value);
    if (key == "name") {
        CheckCp932(value);
        name_ = value;
    } else if (key == "info") {
        CheckCp932(value);
        info_ = value;
    }
}

// --- maintenance -------------------------------------------------------------------

void Data::Rebuild() {
    RecalcStatistics();
    modified_ = true;
}

void Data::RecalcStatistics() {
    for (auto& v : table_) v->CalcStatistics();
    MarkMomentsStale();
}

void Data::UpdateMoments() { MarkMomentsStale(); }

void Data::BuildMomentMatrix() { Refresh(); }

bool Data::RefreshWithDesign(double* design, long long stride) const {
    if (current_.load(std::memory_order_acquire)) return false;
    const std::lock_guard<std::mutex> hold(refreshLock_);
    if (current_.load(std::memory_order_relaxed)) return false;
    const int k = GetVarCount();
    std::vector<const double*> columns(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) columns[static_cast<std::size_t>(j)] = table_[static_cast<std::size_t>(j)]->Data();
    if (obs_ < 0 || k < 0) throw ERangeError(kRangeErrorText);
    BuildMomentsFromColumns(columns.data(), obs_, k, preciseMoments_, Pool(), MomentKernel::Automatic, design, stride);
    moments_.Resize(k + 1, k + 1, false);
    for (int a = 0; a <= k; ++a)
        for (int b = 0; b <= k; ++b) moments_[a][b] = static_cast<double>(preciseMoments_[a][b]);
    CovarianceToCorrelation(moments_, k, correlations_);
    // The variables' means and sums of squares are in the matrix; each
    // column's extremes are scanned on a worker thread.
    const auto take = [&](int j) {
        table_[static_cast<std::size_t>(j)]->TakeStatistics(moments_[k][j], moments_[j][j]);
    };
    ThreadPool* pool = Pool();
    if (pool != nullptr && k > 1)
        pool->ParallelFor(k, take);
    else
        for (int j = 0; j < k; ++j) take(j);
    current_.store(true, std::memory_order_release);
    return design != nullptr;
}
