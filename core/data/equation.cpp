#include "core/data/equation.h"

#include <charconv>
#include <utility>

#include "core/data/data_set.h"
#include "core/text/float_format.h"
#include "core/text/tokenizer.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

constexpr std::size_t kMaxStoredTerms = 0xFFFF;
// A term record holds at least its name length and its coefficient.
constexpr std::int64_t kMinTermBytes = 12;

const char* const kNotFound = "Not Found!";
const char* const kSyntaxError = "Syntax Error!";

std::string TrimBlanks(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

// The whole token must be a number; the C locale's point is the decimal
// separator whatever the user's locale.
double TokenToDouble(const std::string& token) {
    double value = 0.0;
    const char* first = token.data();
    const char* last = first + token.size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last)
        throw EConvertError("'" + token + "' は浮動小数点数として正しくありません");
    return value;
}

// Reads the equation text token by token; a "#" token is passed over.
class EquationScanner {
public:
    explicit EquationScanner(const std::string& text) : text_(text) {}
    std::string Next() {
        std::string token;
        position_ = NextToken(text_, position_, token);
        if (token == "#") position_ = NextToken(text_, position_, token);
        return token;
    }
    bool AtEnd() const { return position_ >= static_cast<int>(text_.size()); }

private:
    const std::string& text_;
    int position_ = 0;
};

bool StartsWithDigit(const std::string& token) { return !token.empty() && token[0] >= '0' && token[0] <= '9'; }

}  // namespace

Expres& Expres::operator=(const Expres& other) {
    if (this != &other) {
        Expres copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Expres& Expres::operator=(Expres&& other) noexcept {
    left_.swap(other.left_);
    names_.swap(other.names_);
    swap(coefs_, other.coefs_);
    std::swap(definition_, other.definition_);
    return *this;
}

Expres::Expres(const std::string& source, const Data& model, bool definition) {
    std::string text = TrimBlanks(source);
    bool flag = definition;
    if (!text.empty() && text[0] == '@') {
        text = TrimBlanks(text.substr(1));
        flag = true;
    }
    EquationScanner scanner(text);
    std::string token = scanner.Next();
    int j = model.FindVar(token);
    if (j < 0) throw Exception(kNotFound);
    std::string left = model.GetVarName(j);
    if (scanner.Next() != "=") throw Exception(kSyntaxError);

    std::vector<std::string> names;
    std::vector<double> coefs;
    const std::string& constant = LoadStr(kStrConstantName);
    token = scanner.Next();
    // Every round consumes a token; an empty one is an unknown name, so the
    // loop ends at the end of the text at the latest.
    for (std::size_t round = 0; round <= text.size(); ++round) {
        bool negative = false;
        if (token == "-") {
            negative = true;
            token = scanner.Next();
        } else if (token == "+") {
            token = scanner.Next();
        }
        double c = 1.0;
        std::string name;
        bool readNext = true;
        if (StartsWithDigit(token)) {
            c = TokenToDouble(token);
            token = scanner.Next();
            if (token == "*") {
                name = scanner.Next();
            } else {
                name = constant;
                readNext = false;  // this token begins the next term
            }
        } else {
            name = token;
        }
        if (negative) c = -c;
        const int v = model.FindVar(name);
        if (v < 0) throw Exception(kNotFound);
        names.push_back(model.GetVarName(v));
        coefs.push_back(c);
        if (readNext) token = scanner.Next();
        if (scanner.AtEnd()) break;
    }
    Set(left, static_cast<int>(names.size()), flag, coefs, names);
}

Expres::Expres(const std::string& left, int n, bool definition, std::span<const double> coefs,
               std::span<const std::string> names) {
    Set(left, n, definition, coefs, names);
}

void Expres::Set(const std::string& left, int n, bool definition, std::span<const double> coefs,
                 std::span<const std::string> names) {
    if (n < 0 || static_cast<std::size_t>(n) > coefs.size() || static_cast<std::size_t>(n) > names.size())
        throw ERangeError(kRangeErrorText);
    Vector c(n, 0.0);
    std::copy_n(coefs.begin(), n, c.begin());
    std::vector<std::string> v(names.begin(), names.begin() + n);
    left_ = left;
    names_.swap(v);
    swap(coefs_, c);
    definition_ = definition;
}

std::string Expres::GetVarName(int i) const {
    if (i < 0 || i >= GetCount()) throw ERangeError(kRangeErrorText);
    return names_[static_cast<std::size_t>(i)];
}

int Expres::FindVar(const std::string& name) const {
    if (name == left_) return -1;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return static_cast<int>(i);
    return -2;
}

double Expres::GetSystemCoef(const std::string& name) const {
    const int i = FindVar(name);
    if (i == -1) return 1.0;
    if (i == -2) return 0.0;
    return -coefs_.At(i);
}

bool Expres::RenameVar(const std::string& oldName, const std::string& newName) {
    const int i = FindVar(oldName);
    if (i == -2) return false;
    if (i == -1) left_ = newName;
    else names_[static_cast<std::size_t>(i)] = newName;
    return true;
}

std::string Expres::Format(int mode) const {
    const std::string& constant = LoadStr(kStrConstantName);
    std::string s = left_ + " = ";
    for (int i = 0; i < GetCount(); ++i) {
        const double c = coefs_.At(i);
        const std::string& v = names_[static_cast<std::size_t>(i)];
        if (c == 1.0) {
            s += " +" + v;
        } else if (c == -1.0) {
            s += " -" + v;
        } else if (c == 0.0) {
            // A zero term is left out of the text.
        } else {
            if (mode == 1) {
                s += FormatFloat(LoadStr(kStrCoefficientPicture), c);
            } else {
                if (c > 0.0) s += "+";
                s += FloatToStrGeneral(c);
            }
            if (v != constant) s += "*" + v;
        }
    }
    if (definition_) s = "@" + s;
    return s;
}

void Expres::Read(BinaryReader& in) {
    std::string left = in.ReadText();
    const int count = in.ReadUInt16();
    if (count > in.Remaining() / kMinTermBytes) in.Fail("方程式の項の数がファイルの大きさを超えています");
    const bool definition = in.ReadUInt16() == 1;
    std::vector<std::string> names;
    std::vector<double> coefs;
    for (int i = 0; i < count; ++i) {
        names.push_back(in.ReadText());
        coefs.push_back(in.ReadDouble());
    }
    Set(left, count, definition, coefs, names);
}

void Expres::Read(std::istream& in, std::int64_t available) {
    BinaryReader reader(in, available, "方程式の読み込み");
    Read(reader);
}

void Expres::Write(BinaryWriter& out) const {
    if (names_.size() > kMaxStoredTerms) throw EWriteError("方程式の項が多すぎて保存できません: " + left_);
    out.WriteText(left_);
    out.WriteUInt16(static_cast<std::uint16_t>(names_.size()));
    out.WriteUInt16(definition_ ? 1 : 0);
    for (int i = 0; i < GetCount(); ++i) {
        out.WriteText(names_[static_cast<std::size_t>(i)]);
        out.WriteDouble(coefs_.At(i));
    }
}

void Expres::Write(std::ostream& out) const {
    BinaryWriter writer(out, "方程式の書き込み");
    Write(writer);
}
