#include "platform/gui/OwnerBlock.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>

OwnerBlock::OwnerBlock(QWidget* ownerWindow, QObject* parent) : QObject(parent), m_owner(ownerWindow) {
    qApp->installEventFilter(this);
}

void OwnerBlock::blockWhileOpen(QDialog* dialog, QWidget* owner) {
    if (!owner)
        return;
    // A child of the dialog: gone with it, or removed as soon as it finishes.
    auto* block = new OwnerBlock(owner->window(), dialog);
    connect(dialog, &QDialog::finished, block, &QObject::deleteLater);
}

int OwnerBlock::wait(QDialog* dialog, QWidget* owner) {
    QPointer<QDialog> shown(dialog);
    blockWhileOpen(dialog, owner);
    int result = QDialog::Rejected;
    QEventLoop loop;
    connect(dialog, &QDialog::finished, &loop, [&result, &loop](int code) {
        result = code;
        loop.quit();
    });
    connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    loop.exec();
    return result;
}

bool OwnerBlock::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        break;
    default:
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!m_owner || !widget || widget->window() != m_owner)
        return false;
    // The program may close the window (a hang-up, the end of the program); the user's close box may not.
    if (event->type() == QEvent::Close && !event->spontaneous())
        return false;
    // An accepted override keeps the window's shortcuts (its menu's mnemonics) from firing; the key itself is
    // swallowed next. A close refused is an ignored one.
    if (event->type() == QEvent::ShortcutOverride)
        event->accept();
    else
        event->ignore();
    return true;
}
