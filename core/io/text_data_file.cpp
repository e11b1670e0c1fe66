// Reading and writing the keyword text form of the data file.
#include "core/io/text_data_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <istream>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/data/data_set.h"
#include "core/data/group_mask.h"
#include "core/io/text_section_items.h"
#include "core/io/text_table_names.h"
#include "core/text/field_split.h"
#include "core/text/float_format.h"
#include "core/text/short_decimal.h"
#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "platform/text/str_to_int.h"
#include "platform/ui_services.h"

namespace {

// Most observations one variable of a block may have: what a stored data
// file can address with its 32-bit offsets (10 bytes per observation).
constexpr std::int64_t kMaxBlockCount = std::numeric_limits<std::int32_t>::max() / 10;
// Fewer bytes than this after the data part hold no section.
constexpr std::int64_t kMinSectionBytes = 11;
constexpr std::size_t kChunk = kTextReadChunk;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string LineText(int line) { return std::to_string(line) + " 行目: "; }

[[noreturn]] void FailAt(int line, const std::string& what) { throw EReadError(LineText(line) + what); }

// No text data file holds a zero byte: a file of them is refused at its first.
[[noreturn]] void FailAtNul(int line) {
    FailAt(line, "NUL 文字（0 のバイト）があります。テキスト形式のデータファイルではありません");
}

std::string ToText(std::string_view bytes, int line) {
    try {
        return cp932::ToUtf8(bytes);
    } catch (const EConvertError& e) {
        FailAt(line, e.what());
    }
}

// Bytes that neither end a field nor begin a double-byte character.
struct PlainBytes {
    bool plain[256];
    constexpr PlainBytes() : plain() {
        for (int c = 0; c < 256; ++c)
            plain[c] = c != 0 && c != ',' && c != '\t' && c != '\r' && c != '\n' &&
                       !cp932::IsLeadByte(static_cast<unsigned char>(c));
    }
};
constexpr PlainBytes kPlainByte;

// From i on, past the ASCII bytes that end no field, sixteen at a time
// while sixteen are left before size.
inline std::size_t SkipAscii(const char* data, std::size_t i, std::size_t size) {
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    while (i + 16 <= size) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i stop = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, tab)),
                                          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                                                       _mm_cmpeq_epi8(v, nul)));
        // The top bit marks bytes from 0x80 on, lead bytes among them.
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stop) | _mm_movemask_epi8(v));
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
        i += 16;
    }
#else
    (void)data;
    (void)size;
#endif
    return i;
}

// The bytes a scanner holds, with a NUL after them; room is not cleared
// before bytes are read into it, and grows by doubling, so that a field of
// any length is read in linear time.
class ReadBuffer {
public:
    ReadBuffer() : bytes_(std::make_unique<char[]>(1)) {}
    const char* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }
    char operator[](std::size_t i) const { return bytes_[i]; }
    std::string_view View() const { return {bytes_.get(), size_}; }
    // Drops the first n bytes (all of them when n is more).
    void DropFront(std::size_t n) {
        n = std::min(n, size_);
        if (n == 0) return;
        std::memmove(bytes_.get(), bytes_.get() + n, size_ - n);
        size_ -= n;
        bytes_[size_] = '\0';
    }
    // Appends up to n bytes read from in; the count read.
    std::size_t ReadFrom(std::istream& in, std::size_t n) {
        if (capacity_ < size_ + n + 1) {
            const std::size_t room = std::max(size_ + n + 1, 2 * capacity_);
            std::unique_ptr<char[]> fresh;
            try {
                fresh = std::make_unique_for_overwrite<char[]>(room);
            } catch (const std::bad_alloc&) {
                throw EOutOfMemory();
            }
            std::memcpy(fresh.get(), bytes_.get(), size_);
            bytes_ = std::move(fresh);
            capacity_ = room;
        }
        in.read(bytes_.get() + size_, static_cast<std::streamsize>(n));
        const auto got = static_cast<std::size_t>(in.gcount());
        size_ += got;
        bytes_[size_] = '\0';
        return got;
    }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 1;
};

// Fields of a CP932 stream separated by "," TAB CR LF, read in chunks. Empty
// fields are skipped at "," and line ends; a TAB ends a field even when it
// is empty. A field stays valid until the next call.
class FieldScanner {
public:
    FieldScanner(std::istream& in, UiServices& services, std::size_t chunk)
        : in_(in), chunk_(std::max<std::size_t>(chunk, 1)) {
        const auto here = in.tellg();
        in.seekg(0, std::ios::end);
        const auto end = in.tellg();
        in.seekg(here);
        start_ = here < 0 ? 0 : static_cast<std::int64_t>(here);
        size_ = end < 0 || here < 0 ? 0 : static_cast<std::int64_t>(end - here);
        progress_.emplace(services, "データの読み込み中・・・", 100);
    }

    // The next field, trimmed; false at the end of the stream.
    bool Next(std::string_view& field) {
        if (unread_) {
            unread_ = false;
            field = std::string_view(lastData_, lastSize_);
            fieldLine_ = lastLine_;
            fieldStart_ = lastStart_;
            return true;
        }
        const bool got = Scan(field);
        // Kept as two words: copying the view whole stalls on the store just made.
        lastData_ = field.data();
        lastSize_ = field.size();
        lastLine_ = fieldLine_;
        lastStart_ = fieldStart_;
        return got;
    }
    // The last field comes again from the next call.
    void Unread() { unread_ = true; }

private:
    bool Scan(std::string_view& field) {
        std::size_t s = pos_;
        fieldLine_ = line_;
        bool byTab = false;
        std::size_t i = s;
        for (;;) {
            if (i >= buf_.size()) {
                const std::size_t shift = Fill(s);
                if (shift == kNoData) break;
                s -= shift;
                i -= shift;
                continue;
            }
            // Plain bytes in a run; the NUL after the bytes stops the run.
            const char* data = buf_.data();
            i = SkipAscii(data, i, buf_.size());
            while (kPlainByte.plain[static_cast<unsigned char>(data[i])]) ++i;
            if (i >= buf_.size()) continue;
            const char c = data[i];
            if (c == '\0') FailAtNul(line_);
            if (c == '\t') {
                pos_ = i + 1;
                byTab = true;
                break;
            }
            if (c == ',' || c == '\r' || c == '\n') {
                // The field's bounds move with the bytes when a refill for
                // the second byte of a line end drops those before s.
                std::size_t end = i;
                ++i;
                if (c != ',') {
                    ++line_;
                    if (i >= buf_.size()) {
                        const std::size_t shift = Fill(s);
                        if (shift != kNoData) {
                            s -= shift;
                            i -= shift;
                            end -= shift;
                        }
                    }
                    const char pair = c == '\n' ? '\r' : '\n';
                    if (i < buf_.size() && buf_[i] == pair) ++i;
                }
                if (end == s) {
                    s = i;
                    fieldLine_ = line_;
                    continue;
                }
                pos_ = i;
                fieldStart_ = base_ + static_cast<std::int64_t>(s);
                field = TrimView(buf_.View().substr(s, end - s));
                return true;
            }
            // The second byte of a double-byte character is never a separator.
            i += cp932::IsLeadByte(static_cast<unsigned char>(c)) ? 2 : 1;
        }
        // The end of the stream.
        const std::size_t end = std::min(i, buf_.size());
        if (!byTab) pos_ = end;
        fieldStart_ = base_ + static_cast<std::int64_t>(s);
        const std::size_t stop = byTab ? pos_ - 1 : end;
        field = TrimView(buf_.View().substr(s, stop - s));
        return byTab || stop > s;
    }

public:
    int Line() const { return fieldLine_; }
    // Offset, from where reading began, of the last field's first byte.
    std::int64_t FieldStart() const { return fieldStart_ - start_; }
    bool AtEnd() {
        if (unread_) return false;
        if (pos_ < buf_.size()) return false;
        return Fill(pos_) == kNoData;
    }
    // The bytes from offset from (not before the current buffer) to the end.
    std::string Rest(std::int64_t from) {
        const std::int64_t abs = from + start_;
        std::string rest;
        if (abs >= base_ && abs - base_ <= static_cast<std::int64_t>(buf_.size()))
            rest.assign(buf_.View().substr(static_cast<std::size_t>(abs - base_)));
        char chunk[65536];
        while (in_.read(chunk, sizeof chunk) || in_.gcount() > 0) rest.append(chunk, static_cast<std::size_t>(in_.gcount()));
        return rest;
    }
    std::int64_t Size() const { return size_; }

private:
    static constexpr std::size_t kNoData = static_cast<std::size_t>(-1);

    // Drops the bytes before keep and reads more; the shift, or kNoData.
    std::size_t Fill(std::size_t keep) {
        if (eof_) return kNoData;
        const std::size_t shift = keep;
        buf_.DropFront(keep);
        base_ += static_cast<std::int64_t>(keep);
        pos_ = pos_ >= keep ? pos_ - keep : 0;
        const std::size_t got = buf_.ReadFrom(in_, chunk_);
        if (got < chunk_) {
            eof_ = true;
            in_.clear(in_.rdstate() & ~(std::ios::failbit | std::ios::eofbit));
        }
        Advance();
        if (got == 0) return kNoData;
        return shift;
    }
    void Advance() {
        if (size_ <= 0) return;
        const std::int64_t read = base_ + static_cast<std::int64_t>(buf_.size()) - start_;
        const int target = static_cast<int>(std::min<std::int64_t>(100, read * 100 / size_));
        while (steps_ < target) {
            progress_->Step();
            ++steps_;
        }
    }

    std::istream& in_;
    std::size_t chunk_;
    ReadBuffer buf_;
    std::size_t pos_ = 0;
    std::int64_t base_ = 0;
    std::int64_t start_ = 0;
    std::int64_t size_ = 0;
    std::int64_t fieldStart_ = 0;
    int line_ = 1;
    int fieldLine_ = 1;
    int steps_ = 0;
    bool eof_ = false;
    bool unread_ = false;
    const char* lastData_ = nullptr;
    std::size_t lastSize_ = 0;
    int lastLine_ = 1;
    std::int64_t lastStart_ = 0;
    std::optional<ProgressScope> progress_;
};

bool IsNameStart(std::string_view field) {
    if (field.empty()) return false;
    const auto c = static_cast<unsigned char>(field[0]);
    return (c < 0x80 && std::isalpha(c)) || c == '_' || cp932::IsLeadByte(c);
}

int Truncate(double v, int line, const char* what) {
    if (!std::isfinite(v) || v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        FailAt(line, std::string(what) + " が範囲外です");
    return static_cast<int>(std::trunc(v));
}

// A value that is the same at every observation: a plain number or the
// writer's forms of the values that are no finite number.
bool ReadConstant(std::string_view bytes, double& v) {
    const std::string_view t = TrimView(bytes);
    if (ReadShortDecimal(t, v) || ReadPlainDecimal(t, v)) return true;
    if (t == "NAN") v = std::numeric_limits<double>::quiet_NaN();
    else if (t == "INF") v = std::numeric_limits<double>::infinity();
    else if (t == "-INF") v = -std::numeric_limits<double>::infinity();
    else return false;
    return true;
}

// A constant directly, any other text through the evaluator (a
// TextEvaluator or the formulas of the file being read).
template <class Evaluator>
double ConstantOrFormula(std::string_view text, Evaluator& ev) {
    double v = 0.0;
    if (ReadConstant(text, v)) return v;
    return ev.Calculate(std::string(TrimView(text)));
}

// A value read once; an error names the line.
double Calc(std::string_view bytes, DataFileFormulas& ev, int line) {
    double v = 0.0;
    if (ReadShortDecimal(bytes, v) || ReadPlainDecimal(bytes, v)) return v;
    const std::string text = ToText(bytes, line);
    try {
        return ConstantOrFormula(text, ev);
    } catch (const std::exception& e) {
        FailAt(line, e.what());
    }
}

// "@[a..b]=x" or "@c=x" (the "@" already seen). lhs is the part before the
// first "=", rhs the rest.
bool SplitAssign(std::string_view item, std::string_view& lhs, std::string_view& rhs) {
    if (item.size() < 2 || item[0] != '@') return false;
    const std::size_t eq = item.find('=');
    if (eq == std::string_view::npos) return false;
    lhs = TrimView(item.substr(1, eq - 1));
    rhs = TrimView(item.substr(eq + 1));
    return true;
}

// "[a..b]" or "[b]" (1 .. b); either order. False when not bracketed.
bool ParseRange(std::string_view text, DataFileFormulas& ev, int line, int& a, int& b) {
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') return false;
    std::string_view inner = text.substr(1, text.size() - 2);
    const std::size_t dots = inner.find("..");
    if (dots == std::string_view::npos) {
        a = 1;
        b = Truncate(Calc(TrimView(inner), ev, line), line, "範囲");
    } else {
        a = Truncate(Calc(TrimView(inner.substr(0, dots)), ev, line), line, "範囲");
        b = Truncate(Calc(TrimView(inner.substr(dots + 2)), ev, line), line, "範囲");
    }
    if (a > b) std::swap(a, b);
    return true;
}

void CheckCount(std::int64_t c, int line) {
    if (c < 0) FailAt(line, "データ数が負です");
    if (c > kMaxBlockCount) FailAt(line, "データ数が大きすぎます");
}

void CheckStart(int a, int line) {
    if (a < 1) FailAt(line, "開始位置が 1 より小さい値です");
}

// One block of the block layout into v; n is the count fixed by the first
// block (0 while reading it). The formulas see the blocks read before.
void ReadBlock(FieldScanner& sc, Var& v, int n, DataFileFormulas& ev) {
    std::string_view f;
    if (!sc.Next(f)) FailAt(sc.Line(), "変数ブロックが途中で終わっています");
    const int headerLine = sc.Line();
    std::string info;
    unsigned char type = 0;
    std::string name;
    try {
        name = SplitVariableHeader(ToText(f, headerLine), info, type);
    } catch (const EReadError&) {
        throw;
    } catch (const std::exception&) {
        FailAt(headerLine, "変数の見出しは 名前/種類/説明 の形です");
    }
    if (name.empty()) FailAt(headerLine, "変数名がありません");
    v.SetName(name);
    v.SetInfo(info);
    v.SetType(type);
    bool more = sc.Next(f);
    if (more && f == "{") more = sc.Next(f);

    std::vector<double> values;
    std::vector<std::uint16_t> marks;
    auto setLength = [&](std::int64_t len, int line) {
        CheckCount(len, line);
        values.resize(static_cast<std::size_t>(len), 0.0);
    };
    // x at each observation from .. to - 1 (cut at the values there are,
    // and at n: the values past it are dropped with the block).
    auto fill = [&](std::int64_t from, std::int64_t to, std::string_view x, int line) {
        std::int64_t hi = std::min<std::int64_t>(to, static_cast<std::int64_t>(values.size()));
        if (n > 0) hi = std::min<std::int64_t>(hi, n);
        const std::int64_t lo = std::max<std::int64_t>(from, 0);
        if (lo >= hi) return;
        double constant = 0.0;
        if (ReadConstant(x, constant)) {
            std::fill(values.begin() + lo, values.begin() + hi, constant);
            return;
        }
        const std::string text = ToText(x, line);
        if (TrimView(text).empty()) FailAt(line, "式がありません");
        try {
            ev.Fill(text, static_cast<int>(lo), static_cast<int>(hi - lo), values.data() + lo);
        } catch (const std::exception& e) {
            FailAt(line, e.what());
        }
    };
    bool first = true;
    while (more && f != "}") {
        const int line = sc.Line();
        std::string_view lhs;
        std::string_view rhs;
        if (SplitAssign(f, lhs, rhs)) {
            int a = 0;
            int b = 0;
            const std::string rhsText(rhs);
            if (ParseRange(lhs, ev, line, a, b)) {
                CheckStart(a, line);
                std::int64_t len;
                if (first) {
                    len = std::max<std::int64_t>(std::int64_t{b} - a + 1, n);
                    len = std::max<std::int64_t>(len, b);
                } else {
                    const auto old = static_cast<std::int64_t>(values.size());
                    len = std::max<std::int64_t>(old, b);
                    if (n > 0 && (len == old || len > n)) len = n;
                }
                setLength(len, line);
                fill(a - 1, b, rhsText, line);
            } else {
                const double cv = Calc(lhs, ev, line);
                if (!std::isfinite(cv)) FailAt(line, "データ数が範囲外です");
                const std::int64_t c = static_cast<std::int64_t>(std::clamp(std::trunc(cv), -1.0, 1e15));
                CheckCount(c, line);
                const auto old = first ? 0 : static_cast<std::int64_t>(values.size());
                std::int64_t len = old + c;
                if (c == 0 && first) len = n > 0 ? n : 1;
                else if (n > 0 && (c == 0 || len > n)) len = n;
                setLength(len, line);
                fill(old, len, rhsText, line);
            }
        } else {
            const double x = Calc(f, ev, line);
            if (n == 0 || static_cast<int>(values.size()) < n) {
                CheckCount(static_cast<std::int64_t>(values.size()) + 1, line);
                values.push_back(x);
            }
        }
        first = false;
        more = sc.Next(f);
    }
    if (values.empty()) values.push_back(0.0);
    marks.assign(values.size(), 0);
    const auto count = static_cast<std::int64_t>(values.size());

    if (more) more = sc.Next(f);
    if (more && f == "[") {
        std::int64_t p = 0;
        more = sc.Next(f);
        while (more && f != "]") {
            const int line = sc.Line();
            std::string_view lhs;
            std::string_view rhs;
            if (SplitAssign(f, lhs, rhs)) {
                std::string maskText(rhs);
                const std::uint16_t m = ParseGroupMask(maskText);
                int a = 0;
                int b = 0;
                std::int64_t from;
                std::int64_t to;
                if (ParseRange(lhs, ev, line, a, b)) {
                    CheckStart(a, line);
                    const std::int64_t old = p;
                    p = std::max<std::int64_t>(p, b);
                    if (p == old || p > count) p = count;
                    from = a - 1;
                    to = std::min<std::int64_t>(b, count);
                } else {
                    const double cv = Calc(lhs, ev, line);
                    if (!std::isfinite(cv) || cv < 0) FailAt(line, "データ数が負です");
                    const auto c = static_cast<std::int64_t>(std::min(std::trunc(cv), 1e15));
                    from = p;
                    p += c;
                    if (c == 0 || p > count) p = count;
                    to = p;
                }
                for (std::int64_t i = std::max<std::int64_t>(from, 0); i < to; ++i) marks[static_cast<std::size_t>(i)] = m;
            } else {
                std::string maskText(f);
                const std::uint16_t m = ParseGroupMask(maskText);
                const std::int64_t at = std::min(p, count - 1);
                marks[static_cast<std::size_t>(at)] = m;
                if (at < count - 1) p = at + 1;
                else p = count - 1;
            }
            more = sc.Next(f);
        }
    } else if (more) {
        sc.Unread();
    }
    v.Resize(static_cast<int>(count), false);
    std::copy(values.begin(), values.end(), v.Data());
    for (std::int64_t i = 0; i < count; ++i)
        if (marks[static_cast<std::size_t>(i)] != 0) v.SetMark(static_cast<int>(i), marks[static_cast<std::size_t>(i)]);
}

}  // namespace

// --- values ------------------------------------------------------------------------

double ReadTextValue(std::string_view text, TextEvaluator& evaluator) { return ConstantOrFormula(text, evaluator); }

namespace {

// --- data part -----------------------------------------------------------------------

void ReadScalars(FieldScanner& sc, UserVar& bank, DataFileFormulas& ev) {
    std::string_view f;
    int i = 0;
    while (sc.Next(f) && f != "#") {
        const int line = sc.Line();
        if (i >= 10) continue;
        const std::string item = ToText(f, line);
        std::string name = std::to_string(i);
        double value = 0.0;
        try {
            if (!item.empty() && item[0] == '@') {
                const std::size_t slash = item.find('/', 1);
                name = std::string(TrimView(std::string_view(item).substr(1, slash == std::string::npos ? std::string::npos : slash - 1)));
                const std::string expr = slash == std::string::npos ? std::string() : item.substr(slash + 1);
                value = ConstantOrFormula(expr, ev);
            } else {
                value = ConstantOrFormula(item, ev);
            }
            bank.SetName(i, true, name);
        } catch (const EReadError&) {
            throw;
        } catch (const std::exception& e) {
            FailAt(line, e.what());
        }
        bank.SetValue(i, true, value);
        ++i;
    }
}

// Room for the rows a file of size bytes holds when every row takes as
// many as the first; never more than two bytes per value allow.
void ReserveRows(std::vector<std::vector<double>>& cols, std::int64_t rowBytes, std::int64_t size) {
    if (rowBytes <= 0 || size <= 0) return;
    const std::int64_t most = size / (2 * static_cast<std::int64_t>(cols.size())) + 1;
    const std::int64_t rows = std::min(most, size / rowBytes + size / rowBytes / 8 + 16);
    try {
        for (auto& c : cols) c.reserve(static_cast<std::size_t>(rows));
    } catch (const std::bad_alloc&) {
        // Only a guess: the columns grow as they are read.
    }
}

bool ReadTable(FieldScanner& sc, std::string_view f, bool more, LoadedDataFile& out, DataFileFormulas& ev,
               std::int64_t& sectionStart) {
    if (!more) FailAt(sc.Line(), "データがありません");
    const bool hasId = f == "ID" || f.empty();
    std::vector<std::string> names;
    if (!hasId) names.push_back(ToText(f, sc.Line()));
    while ((more = sc.Next(f)) && IsNameStart(f)) names.push_back(ToText(f, sc.Line()));
    if (names.empty()) FailAt(sc.Line(), "変数名がありません");
    const std::size_t k = names.size();
    std::vector<std::vector<double>> cols(k);
    bool stopped = false;
    const std::int64_t firstRow = sc.FieldStart();
    bool reserved = false;
    for (;;) {
        if (!more) break;
        if (!reserved && !cols[0].empty()) {
            ReserveRows(cols, sc.FieldStart() - firstRow, sc.Size());
            reserved = true;
        }
        if (hasId) {
            if (f.empty()) FailAt(sc.Line(), "データが不完全です（空の欄があります）");
            if (f[0] == '#') {
                stopped = true;
                break;
            }
            more = sc.Next(f);
        }
        std::size_t j = 0;
        for (; j < k; ++j) {
            if (!more) break;
            if (f.empty()) FailAt(sc.Line(), "データが不完全です（空の欄があります）");
            if (j == 0 && f[0] == '#') {
                stopped = true;
                break;
            }
            cols[j].push_back(Calc(f, ev, sc.Line()));
            more = sc.Next(f);
        }
        if (j < k) {
            // An incomplete last row is dropped.
            for (std::size_t c = 0; c < j; ++c) cols[c].pop_back();
            break;
        }
    }
    if (stopped) sectionStart = sc.FieldStart();
    const std::size_t n = cols[0].size();
    if (n == 0) FailAt(sc.Line(), "データの行がありません");
    if (n > static_cast<std::size_t>(std::numeric_limits<int>::max())) FailAt(sc.Line(), "データが多すぎます");
    out.obs = static_cast<int>(n);
    out.vars.reserve(k);
    for (std::size_t j = 0; j < k; ++j) {
        auto v = std::make_unique<Var>(names[j], names[j], cols[j].data(), out.obs);
        std::vector<double>().swap(cols[j]);
        // For the keyword sections.
        ev.AddVariable(v->GetName(), v->Data(), out.obs);
        out.vars.push_back(std::move(v));
    }
    return stopped;
}

bool ReadBlocks(FieldScanner& sc, std::string_view f, bool more, LoadedDataFile& out, DataFileFormulas& ev,
                std::int64_t& sectionStart) {
    int n = 0;
    while (more) {
        if (f != "{") break;
        auto v = std::make_unique<Var>();
        ReadBlock(sc, *v, n, ev);
        // The closing "}" of a block may be left out before the next one.
        more = sc.Next(f);
        if (more && f == "}") more = sc.Next(f);
        if (n == 0) n = v->Count();
        v->Resize(n, true);
        // The variable's values stay where they are while the blocks are read.
        ev.AddVariable(v->GetName(), v->Data(), n);
        out.vars.push_back(std::move(v));
    }
    out.obs = n;
    // The first field after the blocks begins the keyword sections, also
    // when the last block was not closed. Anything else would make the
    // section reader pass over the rest unread.
    if (more) {
        if (f.empty() || f[0] != '#') FailAt(sc.Line(), "変数ブロックの後に読めない欄「" + ToText(f, sc.Line()) + "」があります");
        sectionStart = sc.FieldStart();
        return true;
    }
    return false;
}

bool ReadDataPartFrom(FieldScanner& sc, LoadedDataFile& out, DataFileFormulas& ev, std::int64_t& sectionStart) {
    out.vars.clear();
    out.obs = 0;
    out.name.clear();
    out.info.clear();
    out.userScalars.SetDataLink({[] { return true; }, [] {}});
    std::string_view f;
    bool more = sc.Next(f);
    int mode = 0;
    if (more && f == "#mode") {
        more = sc.Next(f);
        if (more) mode = StrToIntDef(std::string(f), 0);
        more = more && sc.Next(f);
    }
    out.userScalars.Reset(true);
    if (more && f == "#var") {
        ReadScalars(sc, out.userScalars, ev);
        more = sc.Next(f);
    }
    if (mode == 0) return ReadTable(sc, f, more, out, ev, sectionStart);
    if (mode == 1) return ReadBlocks(sc, f, more, out, ev, sectionStart);
    // No layout to read the variables with: the file cannot be read.
    FailAt(sc.Line(), "#mode は 0（表）か 1（変数ブロック）です");
}

// --- keyword sections ------------------------------------------------------------------

class SectionReader {
public:
    SectionReader(std::string text, int firstLine, LoadedDataFile& out, DataFileFormulas& ev, UiServices& services)
        : text_(std::move(text)), firstLine_(firstLine), out_(out), ev_(ev), services_(services) {}

    void Run() {
        const int k = static_cast<int>(out_.vars.size());
        std::string f;
        while (Next(f)) {
            if (f == "#use") {
                int j = 0;
                while (Next(f) && f != "#") {
                    if (j < k) {
                        std::string low = f;
                        std::transform(low.begin(), low.end(), low.begin(),
                                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                        std::uint8_t role = 0;
                        if (low == "u") role = 2;
                        if (low == "d") {
                            role = 1;
                            out_.dependent = j;
                        }
                        out_.roles[static_cast<std::size_t>(j)] = role;
                    }
                    ++j;
                }
            } else if (f == "#stage") {
                while (Next(f) && f != "#") out_.twoStage = f == "tsls";
            } else if (f == "#property") {
                while (Next(f) && f != "#") Property(f);
            } else if (f == "#expres") {
                while (Next(f) && f != "#") Equation(f);
            } else if (f == "#group") {
                Groups();
            } else if (f == "#color") {
                out_.colors.Clear();
                out_.hasColors = true;
                while (Next(f) && f != "#") {
                    GridColorEntry e;
                    try {
                        e.FromText(f);
                        out_.colors.SetColors(e);
                    } catch (const std::exception& ex) {
                        ErrorBox(services_, ex.what());
                    }
                }
            } else {
                while (Next(f) && f != "#") {
                }
            }
        }
    }

private:
    bool Next(std::string& f) {
        last_ = pos_;
        return ReadNextField(text_, pos_, f);
    }
    int Line() const {
        const auto end = text_.begin() + std::clamp(last_, 0, static_cast<int>(text_.size()));
        return firstLine_ + static_cast<int>(std::count(text_.begin(), end, '\n'));
    }
    [[noreturn]] void Fail(const std::string& what) const { FailAt(Line(), what); }

    double Value(const std::string& t) {
        try {
            return ConstantOrFormula(t, ev_);
        } catch (const std::exception& e) {
            Fail(e.what());
        }
    }
    int Index(const std::string& t) {
        const double v = Value(t);
        if (!std::isfinite(v)) Fail("番号が範囲外です");
        return static_cast<int>(std::clamp(std::trunc(v), -2147483648.0, 2147483647.0));
    }
    int FindVar(const std::string& name) const {
        for (std::size_t j = 0; j < out_.vars.size(); ++j)
            if (out_.vars[j]->GetName() == name) return static_cast<int>(j);
        return -1;
    }

    void Property(std::string item) {
        if (!item.empty() && item[0] == '"') item.erase(0, 1);
        if (item.empty()) return;
        try {
            if (item[0] == '@') {
                std::string key;
                std::string value;
                ParsePropertyAssignment(item, key, value);
                if (key == "name") {
                    cp932::FromUtf8(value);
                    out_.name = value;
                } else if (key == "info") {
                    cp932::FromUtf8(value);
                    out_.info = value;
                }
                return;
            }
            // The name ends at the first "/" that a type tag and "/" follow
            // and that leaves a variable's name before it, so that a name
            // may hold "/".
            for (std::size_t p = item.find('/'); p != std::string::npos; p = item.find('/', p + 1)) {
                const int j = FindVar(std::string(TrimView(std::string_view(item).substr(0, p))));
                if (j < 0) continue;
                const std::size_t q = item.find('/', p + 1);
                const std::string tag(TrimView(std::string_view(item).substr(p + 1, q == std::string::npos ? std::string::npos : q - p - 1)));
                const std::string info = q == std::string::npos ? std::string() : std::string(TrimView(std::string_view(item).substr(q + 1)));
                Var& v = *out_.vars[static_cast<std::size_t>(j)];
                v.SetInfo(info);
                v.SetType(tag == "en" ? 1 : tag == "ex" ? 2 : tag == "lg" ? 3 : 0);
                return;
            }
        } catch (const std::exception& e) {
            Fail(e.what());
        }
    }

    void Equation(const std::string& item) {
        if (!names_) {
            names_ = std::make_unique<Data>(1, static_cast<int>(out_.vars.size()));
            for (std::size_t j = 0; j < out_.vars.size(); ++j)
                names_->SetVarName(static_cast<int>(j), out_.vars[j]->GetName());
        }
        try {
            out_.equations.Add(EquationFromText(item, *names_));
        } catch (const std::exception& e) {
            Fail(e.what());
        }
    }

    void Members(int j, std::uint16_t bit) {
        const int n = out_.obs;
        std::string f;
        auto mark = [&](long long a, long long b) {
            if (j < 0) return;
            Var& v = *out_.vars[static_cast<std::size_t>(j)];
            for (long long i = std::max(a, 1LL); i <= std::min<long long>(b, n); ++i)
                v.SetMark(static_cast<int>(i - 1), static_cast<std::uint16_t>(v.GetMark(static_cast<int>(i - 1)) | bit));
        };
        while (Next(f) && f != "]") {
            if (f == "#" || f == "}") {
                pos_ = last_;
                return;
            }
            if (f == "all") {
                mark(1, n);
            } else if (f.size() > 1 && f[0] == '@' && f[1] == '[') {
                const std::size_t close = f.find(']');
                std::string inner = f.substr(2, close == std::string::npos ? std::string::npos : close - 2);
                const std::size_t dots = inner.find("..");
                long long a = 1;
                long long b = 0;
                if (dots == std::string::npos) {
                    b = Index(inner);
                } else {
                    a = Index(inner.substr(0, dots));
                    b = Index(inner.substr(dots + 2));
                }
                if (a > b) std::swap(a, b);
                mark(a, b);
            } else if (f.size() > 1 && f[0] == '@') {
                const std::size_t dash = f.find('-', 2);
                long long a = Index(f.substr(1, dash == std::string::npos ? std::string::npos : dash - 1));
                long long b = dash == std::string::npos ? a : Index(f.substr(dash + 1));
                if (a > b) std::swap(a, b);
                mark(a, b);
            } else {
                const long long i = Index(f);
                if (i >= 1 && i <= n) mark(i, i);
            }
        }
    }

    void Groups() {
        const int k = static_cast<int>(out_.vars.size());
        std::string f;
        while (Next(f) && f != "#") {
            if (f != "{") continue;
            if (!Next(f)) return;
            double gv = 1.0;
            try {
                gv = ev_.Evaluate(f, 1.0);
            } catch (const std::exception& e) {
                Fail(e.what());
            }
            if (!std::isfinite(gv)) Fail("グループ番号が範囲外です");
            const auto g = static_cast<std::uint16_t>(static_cast<long long>(std::clamp(std::trunc(gv), -1e15, 1e15)) & 0xFFFF);
            if (!Next(f)) return;
            if (f != "null") {
                // A quoted name (one holding "," or named "null") drops
                // the quote the field keeps.
                if (!f.empty() && f[0] == '"') f.erase(0, 1);
                try {
                    out_.groupNames.SetName(f, g);
                } catch (const std::exception& e) {
                    Fail(e.what());
                }
            }
            const std::uint16_t bit = GroupBit(g);
            while (Next(f) && f != "}") {
                if (f == "#") {
                    pos_ = last_;
                    return;
                }
                int j = -1;
                if (f[0] == '@') {
                    const int idx = Index(f.substr(1));
                    j = idx >= 0 && idx < k ? idx : -1;
                } else {
                    j = FindVar(f);
                }
                if (!Next(f)) return;
                if (f != "[") continue;
                Members(j, bit);
            }
        }
    }

    std::string text_;
    int firstLine_;
    int pos_ = 0;
    int last_ = 0;
    LoadedDataFile& out_;
    DataFileFormulas& ev_;
    UiServices& services_;
    std::unique_ptr<Data> names_;
};

}  // namespace

bool ReadTextDataPart(std::istream& in, LoadedDataFile& out, TextEvaluator& evaluator, UiServices& services,
                      std::int64_t& sectionStart, std::size_t readChunk) {
    FieldScanner sc(in, services, readChunk);
    sectionStart = -1;
    const std::unique_ptr<DataFileFormulas> formulas = evaluator.OpenFileFormulas();
    return ReadDataPartFrom(sc, out, *formulas, sectionStart);
}

void ReadTextDataFile(std::istream& in, LoadedDataFile& out, TextEvaluator& evaluator, UiServices& services,
                      std::size_t readChunk) {
    FieldScanner sc(in, services, readChunk);
    std::int64_t sectionStart = -1;
    // The values of the sections see every variable of the file.
    const std::unique_ptr<DataFileFormulas> formulas = evaluator.OpenFileFormulas();
    const bool sections = ReadDataPartFrom(sc, out, *formulas, sectionStart);
    const int k = static_cast<int>(out.vars.size());
    if (k < 1) throw EReadError("データファイルに変数がありません。");
    if (!sections) {
        out.dependent = -1;
        return;
    }
    out.roles.assign(static_cast<std::size_t>(k), 0);
    out.dependent = k - 1;
    out.twoStage = false;
    const int line = sc.Line();
    std::string rest = sc.Rest(sectionStart);
    if (const std::size_t nul = rest.find('\0'); nul != std::string::npos)
        FailAtNul(line + static_cast<int>(std::count(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(nul), '\n')));
    if (static_cast<std::int64_t>(rest.size()) < kMinSectionBytes) return;
    if (rest.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) FailAt(line, "ファイルが大きすぎます");
    SectionReader reader(ToText(rest, line), line, out, *formulas, services);
    reader.Run();
}

// --- writing ---------------------------------------------------------------------------

namespace {

class TextSink {
public:
    explicit TextSink(std::ostream& out) : out_(out) { buf_.reserve(kChunk + 4096); }
    std::string& Buffer() { return buf_; }
    void Text(const std::string& utf8) { buf_ += cp932::FromUtf8(utf8); }
    void Raw(std::string_view s) { buf_.append(s); }
    void Int(long long i) {
        char b[24];
        const auto r = std::to_chars(b, b + sizeof b, i);
        buf_.append(b, r.ptr);
    }
    void Maybe() {
        if (buf_.size() >= kChunk) Flush();
    }
    void Flush() {
        out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
        if (!out_) throw EWriteError("ファイルの書き込みに失敗しました。");
        buf_.clear();
    }

private:
    std::ostream& out_;
    std::string buf_;
};

void WriteRuns(TextSink& s, const Var& v, std::uint16_t bit, int n) {
    const auto& marks = v.Marks();
    int i = 0;
    while (i < n) {
        if ((marks[static_cast<std::size_t>(i)] & bit) == 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < n && (marks[static_cast<std::size_t>(j + 1)] & bit) != 0) ++j;
        if (i == 0 && j == n - 1 && n >= 2) {
            s.Raw("all,");
        } else if (i == j) {
            s.Int(i + 1);
            s.Raw(",");
        } else {
            s.Raw("@");
            s.Int(i + 1);
            s.Raw("-");
            s.Int(j + 1);
            s.Raw(",");
        }
        i = j + 1;
    }
}

}  // namespace

namespace {

// "#use" and "#stage": the stored model.
void WriteModelSections(TextSink& s, const DataFileImage& image, int k) {
    s.Raw("#use,");
    for (int j = 0; j < k; ++j) {
        const auto sj = static_cast<std::size_t>(j);
        if (j == image.dependent) s.Raw("d,");
        else if (sj < image.roles.size() && image.roles[sj] == 2) s.Raw("u,");
        else s.Raw("n,");
    }
    s.Raw("#\r\n");
    s.Raw(image.twoStage ? "#stage,tsls,#\r\n" : "#stage,ols,#\r\n");

}

// The section texts, each checked to read back as written before the
// first byte goes out.
struct SectionTexts {
    std::vector<std::string> properties;
    std::string name;
    std::string info;
    std::string groupNames[17];
    std::vector<std::string> equations;
    std::uint16_t groupsPresent = 0;
};

SectionTexts PrepareSectionTexts(const DataFileImage& image, int n, int k) {
    const Data& data = image.data;
    SectionTexts t;
    CheckUserScalarNames(image.userScalars);
    for (int j = 0; j < k; ++j) t.properties.push_back(VariablePropertyItem(data, j));
    if (!data.GetName().empty()) t.name = DataSetTextItem("name", data.GetName());
    if (!data.GetInfo().empty()) t.info = DataSetTextItem("info", data.GetInfo());
    // The groups present, in one pass over the marks.
    for (int j = 0; j < k && t.groupsPresent != 0xFFFF; ++j) {
        const auto& marks = data.GetVar(j).Marks();
        for (int i = 0; i < n && i < static_cast<int>(marks.size()); ++i)
            t.groupsPresent |= marks[static_cast<std::size_t>(i)];
    }
    for (int g = 1; g <= 16; ++g)
        if ((t.groupsPresent & GroupBit(g)) != 0) t.groupNames[g] = GroupNameItem(image.groupNames.GetName(g), g);
    for (int i = 0; i < image.equations.GetCount(); ++i)
        t.equations.push_back(EquationItem(image.equations.GetItem(i), data));
    return t;
}

// "#property": every variable's name, tag and info, then the data set's.
void WritePropertySection(TextSink& s, const SectionTexts& t) {
    s.Raw("#property,");
    for (const std::string& item : t.properties) {
        s.Text(item);
        s.Raw(",");
    }
    for (const std::string* item : {&t.name, &t.info}) {
        if (item->empty()) continue;
        s.Text(*item);
        s.Raw(",");
    }
    s.Raw("#\r\n");
}

// "#group": per group its name and the runs of each variable's members.
void WriteGroupSection(TextSink& s, const DataFileImage& image, const SectionTexts& t, int n, int k) {
    const Data& data = image.data;
    s.Raw("#group\r\n");
    for (int g = 1; g <= 16; ++g) {
        if ((t.groupsPresent & GroupBit(g)) == 0) continue;
        const std::uint16_t bit = GroupBit(g);
        s.Raw("{,");
        s.Int(g);
        s.Raw(",");
        s.Text(t.groupNames[g]);
        s.Raw("\r\n");
        for (int j = 0; j < k; ++j) {
            const Var& v = data.GetVar(j);
            const auto& marks = v.Marks();
            if (std::none_of(marks.begin(), marks.begin() + n, [bit](std::uint16_t m) { return (m & bit) != 0; })) continue;
            s.Text(v.GetName());
            s.Raw(",[,");
            WriteRuns(s, v, bit, n);
            s.Raw("]\r\n");
            s.Maybe();
        }
        s.Raw("}\r\n");
    }
    s.Raw("#\r\n");
}

// "#expres" and "#color", when there is anything to write.
void WriteEquationsAndColors(TextSink& s, const DataFileImage& image, const SectionTexts& t) {
    if (!t.equations.empty()) {
        s.Raw("#expres\r\n");
        for (const std::string& text : t.equations) {
            s.Text(text);
            s.Raw("\r\n");
        }
        s.Raw("#\r\n");
    }
    if (image.colors != nullptr && image.colors->Count() > 0) {
        s.Raw("#color,");
        for (const GridColorEntry& e : image.colors->Entries()) {
            s.Text(e.ToText());
            s.Raw(",");
        }
        s.Raw("#\r\n");
    }
}

}  // namespace

void WriteTextDataFile(const DataFileImage& image, std::ostream& out, UiServices& services) {
    const Data& data = image.data;
    const int n = data.GetObsCount();
    const int k = data.GetVarCount();
    // Before the first byte: a name the header cannot hold stops the saving.
    std::vector<std::string> names(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) names[static_cast<std::size_t>(j)] = data.GetVarName(j);
    CheckTextTableNames(names);
    const SectionTexts sections = PrepareSectionTexts(image, n, k);
    ProgressScope progress(services, "データの書き込み中・・・", n + 2);
    TextSink s(out);

    s.Raw("#var,");
    s.Text(image.userScalars.DataBankTextItems());
    s.Raw("#\r\n");
    progress.Step();

    s.Raw("ID");
    for (int j = 0; j < k; ++j) {
        s.Raw(",");
        s.Text(data.GetVarName(j));
    }
    s.Raw("\r\n");
    progress.Step();

    std::vector<const double*> cols(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) cols[static_cast<std::size_t>(j)] = data.GetVar(j).Data();
    std::string& b = s.Buffer();
    // Room for a row: its number, per value a "," and the longest text, and
    // the scratch room of the last value.
    const std::size_t rowBytes =
        16 + static_cast<std::size_t>(k) * (kGeneralFloatMaxBytes + 1) + static_cast<std::size_t>(kGeneralFloatRoom);
    for (int i = 0; i < n; ++i) {
        const std::size_t used = b.size();
        b.resize(used + rowBytes);
        char* p = b.data() + used;
        p = std::to_chars(p, p + 12, i + 1).ptr;
        for (int j = 0; j < k; ++j) {
            *p++ = ',';
            p = WriteGeneralFloat(p, cols[static_cast<std::size_t>(j)][i]);
        }
        *p++ = '\r';
        *p++ = '\n';
        b.resize(static_cast<std::size_t>(p - b.data()));
        s.Maybe();
        progress.Step();
    }

    WriteModelSections(s, image, k);
    WritePropertySection(s, sections);
    WriteGroupSection(s, image, sections, n, k);
    WriteEquationsAndColors(s, image, sections);
    s.Flush();
}
