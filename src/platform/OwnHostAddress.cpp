// The own host name's address, looked up asynchronously.
#include "platform/OwnHostAddress.h"

#include "platform/LocalAddress.h"

#include <QCoreApplication>
#include <QHostInfo>

namespace {

void lookUpInTheEventLoop(const QString& name, std::function<void(const QHostInfo&)> done) {
    // Without an application there is no event loop to deliver the answer in: an empty answer, so that the
    // address is asked again once there is one.
    if (QCoreApplication* app = QCoreApplication::instance())
        QHostInfo::lookupHost(name, app, [done = std::move(done)](const QHostInfo& info) { done(info); });
    else
        done(QHostInfo());
}

} // namespace

OwnHostAddress::OwnHostAddress(LookUp lookUp, QString hostName)
    : m_lookUp(lookUp ? std::move(lookUp) : LookUp(lookUpInTheEventLoop)), m_hostName(std::move(hostName)) {}

OwnHostAddress& OwnHostAddress::instance() {
    static OwnHostAddress own;
    return own;
}

QHostAddress OwnHostAddress::address() {
    if (m_known.isNull())
        start();
    return m_known;
}

void OwnHostAddress::start() {
    if (!m_known.isNull() || m_running)
        return;
    m_running = true;
    ++m_started;
    const QString name = m_hostName.isEmpty() ? QHostInfo::localHostName() : m_hostName;
    m_lookUp(name, [this](const QHostInfo& info) { finished(info); });
}

void OwnHostAddress::finished(const QHostInfo& info) {
    m_running = false;
    if (info.error() == QHostInfo::NoError)
        m_known = LocalAddress::firstIPv4(info.addresses());
}
