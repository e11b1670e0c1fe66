#include "components/view/numeric_field.h"

#include <QKeyEvent>

#include "components/view/field_formula.h"
#include "components/view/input_assist.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"

NumericField::NumericField(const WindowContext& context, QWidget* parent) : QLineEdit(parent), context_(context) {}

std::optional<double> NumericField::Value(std::optional<double> current) const {
    return EvaluateFieldFormula(context_.State(), text().toStdString(), current);
}

bool NumericField::OpenAssistant() {
    std::string expression = text().toStdString();
    bool accepted = false;
    if (const WindowContext::InputAssistant& assistant = context_.Assistant()) {
        accepted = assistant(expression);
    } else {
        // No shared assistant (a window opened on its own): a private one.
        TfrmInputAssist own(context_.State(), this);
        own.SetRegData(context_.State().Model());
        own.SetExpression(expression);
        accepted = own.exec() == QDialog::Accepted;
        if (accepted) expression = own.Expression();
    }
    if (!accepted) return false;
    setText(QString::fromStdString(expression));
    setFocus();
    return true;
}

void NumericField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_A && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        event->accept();
        GuardCommand(context_.Services(), [this] { OpenAssistant(); });
        return;
    }
    QLineEdit::keyPressEvent(event);
}
