// A search's sockets, timer and look-ups around the engine.
#include "locate/LocateSearch.h"

#include "config/Settings.h"
#include "platform/AppContext.h"
#include "platform/LocalAddress.h"
#include "platform/LoginName.h"
#include "protocol/ControlMessage.h"

#include <QHostInfo>
#include <QUdpSocket>

namespace {
constexpr int MS_PER_SECOND = 1000;

QString dottedText(const QHostAddress& address) {
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : address.toString();
}
} // namespace

LocateSearch::LocateSearch(AppContext& context, bool urgent, const QString& person, QObject* parent)
    : QObject(parent), m_context(context),
      m_engine(person, urgent, context.settings().showlookup != 0, QueryPlan::Build(context.store(), person)),
      m_socket(std::make_unique<QUdpSocket>()) {
    m_planProblem = m_engine.plan().problem();
    // Any free port on every IPv4 address: replies come back to the probe's source.
    m_socket->bind(QHostAddress::AnyIPv4, 0);
    connect(m_socket.get(), &QUdpSocket::readyRead, this, &LocateSearch::readDatagrams);
    // The period is fixed when the search starts, whatever the setting becomes later.
    m_redial.setInterval(std::max(1, context.settings().autowrap) * MS_PER_SECOND);
    connect(&m_redial, &QTimer::timeout, this, &LocateSearch::RunQueryCycle);
}

LocateSearch::~LocateSearch() {
    stop();
}

quint16 LocateSearch::localPort() const {
    return m_socket->localPort();
}

void LocateSearch::start() {
    if (m_stopped)
        return;
    m_redial.start();
    RunQueryCycle();
}

void LocateSearch::stop() {
    if (m_stopped)
        return;
    m_stopped = true;
    m_redial.stop();
    for (auto it = m_nameLookups.cbegin(); it != m_nameLookups.cend(); ++it)
        QHostInfo::abortHostLookup(it.key());
    for (auto it = m_addressLookups.cbegin(); it != m_addressLookups.cend(); ++it)
        QHostInfo::abortHostLookup(it.key());
    m_nameLookups.clear();
    m_addressLookups.clear();
    m_socket->close();
}

void LocateSearch::RunQueryCycle() {
    if (m_stopped)
        return;
    const LocateEngine::Cycle cycle = m_engine.beginCycle();
    m_localAddressTowards.clear();
    m_loginName = LoginName::current().toStdString();
    emit titleChanged(m_engine.title());
    for (const LocateEngine::Step& probe : cycle.probes) {
        sendProbe(probe.row, probe.target);
        emit rowChanged(probe.row);
    }
    for (const LocateEngine::Step& lookup : cycle.lookups) {
        const int id = QHostInfo::lookupHost(
            lookup.target, this, [this, row = lookup.row](const QHostInfo& info) { nameLookedUp(row, info); });
        m_nameLookups.insert(id, lookup.row);
        emit rowChanged(lookup.row);
    }
}

void LocateSearch::sendProbe(int row, const QString& dotted) {
    Q_UNUSED(row);
    const QHostAddress to(dotted);
    const quint32 ip = to.toIPv4Address();
    // The address this machine has toward the host: where the daemon's reply can reach us.
    auto local = m_localAddressTowards.constFind(ip);
    if (local == m_localAddressTowards.cend())
        local = m_localAddressTowards.insert(ip, LocalAddress::towards(to));

    talk::ControlMessage probe;
    probe.vers = talk::TALK_VERSION;
    probe.type = talk::LOOK_UP;
    probe.id_num = talk::PROBE_ID_REQUEST;
    probe.addr = {talk::AF_INET_WIRE, m_socket->localPort(), local->toIPv4Address(), {}};
    probe.ctl_addr = probe.addr;
    probe.setLocalName(m_loginName);
    const talk::Datagram bytes = probe.encode();
    // A failed send is not reported: the row keeps waiting.
    m_socket->writeDatagram(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()), to,
                            m_context.remoteDaemonPort());
}

void LocateSearch::nameLookedUp(int row, const QHostInfo& info) {
    if (m_stopped || !m_nameLookups.contains(info.lookupId()))
        return;
    m_nameLookups.remove(info.lookupId());
    const QHostAddress first =
        info.error() == QHostInfo::NoError ? LocalAddress::firstIPv4(info.addresses()) : QHostAddress();
    const auto target = m_engine.nameLookupFinished(row, first.isNull() ? QString() : first.toString());
    if (target)
        sendProbe(row, *target);
    emit rowChanged(row);
}

void LocateSearch::readDatagrams() {
    while (!m_stopped && m_socket->hasPendingDatagrams()) {
        const qint64 size = m_socket->pendingDatagramSize();
        QByteArray data(MAX_DATAGRAM, '\0');
        QHostAddress sender;
        quint16 senderPort = 0;
        const qint64 read = m_socket->readDatagram(data.data(), MAX_DATAGRAM, &sender, &senderPort);
        // Longer than a probe reply, or shorter than any reply: not an answer to a probe. A daemon answers from the
        // port the probe went to; anything else on the host is not its daemon.
        if (size > MAX_DATAGRAM || read < MIN_REPLY || senderPort != m_context.remoteDaemonPort())
            continue;
        data.truncate(read);
        const QString senderText = dottedText(sender);
        const int row = m_engine.matchReply(senderText);
        if (row != LocateEngine::NO_ROW) {
            handleReply(row, data);
            continue;
        }
        // No waiting row by address: perhaps the row names the host. A flood of strays must not
        // make the search hold look-ups without bound.
        if (m_addressLookups.size() >= bounds::MAX_PENDING_ADDRESS_LOOKUPS) {
            ++m_droppedStrays;
            continue;
        }
        const int id = QHostInfo::lookupHost(senderText, this,
                                             [this](const QHostInfo& info) { addressLookedUp(info.lookupId(), info); });
        m_addressLookups.insert(id, data);
    }
}

void LocateSearch::addressLookedUp(int id, const QHostInfo& info) {
    if (m_stopped)
        return;
    const QByteArray reply = m_addressLookups.take(id);
    if (reply.isEmpty() || info.error() != QHostInfo::NoError || info.hostName().isEmpty())
        return;
    const int row = m_engine.matchReply(info.hostName());
    if (row != LocateEngine::NO_ROW)
        handleReply(row, reply);
}

void LocateSearch::handleReply(int row, const QByteArray& reply) {
    const int talkRow =
        m_engine.applyReply(row, reinterpret_cast<const std::uint8_t*>(reply.constData()), std::size_t(reply.size()));
    emit rowChanged(row);
    if (talkRow != LocateEngine::NO_ROW) {
        stop();
        emit talkRequested(talkRow);
    }
}
