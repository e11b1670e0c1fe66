// The settings-file class: an INI file held in memory.
//
// Sections and keys compare without regard to ASCII case; keys and values
// are trimmed. The file is CP932 on disk and UTF-8 here. Lines this class
// does not understand (comments, lines without "=", undecodable bytes) are
// skipped when reading but written back unchanged, and unknown sections and
// keys keep their order, so rewriting never loses what another version or
// the user put there. UpdateFile writes a complete new file beside the old
// one, keeps the old one as <name>.BAK and only then moves the new one into
// place.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/durable_file.h"

class IniFile {
public:
    // Reads the file when it exists (a missing file is an empty one). A file
    // that exists but cannot be read raises EFOpenError or EReadError, so that
    // a later UpdateFile cannot silently replace settings it never saw.
    explicit IniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // The value read with StrToIntDef; the default when missing or no integer.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // An integer value other than 0 is true.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Raises EConvertError for a value CP932 cannot hold and for a section
    // or key that would break the line structure. Line breaks in a value are
    // written as blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);  // "1" / "0"

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // The keys of a section in file order.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // The names of all sections in file order.
    std::vector<std::string> ReadSections() const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);

    // Writes the file (see above). Raises EWriteError and leaves the old
    // file in place when anything fails.
    void UpdateFile() const;
    // How UpdateFile flushes to the disk (empty: the system's fsync).
    void SetFsyncCall(FsyncCall call) { fsync_ = std::move(call); }

private:
    struct Line {
        bool isEntry = false;
        std::string key;    // UTF-8, entries only
        std::string value;  // UTF-8, entries only
        std::string raw;    // bytes as read; empty once an entry is changed
    };
    struct Section {
        bool hasHeader = false;  // the lines before the first header have none
        std::string name;
        std::string header;  // the header line as read; empty for a new section
        std::vector<Line> lines;
    };

    void Parse(const std::string& bytes);
    const Section* FindSection(const std::string& section) const;
    Section* FindSection(const std::string& section);
    static const Line* FindLine(const Section& s, const std::string& key);
    std::string Serialize() const;

    std::string fileName_;
    std::vector<Section> sections_;
    std::string newline_ = "\n";
    FsyncCall fsync_;
};
