// The lexical syntax shared by the expression evaluator and the macro
// compiler: blanks, comments, identifiers, numbers, string literals and the
// two-character operators, plus the operator codes both parsers use.
//
// Texts are UTF-8 and positions are byte offsets. A non-ASCII character is
// one character and counts as a letter in identifiers, except half-width
// katakana, which are single characters that stand alone like punctuation.
// A token is returned as its text; the callers classify it.
#pragma once

#include <string>
#include <string_view>

// Reads the token that starts at or after position and returns the position
// after it. Blanks and any number of comments ("/* ... */", "// ... line
// end") are skipped first. At the end of the text the token is empty and the
// end position is returned, so a scanning loop stops on an empty token.
// isString (when given) is set only for a string literal, whose token is
// the text between the double quotes. length limits the text (it is also
// cut at a NUL byte); a negative length means the whole text.
int NextToken(std::string_view text, int position, std::string& token, bool* isString = nullptr,
              int length = -1);

// "<" 0, "<=" "=<" 1, "==" 2, "!=" "<>" 3, ">=" "=>" 4, ">" 5, "<<" 6
// (inside an interval), ">>" 7 (outside), anything else -1.
int ComparisonOperatorCode(std::string_view op);

// "++" 0, "--" 1, "=" 2, "+=" 3, "-=" 4, "*=" 5, "/=" 6, anything else -1.
int AssignmentOperatorCode(std::string_view op);

// True for the 28 two-character operators.
bool IsTwoCharOperator(char first, char second);

// The source text of one call argument starting at position: the token
// texts joined without blanks or comments (a string literal gives its
// characters without quotes), up to a "," or a ")" that closes no "("
// opened inside the argument, or the end of the text. Returns the trimmed
// text; position is left at the start of the terminating token.
std::string ReadArgumentText(std::string_view text, int& position);
