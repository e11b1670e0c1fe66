#include "app/dialogs/about_box.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "components/view/labels.h"

const char* const kProgramVersionText = "Version 0.1";

namespace {

QLabel* NewImage(QWidget* parent, const char* name, QStyle::StandardPixmap pixmap) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    if (QStyle* style = QApplication::style()) l->setPixmap(style->standardIcon(pixmap).pixmap(32, 32));
    return l;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);

    ProductName = NewNamedLabel(panel, "ProductName", QStringLiteral("回帰分析"));
    QFont big = ProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    ProductName->setFont(big);
    ProductNameSub = NewNamedLabel(panel, "ProductNameSub", QStringLiteral("MERLOX"));
    ProductNameSub->setFont(big);
    Version = NewNamedLabel(panel, "Version", QString::fromLatin1(kProgramVersionText));
    Comments = NewNamedLabel(panel, "Comments", QStringLiteral("計量経済分析を指向した回帰分析を行う為のプログラム"));
    Comments->setWordWrap(true);
    Comments->setMinimumWidth(260);

    auto* title = new QHBoxLayout;
    title->addWidget(NewImage(panel, "ProgramIcon", QStyle::SP_ComputerIcon));
    title->addWidget(ProductName);
    title->addWidget(ProductNameSub);
    title->addStretch();
    title->addWidget(NewImage(panel, "MyLogo", QStyle::SP_FileDialogInfoView));
    auto* inner = new QVBoxLayout(panel);
    inner->addLayout(title);
    inner->addWidget(Version);
    inner->addWidget(Comments);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
