// Reading one token of a macro source without looking at the rest of it.
#pragma once

#include <string>
#include <string_view>

// As NextToken of the tokenizer over text[0, length), which must hold no
// NUL byte, but reading only a window around the token, so that scanning a
// long source token by token takes time in proportion to its length.
int ScanMacroToken(std::string_view text, int length, int position, std::string& token, bool& isString);
