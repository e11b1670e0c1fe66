#include "app/settings/folder_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QVBoxLayout>

namespace {

// A folder with many entries shows this many of each kind.
constexpr int kMaxEntries = 5000;

QString Existing(const QString& path) {
    QString p = QDir::cleanPath(QDir(QDir::currentPath()).absoluteFilePath(path.isEmpty() ? QStringLiteral(".") : path));
    for (int up = 0; up < 256 && !QFileInfo(p).isDir(); ++up) {
        const QString parent = QFileInfo(p).absolutePath();
        if (parent == p) break;
        p = parent;
    }
    return QFileInfo(p).isDir() ? p : QDir::currentPath();
}

}  // namespace

TfrmSetDir::TfrmSetDir(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSetDir"));
    setWindowTitle(QStringLiteral("ディレクトリ設定"));
    dcbDrive = new QComboBox(this);
    dcbDrive->setObjectName(QStringLiteral("dcbDrive"));
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady()) dcbDrive->addItem(v.rootPath());
    if (dcbDrive->findText(QStringLiteral("/")) < 0) dcbDrive->insertItem(0, QStringLiteral("/"));
    lblPath = new QLabel(this);
    lblPath->setObjectName(QStringLiteral("lblPath"));
    lblPath->setWordWrap(true);
    dlbDir = new QListWidget(this);
    dlbDir->setObjectName(QStringLiteral("dlbDir"));
    dlbDir->setStyleSheet(QStringLiteral("background: white"));
    flbFiles = new QListWidget(this);
    flbFiles->setObjectName(QStringLiteral("flbFiles"));
    flbFiles->setFocusPolicy(Qt::NoFocus);
    btnExit = new QPushButton(QStringLiteral("設定(&S)"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取り消し(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    connect(dcbDrive, &QComboBox::activated, this, [this] { dcbDriveChange(); });
    connect(dlbDir, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { EnterFolder(dlbDir->row(item)); });
    connect(btnExit, &QPushButton::clicked, this, [this] { btnExitClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* lists = new QHBoxLayout;
    lists->addWidget(dlbDir, 1);
    lists->addWidget(flbFiles, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnExit);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(dcbDrive);
    layout->addWidget(lblPath);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(520, 380);
    SetDirectory(QDir::currentPath().toStdString());
}

void TfrmSetDir::SetDirectory(const std::string& path) {
    current_ = Existing(QString::fromStdString(path)).toStdString();
    // The drive box shows the volume that holds the folder.
    const QString here = QString::fromStdString(current_);
    int best = -1, bestLength = -1;
    for (int i = 0; i < dcbDrive->count(); ++i) {
        const QString root = dcbDrive->itemText(i);
        const bool holds = here == root || here.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = static_cast<int>(root.size());
        }
    }
    if (best >= 0) dcbDrive->setCurrentIndex(best);
    dlbDirChange();
}

void TfrmSetDir::dcbDriveChange() { SetDirectory(dcbDrive->currentText().toStdString()); }

void TfrmSetDir::dlbDirChange() {
    const QDir dir(QString::fromStdString(current_));
    lblPath->setText(dir.absolutePath());
    dlbDir->clear();
    if (!dir.isRoot()) dlbDir->addItem(QStringLiteral(".."));
    const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (int i = 0; i < folders.size() && i < kMaxEntries; ++i) dlbDir->addItem(folders[i]);
    flbFiles->clear();
    const QStringList files = dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (int i = 0; i < files.size() && i < kMaxEntries; ++i) flbFiles->addItem(files[i]);
}

void TfrmSetDir::EnterFolder(int row) {
    QListWidgetItem* item = dlbDir->item(row);
    if (!item) return;
    QDir dir(QString::fromStdString(current_));
    if (item->text() == QStringLiteral("..") ? dir.cdUp() : dir.cd(item->text())) SetDirectory(dir.absolutePath().toStdString());
}

void TfrmSetDir::btnExitClick() {
    chosen_ = current_;
    accept();
}

std::optional<std::string> ChooseDirectory(QWidget* owner, const std::string& initialDir) {
    TfrmSetDir dlg(owner);
    dlg.SetDirectory(initialDir);
    if (dlg.exec() != QDialog::Accepted || dlg.ChosenDirectory().empty()) return std::nullopt;
    std::string s = dlg.ChosenDirectory();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}
