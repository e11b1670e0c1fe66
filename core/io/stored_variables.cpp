// Reading and writing single variables of a binary data file in place.
#include "core/io/stored_variables.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <unistd.h>

#include "core/io/data_file.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace fs = std::filesystem;

namespace {

const char* const kContext = "外部データファイルの読み込み";
constexpr std::int64_t kObservationBytes = 10;  // double value + u16 group word
constexpr std::int64_t kBlockObservations = 65536;

[[noreturn]] void Fail(const std::string& what) { throw EReadError(std::string(kContext) + ": " + what); }

std::ifstream OpenForReading(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFOpenError("ファイルを開けません: " + fileName);
    return in;
}

void CheckRange(int start, int count, const void* buffer) {
    if (start < 0 || count < 0) throw ERangeError("範囲外の指定です (開始 " + std::to_string(start) + ", 個数 " +
                                                   std::to_string(count) + ")");
    if (count > 0 && buffer == nullptr) throw ERangeError("値の配列がありません。");
}

// The image of an open file: its size and name directory.
class StoredFile {
public:
    explicit StoredFile(std::istream& in) : in_(in) {
        size_ = StreamBytesLeft(in);
        if (size_ < 0) Fail("ファイルの大きさが分かりません");
        ReadDataDirectory(in, keys_, observations_);
    }

    const std::vector<VarHash>& Keys() const { return keys_; }

    // A reader over the bytes from offset to the end of the file.
    BinaryReader At(std::int64_t offset) {
        if (offset < 0 || offset > size_) Fail("ファイルの範囲外を指しています (" + std::to_string(offset) + ")");
        in_.clear();
        in_.seekg(offset);
        if (!in_) Fail("ファイルの位置を移せません");
        return BinaryReader(in_, size_ - offset, kContext);
    }

private:
    std::istream& in_;
    std::int64_t size_ = 0;
    std::vector<VarHash> keys_;
    int observations_ = 0;
};

// Where the values of a stored variable lie.
struct StoredValues {
    std::int64_t record = 0;  // file offset of the record
    std::int64_t first = 0;   // file offset of observation 0
    int count = 0;
};

// The stored variable of exactly that name (CP932 bytes), if any.
bool FindVariable(StoredFile& file, const std::string& nameBytes, StoredValues& found) {
    if (nameBytes.empty()) return false;
    VarHash wanted;
    wanted.first = static_cast<std::uint8_t>(nameBytes[0]);
    wanted.length = static_cast<std::uint8_t>(nameBytes.size() & 0xFF);
    unsigned sum = 0;
    for (const char c : nameBytes) sum += static_cast<unsigned>(static_cast<int>(static_cast<signed char>(c)));
    wanted.sum = static_cast<std::uint16_t>(sum & 0xFFFF);

    std::string stored;
    for (const VarHash& key : file.Keys()) {
        if (!key.Equals(wanted)) continue;
        const std::int64_t offset = key.offset;
        BinaryReader r = file.At(offset);
        const std::int32_t nameLength = r.ReadInt32();
        if (nameLength < 0 || nameLength > r.Remaining()) Fail("変数名の長さが不正です");
        // A name of another length cannot be equal: it is not read.
        if (static_cast<std::size_t>(nameLength) != nameBytes.size()) continue;
        stored.resize(nameBytes.size());
        r.ReadBytes(stored.data(), stored.size());
        if (stored != nameBytes) continue;
        const std::int32_t infoLength = r.ReadInt32();
        if (infoLength < 0 || infoLength > r.Remaining()) Fail("変数のコメントの長さが不正です");
        r.Skip(infoLength);
        r.ReadByte();  // type
        const std::int32_t count = r.ReadInt32();
        if (count < 0) Fail("変数のデータ数が不正です (" + std::to_string(count) + ")");
        if (count > r.Remaining() / kObservationBytes) Fail("変数の途中でファイルが終わっています");
        found.count = count;
        found.record = offset;
        found.first = offset + (4 + nameLength) + (4 + infoLength) + 1 + 4;
        return true;
    }
    return false;
}

// The CP932 bytes of a wanted name; a name CP932 cannot hold is stored
// nowhere, so it gives the empty text (no variable).
std::string NameBytes(const std::string& name) {
    try {
        return cp932::FromUtf8(name);
    } catch (const EConvertError&) {
        return {};
    }
}

double DoubleAt(const char* p) {
    std::uint64_t bits = 0;
    for (int b = 7; b >= 0; --b) bits = (bits << 8) | static_cast<unsigned char>(p[b]);
    return std::bit_cast<double>(bits);
}

void PutDouble(char* p, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int b = 0; b < 8; ++b) p[b] = static_cast<char>((bits >> (8 * b)) & 0xFF);
}

// Beside the target, so that moving it into place is a rename within one
// file system; the process id keeps two programs apart.
std::string TempNameBeside(const std::string& target) {
    return target + ".~" + std::to_string(static_cast<long>(::getpid())) + ".TMP";
}

void RemoveQuietly(const std::string& name) {
    std::error_code ec;
    fs::remove(name, ec);
}

}  // namespace

int ReadDataDirectory(std::istream& in, std::vector<VarHash>& keys, int& observations) {
    keys.clear();
    char magic[sizeof kDataFileMagic] = {};
    in.read(magic, sizeof magic);
    if (in.gcount() != static_cast<std::streamsize>(sizeof magic) ||
        std::memcmp(magic, kDataFileMagic, sizeof magic) != 0)
        return 0;
    BinaryReader r(in, -1, kContext);
    r.ReadInt32();  // end of the data part
    const std::int32_t nameLength = r.ReadInt32();
    if (nameLength < 0 || nameLength > r.Remaining()) Fail("データ名の長さが不正です");
    r.Skip(nameLength);
    const std::int32_t n = r.ReadInt32();
    if (n < 0) Fail("データ組数が不正です (" + std::to_string(n) + ")");
    const std::int32_t k = r.ReadInt32();
    if (k < 0) Fail("変数の数が不正です (" + std::to_string(k) + ")");
    if (k > r.Remaining() / 8) Fail("変数の数がファイルの大きさを超えています (" + std::to_string(k) + ")");
    std::vector<VarHash> read(static_cast<std::size_t>(k));
    for (VarHash& key : read) {
        key.first = r.ReadByte();
        key.length = r.ReadByte();
        key.sum = r.ReadUInt16();
        key.offset = r.ReadUInt32();
    }
    keys = std::move(read);
    observations = n;
    return k;
}

int ReadVariableNames(const std::string& fileName, std::vector<std::string>& names) {
    std::ifstream in = OpenForReading(fileName);
    StoredFile file(in);
    std::vector<std::string> read;
    read.reserve(file.Keys().size());
    for (const VarHash& key : file.Keys()) read.push_back(file.At(key.offset).ReadText(Var::kMaxTextBytes));
    names = std::move(read);
    return static_cast<int>(names.size());
}

bool ReadVariableFromFile(const std::string& fileName, const std::string& name, Var& target) {
    try {
        std::ifstream in = OpenForReading(fileName);
        StoredFile file(in);
        StoredValues where;
        if (!FindVariable(file, NameBytes(name), where)) return false;
        BinaryReader r = file.At(where.record);
        const std::string storedName = r.ReadText(Var::kMaxTextBytes);
        const std::string info = r.ReadText(Var::kMaxTextBytes);
        const std::uint8_t type = r.ReadByte();
        const std::int32_t count = r.ReadInt32();
        if (count != where.count) Fail("変数の記録が読み直すと異なります");
        std::vector<double> values(static_cast<std::size_t>(count));
        std::vector<std::uint16_t> marks(static_cast<std::size_t>(count));
        std::vector<char> block;
        for (std::int64_t i = 0; i < count;) {
            const std::int64_t m = std::min<std::int64_t>(kBlockObservations, count - i);
            block.resize(static_cast<std::size_t>(m * kObservationBytes));
            r.ReadBytes(block.data(), block.size());
            for (std::int64_t j = 0; j < m; ++j) {
                const char* p = block.data() + j * kObservationBytes;
                values[static_cast<std::size_t>(i + j)] = DoubleAt(p);
                marks[static_cast<std::size_t>(i + j)] = static_cast<std::uint16_t>(
                    static_cast<unsigned char>(p[8]) | (static_cast<unsigned char>(p[9]) << 8));
            }
            i += m;
        }
        // Everything is read: only now is the target changed.
        target.Resize(count, false);
        std::copy(values.begin(), values.end(), target.Data());
        for (int i = 0; i < count; ++i)
            if (marks[static_cast<std::size_t>(i)] != 0) target.SetMark(i, marks[static_cast<std::size_t>(i)]);
        target.SetName(storedName);
        target.SetInfo(info);
        target.SetType(type);
        target.CalcStatistics();
        return true;
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

void ReadStoredVariableValues(const std::string& fileName, const std::string& name, int start, int count,
                              double* out) {
    CheckRange(start, count, out);
    std::ifstream in = OpenForReading(fileName);
    StoredFile file(in);
    StoredValues where;
    if (!FindVariable(file, NameBytes(name), where)) {
        std::fill_n(out, count, 0.0);
        return;
    }
    if (start > where.count)
        throw ERangeError("開始位置 (" + std::to_string(start) + ") がデータ数 (" + std::to_string(where.count) +
                          ") を超えています");
    const int stored = std::min(count, where.count - start);
    BinaryReader r = file.At(where.first + kObservationBytes * start);
    std::vector<char> block;
    for (int i = 0; i < stored;) {
        const int m = static_cast<int>(std::min<std::int64_t>(kBlockObservations, stored - i));
        block.resize(static_cast<std::size_t>(m * kObservationBytes));
        r.ReadBytes(block.data(), block.size());
        for (int j = 0; j < m; ++j) out[i + j] = DoubleAt(block.data() + j * kObservationBytes);
        i += m;
    }
    std::fill(out + stored, out + count, 0.0);
}

int WriteStoredVariableValues(const std::string& fileName, const std::string& name, int start, int count,
                              const double* in, const FsyncCall& fsync) {
    CheckRange(start, count, in);
    StoredValues where;
    std::int64_t size = 0;
    {
        std::ifstream src = OpenForReading(fileName);
        StoredFile file(src);
        if (!FindVariable(file, NameBytes(name), where)) return 0;
        src.clear();
        src.seekg(0);
        size = StreamBytesLeft(src);
    }
    if (start > where.count)
        throw ERangeError("開始位置 (" + std::to_string(start) + ") がデータ数 (" + std::to_string(where.count) +
                          ") を超えています");
    const int written = std::min(count, where.count - start);
    if (written == 0) return 0;

    // A link is followed, so that the file it names is replaced, not the link.
    std::error_code ec;
    const std::string target = fs::is_symlink(fileName, ec) ? fs::canonical(fileName).string() : fileName;
    const std::string temp = TempNameBeside(target);
    try {
        // The copy keeps the file's permissions; only the values change.
        if (!fs::copy_file(target, temp, fs::copy_options::overwrite_existing, ec) || ec)
            throw EFOpenError("一時ファイルを作成できません: " + temp);
        {
            std::fstream io(temp, std::ios::binary | std::ios::in | std::ios::out);
            if (!io) throw EFOpenError("一時ファイルを開けません: " + temp);
            io.seekg(0, std::ios::end);
            if (static_cast<std::int64_t>(io.tellg()) != size)
                throw EWriteError("ファイルが書き込み中に変わりました: " + fileName);
            std::vector<char> block;
            for (int i = 0; i < written;) {
                const int m = static_cast<int>(std::min<std::int64_t>(kBlockObservations, written - i));
                const std::int64_t at = where.first + kObservationBytes * (static_cast<std::int64_t>(start) + i);
                block.resize(static_cast<std::size_t>(m * kObservationBytes));
                io.seekg(at);
                io.read(block.data(), static_cast<std::streamsize>(block.size()));
                if (!io) throw EWriteError("一時ファイルを読めません: " + temp);
                // The group words between the values stay as they were.
                for (int j = 0; j < m; ++j) PutDouble(block.data() + j * kObservationBytes, in[i + j]);
                io.seekp(at);
                io.write(block.data(), static_cast<std::streamsize>(block.size()));
                if (!io) throw EWriteError("ファイルの書き込みに失敗しました: " + temp);
                i += m;
            }
            io.close();
            if (io.fail()) throw EWriteError("ファイルの書き込みに失敗しました: " + temp);
        }
        SyncFile(temp, fsync);
        if (std::rename(temp.c_str(), target.c_str()) != 0) throw EWriteError("ファイルを保存できません: " + fileName);
        SyncFolderOf(target, fsync);
    } catch (const std::bad_alloc&) {
        RemoveQuietly(temp);
        throw EOutOfMemory();
    } catch (...) {
        RemoveQuietly(temp);
        throw;
    }
    return written;
}
