// NumericField: an edit field for a number that takes a formula. Its value
// is the formula run through the macro host ("@@" stands for the current
// value); Ctrl+A opens the input assistant on the text and puts the
// assistant's text in its place on OK.
#pragma once

#include <QLineEdit>

#include <optional>

#include "components/view/window_context.h"

class NumericField : public QLineEdit {
    Q_OBJECT
public:
    explicit NumericField(const WindowContext& context, QWidget* parent = nullptr);

    // Nothing when the formula failed (the error has been shown); an empty
    // text is 0.
    std::optional<double> Value(std::optional<double> current = std::nullopt) const;
    // True when the assistant gave a text.
    bool OpenAssistant();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    WindowContext context_;
};
