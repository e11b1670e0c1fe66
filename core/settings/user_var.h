// The ten named user scalars ("@" names of expressions and macros).
//
// Two banks of ten: the data bank belongs to the open data set (saved with the
// data file, changed only while a data set is open, a change marks the data
// set modified) and the settings bank is kept in the settings file (section
// "VAR"). The bank switch says which bank is active: non-zero the data bank.
// Names are compared byte for byte; a lookup finds the lowest index. Indices
// outside 0..9 raise ERangeError.
//
// Data-bank record (section 0 of the binary data file), little-endian:
//   offset 0   80 bytes   values 0..9, 8-byte IEEE 754 doubles
//   offset 80  for each name 0..9: int32 byte length, then the CP932 bytes
// A bank of names "0".."9" gives a record of 80 + 10 * (4 + 1) = 130 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class IniFile;
class TextEvaluator;

// How the data bank reaches the open data set. The owner of the current data
// set installs this at start-up; without it no data set counts as open.
struct UserVarDataLink {
    std::function<bool()> isDataSetOpen;
    std::function<void()> markDataSetModified;
};

class UserVar {
public:
    static constexpr int kCount = 10;
    // Longest name the data-file reader keeps, in CP932 bytes.
    static constexpr int kMaxNameBytes = 1023;

    UserVar();

    void SetDataLink(UserVarDataLink link) { link_ = std::move(link); }

    // Names "0".."9" and values 0.0 in the chosen bank only; marks nothing.
    void Reset(bool dataBank);

    double GetValue(int i, bool dataBank) const;
    // Settings bank: stores v. Data bank: only with a data set open and a v
    // different from the stored value (exact comparison, so a NaN always
    // counts as a change); then the data set is marked modified.
    void SetValue(int i, bool dataBank, double v);

    const std::string& GetName(int i, bool dataBank) const;
    // As SetValue, for names. A name that CP932 cannot hold raises
    // EConvertError, so that saving can never fail on it later.
    void SetName(int i, bool dataBank, const std::string& name);

    void SetActiveValue(int i, double v) { SetValue(i, BankSwitch() != 0, v); }
    void SetActiveName(int i, const std::string& name) { SetName(i, BankSwitch() != 0, name); }
    const std::string& GetActiveName(int i) const { return GetName(i, BankSwitch() != 0); }

    // The data bank's ten values as one array, read and written raw by the
    // binary data file.
    double* GetDataValues() { return dataValues_.data(); }

    // Lowest index whose name in the chosen bank equals name, else -1.
    int FindName(const std::string& name, bool dataBank) const;

    std::uint8_t BankSwitch() const { return bankSwitch_; }
    void SetBankSwitch(std::uint8_t s) { bankSwitch_ = s; }

    // The data-bank record. Saving raises EWriteError on a failing stream.
    // Loading reads at most available bytes (negative: up to the end of the
    // stream); a length that is negative or runs past them, or a record cut
    // short, raises EReadError with the bank unchanged. Names longer than
    // 1023 bytes are cut there (never inside a character). The loaded values
    // and names are stored as they are, without marking anything modified.
    void SaveDataBank(std::ostream& out) const;
    void LoadDataBank(std::istream& in, std::int64_t available = -1);

    // Items of the text data file's "#var," line: for each data-bank entry
    // "@" name "/" value ",". ReadTextItems takes at most the first ten items:
    // "@name/expression", or a bare expression named by its position; they
    // are stored into the data bank while the bank switch is held at 1.
    std::string DataBankTextItems() const;
    void ReadTextItems(const std::vector<std::string>& items, TextEvaluator& evaluator);

    // Settings section "VAR": "item0".."item9" = name "/" value (15 digits).
    // A missing key reads as i "/0". An evaluation error propagates and the
    // bank is then left as it was.
    void SaveSettings(IniFile& ini) const;
    void LoadSettings(const IniFile& ini, TextEvaluator& evaluator);

private:
    bool DataSetOpen() const { return link_.isDataSetOpen && link_.isDataSetOpen(); }
    void MarkModified() const {
        if (link_.markDataSetModified) link_.markDataSetModified();
    }

    std::array<double, kCount> dataValues_{};
    std::array<double, kCount> settingsValues_{};
    std::array<std::string, kCount> dataNames_;
    std::array<std::string, kCount> settingsNames_;
    std::uint8_t bankSwitch_ = 0;
    UserVarDataLink link_;
};

// Holds the bank switch at a value and restores the previous one when it goes
// out of scope (the text data reader reads "#var," into the data bank).
class UserVarBankHold {
public:
    UserVarBankHold(UserVar& uv, std::uint8_t value) : uv_(uv), saved_(uv.BankSwitch()) { uv.SetBankSwitch(value); }
    ~UserVarBankHold() { uv_.SetBankSwitch(saved_); }
    UserVarBankHold(const UserVarBankHold&) = delete;
    UserVarBankHold& operator=(const UserVarBankHold&) = delete;

private:
    UserVar& uv_;
    std::uint8_t saved_;
};

