#include "core/io/text_section_items.h"

#include <string_view>

#include "core/data/data_set.h"
#include "core/io/text_table_names.h"
#include "core/settings/user_var.h"
#include "core/text/field_split.h"
#include "platform/errors.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool HasOuterBlanks(const std::string& s) { return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back())); }

// The field the section reader makes of written, when written is all of it.
bool OneField(const std::string& written, std::string& field) {
    const std::string text = written + ",";
    int pos = 0;
    return ReadNextField(text, pos, field) && pos == static_cast<int>(written.size());
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// The reader keeps the opening quote of a quoted field; items drop it.
std::string DropOpeningQuote(std::string field) {
    if (!field.empty() && field[0] == '"') field.erase(0, 1);
    return field;
}

[[noreturn]] void Refuse(const std::string& what, const std::string& why) {
    throw EWriteError(what + "はテキスト形式のデータファイルに書けません（" + why +
                      "）。直すか、.MDF 形式で保存してください。");
}

const char kQuoteProblem[] = "「\"」と「,」や改行の組み合わせは読み戻せません";

}  // namespace

Expres EquationFromText(const std::string& item, const Data& names) {
    const std::string t(TrimView(item));
    bool definition = false;
    std::string body = t;
    if (!body.empty() && body[0] == '@') {
        definition = true;
        body = std::string(TrimView(std::string_view(body).substr(1)));
    }
    const std::size_t eq = body.find('=');
    if (eq != std::string::npos && TrimView(std::string_view(body).substr(eq + 1)).empty()) {
        const std::string left(TrimView(std::string_view(body).substr(0, eq)));
        const int j = names.FindVar(left);
        if (j < 0 || j >= names.GetVarCount()) throw Exception("Not Found!");
        return Expres(names.GetVarName(j), 0, definition, {}, {});
    }
    return Expres(t, names, false);
}

std::string VariablePropertyItem(const Data& data, int j) {
    const std::string item = data.FormatVarProperty(j);
    const std::string what = "変数「" + ShownName(data.GetVarName(j)) + "」の説明";
    if (HasOuterBlanks(data.GetVar(j).GetInfo())) Refuse(what, "前後の空白は読み戻せません");
    std::string field;
    for (const std::string& form : {item, Quoted(item)})
        if (OneField(form, field) && DropOpeningQuote(field) == item) return form;
    Refuse(what, kQuoteProblem);
}

std::string DataSetTextItem(const std::string& key, const std::string& text) {
    const std::string form = "@" + key + " = " + Quoted(text);
    const std::string what = key == "name" ? "データセットの名前" : "データセットの説明";
    if (HasOuterBlanks(text)) Refuse(what, "前後の空白は読み戻せません");
    std::string field;
    std::string readKey;
    std::string value;
    if (OneField(form, field)) {
        ParsePropertyAssignment(DropOpeningQuote(field), readKey, value);
        if (readKey == key && value == text) return form;
    }
    Refuse(what, kQuoteProblem);
}

std::string GroupNameItem(const std::string& name, int code) {
    if (name.empty()) return "null";
    const std::string what = "グループ " + std::to_string(code) + " の名前「" + ShownName(name) + "」";
    if (HasOuterBlanks(name)) Refuse(what, "前後の空白は読み戻せません");
    std::string field;
    // "null" stands for no name; a name that reads as it, or begins with
    // a quote, goes in quotes.
    if (name != "null" && name[0] != '"' && OneField(name, field) && field == name) return name;
    if (OneField(Quoted(name), field) && DropOpeningQuote(field) == name) return Quoted(name);
    Refuse(what, kQuoteProblem);
}

std::string EquationItem(const Expres& equation, const Data& names) {
    const std::string text = equation.Format(0);
    const std::string what = "式「" + ShownName(text) + "」";
    std::string field;
    // The reader trims the line; an equation without terms ends in a blank.
    if (!OneField(text, field) || field != TrimView(text) || field == "#")
        Refuse(what, "「,」、タブ、改行、「\"」を含む名前の式は読み戻せません");
    std::string again;
    try {
        again = EquationFromText(text, names).Format(0);
    } catch (const std::exception&) {
        again.clear();
    }
    if (again != text) Refuse(what, "変数名に演算子の文字があると式として読み戻せません");
    return text;
}

void CheckUserScalarNames(const UserVar& scalars) {
    for (int i = 0; i < UserVar::kCount; ++i) {
        const std::string& name = scalars.GetName(i, true);
        if (name.find_first_of(",\t\r\n/") != std::string::npos || name.find('\0') != std::string::npos ||
            HasOuterBlanks(name))
            Refuse("ユーザ変数 " + std::to_string(i) + " の名前「" + ShownName(name) + "」",
                   "「,」、「/」、タブ、改行、前後の空白は読み戻せません");
    }
}
