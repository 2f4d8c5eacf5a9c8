// Free-text spin field.
#include "customize/SpinEdit.h"

#include "customize/IntegerInput.h"

#include <QLineEdit>

#include <algorithm>
#include <limits>

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

void SpinEdit::setRange(int min, int max) {
    m_min = min;
    m_max = max;
}

QString SpinEdit::fieldText() const {
    return lineEdit()->text();
}

void SpinEdit::setFieldText(const QString& text) {
    lineEdit()->setText(text);
}

void SpinEdit::selectField() {
    setFocus(Qt::OtherFocusReason);
    lineEdit()->selectAll();
}

QValidator::State SpinEdit::validate(QString&, int&) const {
    return QValidator::Acceptable;
}

void SpinEdit::fixup(QString&) const {}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

void SpinEdit::stepBy(int steps) {
    // The arrows work from the number in the field, or from the bottom of the range when there is none.
    int value = m_min;
    IntegerInput::check(fieldText(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), &value);
    const qint64 next = std::clamp<qint64>(qint64(value) + steps, m_min, m_max);
    setValue(int(next));
    lineEdit()->selectAll();
}
