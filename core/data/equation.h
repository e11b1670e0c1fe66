// Expres: one linear equation of a simultaneous-equation system,
// left = c1*v1 + c2*v2 + ..., the constant term being the pseudo-variable
// "定数項". It holds names and coefficients only; its texts are made on
// demand (Format) and parsed from the user's or a text file's wording.
//
// Text syntax: [ "@" ] name "=" term { term }, where a term is
// [ "+" | "-" ] ( number [ "*" name ] | name ). A leading "@" marks a
// definition (identity) rather than an estimated equation.
//
// Binary record (inside the data file's equation section, little-endian):
// int32 name length, CP932 name, u16 term count, u16 definition flag, then
// per term int32 name length, CP932 name, f64 coefficient.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "core/numeric/vector.h"

class Data;
class BinaryReader;
class BinaryWriter;

class Expres {
public:
    // Empty equation: no names, no terms, not a definition.
    Expres() = default;
    Expres(const Expres& other) = default;
    Expres(Expres&& other) noexcept = default;
    // Full copies (a plain Vector assignment would keep the old length).
    Expres& operator=(const Expres& other);
    Expres& operator=(Expres&& other) noexcept;
    ~Expres() = default;

    // Parses text against the model's variable names. Throws Exception
    // "Not Found!" for an unknown name and "Syntax Error!" when the second
    // token is not "="; a malformed number raises EConvertError.
    Expres(const std::string& text, const Data& model, bool definition);

    // From parts: n terms taken from coefs and names (each must hold at
    // least n entries, else ERangeError).
    Expres(const std::string& left, int n, bool definition, std::span<const double> coefs,
           std::span<const std::string> names);
    // Replaces the whole equation with the parts (same rules).
    void Set(const std::string& left, int n, bool definition, std::span<const double> coefs,
             std::span<const std::string> names);

    const std::string& GetLeftName() const { return left_; }
    int GetCount() const { return static_cast<int>(names_.size()); }
    bool IsDefinition() const { return definition_; }
    void SetDefinition(bool on) { definition_ = on; }
    // Term i's name / coefficient; i outside 0..count-1 raises ERangeError
    // "範囲エラー".
    std::string GetVarName(int i) const;
    double GetCoef(int i) const { return coefs_.At(i); }

    // -1 for the left-hand name, i for the first term of that name, -2 when
    // absent.
    int FindVar(const std::string& name) const;
    // The coefficient in the form left - right = 0: 1 for the left-hand
    // name, minus the coefficient for a term, 0 when absent.
    double GetSystemCoef(const std::string& name) const;
    // Renames the left-hand name, or else the first term of that name.
    // False when the name is absent.
    bool RenameVar(const std::string& oldName, const std::string& newName);

    // mode 1: display form with the coefficient picture "+##0.0000;-##0.0000";
    // mode 0: full 15-digit coefficients, for the text data file.
    std::string Format(int mode) const;
    std::string GetText() const { return Format(1); }

    // Binary record. Read replaces the whole equation only when the record
    // was read completely (EReadError otherwise); names are kept up to 1023
    // bytes. Write raises EWriteError for a failing stream or more than
    // 65535 terms (the record's count is 16 bits).
    void Read(BinaryReader& in);
    void Read(std::istream& in, std::int64_t available = -1);
    void Write(BinaryWriter& out) const;
    void Write(std::ostream& out) const;

    // Smallest record of one equation: name length, count and flag.
    static constexpr std::int64_t kMinRecordBytes = 8;

private:
    std::string left_;
    std::vector<std::string> names_;
    Vector coefs_;
    bool definition_ = false;
};
