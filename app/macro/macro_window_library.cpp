// The macro window's library page: the macros of the library listed, edited,
// added from files, removed and cleared, and the library's ".MLB" files.
#include <QListWidget>
#include <QTabWidget>

#include "app/macro/macro_typing_undo.h"
#include "app/macro/macro_window.h"
#include "eval/app_state.h"
#include "macro/macro_engine.h"
#include "platform/ui_services.h"

namespace {

// The main window's open filter; the macro sources are its second entry.
const char* const kAddFilter =
    "多変量データ|*.MDF|マクロデータ|*.MCR|テキストデータ|*.TXT|マクロライブラリー|*.MLB|すべて|*.*";

}  // namespace

MacroList& TfrmMacro::Library() const { return GetMacroEngine(state_).library; }

std::string TfrmMacro::LibraryFileName() const { return Library().FileName(); }

void TfrmMacro::tsLibShow() {
    lbList->clear();
    const MacroList& library = Library();
    for (int i = 0; i < library.Count(); ++i) lbList->addItem(QString::fromStdString(library.EntryName(i)));
}

void TfrmMacro::LoadLibraryFile(const std::string& fileName) {
    Library().LoadLibrary(fileName);
    libraryEntry_ = -1;
    tsLibShow();
}

void TfrmMacro::SaveLibraryFile(const std::string& fileName) { Library().SaveLibrary(fileName); }

void TfrmMacro::AddMacroExecute() {
    const std::string text = SourceText();
    if (text.empty()) return;
    Library().AddOrReplace(text);
    PC->setCurrentWidget(tsLib);
    tsLibShow();
}

void TfrmMacro::btnMLEditClick() {
    const int i = lbList->currentRow();
    MacroList& library = Library();
    if (i < 0 || i >= library.Count()) return;
    SetSourceText(library.EntrySource(i));
    libraryEntry_ = i;
    CompileOnlyIntoHost(SourceText());
    PC->setCurrentWidget(tsEdit);
    UpdateCaption();
}

void TfrmMacro::btnMLAddClick() {
    FileDialogRequest request;
    request.initialDir = DataFolder();
    request.filter = kAddFilter;
    request.filterIndex = 2;
    request.title = "開く";
    const std::string name = state_.Services().ChooseOpenFile(request);
    if (name.empty() || MacroUpperExtension(name) != ".MCR") return;
    // Read apart from the macro being edited, whose file stays its own.
    MacroObject loaded;
    loaded.LoadSource(name);
    Library().AddOrReplace(loaded.Source());
    tsLibShow();
}

void TfrmMacro::btnMLDelClick() {
    const int i = lbList->currentRow();
    MacroList& library = Library();
    if (i < 0 || i >= library.Count()) return;
    library.Remove(library.EntryName(i));
    // The entry being edited keeps its place in the caption, or is gone.
    if (libraryEntry_ == i)
        libraryEntry_ = -1;
    else if (libraryEntry_ > i)
        --libraryEntry_;
    tsLibShow();
    UpdateCaption();
}

void TfrmMacro::btnClearClick() {
    Library().Clear();
    libraryEntry_ = -1;
    tsLibShow();
    UpdateCaption();
}
