// The ten user functions: parsing definitions, slots, running bodies, the
// evaluator link and the settings section "FUNC".
#include "eval/user_func.h"

#include <climits>
#include <new>

#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "eval/calc_str_user_function.h"
#include "platform/errors.h"
#include "platform/ini_file.h"
#include "platform/text/cp932.h"
#include "resources/string_table.h"

namespace {

const char* const kSection = "FUNC";

[[noreturn]] void Fail(StringId stringId) { throw Exception(LoadStr(stringId)); }

// Blanks and control characters off both ends, as the class library trims.
std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// One character of a UTF-8 text as the tokenizer sees it in names: letters,
// "_" and non-ASCII characters start a name; digits may follow; half-width
// katakana stand alone like punctuation.
struct NameChar {
    std::size_t length = 1;
    bool starts = false;
    bool continues = false;
};

NameChar ClassifyAt(const std::string& s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    NameChar nc;
    if (c < 0x80) {
        nc.starts = IsAsciiLetter(c) || c == '_';
        nc.continues = nc.starts || IsAsciiDigit(c);
        return nc;
    }
    std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (len > s.size() - i) len = s.size() - i;
    nc.length = len;
    bool halfWidthKana = false;
    if (len == 3 && c == 0xEF) {
        const auto c1 = static_cast<unsigned char>(s[i + 1]);
        const auto c2 = static_cast<unsigned char>(s[i + 2]);
        halfWidthKana = (c1 == 0xBD && c2 >= 0xA1) || (c1 == 0xBE && c2 <= 0x9F);
    }
    nc.starts = nc.continues = !halfWidthKana;
    return nc;
}

// A name the evaluator reads as one identifier token.
bool IsIdentifier(const std::string& name) {
    if (name.empty() || !ClassifyAt(name, 0).starts) return false;
    for (std::size_t i = 0; i < name.size();) {
        const NameChar nc = ClassifyAt(name, i);
        if (!nc.continues) return false;
        i += nc.length;
    }
    return true;
}

// Replaces every whole name of the body by "$" and its slot number in one
// pass over the original text, so inserted markers are never read again.
// The first of equal names wins. Words are what the evaluator reads as one
// identifier ("_" and Japanese letters included): a marker written into the
// middle of an identifier such as "x_1" would not read as a slot, and a
// name such as "_p" or "価格" would never be replaced. Runs that start with
// a digit are numbers and stay as they are.
std::string SubstituteSlots(const std::string& body, const std::vector<std::string>& names) {
    std::string out;
    out.reserve(body.size());
    std::size_t i = 0;
    while (i < body.size()) {
        NameChar nc = ClassifyAt(body, i);
        if (!nc.continues) {
            out.append(body, i, nc.length);
            i += nc.length;
            continue;
        }
        const bool isName = nc.starts;
        const std::size_t from = i;
        while (i < body.size() && (nc = ClassifyAt(body, i)).continues) i += nc.length;
        const std::string word = body.substr(from, i - from);
        std::size_t k = 0;
        while (isName && k < names.size() && names[k] != word) ++k;
        if (isName && k < names.size())
            out += "$" + std::to_string(k);
        else
            out += word;
    }
    return out;
}

// Reads the names after position pos (an opening "(" or a separator) up to
// one of stops; empty pieces are skipped. Leaves pos at the character that
// stopped the last piece and returns it ('\0' at the end of the text).
char ReadNameList(const std::string& text, std::size_t& pos, const char* stops, std::vector<std::string>& names) {
    char stop = '\0';
    do {
        const std::size_t from = pos + 1;
        const std::size_t k = text.find_first_of(stops, from);
        std::string piece = Trim(text.substr(from, k == std::string::npos ? std::string::npos : k - from));
        if (!piece.empty()) names.push_back(std::move(piece));
        if (k == std::string::npos) {
            pos = text.size();
            return '\0';
        }
        pos = k;
        stop = text[k];
    } while (stop == ',');
    return stop;
}

}  // namespace

void UserFunc::Clear() {
    name_.clear();
    body_.clear();
    definition_.clear();
    parameterCount_ = 0;
    slotCount_ = 0;
    std::vector<double>().swap(slots_);
}

void UserFunc::SetDefinition(const std::string& text) {
    if (text.empty()) {
        Clear();
        return;
    }
    // Refused before anything changes: saving the settings must never fail.
    (void)cp932::FromUtf8(text);
    try {
        const std::size_t open = text.find_first_of("(=");
        name_ = Trim(text.substr(0, open));
        definition_ = text;
        body_.clear();

        std::vector<std::string> names;
        std::size_t parameters = 0;
        std::string body;
        if (open != std::string::npos && text[open] == '(') {
            std::size_t pos = open;
            char stop = ReadNameList(text, pos, ",;)", names);
            parameters = names.size();
            if (stop == ';') stop = ReadNameList(text, pos, ",)", names);
            if (stop != ')') Fail(kStrSyntaxError);
            // A name the evaluator cannot read as one word would never be
            // replaced, and a digit name would match the slot numbers.
            for (const std::string& n : names)
                if (!IsIdentifier(n)) Fail(kStrSyntaxError);
            if (names.size() > static_cast<std::size_t>(INT_MAX)) Fail(kStrRangeError);
            const std::size_t eq = text.find('=', pos + 1);
            if (eq != std::string::npos) body = SubstituteSlots(text.substr(eq + 1), names);
        } else if (open != std::string::npos) {
            body = text.substr(open + 1);
        }
        // Without "(" there are no parameters, also for a bare name.
        std::vector<double> slots(names.size(), 0.0);
        body_ = std::move(body);
        slots_.swap(slots);
        parameterCount_ = static_cast<int>(parameters);
        slotCount_ = static_cast<int>(names.size());
    } catch (const std::bad_alloc&) {
        // Half-parsed: nothing of the function is kept.
        Clear();
        throw EOutOfMemory();
    }
}

double UserFunc::Evaluate(AppState& state) {
    EvalRunState& run = state.EvalRun();
    // Once the limit was hit, the calls still pending in the bodies above
    // return at once: a body calling itself twice would otherwise run on
    // for 2^64 calls, showing nothing but more errors.
    if (run.depthExceeded || UserCallBudgetSpent(run)) return 0.0;
    if (run.callDepth >= kMaxCallDepth) {
        run.depthExceeded = true;
        Fail(kStrRangeError);
    }
    // Past the budget the same way: one error, then the pending calls end.
    if (!SpendUserCall(run)) Fail(kStrRangeError);
    struct DepthScope {
        EvalRunState& run;
        explicit DepthScope(EvalRunState& r) : run(r) { ++run.callDepth; }
        ~DepthScope() {
            if (--run.callDepth == 0) run.depthExceeded = false;
        }
    } scope(run);
    // A copy: the evaluator reads the text in place, and a definition may
    // change while its body runs.
    const std::string body = body_;
    CalcStr calc(state);
    const double value = calc.EvaluateUserFunction(body);
    return run.depthExceeded || UserCallBudgetSpent(run) ? 0.0 : value;
}

void UserFunc::SetSlot(int i, double value) {
    if (i < 0 || i >= static_cast<int>(slots_.size())) Fail(kStrRangeError);
    slots_[static_cast<std::size_t>(i)] = value;
}

double UserFunc::GetSlot(int i) const {
    if (i < 0 || i >= static_cast<int>(slots_.size())) Fail(kStrRangeError);
    return slots_[static_cast<std::size_t>(i)];
}

void UserFunc::ClearSlots(bool all) {
    for (std::size_t i = all ? 0 : static_cast<std::size_t>(parameterCount_); i < slots_.size(); ++i) slots_[i] = 0.0;
}

UserFunc& UserFunctionTable::Entry(int f) {
    if (f < 0 || f >= UserFunc::kCount) Fail(kStrRangeError);
    return functions_[static_cast<std::size_t>(f)];
}

const UserFunc& UserFunctionTable::Entry(int f) const { return const_cast<UserFunctionTable*>(this)->Entry(f); }

void UserFunctionTable::ClearAll() {
    for (UserFunc& f : functions_) f.Clear();
}

int UserFunctionTable::Find(const std::string& name) const {
    if (name.empty()) return -1;
    for (int i = 0; i < UserFunc::kCount; ++i)
        if (functions_[static_cast<std::size_t>(i)].Name() == name) return i;
    return -1;
}

int FindWord(const std::string& text, int start, std::string& word) {
    word.clear();
    std::size_t i = start > 1 ? static_cast<std::size_t>(start - 1) : 0;
    auto alnum = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return IsAsciiLetter(u) || IsAsciiDigit(u);
    };
    while (i < text.size() && !alnum(text[i])) ++i;
    const std::size_t from = i;
    while (i < text.size() && alnum(text[i])) ++i;
    word = text.substr(from, i - from);
    if (i >= static_cast<std::size_t>(INT_MAX)) Fail(kStrRangeError);
    return static_cast<int>(i) + 1;
}

int FindWordPosition(const std::string& text, const std::string& name) {
    std::string word;
    int position = 1;
    // Every round consumes at least one word, so this ends.
    while (static_cast<std::size_t>(position) <= text.size()) {
        const int next = FindWord(text, position, word);
        if (word.empty()) break;
        if (word == name) return next - static_cast<int>(word.size());
        position = next;
    }
    return 0;
}

std::vector<int> UserFunctionTable::LoadSettings(const IniFile& ini) {
    std::vector<int> refused;
    auto& functions = functions_;
    for (int i = 0; i < UserFunc::kCount; ++i) {
        const std::string text = ini.ReadString(kSection, "item" + std::to_string(i), "");
        try {
            functions[static_cast<std::size_t>(i)].SetDefinition(text);
        } catch (const Exception&) {
            refused.push_back(i);
        }
    }
    return refused;
}

void UserFunctionTable::SaveSettings(IniFile& ini) const {
    const auto& functions = functions_;
    for (int i = 0; i < UserFunc::kCount; ++i)
        ini.WriteString(kSection, "item" + std::to_string(i), functions[static_cast<std::size_t>(i)].Definition());
}
