#include "platform/qt/progress_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

TfrmBAR::TfrmBAR(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmBAR"));
    setWindowTitle(QStringLiteral("処理中・・・"));
    setWindowModality(Qt::ApplicationModal);
    setWindowOpacity(200.0 / 255.0);
    stTitle = new QLabel(this);
    stTitle->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stTitle->setAutoFillBackground(true);
    QPalette p = stTitle->palette();
    p.setColor(QPalette::Window, QColor(0, 255, 255));
    p.setColor(QPalette::WindowText, Qt::black);
    stTitle->setPalette(p);
    stTitle->setMinimumWidth(320);
    pbBAR = new QProgressBar(this);
    pbBAR->setRange(0, 100);
    pbBAR->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stTitle);
    layout->addWidget(pbBAR);
}

namespace {

// Titles are painted at most this often (ms): enough to read a count, and
// a loop that sets one per pass is not slowed by the painting.
constexpr qint64 kTitlePaintInterval = 40;

}  // namespace

void TfrmBAR::SetTitle(const std::string& text) {
    stTitle->setText(QString::fromStdString(text));
    if (titlePainted_.isValid() && titlePainted_.elapsed() < kTitlePaintInterval) return;
    titlePainted_.start();
    PaintNow();
}

void TfrmBAR::SetMaximum(int max) {
    pbBAR->setRange(0, max > 0 ? max : 1);
    pbBAR->setValue(0);
    lastPercent_ = -1;
}

void TfrmBAR::Step() {
    if (pbBAR->value() < pbBAR->maximum()) pbBAR->setValue(pbBAR->value() + 1);
    const int percent = static_cast<int>(100LL * pbBAR->value() / pbBAR->maximum());
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        PaintNow();
    }
}

int TfrmBAR::Position() const { return pbBAR->value(); }
int TfrmBAR::Maximum() const { return pbBAR->maximum(); }
std::string TfrmBAR::Title() const { return stTitle->text().toStdString(); }

void TfrmBAR::PaintNow() {
    if (!isVisible()) return;
    // Expose and paint events only: a click or key during the work waits.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}
