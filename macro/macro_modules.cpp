// Modules: their arguments and bodies, "dim", and "lib" files of modules.
#include <filesystem>
#include <system_error>

#include "macro/macro_compile.h"
#include "macro/macro_opcodes.h"
#include "platform/errors.h"

namespace {

// Words of storage per kind.
constexpr int kNumberWords = 2;
constexpr int kTextWords = 8;
constexpr int kArrayWords = 4;
constexpr int kReferenceWords = 1;

std::string ProgramFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.parent_path().string();
}

}  // namespace

void MacroCompile::ModuleSection() {
    const int savedOffset = dataOffset_;
    const int skip = NewLabel();
    EmitInt(opJMP, skip);
    NextToken();
    Symbol module;
    module.kind = vkModule;
    module.name = NewName();
    module.offset = CodeLength();
    Declare(module);
    const std::size_t outer = scopes_.size() - 1;
    const std::size_t index = scopes_[outer].symbols.size() - 1;

    OpenScope();
    std::vector<std::pair<std::uint8_t, std::uint8_t>> table;
    int argumentWords = 0;
    if (Is("(")) {
        NextToken();
        argumentWords = ModuleArguments(table);
    }
    Symbol& declared = scopes_[outer].symbols[index];
    declared.size = static_cast<int>(table.size());
    declared.arguments = table;

    const int frameSize = EmitTwoIntsReserved(opBLC, ScopeLevel(), argumentWords + 1);
    dataOffset_ = 4;
    const bool savedInModule = inModule_;
    const int savedDefFrames = defFrames_, savedCaseDepth = caseDepth_;
    const int savedBreak = breakLabel_, savedNext = nextLabel_;
    inModule_ = true;
    defFrames_ = 0;
    caseDepth_ = 0;
    // A loop outside the module is out of reach of its body.
    breakLabel_ = nextLabel_ = kNoLabel;
    Sections(true);
    if (!Is("{")) SyntaxErrorHere();
    Block();
    CloseScope();
    Emit(opRET);
    SetLabel(skip);
    PatchInt(frameSize, dataOffset_);
    dataOffset_ = savedOffset;
    inModule_ = savedInModule;
    defFrames_ = savedDefFrames;
    caseDepth_ = savedCaseDepth;
    breakLabel_ = savedBreak;
    nextLabel_ = savedNext;
}

int MacroCompile::ModuleArguments(std::vector<std::pair<std::uint8_t, std::uint8_t>>& table) {
    int offset = -1;
    if (Is(")")) {
        NextToken();
        return 0;
    }
    for (;;) {
        Symbol a;
        int words = kNumberWords;
        if (Is("&")) {
            NextToken();
            a.name = NewName();
            a.reference = 1;
            a.kind = vkNumber;
            if (Is("$")) {
                a.kind = vkText;
                NextToken();
            }
            words = kReferenceWords;
        } else if (Is("@")) {
            NextToken();
            a.name = NewName();
            a.kind = vkArray;
            words = kArrayWords;
            if (Is("[")) {
                NextToken();
                std::uint8_t columns = 0;
                if (Is(",")) {
                    NextToken();
                    Expression();
                    columns = 1;
                }
                Expect("]");
                EmitStorageRef(opDMB, columns, ScopeLevel(), offset - words);
            }
        } else {
            a.name = NewName();
            if (Is("$")) {
                NextToken();
                a.kind = vkText;
                words = kTextWords;
            }
        }
        if (DeclaredInCurrentScope(a.name)) SyntaxErrorHere();
        offset -= words;
        a.offset = offset;
        Declare(a);
        table.emplace_back(a.kind, a.reference);
        if (!Is(",")) break;
        NextToken();
    }
    Expect(")");
    return -1 - offset;
}

void MacroCompile::LibSection() {
    NextToken();
    if (AtEnd() && !stringToken_) SyntaxErrorHere();
    std::string fileName = token_;
    const int resume = errorPosition_;
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) {
        const std::string folder = libraryFolder_.empty() ? ProgramFolder() : libraryFolder_;
        fileName = (std::filesystem::path(folder) / fileName).string();
    }
    MacroObject file;
    try {
        file.LoadSource(fileName);
    } catch (const Exception&) {
        SyntaxErrorHere();
    }
    const std::string_view savedText = text_;
    const int savedLength = sourceLength_;
    const std::string libText = file.Source();
    StartText(libText);
    NextToken();
    // Only module definitions, each optionally followed by ";".
    while (Is("module")) {
        ModuleSection();
        if (Is(";")) NextToken();
    }
    if (!AtEnd()) SyntaxErrorHere();
    text_ = savedText;
    sourceLength_ = savedLength;
    ScanFrom(resume);
}

void MacroCompile::DimSection() {
    NextToken();
    for (;;) {
        const bool here = !stringToken_ && DeclaredInCurrentScope(token_);
        if (!here) UndefinedIdentifierError(errorPosition_, token_);
        const Symbol array = *FindSymbol(token_);
        if (array.kind != vkArray) SyntaxErrorHere();
        NextToken();
        if (Is("[")) {
            NextToken();
            std::uint8_t columns = 0;
            if (Is(",")) {
                NextToken();
                Expression();
                columns = 1;
            }
            Expect("]");
            EmitVariableRefOptions(opRDM, array.Ref(), columns);
        } else {
            EmitStorageRef(opDMA, 1, array.level, array.offset);
        }
        if (!Is(",")) return;
        NextToken();
    }
}
