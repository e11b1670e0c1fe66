// The entries of CalcStr, scanning, skipping, the range reader and the
// shared instance.
#include "eval/calc_str.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "core/text/tokenizer.h"
#include "eval/app_state.h"
#include "eval/calc_str_internal.h"
#include "eval/calc_str_token_cache.h"
#include "eval/calc_str_user_function.h"
#include "eval/reserved_words.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

// trunc(v) - 1 clamped at 0, as the range reader counts from 1.
int RangeIndex(double v) {
    const long long i = static_cast<long long>(TruncToInt(v, "範囲")) - 1;
    return i < 0 ? 0 : static_cast<int>(i);
}

}  // namespace

namespace calc_str_detail {

NestingGuard::NestingGuard(EvalRunState& run) : run_(run), ok_(run.nestingDepth < CalcStr::kMaxNesting) {
    if (!ok_) run_.nestingExceeded = true;
    ++run_.nestingDepth;
}

NestingGuard::~NestingGuard() {
    if (--run_.nestingDepth == 0) run_.nestingExceeded = false;
}

bool TruncInRange(double v, int lo, int hi, int& out) {
    const double t = std::trunc(v);
    if (!(t >= lo && t <= hi)) return false;
    out = static_cast<int>(t);
    return true;
}

int TokenToInt(const std::string& token) {
    int value = 0;
    const char* first = token.data();
    const char* last = first + token.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (token.empty() || ec != std::errc() || end != last) throw EConvertError("'" + token + "' は整数ではありません");
    return value;
}

CachedText* TokenCache::Find(std::string_view text) {
    if (text.size() > kMaxTextLength) return nullptr;
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        if (entries_[e]->text != text) continue;
        std::rotate(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(e),
                    entries_.begin() + static_cast<std::ptrdiff_t>(e) + 1);
        return entries_.front().get();
    }
    if (entries_.size() < kTexts) {
        entries_.insert(entries_.begin(), std::make_unique<CachedText>());
    } else {
        // The oldest entry is reused, keeping its storage.
        std::rotate(entries_.begin(), entries_.end() - 1, entries_.end());
        CachedText& reused = *entries_.front();
        reused.tokens.clear();
        reused.treeState = 0;
        reused.tree.nodes.clear();
        reused.tree.root = -1;
    }
    CachedText& entry = *entries_.front();
    entry.text.assign(text);
    return &entry;
}

}  // namespace calc_str_detail

using calc_str_detail::CachedToken;

CalcStr::CalcStr(AppState& state) : state_(state) {}

CalcStr::~CalcStr() = default;

Reg* CalcStr::Model() const {
    Reg* file = state_.EvalRun().fileData;
    return file != nullptr ? file : state_.Model();
}

UserVar& CalcStr::Scalars() const { return state_.UserScalars(); }

UserFunctionLink& CalcStr::Functions() const { return state_.FunctionLink(); }

EvalRunState& CalcStr::Run() const { return state_.EvalRun(); }

// --- scanning ---------------------------------------------------------------

void CalcStr::Start(std::string_view text) {
    StartUserCallBudget(Run());
    text_ = text;
    length_ = static_cast<int>(std::min<std::size_t>(text.size(), 0x7fffffff));
    position_ = 0;
    previousPosition_ = 0;
    nonConstant_ = false;
    if (!cache_) cache_ = std::make_unique<calc_str_detail::TokenCache>();
    cached_ = cache_->Find(text);
    current_ = nullptr;
    next_ = 0;
    Step();
}

// With the cache, a token read before from the same position is replayed;
// the first reading of a text adds its tokens one by one.
void CalcStr::Step() {
    previousPosition_ = position_;
    if (cached_ != nullptr) {
        std::vector<CachedToken>& tokens = cached_->tokens;
        if (next_ < tokens.size() && tokens[next_].from == position_) {
            CachedToken& t = tokens[next_];
            token_.assign(t.text);
            tokenIsString_ = t.isString;
            position_ = t.to;
            current_ = &t;
            if (!t.IsEnd()) ++next_;
            return;
        }
        if (next_ == tokens.size() && position_ == (tokens.empty() ? 0 : tokens.back().to)) {
            position_ = ::NextToken(text_, position_, token_, &tokenIsString_, length_);
            CachedToken& t = tokens.emplace_back();
            t.text = token_;
            t.isString = tokenIsString_;
            t.from = previousPosition_;
            t.to = position_;
            current_ = &t;
            if (!t.IsEnd()) ++next_;
            return;
        }
    }
    current_ = nullptr;
    position_ = ::NextToken(text_, position_, token_, &tokenIsString_, length_);
}

int* CalcStr::LookupSlot(int which) const { return current_ != nullptr ? &current_->lookups[which] : nullptr; }

int CalcStr::FunctionIndexOfToken() {
    int* slot = LookupSlot(calc_str_detail::tlFunction);
    if (slot != nullptr && *slot != calc_str_detail::kNotLookedUp) return *slot;
    const int f = tokenIsString_ ? -1 : FindFunctionName(token_);
    if (slot != nullptr) *slot = f;
    return f;
}

int CalcStr::ComparisonCodeOfToken() {
    int* slot = LookupSlot(calc_str_detail::tlComparison);
    if (slot != nullptr && *slot != calc_str_detail::kNotLookedUp) return *slot;
    const int code = tokenIsString_ ? -1 : ComparisonOperatorCode(token_);
    if (slot != nullptr) *slot = code;
    return code;
}

// A level stops after a combination when the token's first character is
// repeated right after it ("2 * 3 ** 4"); at the end of the text both are
// the NUL character.
bool CalcStr::LevelEnds() const {
    const char t = token_.empty() ? '\0' : token_[0];
    const char s = position_ < length_ ? text_[static_cast<std::size_t>(position_)] : '\0';
    return t == s;
}

void CalcStr::Fail(StringId stringId) { throw Exception(LoadStr(stringId)); }

// Skips to just after the close that matches an already read open; only the
// open character nests. Ends at the end of the text only: the operator
// levels' repeated-character test would stop inside "0 ? ((1)) : 2 ;" and
// give 1 instead of 2.
void CalcStr::SkipBalanced(char open, char close) {
    const std::string openText(1, open), closeText(1, close);
    int depth = 1;
    for (;;) {
        while (!Is(closeText)) {
            if (AtEnd()) return;
            if (Is(openText)) ++depth;
            Step();
        }
        --depth;
        Step();
        if (depth < 1) return;
    }
}

// --- entries ------------------------------------------------------------------

double CalcStr::Calculate(const std::string& text) {
    if (text.empty()) Fail(kStrSystemError);
    incomplete_ = false;
    unknownName_.clear();
    observationMode_ = false;
    Start(text);
    return ParseOr();
}

double CalcStr::Evaluate(const std::string& text, double defaultValue) {
    if (text.empty()) return defaultValue;
    incomplete_ = false;
    unknownName_.clear();
    observationMode_ = false;
    Start(text);
    const double v = ParseOr();
    return incomplete_ ? defaultValue : v;
}

double CalcStr::EvaluateAt(const std::string& text, int observation) {
    observationMode_ = true;
    observation_ = observation;
    if (text.empty()) {
        incomplete_ = true;
        return 0.0;
    }
    incomplete_ = false;
    unknownName_.clear();
    if (const calc_str_detail::Tree* tree = TreeFor(text)) return RunTree(*tree, text);
    Start(text);
    return ParseOr();
}

bool CalcStr::TestAtObservation(const std::string& text, int observation) {
    if (text.empty()) {
        incomplete_ = true;
        return false;
    }
    observationMode_ = true;
    observation_ = observation;
    incomplete_ = false;
    unknownName_.clear();
    double v = 0.0;
    try {
        if (const calc_str_detail::Tree* tree = TreeFor(text)) {
            v = RunTree(*tree, text);
        } else {
            Start(text);
            v = ParseOr();
        }
    } catch (...) {
        observationMode_ = false;
        throw;
    }
    observationMode_ = false;
    return v != 0.0;
}

void CalcStr::ReadRange(int& first, int& last) {
    if (Is("[")) Step();
    const int a = RangeIndex(ParseOr());
    int b = 0;
    if (Is("..")) {
        Step();
        b = RangeIndex(ParseOr());
    }
    first = std::min(a, b);
    last = std::max(a, b);
    if (Is("]")) Step();
}

int CalcStr::ParseRange(const std::string& text, int& first, int& last) {
    if (text.empty()) return 0;
    observationMode_ = false;
    incomplete_ = false;
    unknownName_.clear();
    try {
        Start(text);
        ReadRange(first, last);
    } catch (const Exception&) {
        incomplete_ = true;
        return 0;
    }
    return incomplete_ ? 0 : last - first + 1;
}

void CalcStr::ParseIndexList(const std::string& text, std::uint8_t* flags, int n) {
    if (text.empty() || flags == nullptr || n < 0) return;
    std::fill_n(flags, n, std::uint8_t{0});
    observationMode_ = false;
    incomplete_ = false;
    unknownName_.clear();
    Start(text);
    for (;;) {
        if (Is("[")) {
            int first = 0, last = 0;
            ReadRange(first, last);
            last = std::min(last, n - 1);
            for (int i = first; i <= last; ++i) flags[i] = 1;
        } else {
            // Indices outside 1..n are ignored, however far out; NaN is an
            // error as for every index.
            const double e = ParseOr();
            if (std::isnan(e)) TruncToInt(e, "番号");
            int i = 0;
            if (calc_str_detail::TruncInRange(e, 1, n, i)) flags[i - 1] = 1;
        }
        if (!Is(",")) break;
        Step();
    }
}

void CalcStr::ParseBraceList(const std::string& text, Vector& out) {
    observationMode_ = false;
    incomplete_ = false;
    unknownName_.clear();
    std::vector<double> values;
    try {
        if (text.empty()) Fail(kStrSystemError);
        Start(text);
        if (Is("{")) {
            ReadItemList(values);
            if (!Is("}")) Fail(kStrRangeError);
            Step();
        }
    } catch (const Exception&) {
        incomplete_ = true;
    }
    Vector result(static_cast<int>(values.size()), 0.0);
    std::copy(values.begin(), values.end(), result.begin());
    out.Replace(result);
}

double CalcStr::ConstantPrefix(const std::string& text) {
    observationMode_ = false;
    if (text.empty()) {
        nonConstant_ = true;
        return 0.0;
    }
    Start(text);
    double sum = ParseMul();
    if (nonConstant_) return 0.0;
    while (Is("+") || Is("-")) {
        const int beforeOperator = previousPosition_;
        const bool minus = Is("-");
        Step();
        const double term = ParseMul();
        if (nonConstant_) {
            previousPosition_ = beforeOperator;
            nonConstant_ = false;
            break;
        }
        sum = minus ? sum - term : sum + term;
    }
    return sum;
}
