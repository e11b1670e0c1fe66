#include "platform/qt/qt_services.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "platform/qt/asking_window.h"
#include "platform/qt/file_filter.h"
#include "platform/qt/input_dlg.h"
#include "platform/qt/progress_window.h"

namespace {

const char* const kResultProperty = "modalResult";

struct ButtonSpec {
    unsigned flag;
    const char* text;
    QMessageBox::ButtonRole role;
    int result;
};

// In the order the buttons stand in the box.
const ButtonSpec kButtons[] = {
    {mbYes, "はい(&Y)", QMessageBox::YesRole, mrYes},
    {mbNo, "いいえ(&N)", QMessageBox::NoRole, mrNo},
    {mbOK, "OK", QMessageBox::AcceptRole, mrOK},
    {mbCancel, "キャンセル", QMessageBox::RejectRole, mrCancel},
    {mbAbort, "中止(&A)", QMessageBox::DestructiveRole, mrAbort},
    {mbRetry, "再試行(&R)", QMessageBox::AcceptRole, mrRetry},
    {mbIgnore, "無視(&I)", QMessageBox::AcceptRole, mrIgnore},
};

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(MsgKind kind, const std::string& text, unsigned buttons,
                                             QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    switch (kind) {
        case MsgKind::Warning:
            box->setIcon(QMessageBox::Warning);
            box->setWindowTitle(QStringLiteral("警告"));
            break;
        case MsgKind::Error:
            box->setIcon(QMessageBox::Critical);
            box->setWindowTitle(QStringLiteral("エラー"));
            break;
        case MsgKind::Information:
            box->setIcon(QMessageBox::Information);
            box->setWindowTitle(QStringLiteral("情報"));
            break;
        case MsgKind::Confirmation:
            box->setIcon(QMessageBox::Question);
            box->setWindowTitle(QStringLiteral("確認"));
            break;
    }
    box->setText(QString::fromStdString(text));
    if ((buttons & (mbOK | mbCancel | mbAbort | mbRetry | mbIgnore | mbYes | mbNo)) == 0) buttons = mbOK;
    QAbstractButton* escape = nullptr;
    QAbstractButton* first = nullptr;
    for (const ButtonSpec& spec : kButtons) {
        if (!(buttons & spec.flag)) continue;
        QPushButton* b = box->addButton(QString::fromUtf8(spec.text), spec.role);
        b->setProperty(kResultProperty, spec.result);
        if (!first) first = b;
        if (spec.result == mrCancel) escape = b;
        if (spec.result == mrNo && !(buttons & mbCancel)) escape = b;
    }
    if (!escape && (buttons == mbOK)) escape = first;
    if (escape) box->setEscapeButton(escape);
    box->setDefaultButton(static_cast<QPushButton*>(first));
    return box;
}

int MessageBoxResult(const QMessageBox& box) {
    QAbstractButton* clicked = box.clickedButton();
    if (!clicked) return mrCancel;
    const QVariant v = clicked->property(kResultProperty);
    return v.isValid() ? v.toInt() : mrCancel;
}

QtServices::QtServices() = default;
QtServices::~QtServices() = default;

int QtServices::ShowMessageBox(MsgKind kind, const std::string& text, unsigned buttons) {
    const AskingWindow asker(parent_);
    auto box = BuildMessageBox(kind, text, buttons, parent_);
    box->exec();
    return MessageBoxResult(*box);
}

bool QtServices::AskYesNo(const std::string& text) {
    return ShowMessageBox(MsgKind::Confirmation, text, mbYesNo) == mrYes;
}

InputAnswer QtServices::AskInput(const std::string& prompt, const std::vector<std::string>& choices,
                                 const std::string& initialText) {
    const AskingWindow asker(parent_);
    std::unique_ptr<TInputDlg> own;
    TInputDlg* dlg = inputDlg_;
    if (!dlg) {
        own = std::make_unique<TInputDlg>(parent_);
        dlg = own.get();
    }
    dlg->SetPrompt(prompt);
    for (const std::string& c : choices) dlg->AddItem(c);
    dlg->SetText(initialText);
    const int result = dlg->exec();
    // Closing by the title bar gives 0: that is Cancel.
    return {result == 0 ? mrCancel : result, dlg->Text()};
}

void QtServices::ProgressBegin(const std::string& caption, int max) {
    ++progressDepth_;
    if (!progress_) progress_ = std::make_unique<TfrmBAR>(nullptr);
    progress_->SetMaximum(max);
    progress_->show();
    progress_->SetTitle(caption);
}

void QtServices::ProgressStep() {
    if (progress_) progress_->Step();
}

void QtServices::ProgressEnd() {
    if (progressDepth_ > 0) --progressDepth_;
    if (progressDepth_ == 0) progress_.reset();
}

void QtServices::ProgressCaption(const std::string& caption) {
    if (progress_) progress_->SetTitle(caption);
}

std::string QtServices::ClipboardGetText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

void QtServices::ClipboardSetText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void QtServices::ClipboardClear() { QGuiApplication::clipboard()->clear(); }

bool QtServices::ClipboardHasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

bool QtServices::ShowHelp(const std::string& helpFile, int /*contextId*/) {
    // The desktop's viewer opens the file; a topic id cannot be passed on.
    if (helpFile.empty()) return false;
    const QFileInfo info(QString::fromStdString(helpFile));
    if (!info.isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

std::string QtServices::RunFileDialog(const FileDialogRequest& request, bool save) {
    const AskingWindow asker(parent_);
    QFileDialog dlg(parent_, QString::fromStdString(request.title), QString::fromStdString(request.initialDir));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks before overwriting where it matters itself.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = ToQtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const int index = request.filterIndex - 1;
        if (index >= 0 && index < filters.size()) dlg.selectNameFilter(filters[index]);
    }
    if (!request.defaultExt.empty()) dlg.setDefaultSuffix(QString::fromStdString(request.defaultExt));
    if (!request.fileName.empty()) dlg.selectFile(QString::fromStdString(request.fileName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().first().toStdString();
}

std::string QtServices::ChooseOpenFile(const FileDialogRequest& request) { return RunFileDialog(request, false); }
std::string QtServices::ChooseSaveFile(const FileDialogRequest& request) { return RunFileDialog(request, true); }

std::optional<std::string> QtServices::ChooseFolder(const std::string& initialDir) {
    const AskingWindow asker(parent_);
    if (folderChooser_) return folderChooser_(initialDir);
    const QString dir = QFileDialog::getExistingDirectory(parent_, QStringLiteral("フォルダの選択"),
                                                          QString::fromStdString(initialDir));
    if (dir.isEmpty()) return std::nullopt;
    std::string s = dir.toStdString();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

void QtServices::SetUndoEditEnabled(bool enabled) {
    if (undoEnabled_) undoEnabled_(enabled);
}

void QtServices::SetRedoEditEnabled(bool enabled) {
    if (redoEnabled_) redoEnabled_(enabled);
}

void QtServices::RequestTerminate() {
    if (terminate_) {
        terminate_();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

bool QtServices::UndoEditCommand() {
    if (!windowCommands_.undoEdit) return false;
    windowCommands_.undoEdit();
    return true;
}

bool QtServices::RedoEditCommand() {
    if (!windowCommands_.redoEdit) return false;
    windowCommands_.redoEdit();
    return true;
}

void QtServices::RefreshAfterLoad() {
    if (windowCommands_.refreshAfterLoad) windowCommands_.refreshAfterLoad();
}

bool QtServices::ConfirmSaveIfModified() {
    return windowCommands_.confirmSaveIfModified ? windowCommands_.confirmSaveIfModified() : true;
}
