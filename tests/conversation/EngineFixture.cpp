// The engine tests' shared fixture.
#include "EngineFixture.h"

#include "platform/LoginName.h"

#include <QDir>
#include <QHostInfo>
#include <QTest>

using namespace talk;

bool EngineFixture::warmUp() {
    bool done = false;
    QHostInfo::lookupHost(QStringLiteral("nobody.invalid"), this, [&done](const QHostInfo&) { done = true; });
    const bool ok = QTest::qWaitFor([&] { return done; }, 20000);
    QTest::qWait(200);
    return ok;
}

void EngineFixture::setUp() {
    profile = std::make_unique<TempProfile>();
    core = std::make_unique<FakeAppContext>(profile->store());
    boxes = std::make_unique<ScriptedMessageBoxes>();
    remote = std::make_unique<ScriptedDaemon>();
    local = std::make_unique<ScriptedDaemon>();
    core->setRemoteDaemonPort(remote->port());
    core->setDaemonPort(local->port());
    LoginName::setRawOverride(QStringLiteral("alice"));
    m_engines.clear();
    failure.clear();
    m_openFiles = openFiles();
}

bool EngineFixture::tearDown() {
    for (const QPointer<ConversationEngine>& e : std::as_const(m_engines))
        if (e && !e->isReleased())
            e->EndConversation();
    bool ok = true;
    for (const QPointer<ConversationEngine>& e : std::as_const(m_engines))
        if (!QTest::qWaitFor([&] { return e.isNull(); }, ConversationEngine::DRAIN_LIMIT_MS + 2000)) {
            failure = QStringLiteral("a conversation was not deleted");
            ok = false;
        }
    // The peers' sockets are the fixture's children; the conversations' own sockets must be closed by now.
    qDeleteAll(findChildren<QTcpSocket*>());
    if (ok && !QTest::qWaitFor([&] { return openFiles() <= m_openFiles; }, WAIT)) {
        failure = QStringLiteral("descriptors left open: %1 > %2").arg(openFiles()).arg(m_openFiles);
        ok = false;
    }
    LoginName::setRawOverride(std::nullopt);
    local.reset();
    remote.reset();
    boxes.reset();
    core.reset();
    profile.reset();
    return ok;
}

int EngineFixture::openFiles() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

ConversationEngine* EngineFixture::make(int mode, const QString& host, const QString& user) {
    return make(mode, host, WireName::typed(user));
}

ConversationEngine* EngineFixture::make(int mode, const QString& host, const WireName& user) {
    auto* e = new ConversationEngine(*core, mode, host, user);
    m_engines << e;
    return e;
}

QTcpSocket* EngineFixture::connectAsCallee(ConversationEngine* e, int announces) {
    if (!announce(e, announces))
        return nullptr;
    QTcpSocket* peer = connectFrom(e, QHostAddress(QHostAddress::LocalHost));
    return peer && QTest::qWaitFor([&] { return e->isConnected(); }, WAIT) ? peer : nullptr;
}

bool EngineFixture::announce(ConversationEngine* e, int announces) {
    remote->script = [](const ControlMessage& m) -> std::optional<QByteArray> {
        if (m.type == LOOK_UP)
            return ScriptedDaemon::reply(m, NOT_HERE);
        return ScriptedDaemon::reply(m, SUCCESS, 5);
    };
    local->script = [](const ControlMessage& m) { return ScriptedDaemon::reply(m, SUCCESS, 9); };
    return e->start() && QTest::qWaitFor(
                             [&] {
                                 return local->requests.size() >= 1 && remote->types().count(ANNOUNCE) >= announces &&
                                        e->status() != QStringLiteral("Sending announce.");
                             },
                             WAIT);
}

QTcpSocket* EngineFixture::connectFrom(ConversationEngine* e, const QHostAddress& from) {
    auto* peer = new QTcpSocket(this);
    if (!peer->bind(from, 0))
        return nullptr;
    peer->connectToHost(QHostAddress::LocalHost, e->port());
    return peer->waitForConnected(WAIT) ? peer : nullptr;
}
