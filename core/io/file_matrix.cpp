#include "core/io/file_matrix.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "core/settings/engine_context.h"
#include "core/numeric/statistics.h"
#include "platform/errors.h"

namespace {

// Rows are read and written in blocks of about this many bytes, so that a
// sequential pass does not make one system call per element.
constexpr std::size_t kBlockBytes = 64 * 1024;

// A leftover file of an earlier run may hold the next name; the following
// names are tried, a bounded number of times.
constexpr int kNameAttempts = 1000;

static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559);

// The file is little-endian whatever the machine.
inline void EncodeDouble(double v, unsigned char* p) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    for (int b = 0; b < 8; ++b) p[b] = static_cast<unsigned char>((bits >> (8 * b)) & 0xFF);
}

inline double DecodeDouble(const unsigned char* p) {
    std::uint64_t bits = 0;
    for (int b = 7; b >= 0; --b) bits = (bits << 8) | p[b];
    double v = 0;
    std::memcpy(&v, &bits, 8);
    return v;
}

// A buffer that cannot be allocated abandons the operation with
// EOutOfMemory, as nothing can go on without it; the command reports it.
template <class T>
std::vector<T> AllocateBuffer(std::size_t n) {
    try {
        return std::vector<T>(n);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

[[noreturn]] void ThrowRange() { throw ERangeError("ファイル行列の添字が範囲外です。"); }

}  // namespace

TFileMatrix::TempFileHandle::~TempFileHandle() {
    if (fd >= 0) ::close(fd);
    if (!name.empty()) ::unlink(name.c_str());
}

void TFileMatrix::CreateFile() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = context_->MakeTempFileName();
        // Exclusive creation: a predictable name in a shared folder must
        // never open (and truncate) someone else's file or a planted link.
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            file_.fd = fd;
            file_.name = name;
            return;
        }
        if (errno != EEXIST) throw EFOpenError("一時ファイル " + name + " を作成できません: " + std::strerror(errno));
    }
    throw EFOpenError("一時ファイルを作成できません。");
}

TFileMatrix::TFileMatrix(EngineContext& context, int rows, int cols, double defaultValue)
    : context_(&context), rows_(rows), cols_(cols), defaultValue_(defaultValue) {
    if (rows < 0 || cols < 0) ThrowRange();
    // The byte size must be addressable as a file offset.
    if (cols > 0 && static_cast<std::int64_t>(rows) > std::numeric_limits<std::int64_t>::max() / 8 / cols)
        ThrowRange();
    CreateFile();
    std::int64_t total = static_cast<std::int64_t>(rows) * cols * 8;
    if (std::bit_cast<std::uint64_t>(defaultValue) == 0) {
        // Zero bytes are +0.0: the file is sized, not written.
        if (total > 0 && ::ftruncate(file_.fd, static_cast<off_t>(total)) != 0)
            throw EWriteError("一時ファイル " + file_.name + " に書き込めません。");
        return;
    }
    std::size_t blockBytes = static_cast<std::size_t>(std::min<std::int64_t>(total, kBlockBytes));
    std::vector<unsigned char> block = AllocateBuffer<unsigned char>(blockBytes);
    for (std::size_t p = 0; p + 8 <= blockBytes; p += 8) EncodeDouble(defaultValue, block.data() + p);
    for (std::int64_t done = 0; done < total;) {
        auto n = static_cast<std::size_t>(std::min<std::int64_t>(total - done, static_cast<std::int64_t>(blockBytes)));
        WriteAt(done, block.data(), n);
        done += static_cast<std::int64_t>(n);
    }
}

TFileMatrix::TFileMatrix(const TFileMatrix& other)
    : context_(other.context_), rows_(other.rows_), cols_(other.cols_), defaultValue_(other.defaultValue_) {
    CreateFile();
    std::int64_t total = static_cast<std::int64_t>(rows_) * cols_ * 8;
    std::size_t blockBytes = static_cast<std::size_t>(std::min<std::int64_t>(total, kBlockBytes));
    std::vector<unsigned char> block = AllocateBuffer<unsigned char>(blockBytes);
    for (std::int64_t done = 0; done < total;) {
        auto n = static_cast<std::size_t>(std::min<std::int64_t>(total - done, static_cast<std::int64_t>(blockBytes)));
        other.ReadAt(done, block.data(), n);
        WriteAt(done, block.data(), n);
        done += static_cast<std::int64_t>(n);
    }
}

TFileMatrix::~TFileMatrix() = default;

std::int64_t TFileMatrix::Offset(int i, int j) const {
    return (static_cast<std::int64_t>(i) * cols_ + j) * 8;
}

void TFileMatrix::CheckRow(int i) const {
    if (i < 0 || i >= rows_) ThrowRange();
}

void TFileMatrix::CheckCol(int j) const {
    if (j < 0 || j >= cols_) ThrowRange();
}

void TFileMatrix::ReadAt(std::int64_t offset, void* buf, std::size_t n) const {
    auto* p = static_cast<unsigned char*>(buf);
    while (n > 0) {
        ssize_t got = ::pread(file_.fd, p, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw EReadError("一時ファイル " + file_.name + " を読み込めません。");
        p += got;
        n -= static_cast<std::size_t>(got);
        offset += got;
    }
}

void TFileMatrix::WriteAt(std::int64_t offset, const void* buf, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(buf);
    while (n > 0) {
        ssize_t put = ::pwrite(file_.fd, p, n, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw EWriteError("一時ファイル " + file_.name + " に書き込めません。");
        p += put;
        n -= static_cast<std::size_t>(put);
        offset += put;
    }
}

void TFileMatrix::ReadDoubles(std::int64_t offset, double* out, std::size_t n) const {
    // The file's bytes are the memory's bytes on a little-endian machine.
    ReadAt(offset, out, n * 8);
    if constexpr (std::endian::native != std::endian::little) {
        for (std::size_t e = 0; e < n; ++e) {
            unsigned char b[8];
            std::memcpy(b, out + e, 8);
            out[e] = DecodeDouble(b);
        }
    }
}

void TFileMatrix::WriteDoubles(std::int64_t offset, const double* values, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        WriteAt(offset, values, n * 8);
    } else {
        // Converted through a bounded buffer, one block at a time.
        unsigned char block[4096];
        for (std::size_t done = 0; done < n;) {
            std::size_t m = std::min(n - done, sizeof block / 8);
            for (std::size_t e = 0; e < m; ++e) EncodeDouble(values[done + e], block + 8 * e);
            WriteAt(offset + static_cast<std::int64_t>(done) * 8, block, m * 8);
            done += m;
        }
    }
}

void TFileMatrix::ReadSpan(int i, int j, int count, double* out) const {
    if (count < 0) ThrowRange();
    // The columns [lo, hi) of the span lie inside the row; the rest, if any,
    // is the default.
    const std::int64_t first = j;
    const std::int64_t end = first + count;
    const std::int64_t lo = std::max<std::int64_t>(first, 0);
    const std::int64_t hi = std::min<std::int64_t>(end, cols_);
    if (i < 0 || i >= rows_ || lo >= hi) {
        std::fill_n(out, count, defaultValue_);
        return;
    }
    std::fill(out, out + (lo - first), defaultValue_);
    std::fill(out + (hi - first), out + count, defaultValue_);
    ReadDoubles(Offset(i, static_cast<int>(lo)), out + (lo - first), static_cast<std::size_t>(hi - lo));
}

void TFileMatrix::WriteSpan(int i, int j, int count, const double* values) {
    CheckRow(i);
    // Checked as a whole before anything is written: a span past the row's
    // end would land on the next row.
    if (count < 0 || j < 0 || j > cols_ || count > cols_ - j) ThrowRange();
    if (count == 0) return;
    WriteDoubles(Offset(i, j), values, static_cast<std::size_t>(count));
}

void TFileMatrix::SetValue(int i, int j, double v) {
    CheckRow(i);
    CheckCol(j);
    unsigned char b[8];
    EncodeDouble(v, b);
    WriteAt(Offset(i, j), b, 8);
}

double TFileMatrix::GetValue(int i, int j) const {
    if (i < 0 || j < 0 || i >= rows_ || j >= cols_) return defaultValue_;
    unsigned char b[8];
    ReadAt(Offset(i, j), b, 8);
    return DecodeDouble(b);
}

void TFileMatrix::ReadRow(int i, double* buf) const {
    CheckRow(i);
    ReadDoubles(Offset(i, 0), buf, static_cast<std::size_t>(cols_));
}

void TFileMatrix::WriteRow(int i, const double* buf) {
    CheckRow(i);
    WriteDoubles(Offset(i, 0), buf, static_cast<std::size_t>(cols_));
}

void TFileMatrix::ReadRows(int first, int count, double* buf) const {
    if (first < 0 || count < 0 || first > rows_ || count > rows_ - first) ThrowRange();
    if (count == 0 || cols_ == 0) return;
    ReadDoubles(Offset(first, 0), buf, static_cast<std::size_t>(count) * static_cast<std::size_t>(cols_));
}

void TFileMatrix::WriteRows(int first, int count, const double* buf) {
    if (first < 0 || count < 0 || first > rows_ || count > rows_ - first) ThrowRange();
    if (count == 0 || cols_ == 0) return;
    WriteDoubles(Offset(first, 0), buf, static_cast<std::size_t>(count) * static_cast<std::size_t>(cols_));
}

double TFileMatrix::RowProduct(int i, int k) const {
    CheckRow(i);
    CheckRow(k);
    auto a = AllocateBuffer<double>(static_cast<std::size_t>(cols_));
    ReadRow(i, a.data());
    long double sum = 0;
    if (i == k) {
        for (double x : a) sum += static_cast<long double>(x) * x;
    } else {
        auto b = AllocateBuffer<double>(static_cast<std::size_t>(cols_));
        ReadRow(k, b.data());
        for (std::size_t c = 0; c < a.size(); ++c) sum += static_cast<long double>(a[c]) * b[c];
    }
    return static_cast<double>(sum);
}

template <class F>
void TFileMatrix::ForEachRowBlock(F&& f) const {
    if (rows_ == 0 || cols_ == 0) return;
    std::size_t rowBytes = static_cast<std::size_t>(cols_) * 8;
    int blockRows = static_cast<int>(std::max<std::size_t>(1, std::min<std::size_t>(kBlockBytes / rowBytes, rows_)));
    auto values = AllocateBuffer<double>(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(blockRows));
    for (int first = 0; first < rows_; first += blockRows) {
        int n = std::min(blockRows, rows_ - first);
        std::size_t count = static_cast<std::size_t>(n) * static_cast<std::size_t>(cols_);
        ReadDoubles(Offset(first, 0), values.data(), count);
        f(first, n, values.data());
    }
}

void TFileMatrix::ReadColumn(int j, double* out) const {
    CheckCol(j);
    ForEachRowBlock([&](int first, int n, const double* v) {
        for (int r = 0; r < n; ++r) out[first + r] = v[static_cast<std::size_t>(r) * cols_ + j];
    });
}

void TFileMatrix::ReadColumns(int j1, double* out1, int j2, double* out2) const {
    CheckCol(j1);
    CheckCol(j2);
    ForEachRowBlock([&](int first, int n, const double* v) {
        for (int r = 0; r < n; ++r) {
            const double* row = v + static_cast<std::size_t>(r) * cols_;
            out1[first + r] = row[j1];
            out2[first + r] = row[j2];
        }
    });
}

void TFileMatrix::ReadColumnPair(int j1, double* out1, int j2, double* out2, const TFileMatrix& other) const {
    ReadColumn(j1, out1);
    for (int i = 0; i < rows_; ++i) out2[i] = other.GetValue(i, j2);
}

void TFileMatrix::CopyColumnFrom(int j, const TFileMatrix& other, int k) {
    CheckCol(j);
    for (int i = 0; i < rows_; ++i) SetValue(i, j, other.GetValue(i, k));
}

namespace {

// The moment method over rows read from the file: the sampled rows, read
// one by one, give the shift, then the rows are read and summed a chunk at
// a time, on the context's threads (positioned reads need no lock).
// pick(values, r, out) writes the k values of row r of a block of whole
// rows; with leading set they are the first k of each row. The result
// lands in the top-left (k+1) x (k+1) of m, the rest zero.
template <class Pick>
void StreamMoments(const TFileMatrix& file, int k, bool leading, Pick pick, LongMatrix& moments) {
    const long long rows = file.Rows();
    const int cols = file.Cols();
    const long long count = MomentSampleCount(rows);
    const std::size_t width = static_cast<std::size_t>(std::max(k, 1));
    std::vector<double> sample(static_cast<std::size_t>(count) * width), shift(static_cast<std::size_t>(k));
    std::vector<double> row(static_cast<std::size_t>(std::max(cols, 1)));
    for (long long t = 0; t < count; ++t) {
        file.ReadRow(static_cast<int>(MomentSampleRow(t, rows)), row.data());
        pick(row.data(), 0, sample.data() + t * width);
    }
    MomentShiftFromSample(sample.data(), count, static_cast<long long>(width), k, shift.data());
    const auto read = [&](long long first, long long n, double* out) {
        if (k == 0) return;
        if (leading && k == cols) {
            file.ReadRows(static_cast<int>(first), static_cast<int>(n), out);
            return;
        }
        std::vector<double> whole(static_cast<std::size_t>(n) * cols);
        file.ReadRows(static_cast<int>(first), static_cast<int>(n), whole.data());
        for (long long r = 0; r < n; ++r) pick(whole.data(), static_cast<int>(r), out + r * k);
    };
    BuildMomentsFromChunks(rows, k, shift.data(), read, moments, file.Context().Pool());
}

template <class Pick>
void StreamMoments(const TFileMatrix& file, int k, bool leading, Pick pick, Matrix& m) {
    LongMatrix moments;
    StreamMoments(file, k, leading, pick, moments);
    ZeroVector(m);
    for (int i = 0; i <= k; ++i)
        for (int j = 0; j <= k; ++j) m[i][j] = static_cast<double>(moments[i][j]);
}

}  // namespace

void TFileMatrix::ComputeMoments(LongMatrix& m) const {
    StreamMoments(
        *this, cols_, true,
        [&](const double* v, int r, double* out) { std::copy_n(v + static_cast<std::size_t>(r) * cols_, cols_, out); }, m);
}

void TFileMatrix::ComputeMoments(Matrix& m) const {
    int k = std::min(m.Cols() - 1, cols_);
    if (k < 0 || m.Rows() < k + 1) ThrowRange();
    StreamMoments(
        *this, k, true,
        [&](const double* v, int r, double* out) { std::copy_n(v + static_cast<std::size_t>(r) * cols_, k, out); }, m);
}

TNamedData::TNamedData(EngineContext& context, int rows, int cols)
    : TFileMatrix(context, rows, cols, 0.0),
      names_(static_cast<std::size_t>(cols)),
      flags_(static_cast<std::size_t>(cols), 1),
      selectedCount_(cols) {}

void TNamedData::SetColumnName(int j, const std::string& name) {
    if (j < 0 || j >= Cols()) ThrowRange();
    std::string& current = names_[static_cast<std::size_t>(j)];
    if (current != name) current = name;
}

const std::string& TNamedData::GetColumnName(int j) const {
    if (j < 0 || j >= Cols()) ThrowRange();
    return names_[static_cast<std::size_t>(j)];
}

int TNamedData::FindColumn(const std::string& name) const {
    for (std::size_t j = 0; j < names_.size(); ++j)
        if (names_[j] == name) return static_cast<int>(j);
    return -1;
}

void TNamedData::SetSelected(int j, std::uint8_t flag) {
    if (j < 0 || j >= Cols()) ThrowRange();
    std::uint8_t& stored = flags_[static_cast<std::size_t>(j)];
    // Only a change of selected/unselected moves the count, so that a
    // second non-zero flag does not count the column twice.
    bool was = stored != 0;
    bool now = flag != 0;
    stored = flag;
    if (was != now) selectedCount_ += now ? 1 : -1;
}

std::uint8_t TNamedData::IsSelected(int j) const {
    if (j < 0 || j >= Cols()) ThrowRange();
    return flags_[static_cast<std::size_t>(j)];
}

void TNamedData::ComputeMoments(bool selectedOnly, Matrix& m) const {
    int k = selectedOnly ? selectedCount_ : Cols();
    if (m.Cols() - 1 < k || m.Rows() - 1 < k) m.Resize(k + 1, k + 1, false);
    const int cols = Cols();
    StreamMoments(
        *this, k, k == cols,
        [&](const double* v, int r, double* out) {
            const double* row = v + static_cast<std::size_t>(r) * cols;
            for (int c = 0; c < cols; ++c)
                if (!selectedOnly || flags_[static_cast<std::size_t>(c)] != 0) *out++ = row[c];
        },
        m);
}
