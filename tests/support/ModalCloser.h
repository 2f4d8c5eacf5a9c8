// Answers the next modal dialog of a test: waits for it to appear, hands it to `action`, which closes it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

inline void whenModalAppears(std::function<void(QWidget*)> action, int attempts = 500) {
    QTimer::singleShot(10, [action, attempts] {
        if (QWidget* w = QApplication::activeModalWidget())
            action(w);
        else if (attempts > 0)
            whenModalAppears(action, attempts - 1);
    });
}
