// Saving the main text report to a file, and the File command around it.
#pragma once

#include <string>

#include "core/model/text_report.h"

class Reg;

// Writes the report into a temporary file beside path and moves it into
// place; a failure leaves an existing file as it was. With originalData the
// data file (binary for ".MDF", the text form otherwise) comes first and
// the report follows it, and the former file is kept as ".BAK". The model's
// file name and modified flag are never touched, so the model does not look
// saved because of the copy. EOutOfMemory, EFOpenError, EWriteError.
void SaveTextReport(Reg& model, const TextReportOptions& options, const std::string& path, bool originalData);

// True when path names the model's own data file.
bool IsModelDataFile(const Reg& model, const std::string& path);

// The File command: asks for the name in the save dialog, refuses the open
// data file itself, asks before replacing an existing file, then saves.
// True when the report was written; errors pass to the caller, the model's
// NoEstimateReason() first when it has no estimate to report.
bool RunTextSave(Reg* model, const TextReportOptions& options, bool originalData);
