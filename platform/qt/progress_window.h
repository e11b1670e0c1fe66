// TfrmBAR: the progress window of long work.
//
// The work runs on the GUI thread; the window is repainted as the bar moves,
// but no user input is handled meanwhile, and there is no cancel.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <string>

class QLabel;
class QProgressBar;

class TfrmBAR : public QWidget {
    Q_OBJECT
public:
    explicit TfrmBAR(QWidget* parent = nullptr);

    // The text is set at once; it is painted at once unless the last title
    // was painted a moment ago (a caption per pass of a fast loop), else
    // with the next paint.
    void SetTitle(const std::string& text);
    void SetMaximum(int max);
    // Advances by one; repaints when the shown position changes.
    void Step();
    int Position() const;
    int Maximum() const;
    std::string Title() const;

    // Paints what changed without handling any user input.
    void PaintNow();

    QLabel* stTitle = nullptr;
    QProgressBar* pbBAR = nullptr;

private:
    int lastPercent_ = -1;
    QElapsedTimer titlePainted_;
};
