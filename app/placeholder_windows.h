// The long-lived windows whose contents are still to come: each is created
// once at start-up under its own class so the others can already hold it.
#pragma once

#include <QDialog>
#include <string>

#include "app/find_dialogs.h"
#include "app/macro_window.h"

class Reg;

class TfrmInputAssist : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInputAssist(QWidget* parent = nullptr);
    // The data set whose names and functions the assistant offers.
    void SetRegData(const Reg* model) { model_ = model; }
    // The composed expression, read after OK.
    const std::string& Expression() const { return expression_; }
    void SetExpression(const std::string& text) { expression_ = text; }

private:
    const Reg* model_ = nullptr;
    std::string expression_;
};

