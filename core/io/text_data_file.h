// The keyword text form of the data file: a table of variables by
// observations (or one block per variable) followed by keyword sections for
// roles, stage, properties, groups, equations and colours. CP932 on disk,
// CR LF line ends when written; every number is read as an expression.
//
// The reader fills a LoadedDataFile and changes nothing else, so a failed
// read leaves the program as it was. Its formulas see the file's own
// variables read so far, never the data set that is open. Every count,
// range and field is checked: a damaged file, one with a NUL byte among
// them, raises EReadError naming the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "core/io/data_file.h"
#include "core/text/general_float.h"
#include "core/text/plain_decimal.h"

class TextEvaluator;
class UiServices;

// Bytes the reader takes from the stream at a time; a field or line end
// may straddle two reads.
constexpr std::size_t kTextReadChunk = std::size_t{1} << 20;

// Reads a whole text data file from the stream's current position.
void ReadTextDataFile(std::istream& in, LoadedDataFile& out, TextEvaluator& evaluator, UiServices& services,
                      std::size_t readChunk = kTextReadChunk);

// Reads only the data part (user scalars, table or blocks), as the variable
// import does. Returns true when the data ended at a field that may begin a
// keyword section; then sectionStart is that field's byte offset.
bool ReadTextDataPart(std::istream& in, LoadedDataFile& out, TextEvaluator& evaluator, UiServices& services,
                      std::int64_t& sectionStart, std::size_t readChunk = kTextReadChunk);

// Writes the text form (CP932, CR LF). EConvertError for a text CP932
// cannot hold, EWriteError for a failing stream and, before any byte, for
// a variable name the table cannot hold (text_table_names.h).
void WriteTextDataFile(const DataFileImage& image, std::ostream& out, UiServices& services);

// A value as the reader takes it: a plain decimal number directly (the same
// double the evaluator gives), the writer's "NAN", "INF" and "-INF", and any
// other text through the evaluator.
double ReadTextValue(std::string_view text, TextEvaluator& evaluator);
