// MOD: the call of a library macro from a run.
#include <new>

#include "core/settings/file_services.h"
#include "core/text/float_format.h"
#include "eval/app_state.h"
#include "macro/macro_library_calls.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/text/cp932.h"

void MacroRun::LibraryCall(int n, int k, int address) {
    if (n < 0 || static_cast<std::size_t>(n) > cellCount_) ThrowRunError(kRunSystem, address);
    if (library_ == nullptr) ThrowRunError(kRunSystem, address);
    std::vector<std::string> arguments;
    try {
        arguments.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        ShowMemoryError(state_.Services());
        return;
    }
    // The last argument is on top.
    for (int j = n - 1; j >= 0; --j) {
        const MacroCell& c = Top();
        if (c.kind == MacroCell::kText)
            arguments[static_cast<std::size_t>(j)] = cp932::ToUtf8(PopText());
        else if (c.kind == MacroCell::kNumber)
            arguments[static_cast<std::size_t>(j)] = FloatToStrGeneral(PopNumber());
        else
            ThrowRunError(kRunType, address);
    }
    const std::string* name = object_ != nullptr ? object_->LibraryCallName(address) : nullptr;
    const int index = library_->ResolveLibraryMacro(k, name);
    if (index < 0) ThrowRunError(kRunRange, address);
    PushNumber(library_->CallLibraryMacro(index, arguments));
}
