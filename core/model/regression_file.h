// The model's data file: reading a file completely, taking it over, and
// saving with the form chosen by the extension.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "core/io/data_file.h"
#include "core/model/regression_model.h"

class TextEvaluator;

// Reads the whole file: ".MDF" (any letter case) with the magic in the
// binary form, anything else in the text form. fileForm becomes 0 for the
// binary form, 1 for the text form. A missing name is made from the file
// title. EFOpenError, EReadError, ... on failure; EOutOfMemory when memory
// ran out.
// Numbers of the text form are read through the evaluator.
void ReadDataFile(const std::string& fileName, LoadedDataFile& loaded, int& fileForm, UiServices& services,
                  TextEvaluator& evaluator);
// Takes over a completely read file (its variables are moved out),
// re-estimates the stored model and clears the modified flag.
void AdoptLoaded(Reg& reg, LoadedDataFile& loaded);
// Replaces the model by the file's data set and stored model, then
// re-estimates it. The file is read completely first: on any error the
// model, its file name and its modified flag are left as they were.
void LoadFile(Reg& reg, const std::string& fileName);
// Saves to the model's file name: ".MDF" (any letter case) in the binary
// form, any other extension in the text form. The file is written beside
// the target and moved into place, the old file kept as ".BAK"; only then
// is the modified flag cleared. EFOpenError / EWriteError on failure, with
// the old file and the modified flag as they were.
void WriteFile(Reg& reg);
// The file name := name, then WriteFile; a failed save keeps the former
// name.
void SaveAs(Reg& reg, const std::string& name);
// Writes a file through write into a temporary file beside target, then
// moves the old file to ".BAK" (unless keepBackup is false) and the new one
// into place. On failure the old file stays and the temporary file is
// removed.
void WriteFileReplacing(const std::string& target, const std::function<void(std::ostream&)>& write,
                        const EngineContext& context, bool keepBackup = true);
// What the file writers take: the data set, its stored model and the
// program-wide companions a data file carries.
DataFileImage FileImage(const Reg& reg);
// The whole binary image (magic, data part, model sections) to a stream.
void WriteBinaryImage(const Reg& reg, std::ostream& out);
