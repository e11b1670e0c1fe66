// Writing the binary data file. Every offset is known before the first byte
// is written (the texts are converted up front), so the image goes out in
// one sequential pass of large blocks, never one call per value.
#include <bit>
#include <climits>
#include <cstring>
#include <functional>
#include <ostream>
#include <sstream>
#include <utility>

#include "core/io/data_file.h"
#include "core/data/data_set.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "platform/ui_services.h"

namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr std::int64_t kObservationBytes = 10;  // double value + u16 group word

void PutLE(std::string& buf, std::uint64_t v, int bytes) {
    for (int b = 0; b < bytes; ++b) buf.push_back(static_cast<char>((v >> (8 * b)) & 0xFF));
}

void PutText(std::string& buf, const std::string& cp932Bytes) {
    PutLE(buf, static_cast<std::uint32_t>(cp932Bytes.size()), 4);
    buf += cp932Bytes;
}

std::string ToCp932(const std::string& utf8, const std::string& what) {
    try {
        std::string bytes = cp932::FromUtf8(utf8);
        if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) throw EWriteError(what + "が長すぎます。");
        return bytes;
    } catch (const EConvertError& e) {
        throw EWriteError(what + "を保存できません: " + e.what());
    }
}

// The directory key: first byte, length (low 8 bits), 16-bit sum of the
// sign-extended bytes, record offset. An empty name gives a zero key.
void PutKey(std::string& buf, const std::string& nameBytes, std::uint32_t offset) {
    unsigned sum = 0;
    for (const char c : nameBytes) sum += static_cast<unsigned>(static_cast<int>(static_cast<signed char>(c)));
    buf.push_back(nameBytes.empty() ? '\0' : nameBytes[0]);
    buf.push_back(static_cast<char>(nameBytes.size() & 0xFF));
    PutLE(buf, sum & 0xFFFF, 2);
    PutLE(buf, offset, 4);
}

struct VarTexts {
    std::string name;
    std::string info;
};

std::string Record(const std::function<void(std::ostream&)>& write) {
    std::ostringstream os;
    write(os);
    if (!os) throw EWriteError("データファイルの書き込みに失敗しました。");
    return std::move(os).str();
}

// The model sections in the order they are written: id and content.
std::vector<std::pair<std::int32_t, std::string>> BuildSections(const DataFileImage& image) {
    std::vector<std::pair<std::int32_t, std::string>> sections;
    const int k = image.data.GetVarCount();

    sections.emplace_back(kSectionUserScalars,
                          Record([&](std::ostream& os) { image.userScalars.SaveDataBank(os); }));

    std::string roles;
    PutLE(roles, static_cast<std::uint16_t>(image.dependent & 0xFFFF), 2);
    PutLE(roles, image.twoStage ? 0xFFFF : 0, 2);
    const auto& r = image.roles;
    for (int j = 0; j < k; ++j) roles.push_back(static_cast<char>(j < static_cast<int>(r.size()) ? r[j] : 0));
    sections.emplace_back(kSectionModel, std::move(roles));

    if (image.groupNames.Count() > 0)
        sections.emplace_back(kSectionGroupNames, Record([&](std::ostream& os) { image.groupNames.Save(os); }));

    if (image.equations.GetCount() > 0)
        sections.emplace_back(kSectionEquations, Record([&](std::ostream& os) { image.equations.Write(os); }));

    if (image.colors != nullptr && image.colors->Count() > 0)
        sections.emplace_back(kSectionColors, Record([&](std::ostream& os) { image.colors->SaveToStream(os); }));

    std::string info;
    PutText(info, ToCp932(image.data.GetInfo(), "データの説明"));
    sections.emplace_back(kSectionInfo, std::move(info));

    if (image.finalForm.GetCount() > 0)
        sections.emplace_back(kSectionFinalForm, Record([&](std::ostream& os) { image.finalForm.SaveTo(os); }));
    return sections;
}

// Observations first..last of a variable, packed, appended to buf.
void PutObservations(std::string& buf, const Var& v, int first, int last) {
    const double* values = v.Data();
    const auto& marks = v.Marks();
    const std::size_t at = buf.size();
    buf.resize(at + static_cast<std::size_t>(last - first) * kObservationBytes);
    char* p = buf.data() + at;
    for (int i = first; i < last; ++i, p += kObservationBytes) {
        const std::uint16_t mark = static_cast<std::size_t>(i) < marks.size() ? marks[static_cast<std::size_t>(i)] : 0;
        std::uint64_t bits;
        std::memcpy(&bits, &values[i], sizeof bits);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(p, &bits, 8);
            std::memcpy(p + 8, &mark, 2);
        } else {
            for (int b = 0; b < 8; ++b) p[b] = static_cast<char>((bits >> (8 * b)) & 0xFF);
            p[8] = static_cast<char>(mark & 0xFF);
            p[9] = static_cast<char>(mark >> 8);
        }
    }
}

using SectionList = std::vector<std::pair<std::int32_t, std::string>>;

// The data part of the data set, then the given sections; their texts are
// built by the callers before anything is written.
void WriteImage(const Data& model, const std::function<SectionList()>& buildSections, std::ostream& out,
                UiServices& services) {
    const int k = model.GetVarCount();
    const int n = model.GetObsCount();
    // The reader needs at least one variable record to find the data.
    if (k < 1) throw EWriteError("変数のないデータは保存できません。");
    for (int j = 0; j < k; ++j)
        if (model.GetVar(j).Count() != n)
            throw EWriteError("変数 " + model.GetVarName(j) + " のデータ数がデータ組数と一致しません。");

    // Texts first: a text that cannot be saved fails before anything is
    // written, and every offset is known in advance.
    const std::string name = ToCp932(model.GetName(), "データの名前");
    std::vector<VarTexts> texts(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) {
        texts[j].name = ToCp932(model.GetVarName(j), "変数名");
        texts[j].info = ToCp932(model.GetVarInfo(j), "変数の説明");
    }
    const SectionList sections = buildSections();

    std::int64_t pos = 4 + 4 + 4 + static_cast<std::int64_t>(name.size()) + 4 + 4 + 8 * static_cast<std::int64_t>(k);
    std::vector<std::int64_t> offsets(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) {
        offsets[j] = pos;
        pos += 4 + static_cast<std::int64_t>(texts[j].name.size()) + 4 + static_cast<std::int64_t>(texts[j].info.size()) +
               1 + 4 + kObservationBytes * n;
    }
    const std::int64_t dataEnd = pos;
    for (const auto& s : sections) pos += 8 + static_cast<std::int64_t>(s.second.size());
    // Offsets in the file are 32-bit signed.
    if (pos > INT32_MAX) throw EWriteError("データが大きすぎてファイルに保存できません。");

    ProgressScope progress(services, "データの書き込み中・・・", k + 2);
    BinaryWriter w(out, "データファイルの書き込み");

    std::string buf;
    buf.reserve(kBlockBytes + 4096);
    buf.append(kDataFileMagic, sizeof kDataFileMagic);
    PutLE(buf, static_cast<std::uint32_t>(dataEnd), 4);
    PutText(buf, name);
    PutLE(buf, static_cast<std::uint32_t>(n), 4);
    PutLE(buf, static_cast<std::uint32_t>(k), 4);
    for (int j = 0; j < k; ++j) PutKey(buf, texts[j].name, static_cast<std::uint32_t>(offsets[j]));
    progress.Step();

    const int perBlock = static_cast<int>(kBlockBytes / kObservationBytes);
    for (int j = 0; j < k; ++j) {
        const Var& v = model.GetVar(j);
        PutText(buf, texts[j].name);
        PutText(buf, texts[j].info);
        buf.push_back(static_cast<char>(v.GetType()));
        PutLE(buf, static_cast<std::uint32_t>(n), 4);
        for (int i = 0; i < n;) {
            const int last = n - i > perBlock ? i + perBlock : n;
            PutObservations(buf, v, i, last);
            i = last;
            if (buf.size() >= kBlockBytes) {
                w.WriteBytes(buf.data(), buf.size());
                buf.clear();
            }
        }
        progress.Step();
    }
    for (const auto& [id, content] : sections) {
        // Offsets are absolute: the image starts at the stream's first byte.
        const std::int64_t end =
            w.Written() + static_cast<std::int64_t>(buf.size()) + 8 + static_cast<std::int64_t>(content.size());
        PutLE(buf, static_cast<std::uint32_t>(id), 4);
        PutLE(buf, static_cast<std::uint32_t>(end), 4);
        buf += content;
    }
    w.WriteBytes(buf.data(), buf.size());
    out.flush();
    if (!out) throw EWriteError("データファイルの書き込みに失敗しました。");
    progress.Step();
}

}  // namespace

void WriteBinaryDataFile(const DataFileImage& image, std::ostream& out, UiServices& services) {
    WriteImage(image.data, [&] { return BuildSections(image); }, out, services);
}

void WriteGroupDataFile(const Data& data, const GroupName& groupNames, std::ostream& out, UiServices& services) {
    WriteImage(data, [&] {
        SectionList sections;
        sections.emplace_back(kSectionGroupNames, Record([&](std::ostream& os) { groupNames.Save(os); }));
        return sections;
    }, out, services);
}
