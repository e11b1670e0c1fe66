// Announces what happened to the open data set, so that open windows can
// follow it: its values changed (a window shows them again), or another data
// set took its place (a window built on the old one closes).
#pragma once

#include <QObject>

class Reg;

class DataSetEvents : public QObject {
    Q_OBJECT
public:
    explicit DataSetEvents(QObject* parent = nullptr) : QObject(parent) {}

    // After the data set was (re)loaded or made: replaced when the model is
    // not the one announced last, else changed (saving under a new name
    // keeps the data set).
    void Loaded(const Reg* model);
    // After an edit of the open data set.
    void Edited() { emit Changed(); }
    // The model announced last.
    const Reg* Current() const { return current_; }

signals:
    void Changed();
    void Replaced();

private:
    const Reg* current_ = nullptr;
};
