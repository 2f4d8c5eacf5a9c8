// Program-wide state without windows.
#include "app/AppCore.h"

namespace {
AppCore* g_current = nullptr;
}

AppCore::AppCore(ProfileStore& store, QObject* parent) : QObject(parent), m_store(store) {
    if (g_current == nullptr)
        g_current = this;
}

AppCore::~AppCore() {
    if (g_current == this)
        g_current = nullptr;
}

AppCore* AppCore::current() { return g_current; }

void AppCore::setRobotSwitch(int on) {
    on = on ? 1 : 0;
    if (on == m_robotSwitch)
        return;
    m_robotSwitch = on;
    emit robotSwitchChanged(on);
}

void AppCore::setNotificationTarget(const QHostAddress& address, quint16 port) {
    m_notificationAddress = address;
    m_notificationPort = port;
}
