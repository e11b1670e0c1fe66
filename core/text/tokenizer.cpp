#include "core/text/tokenizer.h"

#include <algorithm>
#include <array>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length in bytes of the well-formed UTF-8 character at i, or 0 when the
// byte there starts no such character.
int Utf8Length(std::string_view s, int i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > static_cast<int>(s.size())) return 0;
    for (int k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// Half-width katakana U+FF61..U+FF9F: EF BD A1..BF and EF BE 80..9F.
bool IsHalfWidthKana(std::string_view s, int i, int n) {
    if (n != 3) return false;
    unsigned char b0 = s[i], b1 = s[i + 1], b2 = s[i + 2];
    if (b0 != 0xEF) return false;
    return (b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F);
}

// A non-ASCII character that may stand in an identifier (what a double-byte
// character was in the code page); returns its length or 0.
int WideLetterLength(std::string_view s, int i) {
    if (static_cast<unsigned char>(s[i]) < 0x80) return 0;
    int n = Utf8Length(s, i);
    if (n < 2 || IsHalfWidthKana(s, i, n)) return 0;
    return n;
}

constexpr std::array<const char*, 28> kTwoCharOperators = {
    "==", "<=", ">=", "!=", "<>", "=>", "=<", "||", "@@", "@#", "@~", "##", "#@", "&&",
    "$$", ">>", "<<", "%%", "?%", "??", "::", "++", "+=", "--", "-=", "*=", "/=", ".."};

// Skips blanks and comments; every round consumes at least one byte, so the
// loop ends at the end of the text. An unclosed "/*" runs to the end.
int SkipBlanksAndComments(std::string_view t, int pos, int len) {
    while (pos < len) {
        if (IsBlank(t[pos])) {
            ++pos;
        } else if (t[pos] == '/' && pos + 1 < len && t[pos + 1] == '*') {
            // The search for the close starts at the opening slash, so "/*/"
            // is a whole comment, as old macro sources expect.
            std::size_t close = t.substr(0, len).find("*/", pos + 1);
            pos = close == std::string_view::npos ? len : static_cast<int>(close) + 2;
        } else if (t[pos] == '/' && pos + 1 < len && t[pos + 1] == '/') {
            pos += 2;
            while (pos < len && t[pos] != '\r' && t[pos] != '\n') ++pos;
            if (pos < len) ++pos;
        } else {
            break;
        }
    }
    return pos;
}

// The NUL search runs only inside the given length: scanning the whole text
// on every token made a long source quadratic.
int EffectiveLength(std::string_view text, int length) {
    if (length >= 0 && static_cast<std::size_t>(length) < text.size()) text = text.substr(0, length);
    std::size_t nul = text.find('\0');
    return static_cast<int>(std::min<std::size_t>(nul == std::string_view::npos ? text.size() : nul, 0x7fffffff));
}

}  // namespace

bool IsTwoCharOperator(char first, char second) {
    for (const char* op : kTwoCharOperators)
        if (op[0] == first && op[1] == second) return true;
    return false;
}

int NextToken(std::string_view text, int position, std::string& token, bool* isString, int length) {
    const int len = EffectiveLength(text, length);
    text = text.substr(0, len);  // nothing past the limit is ever looked at
    token.clear();
    bool str = false;
    int pos = std::clamp(position, 0, len);
    pos = SkipBlanksAndComments(text, pos, len);
    auto at = [&](int i) { return i < len ? text[i] : '\0'; };

    if (pos >= len) {
        // End of the text: the empty end token.
    } else if (char c = text[pos]; IsAsciiLetter(c) || c == '_' || WideLetterLength(text, pos) > 0) {
        while (pos < len) {
            char d = text[pos];
            if (IsAsciiLetter(d) || IsDigit(d) || d == '_') {
                token.push_back(d);
                ++pos;
            } else if (int n = WideLetterLength(text, pos); n > 0) {
                token.append(text.substr(pos, n));
                pos += n;
            } else {
                break;
            }
        }
    } else if (IsDigit(c) || (c == '.' && at(pos + 1) != '.')) {
        // Several points or exponents may join; the conversion rejects them.
        while (pos < len) {
            char d = text[pos];
            if (IsDigit(d)) {
                token.push_back(d);
                ++pos;
            } else if (d == '.') {
                if (at(pos + 1) == '.') break;  // ".." is the next token
                token.push_back(d);
                ++pos;
            } else if (d == 'E' || d == 'e') {
                token.push_back('E');
                ++pos;
                if (at(pos) == '+' || at(pos) == '-') token.push_back(text[pos++]);
            } else {
                break;
            }
        }
    } else if (c == '"') {
        str = true;
        ++pos;
        std::size_t close = text.find('"', pos);
        int end = close == std::string_view::npos ? len : static_cast<int>(close);
        token.assign(text.substr(pos, end - pos));
        pos = end < len ? end + 1 : len;
    } else {
        // One character (a half-width katakana or a stray byte included),
        // joined with the next one when they form a two-character operator.
        int n = std::max(Utf8Length(text, pos), 1);
        token.assign(text.substr(pos, n));
        pos += n;
        if (n == 1 && pos < len && IsTwoCharOperator(c, text[pos])) token.push_back(text[pos++]);
    }
    if (isString) *isString = str;
    return std::min(pos, len);
}

int ComparisonOperatorCode(std::string_view op) {
    if (op == "<") return 0;
    if (op == "<=" || op == "=<") return 1;
    if (op == "==") return 2;
    if (op == "!=" || op == "<>") return 3;
    if (op == ">=" || op == "=>") return 4;
    if (op == ">") return 5;
    if (op == "<<") return 6;
    if (op == ">>") return 7;
    return -1;
}

int AssignmentOperatorCode(std::string_view op) {
    if (op == "++") return 0;
    if (op == "--") return 1;
    if (op == "=") return 2;
    if (op == "+=") return 3;
    if (op == "-=") return 4;
    if (op == "*=") return 5;
    if (op == "/=") return 6;
    return -1;
}

std::string ReadArgumentText(std::string_view text, int& position) {
    const int len = EffectiveLength(text, -1);
    std::string out, token;
    int depth = 0;
    int pos = std::clamp(position, 0, len);
    // Every round consumes a token, and the end token stops the loop.
    while (true) {
        int start = SkipBlanksAndComments(text, pos, len);
        bool isString = false;
        int next = NextToken(text, start, token, &isString, len);
        if (!isString) {
            if (token.empty() || token == "," || (token == ")" && depth == 0)) {
                position = start;
                break;
            }
            if (token == "(") ++depth;
            else if (token == ")") --depth;
        }
        out += token;
        pos = next;
    }
    std::size_t b = out.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    std::size_t e = out.find_last_not_of(" \t\r\n");
    return out.substr(b, e - b + 1);
}
