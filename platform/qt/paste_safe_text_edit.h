// A multi-line text editor that pastes nothing when there is nothing to
// paste. The widgets library reads the first format of the clipboard's data
// without asking whether there is one, so an empty clipboard or X selection
// (data with no format at all) would end the program on Ctrl+V, the paste
// button or a middle click.
#pragma once

#include <QPlainTextEdit>

class QMimeData;

class PasteSafeTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PasteSafeTextEdit(QWidget* parent = nullptr);

    // True when source holds something a paste could insert.
    static bool HasPastableData(const QMimeData* source);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};
