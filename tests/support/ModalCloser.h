// Answers the next dialog of a test: waits for it to appear, hands it to `action`, which closes it.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>

// The dialog waiting for an answer: the modal one, else a shown dialog (the program's own dialogs block only the
// window they belong to, without modality).
inline QWidget* waitingDialog() {
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QDialog*>(w) && w->isVisible())
            return w;
    return nullptr;
}

inline void whenModalAppears(std::function<void(QWidget*)> action, int attempts = 500) {
    QTimer::singleShot(10, [action, attempts] {
        if (QWidget* w = waitingDialog())
            action(w);
        else if (attempts > 0)
            whenModalAppears(action, attempts - 1);
    });
}
