// Cutting lines into fields: the small splitters used by the text data
// reader, the settings reader, the clipboard paste and the group colour
// table.
//
// Texts are UTF-8; every separator is an ASCII character, so a multi-byte
// character is never split. ReadStreamField alone reads CP932 bytes from a
// file and returns UTF-8.
#pragma once

#include <istream>
#include <string>
#include <string_view>

class TextEvaluator;

// Head and tail of a field list. A text starting with "{" or "[" has as its
// head everything up to the first matching "}" or "]" (brackets dropped) and
// its tail after the next separator; otherwise the head runs up to the first
// separator. Every "{" and "}" is removed from the tail; both are trimmed.
void SplitField(char separator, std::string_view text, std::string& head, std::string& tail);

// name/expression: returns the name and evaluates the expression through
// the installed text evaluator (its exception passes through).
std::string SplitNameValue(std::string_view text, double& value, TextEvaluator& evaluator);

// "@key = \"value\"": the first character is dropped, the key is the text
// before the first "=", the value the first field after it with one
// leading and one trailing double quote removed. Both are trimmed; without
// "=" the value is empty.
void ParsePropertyAssignment(std::string_view text, std::string& key, std::string& value);

// The next field of a line separated by "," TAB CR LF, from position
// (advanced past it); empty fields between separators are skipped, while a
// field of blanks comes back as the empty text. A field
// starting with a double quote runs to the closing quote and keeps only the
// opening one; inside other fields a quoted part keeps both quotes and
// protects separators. The field is trimmed. Returns false when the text
// held no further field.
bool ReadNextField(std::string_view text, int& position, std::string& field);

// The next field of a CP932 stream, as UTF-8: bytes up to "," TAB CR or LF
// (never the second byte of a double-byte character). A line end is CR, LF,
// CR LF or LF CR. Empty fields are skipped at "," and line ends, while a TAB
// ends a field even when it is empty. Returns false when the stream ended
// before any byte or separator of a field. Throws EConvertError for bytes
// that are not CP932.
bool ReadStreamField(std::istream& in, std::string& field);

// first/second/third split at the first two "/" (the third keeps any
// further "/"); parts the text does not reach are empty. Returns the first
// part; all three are trimmed.
std::string SplitSlashFields(std::string_view text, std::string& second, std::string& third);

// The header of a variable block, name/tag/info: returns the name; the tag
// "en" gives type 1, "ex" 2, "lg" 3, any other 0. An empty tag or info
// throws Exception with an empty message.
std::string SplitVariableHeader(std::string_view text, std::string& info, unsigned char& type);
