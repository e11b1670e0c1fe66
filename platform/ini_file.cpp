#include "platform/ini_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/durable_file.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "platform/text/str_to_int.h"

namespace fs = std::filesystem;

namespace {

// A settings file is a few kilobytes; anything this large is not one.
constexpr std::uintmax_t kMaxFileSize = 16u * 1024u * 1024u;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

void CheckName(const std::string& name, const char* what, bool isKey) {
    bool bad = name.empty() || name.find_first_of("\r\n") != std::string::npos ||
               (isKey ? name.find('=') != std::string::npos || name[0] == '[' || name[0] == ';'
                      : name.find(']') != std::string::npos);
    if (bad || Trim(name) != name)
        throw EConvertError(std::string("設定ファイルの") + what + "名が不正です: " + name);
    cp932::FromUtf8(name);  // refuses what the file could not hold
}

std::string ErrnoText() { return std::strerror(errno); }

// Closes a file descriptor on every path.
class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    // Closes now and reports whether the close succeeded (a late write error
    // may surface only here).
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// Removes the temporary file unless it was moved into place.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { path_.clear(); }

private:
    std::string path_;
};

}  // namespace

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {
    sections_.push_back(Section{});  // lines before the first header
    std::error_code ec;
    fs::file_status st = fs::status(fileName_, ec);
    if (!fs::exists(st)) return;
    if (!fs::is_regular_file(st)) throw EFOpenError("設定ファイルを開けません: " + fileName_);
    std::uintmax_t size = fs::file_size(fileName_, ec);
    if (ec || size > kMaxFileSize) throw EReadError("設定ファイルを読めません: " + fileName_);
    std::ifstream in(fileName_, std::ios::binary);
    if (!in) throw EFOpenError("設定ファイルを開けません: " + fileName_);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EReadError("設定ファイルを読めません: " + fileName_);
    Parse(bytes);
}

void IniFile::Parse(const std::string& bytes) {
    std::size_t pos = 0;
    bool first = true;
    while (pos < bytes.size()) {
        std::size_t eol = bytes.find('\n', pos);
        std::size_t next = eol == std::string::npos ? bytes.size() : eol + 1;
        std::size_t end = eol == std::string::npos ? bytes.size() : eol;
        if (end > pos && bytes[end - 1] == '\r') --end;
        if (first && eol != std::string::npos) newline_ = end < eol ? "\r\n" : "\n";
        first = false;
        std::string raw = bytes.substr(pos, end - pos);
        pos = next;

        Line line;
        line.raw = raw;
        std::string text;
        try {
            text = cp932::ToUtf8(raw);
        } catch (const EConvertError&) {
            sections_.back().lines.push_back(line);  // damaged: kept, never read
            continue;
        }
        std::string t = Trim(text);
        if (!t.empty() && t[0] == '[') {
            std::size_t close = t.find(']');
            if (close != std::string::npos && !Trim(t.substr(1, close - 1)).empty()) {
                Section s;
                s.hasHeader = true;
                s.name = Trim(t.substr(1, close - 1));
                s.header = raw;
                sections_.push_back(std::move(s));
                continue;
            }
        }
        std::size_t eq = t.find('=');
        if (!t.empty() && t[0] != ';' && eq != std::string::npos && eq > 0 &&
            !Trim(t.substr(0, eq)).empty()) {
            line.isEntry = true;
            line.key = Trim(t.substr(0, eq));
            line.value = Trim(t.substr(eq + 1));
        }
        sections_.back().lines.push_back(std::move(line));
    }
}

const IniFile::Section* IniFile::FindSection(const std::string& section) const {
    for (const Section& s : sections_)
        if (s.hasHeader && SameName(s.name, section)) return &s;
    return nullptr;
}

IniFile::Section* IniFile::FindSection(const std::string& section) {
    return const_cast<Section*>(static_cast<const IniFile*>(this)->FindSection(section));
}

const IniFile::Line* IniFile::FindLine(const Section& s, const std::string& key) {
    for (const Line& l : s.lines)
        if (l.isEntry && SameName(l.key, key)) return &l;
    return nullptr;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    const Section* s = FindSection(section);
    const Line* l = s ? FindLine(*s, key) : nullptr;
    return l ? l->value : defaultValue;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key,
                         int defaultValue) const {
    const Section* s = FindSection(section);
    const Line* l = s ? FindLine(*s, key) : nullptr;
    return l ? StrToIntDef(l->value, defaultValue) : defaultValue;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key,
                       bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    CheckName(section, "セクション", false);
    CheckName(key, "キー", true);
    std::string v = value;
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    v = Trim(v);
    cp932::FromUtf8(v);  // refused here rather than when the file is written

    Section* s = FindSection(section);
    if (!s) {
        Section fresh;
        fresh.hasHeader = true;
        fresh.name = section;
        sections_.push_back(std::move(fresh));
        s = &sections_.back();
    }
    for (Line& l : s->lines) {
        if (l.isEntry && SameName(l.key, key)) {
            l.value = v;
            l.raw.clear();
            return;
        }
    }
    // A new key goes after the section's last entry, before trailing blanks
    // and comments that separate it from the next section.
    std::size_t at = s->lines.size();
    while (at > 0 && !s->lines[at - 1].isEntry) --at;
    if (at == 0) at = s->lines.size();
    Line l;
    l.isEntry = true;
    l.key = key;
    l.value = v;
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(l));
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(const std::string& section) const {
    return FindSection(section) != nullptr;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
    const Section* s = FindSection(section);
    return s && FindLine(*s, key);
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
    std::vector<std::string> keys;
    const Section* s = FindSection(section);
    if (!s) return keys;
    for (const Line& l : s->lines) {
        if (!l.isEntry) continue;
        bool seen = false;
        for (const std::string& k : keys) seen = seen || SameName(k, l.key);
        if (!seen) keys.push_back(l.key);
    }
    return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
    std::vector<std::string> names;
    for (const Section& s : sections_) {
        if (!s.hasHeader) continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || SameName(n, s.name);
        if (!seen) names.push_back(s.name);
    }
    return names;
}

void IniFile::EraseSection(const std::string& section) {
    // Every copy goes, so that a duplicate further down cannot reappear.
    std::vector<Section> kept;
    for (Section& s : sections_)
        if (!s.hasHeader || !SameName(s.name, section)) kept.push_back(std::move(s));
    sections_ = std::move(kept);
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
    Section* s = FindSection(section);
    if (!s) return;
    std::vector<Line> kept;
    for (Line& l : s->lines)
        if (!l.isEntry || !SameName(l.key, key)) kept.push_back(std::move(l));
    s->lines = std::move(kept);
}

std::string IniFile::Serialize() const {
    std::string out;
    for (const Section& s : sections_) {
        if (s.hasHeader) {
            // A header as read stays byte for byte, comments after "]" too.
            if (!s.header.empty()) {
                out += s.header;
            } else {
                out += '[';
                out += cp932::FromUtf8(s.name);
                out += ']';
            }
            out += newline_;
        }
        for (const Line& l : s.lines) {
            // Lines as read stay byte for byte; changed entries are rebuilt.
            if (l.isEntry && l.raw.empty())
            {
                out += cp932::FromUtf8(l.key);
                out += '=';
                out += cp932::FromUtf8(l.value);
            }
            else
                out += l.raw;
            out += newline_;
        }
    }
    return out;
}

void IniFile::UpdateFile() const {
    std::string bytes;
    try {
        bytes = Serialize();
    } catch (const EConvertError& e) {
        throw EWriteError(std::string("設定ファイルを書き込めません: ") + e.what());
    }

    // Write through a symbolic link to the file it names.
    std::string target = fileName_;
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved.string();
    }
    fs::path parent = fs::path(target).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);

    const std::string fail = "設定ファイルを書き込めません: " + target + ": ";
    std::string tempName = target + ".XXXXXX";
    int fd = ::mkstemp(tempName.data());
    if (fd < 0) throw EWriteError(fail + ErrnoText());
    TempFileGuard tempGuard(tempName);
    FdGuard fdGuard(fd);

    // Keep the permissions of the file being replaced.
    struct stat old {};
    bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld) ::fchmod(fd, old.st_mode & 07777);

    std::size_t done = 0;
    int rounds = 0;  // a write that makes no progress must not loop forever
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR && ++rounds < 1000) continue;
        if (n <= 0) throw EWriteError(fail + (n < 0 ? ErrnoText() : std::string("0 bytes")));
        done += static_cast<std::size_t>(n);
    }
    if (!SyncFileDescriptor(fd, fsync_)) throw EWriteError(fail + ErrnoText());
    if (!fdGuard.Close()) throw EWriteError(fail + ErrnoText());

    // The old file stays as <name>.BAK (replacing an older backup). A backup
    // that cannot be made does not stop the save: the rename below replaces
    // the file in one step, so the old or the new file is always complete.
    if (hadOld) {
        std::string backup = target + ".BAK";
        ::unlink(backup.c_str());
        if (::link(target.c_str(), backup.c_str()) != 0)
            fs::copy_file(target, backup, fs::copy_options::overwrite_existing, ec);
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) throw EWriteError(fail + ErrnoText());
    tempGuard.Release();
    SyncFolderOf(target, fsync_);
}
