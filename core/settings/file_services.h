// Small services every window uses: context help, the memory-failure boxes,
// backups before a file is overwritten, temporary file names, the save
// dialog for text output, the folder chooser and reading a percentage.
//
// They ask the user through the services they are given and read folders
// from the engine context. Saving a window's image is done by the window
// layer itself.
#pragma once

#include <string>
#include <string_view>

class EngineContext;
class TextEvaluator;
class UiServices;

// The filters of the main window's file dialogs.
extern const char* const kOpenDialogFilter;
extern const char* const kSaveDialogFilter;
// Filter numbers (from 1) of the save dialog.
constexpr int kSaveFilterText = 3;
constexpr int kSaveFilterBitmap = 4;

// Shows the help topic of a context id from the help file of the settings;
// when there is no help file or it cannot be shown, says so in an error box.
void ShowHtmlHelp(const EngineContext& context, int contextId);

// The error box of a failed allocation; the operation is then given up.
void ShowMemoryError(UiServices& services);

// The error box of a failed allocation that may have left shared data
// half-built (Abort button); then asks the application to end.
void FatalMemoryError(UiServices& services);

// When the file exists it is renamed to the same name with the extension
// ".BAK", replacing an older backup. Failures are not reported: creating the
// new file reports its own. Returns fileName.
std::string RenameToBackup(const std::string& fileName);

// The file chosen for a text output in the save dialog (data folder, text
// filter, default extension "TXT"); the empty text when cancelled.
std::string AskSaveFileName(const EngineContext& context);

// Lets the user choose a folder starting at folder; when confirmed, folder
// becomes the chosen folder with a trailing "/" and true is returned; on
// cancel folder is left unchanged.
bool ChooseDirectory(UiServices& services, std::string& folder);

// A probability from a percentage text: the value / 100, 0 below 0 and
// 1 - 2^-23 from there up; an empty, incomplete or not-a-number text gives
// defaultPercent (also in percent) treated the same way.
double EvaluatePercent(TextEvaluator& evaluator, const std::string& text, double defaultPercent);

// The file name of a path: the text after the last "/" or "\" (old stored
// names carry Windows separators). With dropExtension the name stops before
// its own last ".".
std::string ExtractFileTitle(std::string_view path, bool dropExtension);
