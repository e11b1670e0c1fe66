// The macro window's library page.
#include "app/macro_window.h"

void TfrmMacro::tsLibShow() {}
void TfrmMacro::btnMLEditClick() {}
void TfrmMacro::btnMLAddClick() {}
void TfrmMacro::btnMLDelClick() {}
void TfrmMacro::btnClearClick() {}
void TfrmMacro::AddMacroExecute() {}
void TfrmMacro::sgStackClick(int) {}
void TfrmMacro::LoadLibraryFile(const std::string&) {}
void TfrmMacro::SaveLibraryFile(const std::string&) {}
std::string TfrmMacro::LibraryFileName() const { return {}; }
