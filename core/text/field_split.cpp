#include "core/text/field_split.h"

#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

// Trims control characters and blanks, as the reader of the files always did.
std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}

bool IsFieldSeparator(char c) { return c == ',' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

void SplitField(char separator, std::string_view text, std::string& head, std::string& tail) {
    std::string_view h, t;
    if (!text.empty() && (text[0] == '{' || text[0] == '[')) {
        const char close = text[0] == '{' ? '}' : ']';
        std::size_t end = text.find(close, 1);
        if (end == std::string_view::npos) {
            h = text.substr(1);
        } else {
            h = text.substr(1, end - 1);
            std::size_t sep = text.find(separator, end + 1);
            if (sep != std::string_view::npos) t = text.substr(sep + 1);
        }
    } else {
        std::size_t sep = text.find(separator);
        h = text.substr(0, sep);
        if (sep != std::string_view::npos) t = text.substr(sep + 1);
    }
    std::string cleaned;
    cleaned.reserve(t.size());
    for (char c : t)
        if (c != '{' && c != '}') cleaned.push_back(c);
    head = Trim(h);
    tail = Trim(cleaned);
}

std::string SplitNameValue(std::string_view text, double& value, TextEvaluator& evaluator) {
    std::string head, tail;
    SplitField('/', text, head, tail);
    value = evaluator.Calculate(tail);
    return head;
}

void ParsePropertyAssignment(std::string_view text, std::string& key, std::string& value) {
    if (!text.empty()) text.remove_prefix(1);
    std::size_t eq = text.find('=');
    key = Trim(text.substr(0, eq));
    value.clear();
    if (eq == std::string_view::npos) return;
    const std::string rest = Trim(text.substr(eq + 1));
    int pos = 0;
    std::string field;
    ReadNextField(rest, pos, field);
    std::string_view v = field;
    if (!v.empty() && v.front() == '"') v.remove_prefix(1);
    if (!v.empty() && v.back() == '"') v.remove_suffix(1);
    value = Trim(v);
}

bool ReadNextField(std::string_view text, int& position, std::string& field) {
    const std::size_t n = text.size();
    std::size_t pos = position < 0 ? 0 : static_cast<std::size_t>(position);
    field.clear();
    // Every round consumes at least one byte until the end of the text.
    while (pos < n) {
        while (pos < n && IsFieldSeparator(text[pos])) ++pos;
        if (pos >= n) break;
        // Most fields hold no quote: trimmed straight from the text.
        if (text[pos] != '"') {
            std::size_t end = pos;
            while (end < n && !IsFieldSeparator(text[end]) && text[end] != '"') ++end;
            if (end >= n || text[end] != '"') {
                std::string_view t = text.substr(pos, end - pos);
                while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.remove_prefix(1);
                while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.remove_suffix(1);
                field.assign(t);  // keeps the field's buffer from call to call
                position = static_cast<int>(end);
                return true;
            }
        }
        std::string raw;
        if (text[pos] == '"') {
            std::size_t close = text.find('"', pos + 1);
            std::size_t end = close == std::string_view::npos ? n : close;
            raw.assign(text.substr(pos, end - pos));
            pos = close == std::string_view::npos ? n : close + 1;
        } else {
            while (pos < n && !IsFieldSeparator(text[pos])) {
                if (text[pos] == '"') {
                    std::size_t close = text.find('"', pos + 1);
                    std::size_t end = close == std::string_view::npos ? n : close;
                    raw.append(text.substr(pos, end - pos));
                    raw.push_back('"');
                    pos = close == std::string_view::npos ? n : close + 1;
                } else {
                    raw.push_back(text[pos++]);
                }
            }
        }
        // Only a field without any character is skipped; one of blanks
        // comes back empty after trimming.
        if (!raw.empty()) {
            field = Trim(raw);
            position = static_cast<int>(pos);
            return true;
        }
    }
    field.clear();
    position = static_cast<int>(pos);
    return false;
}

bool ReadStreamField(std::istream& in, std::string& field) {
    std::string bytes;
    bool endedByTab = false;
    // Bounded by the stream: every round reads at least one byte.
    while (true) {
        int c = in.get();
        if (c == std::char_traits<char>::eof()) break;
        if (c == '\t') {
            endedByTab = true;
            break;
        }
        if (c == ',' || c == '\r' || c == '\n') {
            const int pair = c == '\n' ? '\r' : c == '\r' ? '\n' : 0;
            if (pair && in.peek() == pair) in.get();
            if (bytes.empty()) continue;
            break;
        }
        bytes.push_back(static_cast<char>(c));
        if (cp932::IsLeadByte(static_cast<unsigned char>(c))) {
            // Its second byte may look like anything; it is never a separator.
            int d = in.get();
            if (d == std::char_traits<char>::eof()) break;
            bytes.push_back(static_cast<char>(d));
        }
    }
    in.clear(in.rdstate() & ~std::ios::failbit);
    field = Trim(cp932::ToUtf8(bytes));
    return !bytes.empty() || endedByTab;
}

std::string SplitSlashFields(std::string_view text, std::string& second, std::string& third) {
    std::size_t s1 = text.find('/');
    std::string_view first = text.substr(0, s1);
    std::string_view sec, thd;
    if (s1 != std::string_view::npos) {
        std::size_t s2 = text.find('/', s1 + 1);
        sec = text.substr(s1 + 1, s2 == std::string_view::npos ? std::string_view::npos : s2 - s1 - 1);
        if (s2 != std::string_view::npos) thd = text.substr(s2 + 1);
    }
    second = Trim(sec);
    third = Trim(thd);
    return Trim(first);
}

std::string SplitVariableHeader(std::string_view text, std::string& info, unsigned char& type) {
    std::string tag;
    std::string name = SplitSlashFields(text, tag, info);
    if (tag.empty() || info.empty()) throw Exception("");
    type = tag == "en" ? 1 : tag == "ex" ? 2 : tag == "lg" ? 3 : 0;
    return name;
}
