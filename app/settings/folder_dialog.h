// TfrmSetDir: chooses a folder. The drive box lists the mounted volumes,
// the folder list the parent and the subfolders of the current folder
// (a double click or Enter moves into one), the file list its files.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

class TfrmSetDir : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetDir(QWidget* parent = nullptr);

    // Shows that folder (a folder that does not exist: the nearest one
    // above it that does); the file list follows.
    void SetDirectory(const std::string& path);
    // The folder the lists show now.
    const std::string& CurrentDirectory() const { return current_; }
    // The folder taken by the set button; empty until then.
    const std::string& ChosenDirectory() const { return chosen_; }

    void dcbDriveChange();
    void dlbDirChange();
    // Moves into the folder list's entry (".." is the parent).
    void EnterFolder(int row);
    void btnExitClick();

    QComboBox* dcbDrive = nullptr;
    QLabel* lblPath = nullptr;
    QListWidget* dlbDir = nullptr;
    QListWidget* flbFiles = nullptr;
    QPushButton* btnExit = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    std::string current_;
    std::string chosen_;
};

// The folder chooser starting at initialDir: the chosen folder without a
// final "/", or nothing when cancelled.
std::optional<std::string> ChooseDirectory(QWidget* owner, const std::string& initialDir);
