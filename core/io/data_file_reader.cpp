// Reading the binary data file into a LoadedDataFile. Every length and count
// is checked against the bytes left in the file before anything is
// allocated; the values are read in large blocks.
#include <algorithm>
#include <bit>
#include <cstring>
#include <istream>
#include <limits>
#include <new>
#include <string>

#include "core/io/data_file.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

const char* const kContext = "データファイルの読み込み";
constexpr std::int64_t kObservationBytes = 10;  // double value + u16 group word
constexpr std::int64_t kBlockObservations = 100000;
// Smallest variable record: two empty texts, type byte, count.
constexpr std::int64_t kMinRecordBytes = 4 + 4 + 1 + 4;

[[noreturn]] void Fail(const std::string& what) { throw EReadError(std::string(kContext) + ": " + what); }

// Absolute positions in the image, whose first byte (the magic) stands at
// the stream position the cursor was made at.
class FileCursor {
public:
    FileCursor(std::istream& in, std::int64_t size) : in_(in) {
        const auto here = in.tellg();
        base_ = here == std::istream::pos_type(-1) ? 0 : static_cast<std::int64_t>(here);
        const std::int64_t measured = StreamBytesLeft(in);
        size_ = size < 0 || (measured >= 0 && measured < size) ? measured : size;
        if (size_ < 0) Fail("ファイルの大きさが分かりません");
    }

    std::int64_t Size() const { return size_; }
    std::int64_t Pos() const {
        const auto here = in_.tellg();
        if (here == std::istream::pos_type(-1)) Fail("ファイルの位置が分かりません");
        return static_cast<std::int64_t>(here) - base_;
    }
    std::int64_t Left() const { return size_ - Pos(); }
    void Seek(std::int64_t offset) {
        if (offset < 0 || offset > size_) Fail("ファイルの範囲外を指しています (" + std::to_string(offset) + ")");
        in_.clear();
        in_.seekg(base_ + offset);
        if (!in_) Fail("ファイルの位置を移せません");
    }
    // A checked reader over the rest of the image.
    BinaryReader Reader() const { return BinaryReader(in_, Left(), kContext); }

private:
    std::istream& in_;
    std::int64_t base_ = 0;
    std::int64_t size_ = 0;
};

// Runs the reader of a section's record, giving every failure of a damaged
// record the read-error family.
template <class F>
void ReadSection(const char* what, F read) {
    try {
        read();
    } catch (const EReadError&) {
        throw;
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    } catch (const Exception& e) {
        Fail(std::string(what) + ": " + e.what());
    } catch (const std::length_error& e) {
        Fail(std::string(what) + ": " + e.what());
    }
}

void DecodeBlock(const char* p, std::int64_t count, double* values, Var& v, int first) {
    for (std::int64_t i = 0; i < count; ++i, p += kObservationBytes) {
        std::uint64_t bits;
        std::uint16_t mark;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&bits, p, 8);
            std::memcpy(&mark, p + 8, 2);
        } else {
            bits = 0;
            for (int b = 7; b >= 0; --b) bits = (bits << 8) | static_cast<unsigned char>(p[b]);
            mark = static_cast<std::uint16_t>(static_cast<unsigned char>(p[8]) | (static_cast<unsigned char>(p[9]) << 8));
        }
        std::memcpy(&values[i], &bits, sizeof bits);
        if (mark != 0) v.SetMark(first + static_cast<int>(i), mark);
    }
}

std::unique_ptr<Var> ReadVariable(BinaryReader& r, int n, std::vector<char>& block) {
    std::string name = r.ReadText(kDataFileTextBytes);
    std::string info = r.ReadText(kDataFileTextBytes);
    const std::uint8_t type = r.ReadByte();
    const std::int32_t count = r.ReadInt32();
    // Every variable is indexed by the data set's observation count; a
    // record of another length would leave reads past its end, so the file
    // is refused rather than taken with a short or long variable.
    if (count != n)
        Fail("変数「" + name + "」のデータ数 (" + std::to_string(count) + ") がデータ組数 (" + std::to_string(n) +
             ") と一致しません");
    if (kObservationBytes * n > r.Remaining()) Fail("変数「" + name + "」の途中でファイルが終わっています");

    auto v = std::make_unique<Var>();
    ReadSection("変数名", [&] {
        v->SetName(name);
        v->SetInfo(info);
    });
    v->SetType(type);
    v->Resize(n, false);
    double* values = v->Data();
    for (int i = 0; i < n;) {
        const std::int64_t m = std::min<std::int64_t>(kBlockObservations, n - i);
        const auto bytes = static_cast<std::size_t>(m * kObservationBytes);
        if (block.size() < bytes) block.resize(bytes);
        r.ReadBytes(block.data(), bytes);
        DecodeBlock(block.data(), m, values + i, *v, i);
        i += static_cast<int>(m);
    }
    return v;
}

void ReadDataPart(FileCursor& c, LoadedDataFile& out, UiServices& services) {
    BinaryReader r = c.Reader();
    r.ReadInt32();  // end of the data part: the records are followed, not it
    out.name = r.ReadText(kDataFileTextBytes);
    out.info = out.name;
    const std::int32_t n = r.ReadInt32();
    if (n < 0) Fail("データ組数が不正です (" + std::to_string(n) + ")");
    const std::int32_t k = r.ReadInt32();
    if (k < 1) Fail("変数の数が不正です (" + std::to_string(k) + ")");
    if (k > r.Remaining() / 8) Fail("変数の数がファイルの大きさを超えています (" + std::to_string(k) + ")");
    out.obs = n;

    ProgressScope progress(services, "データの読み込み中・・・", k + 1);
    // The records follow one another from the first key's offset; the other
    // keys are not needed to read them.
    r.Skip(4);
    const std::uint32_t first = r.ReadUInt32();
    c.Seek(static_cast<std::int64_t>(first));
    if (k > c.Left() / (kMinRecordBytes + kObservationBytes * n))
        Fail("変数の記録がファイルの大きさを超えています");
    progress.Step();

    BinaryReader records = c.Reader();
    std::vector<char> block;
    out.vars.clear();
    out.vars.reserve(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) {
        out.vars.push_back(ReadVariable(records, n, block));
        progress.Step();
    }
}

// Fewer bytes than a header at the end: the start of the header of a section
// not read yet means the file was cut; anything else is stray bytes.
// seen: one bit per known section id read.
bool IsCutHeader(FileCursor& c, unsigned seen) {
    char tail[8] = {};
    const auto n = static_cast<std::size_t>(c.Left());
    c.Reader().ReadBytes(tail, n);
    for (std::int32_t id = kSectionUserScalars; id <= kSectionFinalForm; ++id) {
        if (seen & (1u << id)) continue;
        bool match = true;
        for (std::size_t b = 0; b < std::min<std::size_t>(n, 4) && match; ++b)
            match = static_cast<unsigned char>(tail[b]) == ((static_cast<std::uint32_t>(id) >> (8 * b)) & 0xFF);
        if (match) return true;
    }
    return false;
}

void ReadSections(std::istream& in, FileCursor& c, LoadedDataFile& out) {
    const int k = static_cast<int>(out.vars.size());
    unsigned seen = 0;
    // Every pass reads an 8-byte header and moves forward, so the loop ends.
    while (c.Left() > 0) {
        if (c.Left() < 8) {
            if (IsCutHeader(c, seen)) Fail("セクションの見出しの途中でファイルが終わっています");
            return;
        }
        const std::int64_t header = c.Pos();
        BinaryReader h = c.Reader();
        const std::int32_t id = h.ReadInt32();
        const std::int32_t end = h.ReadInt32();
        const std::int64_t left = c.Left();
        if (id >= kSectionUserScalars && id <= kSectionFinalForm) seen |= 1u << id;
        switch (id) {
            case kSectionUserScalars:
                ReadSection("ユーザ変数", [&] { out.userScalars.LoadDataBank(in, left); });
                break;
            case kSectionModel: {
                BinaryReader s = c.Reader();
                const std::uint16_t dependent = s.ReadUInt16();
                const std::uint16_t stage = s.ReadUInt16();
                std::vector<std::uint8_t> roles(static_cast<std::size_t>(k));
                s.ReadBytes(roles.data(), roles.size());
                out.dependent = dependent;
                out.twoStage = stage != 0;
                out.roles = std::move(roles);
                break;
            }
            case kSectionEquations:
                ReadSection("式", [&] { out.equations.Read(in, left); });
                break;
            case kSectionGroupNames:
                ReadSection("グループ名", [&] { out.groupNames.Load(in); });
                break;
            case kSectionColors:
                ReadSection("グループ色", [&] { out.colors.LoadFromStream(in, left); });
                out.hasColors = true;
                break;
            case kSectionInfo:
                // The info text has no buffer limit: it is kept whole (its
                // length is still checked against the bytes left).
                out.info = c.Reader().ReadText(std::numeric_limits<std::size_t>::max());
                break;
            case kSectionFinalForm:
                ReadSection("最終形", [&] { out.finalForm.LoadFrom(in, left); });
                break;
            default:
                // An end that does not lie past the header would not move
                // on, and one past the file ends it: either ends the model
                // part.
                if (end < header + 8 || end >= c.Size()) return;
                c.Seek(end);
                break;
        }
    }
}

}  // namespace

void ReadBinaryDataFile(std::istream& in, std::int64_t size, LoadedDataFile& out, UiServices& services) {
    try {
        FileCursor c(in, size);
        char magic[sizeof kDataFileMagic];
        c.Reader().ReadBytes(magic, sizeof magic);
        if (std::memcmp(magic, kDataFileMagic, sizeof magic) != 0) Fail("データファイルの形式ではありません");
        ReadDataPart(c, out, services);
        ReadSections(in, c, out);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}
