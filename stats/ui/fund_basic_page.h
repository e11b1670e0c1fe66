// The basic page of the univariate statistics window: the probability plot
// and a column of captions with read-only value fields. The page only holds
// the controls; the window writes the texts and handles the clicks.
#pragma once

#include <QWidget>

#include <functional>
#include <map>

class QLabel;
class TXYPlot;

class TfsFundPage : public QWidget {
    Q_OBJECT
public:
    explicit TfsFundPage(QWidget* parent = nullptr);

    // A left click on a value field runs its handler.
    void OnClick(QLabel* field, std::function<void()> handler);

    TXYPlot* NPlot = nullptr;
    QLabel* stAve = nullptr;
    QLabel* stSig = nullptr;
    QLabel* stSkew = nullptr;
    QLabel* stKurt = nullptr;
    QLabel* stG = nullptr;
    QLabel* lblMax = nullptr;
    QLabel* stMax = nullptr;
    QLabel* lblMin = nullptr;
    QLabel* stMin = nullptr;
    QLabel* lblRP = nullptr;
    QLabel* stMedian = nullptr;
    QLabel* stNumber = nullptr;
    QLabel* stRR2 = nullptr;
    QLabel* lblRCC = nullptr;
    QLabel* stRCC = nullptr;
    QLabel* stPLOT = nullptr;
    QLabel* stYoko = nullptr;
    QLabel* lblPNor = nullptr;
    QLabel* stPNOR = nullptr;
    QLabel* stSW = nullptr;
    QLabel* stDAgostino = nullptr;
    QLabel* stAD = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<QObject*, std::function<void()>> clicks_;
};
