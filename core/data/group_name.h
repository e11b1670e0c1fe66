// The names of the observation groups (codes up to 16), saved with the model.
//
// Entries keep the order in which they were added; lookups scan from the
// first entry and the first match wins. The stream record is: int32 count,
// then per entry an int32 name length, the CP932 name bytes and an int32 code.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class GroupName {
public:
    // Longest stored name the reader keeps, in CP932 bytes.
    static constexpr int kMaxNameBytes = 1023;

    void Clear() { entries_.clear(); }
    int Count() const { return static_cast<int>(entries_.size()); }

    // Codes of 17 and more are refused (false, no change). Otherwise the first
    // entry with the same name takes the code, or else the first entry with the
    // same code takes the name (both false); with no match a new entry is
    // appended (true). A name CP932 cannot hold raises EConvertError.
    bool SetName(const std::string& name, int code);

    // Name of the first entry with the code; empty when there is none.
    std::string GetName(int code) const;
    // Code of the first entry with exactly that name; -1 when there is none.
    int GetCode(const std::string& name) const;

    // Entry access for lists and dialogs (0 <= i < Count()).
    const std::string& NameAt(int i) const;
    int CodeAt(int i) const;

    // Stream record. Write failures raise EWriteError, short or malformed
    // records EReadError; Load leaves the table unchanged when it fails.
    void Save(std::ostream& out) const;
    void Load(std::istream& in);

private:
    struct Entry {
        std::string name;
        int code = 0;
    };
    std::vector<Entry> entries_;
};
