#include "core/io/text_table_names.h"

#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trimmed(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool StartsAName(const std::string& cp932Bytes) {
    const auto c = static_cast<unsigned char>(cp932Bytes[0]);
    return (c < 0x80 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) || c == '_' || cp932::IsLeadByte(c);
}

}  // namespace

std::string ShownName(const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(name.size());
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            shown += "\\x";
            shown.push_back(kHex[b >> 4]);
            shown.push_back(kHex[b & 15]);
        } else {
            shown.push_back(c);
        }
    }
    return shown;
}

std::string TextTableNameProblem(const std::vector<std::string>& names, std::size_t j) {
    const std::string& name = names[j];
    if (name.empty()) return "変数名が空です";
    if (!StartsAName(cp932::FromUtf8(name))) return "先頭が英字、「_」、全角文字のどれでもありません";
    if (name.find_first_of(",\t\r\n\"") != std::string::npos) return "「,」、タブ、改行、「\"」は使えません";
    if (name.find('\0') != std::string::npos) return "NUL 文字は使えません";
    if (IsBlank(name.back())) return "末尾に空白があります";
    for (std::size_t i = 0; i < j; ++i)
        if (names[i] == name) return "同じ名前の変数がほかにもあります";
    // The property item "name/tag/info" belongs to the first variable named
    // by the text before one of its "/".
    for (std::size_t p = name.find('/'); p != std::string::npos; p = name.find('/', p + 1)) {
        const std::string prefix = Trimmed(name.substr(0, p));
        for (const std::string& other : names)
            if (other == prefix) return "「/」の前が変数「" + other + "」の名前と同じです";
    }
    return {};
}

void CheckTextTableNames(const std::vector<std::string>& names) {
    for (std::size_t j = 0; j < names.size(); ++j) {
        const std::string problem = TextTableNameProblem(names, j);
        if (!problem.empty())
            throw EWriteError("変数「" + ShownName(names[j]) + "」の名前はテキスト形式のデータファイルに書けません（" + problem +
                              "）。名前を変えるか、.MDF 形式で保存してください。");
    }
}
