#include "core/io/final_form_storage.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "core/data/data_set.h"
#include "core/numeric/vector.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"


namespace {

// Names compare by their CP932 bytes; a name without a CP932 form (it
// cannot come from a file) compares by its UTF-8 bytes.
int CompareNames(const std::string& a, const std::string& b) {
    try {
        return cp932::CompareBytes(a, b);
    } catch (const EConvertError&) {
        return a.compare(b);
    }
}

// An element record holds at least its cell and its term count.
constexpr std::int64_t kMinElementBytes = FFCell::kMinRecordBytes + 4;

}  // namespace

// ---- FFCell ---------------------------------------------------------------------

FFCell::FFCell(const std::string& name, int kind, double coefficient, int lag)
    : name_(name), kind_(static_cast<std::int8_t>(kind)), lag_(lag), coef_(coefficient) {}

bool FFCell::operator==(const FFCell& other) const {
    return name_ == other.name_ && kind_ == other.kind_ && lag_ == other.lag_ && coef_ == other.coef_;
}

int FFCell::CompareKey(const FFCell& other) const {
    if (kind_ != other.kind_) return kind_ < other.kind_ ? -1 : 1;
    const int c = CompareNames(name_, other.name_);
    if (c != 0) return c < 0 ? -1 : 1;
    if (lag_ != other.lag_) return lag_ > other.lag_ ? -1 : 1;
    return 0;
}

void FFCell::LoadFrom(BinaryReader& in) {
    std::string name = in.ReadText();
    const auto kind = static_cast<std::int8_t>(in.ReadByte());
    const std::int32_t lag = in.ReadInt32();
    const double coef = in.ReadDouble();
    name_ = std::move(name);
    kind_ = kind;
    lag_ = lag;
    coef_ = coef;
}

void FFCell::SaveTo(BinaryWriter& out) const {
    out.WriteText(name_);
    out.WriteByte(static_cast<std::uint8_t>(kind_));
    out.WriteInt32(lag_);
    out.WriteDouble(coef_);
}

// ---- FFElement -----------------------------------------------------------------

void FFElement::SetHead(const FFCell& cell) {
    static_cast<FFCell&>(*this) = cell.GetCopy();
    terms_.clear();
}

bool FFElement::AppendTerm(const FFCell& cell) {
    terms_.push_back(cell.GetCopy());
    Sort();
    return true;
}

FFCell FFElement::GetTerm(int i) const {
    if (i < 0 || i >= GetCount()) throw ERangeError(kRangeErrorText);
    return terms_[static_cast<std::size_t>(i)];
}

void FFElement::SetTerm(int i, const FFCell& cell) {
    if (i < 0 || i >= GetCount()) throw ERangeError(kRangeErrorText);
    terms_[static_cast<std::size_t>(i)] = cell.GetCopy();
}

void FFElement::DeleteTerm(int i) {
    if (i >= 0 && i < GetCount()) terms_.erase(terms_.begin() + i);
    Sort();
}

void FFElement::Assign(const FFElement& other) {
    if (this == &other) return;
    std::vector<FFCell> terms = other.terms_;
    static_cast<FFCell&>(*this) = other.GetCopy();
    terms_.swap(terms);
    Sort();
}

bool FFElement::operator==(const FFElement& other) const {
    return FFCell::operator==(other) && terms_ == other.terms_;
}

// Shell sort with the gaps 2^m - 1: the first gap is the smallest power of
// two not below the count, reduced to (gap - 1) / 2 before each pass. The
// exact procedure fixes the order of terms with equal keys.
void FFElement::Sort() {
    const int n = GetCount();
    if (n < 2) return;
    if (n == 2) {
        if (!(terms_[0] <= terms_[1])) std::swap(terms_[0], terms_[1]);
        return;
    }
    int gap = 1;
    while (gap < n) gap *= 2;
    for (;;) {
        gap = (gap - 1) / 2;
        if (gap < 1) break;
        for (int i = 0; i + gap < n; ++i) {
            for (int j = i; j >= 0; j -= gap) {
                auto& lower = terms_[static_cast<std::size_t>(j)];
                auto& upper = terms_[static_cast<std::size_t>(j + gap)];
                if (upper >= lower) break;
                std::swap(lower, upper);
            }
        }
    }
}

bool FFElement::Evaluate(const Data& data, std::vector<double>& out, int* ahead, int* back) const {
    const int n = data.GetObsCount();
    const int k = data.GetVarCount();
    const int own = data.FindVar(GetName());
    if (own < 0 || own >= k) return false;
    struct Term {
        int index;
        double coef;
        std::int64_t lag;
    };
    std::vector<Term> terms;
    std::int64_t maxLag = 0, minLag = 0;
    for (const FFCell& c : terms_) {
        const int j = data.FindVar(c.GetName());
        if (j < 0) return false;
        terms.push_back({j, c.GetCoef(), c.GetLag()});
        maxLag = std::max<std::int64_t>(maxLag, c.GetLag());
        minLag = std::min<std::int64_t>(minLag, c.GetLag());
    }
    // Lags are 64-bit here: minus the smallest int32 lag does not fit an int.
    const std::int64_t front = -minLag;
    std::vector<double> values(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) values[static_cast<std::size_t>(t)] = data.GetValue(t, own);
    for (std::int64_t t = front; t < static_cast<std::int64_t>(n) - maxLag; ++t) {
        long double sum = 0.0L;
        for (const Term& term : terms) {
            const auto at = static_cast<std::size_t>(t + term.lag);
            const double x = term.index == own ? values[at] : data.GetValue(static_cast<int>(t + term.lag), term.index);
            sum += static_cast<long double>(term.coef) * x;
        }
        values[static_cast<std::size_t>(t)] = static_cast<double>(sum);
    }
    out.swap(values);
    if (ahead) *ahead = static_cast<int>(maxLag);
    if (back) *back = static_cast<int>(std::min<std::int64_t>(front, INT_MAX));
    return true;
}

void FFElement::LoadFrom(BinaryReader& in) {
    FFCell head;
    head.LoadFrom(in);
    const int count = in.ReadCount(INT32_MAX, FFCell::kMinRecordBytes);
    // Grown term by term: a stream of unknown size bounds the count only by
    // the bytes it really delivers.
    std::vector<FFCell> terms;
    for (int i = 0; i < count; ++i) {
        FFCell c;
        c.LoadFrom(in);
        terms.push_back(std::move(c));
    }
    static_cast<FFCell&>(*this) = head;
    terms_.swap(terms);
    Sort();
}

void FFElement::SaveTo(BinaryWriter& out) const {
    FFCell::SaveTo(out);
    out.WriteInt32(GetCount());
    for (const FFCell& c : terms_) c.SaveTo(out);
}

// ---- FFList --------------------------------------------------------------------

bool FFList::Append(const FFElement& element) {
    FFElement copy;
    copy.Assign(element);
    elements_.push_back(std::move(copy));
    return true;
}

FFElement FFList::GetElement(int i) const {
    if (i < 0 || i >= GetCount()) throw ERangeError(kRangeErrorText);
    return elements_[static_cast<std::size_t>(i)];
}

void FFList::SetElement(int i, const FFElement& element) {
    if (i < 0 || i >= GetCount()) throw ERangeError(kRangeErrorText);
    elements_[static_cast<std::size_t>(i)].Assign(element);
}

void FFList::Delete(int i) {
    if (i >= 0 && i < GetCount()) elements_.erase(elements_.begin() + i);
}

void FFList::LoadFrom(std::istream& in, std::int64_t available) {
    Clear();
    BinaryReader reader(in, available, "最終形式の読み込み");
    const int count = reader.ReadCount(INT32_MAX, kMinElementBytes);
    std::vector<FFElement> elements;
    for (int i = 0; i < count; ++i) {
        FFElement e;
        e.LoadFrom(reader);
        elements.push_back(std::move(e));
    }
    elements_.swap(elements);
}

void FFList::SaveTo(std::ostream& out) const {
    BinaryWriter writer(out, "最終形式の書き込み");
    writer.WriteInt32(GetCount());
    for (const FFElement& e : elements_) e.SaveTo(writer);
}
