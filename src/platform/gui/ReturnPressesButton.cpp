#include "platform/gui/ReturnPressesButton.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

ReturnPressesButton::ReturnPressesButton(QPushButton* button, QObject* parent) : QObject(parent), m_button(button) {}

void ReturnPressesButton::install(QComboBox* box, QPushButton* button) {
    // Keys reach the box (its line edit's focus proxy), which hands them on to the line edit directly.
    auto* filter = new ReturnPressesButton(button, box);
    box->installEventFilter(filter);
    if (QLineEdit* edit = box->lineEdit())
        edit->installEventFilter(filter);
}

bool ReturnPressesButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (!enter || modifiers != Qt::NoModifier || !m_button || !m_button->isEnabled() || !m_button->isVisible())
        return QObject::eventFilter(watched, event);
    m_button->click();
    return true;
}
