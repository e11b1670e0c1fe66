#include "macro/macro_list.h"

#include <new>

#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "macro/macro_run_errors.h"
#include "macro/macro_scan.h"
#include "platform/errors.h"

namespace {

struct HeaderInfo {
    std::string name;
    int parameters = 0;
};

// The name and parameter count of a macro source read from its header
// alone ("macro" name ["(" parameters ")"]), for an entry that does not
// compile yet. Empty name and no parameters when there is no header.
HeaderInfo ReadHeader(const std::string& source) {
    HeaderInfo info;
    const std::string_view text = std::string_view(source).substr(0, source.find('\0'));
    if (text.size() > 0x7ffffff0) return info;
    const int length = static_cast<int>(text.size());
    int position = 0;
    std::string token;
    bool isString = false;
    auto next = [&] {
        const int from = position;
        position = ScanMacroToken(text, length, position, token, isString);
        if (position <= from) {
            token.clear();
            isString = false;
            position = length;
        }
    };
    next();
    if (isString || token != "macro") return info;
    next();
    if (token.empty()) return info;
    info.name = token;
    next();
    if (isString || token != "(") return info;
    next();
    if (!isString && token == ")") return info;
    int count = 1;
    // Each token moves on, so the loop ends with the text.
    while (!token.empty() || isString) {
        if (!isString && token == ")") break;
        if (!isString && token == ",") ++count;
        next();
    }
    info.parameters = count;
    return info;
}

}  // namespace

MacroList::MacroList(AppState& state) : state_(state), run_(state) { run_.SetLibrary(this); }

MacroList::~MacroList() = default;

int MacroList::Find(const std::string& name) const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].name == name) return static_cast<int>(i);
    return -1;
}

MacroObject MacroList::CompileSource(const std::string& source) {
    // A compiler of its own each time: compiling one entry never disturbs
    // another compile under way.
    MacroCompile compiler(state_, this);
    compiler.CompileProgram(source);
    MacroObject compiled;
    compiler.LinkProgram(compiled);
    return compiled;
}

int MacroList::Put(Entry entry) {
    const int existing = Find(entry.name);
    if (existing >= 0) {
        entries_[static_cast<std::size_t>(existing)] = std::move(entry);
        return existing;
    }
    try {
        entries_.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        ShowMemoryError(state_.Services());
        return -1;
    }
    return static_cast<int>(entries_.size()) - 1;
}

int MacroList::AddOrReplace(const std::string& source) {
    auto compiled = std::make_shared<MacroObject>(CompileSource(source));
    Entry entry;
    entry.name = compiled->Name();
    entry.parameterCount = compiled->ParameterCount();
    entry.compiled = true;
    entry.macro = std::move(compiled);
    return Put(std::move(entry));
}

void MacroList::AddLoaded(const std::string& source) {
    try {
        AddOrReplace(source);
        return;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const Exception&) {
        // Kept as source: compiled when called or listed.
    }
    const HeaderInfo header = ReadHeader(source);
    auto macro = std::make_shared<MacroObject>();
    macro->SetSource(source);
    macro->SetName(header.name);
    Entry entry;
    entry.name = header.name;
    entry.parameterCount = header.parameters;
    entry.compiled = false;
    entry.macro = std::move(macro);
    Put(std::move(entry));
}

void MacroList::Remove(const std::string& name) {
    const int i = Find(name);
    if (i < 0) return;
    entries_.erase(entries_.begin() + i);
    if (entries_.empty()) std::vector<Entry>().swap(entries_);  // no array left
}

std::string MacroList::EntryName(int index) const {
    if (index < 0 || index >= Count()) return {};
    return entries_[static_cast<std::size_t>(index)].name;
}

std::string MacroList::EntrySource(int index) const {
    if (index < 0 || index >= Count()) return {};
    return entries_[static_cast<std::size_t>(index)].macro->Source();
}

bool MacroList::IsCompiled(int index) const {
    return index >= 0 && index < Count() && entries_[static_cast<std::size_t>(index)].compiled;
}

int MacroList::ParameterCount(int index) const {
    if (index < 0 || index >= Count()) return -1;
    return entries_[static_cast<std::size_t>(index)].parameterCount;
}

const MacroObject& MacroList::Compiled(int index) {
    if (index < 0 || index >= Count()) throw ERangeError(RunErrorText(kRunRange, -1));
    Entry& e = entries_[static_cast<std::size_t>(index)];
    if (!e.compiled) {
        auto compiled = std::make_shared<MacroObject>(CompileSource(e.macro->Source()));
        // Compiling cannot change the library, so e is still the entry.
        e.macro = std::move(compiled);
        e.compiled = true;
        e.parameterCount = e.macro->ParameterCount();
        // A source whose header read another name than the compiler's.
        e.name = e.macro->Name();
    }
    return *e.macro;
}

int MacroList::ResolveLibraryMacro(int index, const std::string* name) const {
    if (name == nullptr) return index >= 0 && index < Count() ? index : -1;
    if (index >= 0 && index < Count() && entries_[static_cast<std::size_t>(index)].name == *name) return index;
    return Find(*name);
}

double MacroList::Call(int index, const std::vector<std::string>& arguments) {
    if (index < 0 || index >= Count()) ThrowRunError(kRunRange, -1);
    Compiled(index);
    // Held here, so that the macro outlives a change of the library.
    const std::shared_ptr<const MacroObject> macro = entries_[static_cast<std::size_t>(index)].macro;
    const int declared = macro->ParameterCount();
    std::vector<std::string> texts;
    std::vector<bool> isText;
    const std::size_t n = std::min<std::size_t>(arguments.size(), static_cast<std::size_t>(MacroRun::kArgumentSlots));
    for (std::size_t j = 0; j < n; ++j) {
        texts.push_back(arguments[j]);
        isText.push_back(static_cast<int>(j) < declared && macro->ParameterIsText(static_cast<int>(j)));
    }
    // A call made while the library's interpreter runs (a library macro
    // calling another) gets an interpreter of its own.
    std::unique_ptr<MacroRun> nested;
    MacroRun* run = &run_;
    if (run_.IsRunning()) {
        nested = std::make_unique<MacroRun>(state_);
        nested->SetLibrary(this);
        nested->SetCurrentValue(state_.Evaluator().CurrentValue());
        run = nested.get();
    }
    run->SetArguments(texts, isText);
    try {
        run->Run(*macro);
    } catch (const std::bad_alloc&) {
        ShowMemoryError(state_.Services());
        return 0.0;
    } catch (const Exception&) {
        throw;
    } catch (const std::exception& e) {
        WarningBox(state_.Services(), std::string("【実行時エラー】\n") + e.what());
        return 0.0;
    }
    return run->CurrentValue();
}

void MacroList::Clear() {
    std::vector<Entry>().swap(entries_);
    fileName_.clear();
}
