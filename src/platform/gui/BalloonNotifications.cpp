// The tray icon's balloon as the program's notification.
#include "platform/gui/BalloonNotifications.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

bool BalloonNotifications::show(const Notice& notice, std::function<void()> clicked) {
    auto* icon = qobject_cast<QSystemTrayIcon*>(notice.source);
    if (!icon || !icon->isVisible() || !QSystemTrayIcon::supportsMessages())
        return false;
    if (!m_heard.contains(icon)) {
        m_heard.append(icon);
        connect(icon, &QSystemTrayIcon::messageClicked, this, [this] {
            if (m_clicked)
                m_clicked();
        });
    }
    m_clicked = std::move(clicked);
    // The balloon shows plain text; the program's icon, never the tray's blink picture.
    icon->showMessage(notice.title, notice.text, QGuiApplication::windowIcon(), SHOWN_MS);
    return true;
}
