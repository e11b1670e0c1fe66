#include "support/scripted_services.h"

#include <gtest/gtest.h>

const char* ServiceCallName(ServiceCall call) {
    switch (call) {
        case ServiceCall::MessageBox: return "MessageBox";
        case ServiceCall::YesNo: return "YesNo";
        case ServiceCall::Input: return "Input";
        case ServiceCall::ProgressBegin: return "ProgressBegin";
        case ServiceCall::ProgressStep: return "ProgressStep";
        case ServiceCall::ProgressEnd: return "ProgressEnd";
        case ServiceCall::ProgressCaption: return "ProgressCaption";
        case ServiceCall::ClipboardGet: return "ClipboardGet";
        case ServiceCall::ClipboardSet: return "ClipboardSet";
        case ServiceCall::ClipboardClear: return "ClipboardClear";
        case ServiceCall::ClipboardHas: return "ClipboardHas";
        case ServiceCall::Help: return "Help";
        case ServiceCall::OpenFile: return "OpenFile";
        case ServiceCall::SaveFile: return "SaveFile";
        case ServiceCall::Folder: return "Folder";
        case ServiceCall::UndoEnabled: return "UndoEnabled";
        case ServiceCall::RedoEnabled: return "RedoEnabled";
        case ServiceCall::Terminate: return "Terminate";
        case ServiceCall::UndoCommand: return "UndoCommand";
        case ServiceCall::RedoCommand: return "RedoCommand";
        case ServiceCall::RefreshAfterLoad: return "RefreshAfterLoad";
        case ServiceCall::ConfirmSave: return "ConfirmSave";
    }
    return "?";
}

ScriptedServices::~ScriptedServices() {
    if (failOnUnused_ && !answers_.empty())
        ADD_FAILURE() << answers_.size() << " scripted answer(s) were never asked for";
}

void ScriptedServices::QueueResult(int modalResult) { answers_.push_back({modalResult, ""}); }

void ScriptedServices::QueueInput(int result, const std::string& text) {
    answers_.push_back({result, text});
}

void ScriptedServices::QueueFile(const std::string& path) {
    answers_.push_back({path.empty() ? mrCancel : mrOK, path});
}

void ScriptedServices::QueueFolder(const std::string& path) { answers_.push_back({mrOK, path}); }

std::vector<RecordedCall> ScriptedServices::CallsOf(ServiceCall kind) const {
    std::vector<RecordedCall> out;
    for (const RecordedCall& c : calls_)
        if (c.kind == kind) out.push_back(c);
    return out;
}

std::vector<std::string> ScriptedServices::MessageTexts() const {
    std::vector<std::string> texts;
    for (const RecordedCall& c : CallsOf(ServiceCall::MessageBox)) texts.push_back(c.text);
    return texts;
}

ScriptedServices::Answer ScriptedServices::NextAnswer(const std::string& what) {
    if (answers_.empty()) {
        ADD_FAILURE() << "no scripted answer for " << what;
        return {mrCancel, ""};
    }
    Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

RecordedCall& ScriptedServices::Record(ServiceCall kind, const std::string& text, long value) {
    RecordedCall c;
    c.kind = kind;
    c.text = text;
    c.value = value;
    calls_.push_back(std::move(c));
    return calls_.back();
}

int ScriptedServices::ShowMessageBox(MsgKind kind, const std::string& text, unsigned buttons) {
    Record(ServiceCall::MessageBox, text, buttons).msgKind = kind;
    if (acknowledgeErrors_ && kind == MsgKind::Error && buttons == mbOK) return mrOK;
    return NextAnswer("message box \"" + text + "\"").result;
}

bool ScriptedServices::AskYesNo(const std::string& text) {
    Record(ServiceCall::YesNo, text).msgKind = MsgKind::Confirmation;
    return NextAnswer("yes/no question \"" + text + "\"").result == mrYes;
}

InputAnswer ScriptedServices::AskInput(const std::string& prompt,
                                       const std::vector<std::string>& choices,
                                       const std::string& initialText) {
    RecordedCall& c = Record(ServiceCall::Input, prompt);
    c.items = choices;
    c.initial = initialText;
    Answer a = NextAnswer("input prompt \"" + prompt + "\"");
    return {a.result, a.result == mrCancel ? std::string() : a.text};
}

void ScriptedServices::ProgressBegin(const std::string& caption, int max) {
    Record(ServiceCall::ProgressBegin, caption, max);
    ++progressDepth_;
}

void ScriptedServices::ProgressStep() {
    Record(ServiceCall::ProgressStep);
    if (progressDepth_ <= 0) ADD_FAILURE() << "progress stepped without a progress window";
}

void ScriptedServices::ProgressEnd() {
    Record(ServiceCall::ProgressEnd);
    if (progressDepth_ <= 0)
        ADD_FAILURE() << "progress ended without a progress window";
    else
        --progressDepth_;
}

void ScriptedServices::ProgressCaption(const std::string& caption) {
    Record(ServiceCall::ProgressCaption, caption);
    if (progressDepth_ <= 0) ADD_FAILURE() << "progress caption changed without a progress window";
}

std::string ScriptedServices::ClipboardGetText() {
    Record(ServiceCall::ClipboardGet);
    return clipboard_;
}

void ScriptedServices::ClipboardSetText(const std::string& text) {
    Record(ServiceCall::ClipboardSet, text);
    clipboard_ = text;
}

void ScriptedServices::ClipboardClear() {
    Record(ServiceCall::ClipboardClear);
    clipboard_.clear();
}

bool ScriptedServices::ClipboardHasText() {
    Record(ServiceCall::ClipboardHas);
    return !clipboard_.empty();
}

bool ScriptedServices::ShowHelp(const std::string& helpFile, int contextId) {
    Record(ServiceCall::Help, helpFile, contextId);
    return helpResult_;
}

std::string ScriptedServices::ChooseOpenFile(const FileDialogRequest& request) {
    Record(ServiceCall::OpenFile).file = request;
    Answer a = NextAnswer("open-file dialog");
    return a.result == mrOK ? a.text : std::string();
}

std::string ScriptedServices::ChooseSaveFile(const FileDialogRequest& request) {
    Record(ServiceCall::SaveFile).file = request;
    Answer a = NextAnswer("save-file dialog");
    return a.result == mrOK ? a.text : std::string();
}

std::optional<std::string> ScriptedServices::ChooseFolder(const std::string& initialDir) {
    Record(ServiceCall::Folder, initialDir);
    Answer a = NextAnswer("folder choice");
    if (a.result != mrOK) return std::nullopt;
    return a.text;
}

void ScriptedServices::SetUndoEditEnabled(bool enabled) {
    Record(ServiceCall::UndoEnabled, "", enabled ? 1 : 0);
    undoEnabled_ = enabled;
}

void ScriptedServices::SetRedoEditEnabled(bool enabled) {
    Record(ServiceCall::RedoEnabled, "", enabled ? 1 : 0);
    redoEnabled_ = enabled;
}

void ScriptedServices::RequestTerminate() {
    Record(ServiceCall::Terminate);
    terminateRequested_ = true;
}

bool ScriptedServices::UndoEditCommand() {
    Record(ServiceCall::UndoCommand);
    return false;
}

bool ScriptedServices::RedoEditCommand() {
    Record(ServiceCall::RedoCommand);
    return false;
}

void ScriptedServices::RefreshAfterLoad() { Record(ServiceCall::RefreshAfterLoad); }

bool ScriptedServices::ConfirmSaveIfModified() {
    Record(ServiceCall::ConfirmSave, "", confirmSaveResult_ ? 1 : 0);
    return confirmSaveResult_;
}
