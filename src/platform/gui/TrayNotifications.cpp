// Desktop notifications, with or without a tray.
#include "platform/gui/TrayNotifications.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>

namespace {

const QString SERVICE = QStringLiteral("org.freedesktop.Notifications");
const QString PATH = QStringLiteral("/org/freedesktop/Notifications");
// The action a click on the notification invokes; the service may show its label on a button.
const QString DEFAULT_ACTION = QStringLiteral("default");
const QString DEFAULT_ACTION_LABEL = QStringLiteral("Show messages");
constexpr uchar NORMAL_URGENCY = 1;

// The icon as the service takes it: width, height, row stride, alpha, bits per sample, channels, RGBA bytes.
QDBusArgument imageData(const QIcon& icon) {
    const QImage image = icon.pixmap(TrayNotifications::ICON_SIZE).toImage().convertToFormat(QImage::Format_RGBA8888);
    QDBusArgument argument;
    argument.beginStructure();
    argument << image.width() << image.height() << int(image.bytesPerLine()) << true << 8 << 4
             << QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    argument.endStructure();
    return argument;
}

} // namespace

bool TrayNotifications::show(const Notice& notice, std::function<void()> clicked) {
    // The program's icon, never the tray's blink picture; no tray is needed.
    if (!showOnBus(QGuiApplication::windowIcon(), notice))
        return false;
    m_clicked = std::move(clicked);
    return true;
}

bool TrayNotifications::showOnBus(const QIcon& icon, const Notice& notice) {
    QDBusConnection session = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* bus = session.isConnected() ? session.interface() : nullptr;
    // The service runs, or the bus starts it when called.
    if (!bus ||
        (!bus->isServiceRegistered(SERVICE).value() && !bus->activatableServiceNames().value().contains(SERVICE)))
        return false;
    if (!m_listening) {
        m_listening = session.connect(SERVICE, PATH, SERVICE, QStringLiteral("ActionInvoked"), this,
                                      SLOT(onActionInvoked(uint, QString))) &&
                      session.connect(SERVICE, PATH, SERVICE, QStringLiteral("NotificationClosed"), this,
                                      SLOT(onNotificationClosed(uint, uint)));
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(NORMAL_URGENCY));
    hints.insert(QStringLiteral("image-data"), QVariant::fromValue(imageData(icon)));
    QDBusMessage call = QDBusMessage::createMethodCall(SERVICE, PATH, SERVICE, QStringLiteral("Notify"));
    // The body is read as markup by most services: "<a href=...>" from a caller must stay text. The summary is
    // plain text.
    call << QCoreApplication::applicationName() << m_shownId << QString() << notice.title << notice.text.toHtmlEscaped()
         << QStringList{DEFAULT_ACTION, DEFAULT_ACTION_LABEL} << hints << int(SHOWN_MS);
    auto* watcher = new QDBusPendingCallWatcher(session.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isValid())
            m_shownId = reply.value();
        done->deleteLater();
    });
    return true;
}

void TrayNotifications::onActionInvoked(uint id, const QString& action) {
    // The service tells every program of every action: only a click on ours counts.
    if (id == 0 || id != m_shownId || action != DEFAULT_ACTION)
        return;
    if (m_clicked)
        m_clicked();
}

void TrayNotifications::onNotificationClosed(uint id, uint) {
    if (id == m_shownId)
        m_shownId = 0;
}
