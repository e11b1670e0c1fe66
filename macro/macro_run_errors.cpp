#include "macro/macro_run_errors.h"

std::string RunErrorText(int kind, int address) {
    static const char* const kTexts[] = {"範囲エラー", "型違反エラー", "システムエラー", "範囲エラー"};
    const int k = ((kind % 4) + 4) % 4;
    return std::string(kTexts[k]) + " at " + std::to_string(address);
}

void ThrowRunError(int kind, int address) { throw EMacroRunError(RunErrorText(kind, address)); }
