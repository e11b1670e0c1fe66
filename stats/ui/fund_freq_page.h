// The frequency page of the univariate statistics window: the class table
// sgDosu with its pop-up menu of joining and splitting, the histogram whose
// classes the user edits with the mouse, and the mode. The page holds the
// controls; the window fills them and handles the commands.
#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class TFlexDosu;
class TStringGrid;

class TfsFreqPage : public QWidget {
    Q_OBJECT
public:
    explicit TfsFreqPage(QWidget* parent = nullptr);

    TStringGrid* sgDosu = nullptr;
    TFlexDosu* Dosu1 = nullptr;
    QLabel* stMode = nullptr;
    QMenu* pmFD = nullptr;
    QAction* pmBindUpper = nullptr;
    QAction* pmBindLower = nullptr;
    QAction* pmSeparate = nullptr;
};
