// The macro window's file commands: new macros, ".MCR" sources and ".MLB"
// libraries opened and saved, and the caption that names them.
#include <QTabWidget>
#include <algorithm>
#include <filesystem>

#include "app/macro/macro_typing_undo.h"
#include "app/macro/macro_window.h"
#include "eval/app_state.h"
#include "macro/macro_host.h"
#include "macro/macro_list.h"
#include "platform/command_guard.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

const char* const kMacroFilter = "マクロデータ|*.MCR|すべて|*.*";
const char* const kOpenFilter = "マクロライブラリー|*.MLB|マクロデータ|*.MCR|すべて|*.*";

std::string NewMacroTemplate(int number) {
    return "macro MACRO" + std::to_string(number) +
           "\n//  TODO: ここに変数・モジュールを定義する。\n\n{\n//  TODO: ここに実行文を書く\n\n}";
}

}  // namespace

std::string MacroUpperExtension(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
    return ext;
}

const std::string& TfrmMacro::MacroFileName() const { return Host().FileName(); }

void TfrmMacro::OpenMacroFile(const std::string& fileName) {
    MacroObject loaded;
    loaded.LoadSource(fileName);
    SetSourceText(loaded.Source());
    libraryEntry_ = -1;
    Host().SetFileName(fileName);
    PC->setCurrentWidget(tsEdit);
    UpdateCaption();
    // The source is open even when it does not compile: the error is shown
    // and the listing keeps what it had.
    try {
        CompileIntoHost(SourceText());
    } catch (const Exception& e) {
        ShowCommandError(state_.Services(), e);
    }
}

void TfrmMacro::NewFileExecute() {
    const int number = newFileCounter_++;
    SetSourceText(NewMacroTemplate(number));
    libraryEntry_ = -1;
    Host().SetFileName(DataFolder() + "NONAME" + std::to_string(number) + ".MCR");
    PC->setCurrentWidget(tsEdit);
    UpdateCaption();
    CompileIntoHost(SourceText());
}

void TfrmMacro::LoadFileExecute() {
    FileDialogRequest request;
    request.initialDir = DataFolder();
    request.title = "開く";
    if (PC->currentWidget() == tsLib) {
        request.fileName = "*.MLB";
        request.filter = kOpenFilter;
        const std::string name = state_.Services().ChooseOpenFile(request);
        if (!name.empty() && MacroUpperExtension(name) == ".MLB") LoadLibraryFile(name);
    } else {
        request.filter = kMacroFilter;
        const std::string name = state_.Services().ChooseOpenFile(request);
        if (!name.empty()) OpenMacroFile(name);
    }
    UpdateCaption();
}

void TfrmMacro::SaveMacroSource(const std::string& fileName) {
    // What is saved is what the editor shows now, compiled or not.
    MacroObject source;
    source.SetSource(SourceText());
    source.SetFileName(Host().FileName());
    const std::string target = source.SaveTarget(fileName, state_.Context());
    source.SaveSource(target, state_.Context());
    Host().SetFileName(target);
    // From now on the macro is that file, whatever it was read from.
    libraryEntry_ = -1;
}

void TfrmMacro::SaveFileExecute() {
    if (PC->currentWidget() == tsLib) {
        SaveLibraryFile("");
    } else if (libraryEntry_ >= 0) {
        // A library macro has no file of its own yet: the caption names the
        // library, so the file last opened is not overwritten unasked.
        SaveAsFileExecute();
        return;
    } else {
        SaveMacroSource("");
    }
    UpdateCaption();
}

void TfrmMacro::SaveAsFileExecute() {
    FileDialogRequest request;
    request.initialDir = DataFolder();
    request.title = "名前をつけて保存";
    const bool library = PC->currentWidget() == tsLib;
    request.fileName = library ? "*.MLB" : "*.MCR";
    request.filter = library ? kOpenFilter : kMacroFilter;
    request.defaultExt = library ? "MLB" : "MCR";
    const std::string name = state_.Services().ChooseSaveFile(request);
    if (name.empty()) return;
    if (library) {
        if (MacroUpperExtension(name) == ".MLB") SaveLibraryFile(name);
    } else {
        SaveMacroSource(name);
    }
    UpdateCaption();
}

void TfrmMacro::UpdateCaption() {
    const bool onLibrary = PC->currentWidget() == tsLib;
    const std::string library = Shown(LibraryFileName());
    std::string caption;
    if (libraryEntry_ >= 0 && !onLibrary) {
        caption = "マクロ --- " + library + "::" + Library().EntryName(libraryEntry_);
    } else if (onLibrary) {
        caption = library.empty() ? "ライブラリー" : "ライブラリー --- " + library;
    } else {
        const std::string file = Shown(Host().FileName());
        caption = file.empty() ? "マクロ" : "マクロ --- " + file;
    }
    setWindowTitle(QString::fromStdString(caption));
}
