// One copy per session: the hand-over reaches the running copy's handler; clients that say no word are dropped
// without holding it up; what a crashed copy left, and a lock nobody holds, block nothing; a copy that never answers
// is told of.
#include "app/SingleInstance.h"

#include "ScriptedMessageBoxes.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using Claim = SingleInstance::Claim;

namespace {

// A later start, run on a thread of its own: it blocks as a start does while this thread's loop answers.
Claim claimAside(SingleInstance& start, StartCommand::Command command) {
    auto claim = std::async(std::launch::async, [&start, command] { return start.claim(command); });
    while (claim.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return claim.get();
}

// A client of the running copy: says `bytes` and collects the answer until the connection ends.
QByteArray say(const QString& path, const QByteArray& bytes) {
    QLocalSocket client;
    QByteArray answer;
    QObject::connect(&client, &QLocalSocket::readyRead, [&] { answer += client.readAll(); });
    client.connectToServer(path);
    if (!client.waitForConnected(2000))
        return "not connected";
    client.write(bytes);
    // The running copy is in this thread: its loop runs while the client waits.
    for (QDeadlineTimer limit(5000); client.state() != QLocalSocket::UnconnectedState && !limit.hasExpired();)
        QTest::qWait(10);
    if (client.state() != QLocalSocket::UnconnectedState)
        return "still connected";
    return answer + client.readAll();
}

// A Unix socket bound at `path`, not yet listening (a crashed copy's leaves the same).
int boundSocket(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        qWarning("could not bind %s", qPrintable(path));
    return fd;
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    // Two starts at once: the first takes the lock and listens only later; the second waits for it and hands over.
    void aSecondStartHandsOverToTheFirst() {
        QTemporaryDir dir;
        SingleInstance first(dir.path(), QStringLiteral("/home/u/.config"));
        QCOMPARE(first.claim(StartCommand::None), Claim::First);
        QSignalSpy heard(&first, &SingleInstance::commandReceived);
        SingleInstance second(dir.path(), QStringLiteral("/home/u/.config"));
        auto claim = std::async(std::launch::async, [&second] { return second.claim(StartCommand::Messages); });
        QVERIFY(first.listen());
        while (claim.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            QCoreApplication::processEvents();
        QCOMPARE(claim.get(), Claim::HandedOver);
        QTRY_COMPARE(heard.size(), 1);
        QCOMPARE(heard.first().first().value<StartCommand::Command>(), StartCommand::Messages);
        // A copy on other settings is another copy: it is first of its own.
        SingleInstance other(dir.path(), QStringLiteral("/home/v/.config"));
        QCOMPARE(other.claim(StartCommand::None), Claim::First);
    }

    void clients_data() {
        QTest::addColumn<QByteArray>("said");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("command"); // -1: nothing reaches the handler
        QTest::newRow("a word") << QByteArray("customize\n") << QByteArray("ok\n") << int(StartCommand::Customize);
        QTest::newRow("junk") << QByteArray("hello\n") << QByteArray() << -1;
        QTest::newRow("an option") << QByteArray("--quit\n") << QByteArray() << -1;
        QTest::newRow("oversized") << QByteArray(4096, 'q') << QByteArray() << -1;
        QTest::newRow("no line end") << QByteArray("talk") << QByteArray() << -1;
        QTest::newRow("silent") << QByteArray() << QByteArray() << -1;
    }
    // Whatever a client says, the running copy goes on hearing the next one.
    void clients() {
        QFETCH(QByteArray, said);
        QFETCH(QByteArray, answer);
        QFETCH(int, command);
        QTemporaryDir dir;
        SingleInstance first(dir.path(), QStringLiteral("k"));
        first.setWaits(0, 0, 200);
        QCOMPARE(first.claim(StartCommand::None), Claim::First);
        QVERIFY(first.listen());
        QSignalSpy heard(&first, &SingleInstance::commandReceived);
        QCOMPARE(say(first.socketPath(), said), answer);
        QCoreApplication::processEvents();
        QCOMPARE(heard.size(), command < 0 ? 0 : 1);
        QCOMPARE(say(first.socketPath(), "quit\n"), QByteArray("ok\n"));
    }

    // Clients beyond MAX_CLIENTS heard at once are closed unanswered.
    void tooManyClientsAtOnce() {
        QTemporaryDir dir;
        SingleInstance first(dir.path(), QStringLiteral("k"));
        first.setWaits(0, 0, 60000);
        QCOMPARE(first.claim(StartCommand::None), Claim::First);
        QVERIFY(first.listen());
        std::vector<std::unique_ptr<QLocalSocket>> silent;
        for (int i = 0; i < SingleInstance::MAX_CLIENTS; ++i) {
            silent.push_back(std::make_unique<QLocalSocket>());
            silent.back()->connectToServer(first.socketPath());
            QVERIFY(silent.back()->waitForConnected(2000));
        }
        QCOMPARE(say(first.socketPath(), "talk\n"), QByteArray());
        silent.clear();
        QTRY_COMPARE(say(first.socketPath(), "talk\n"), QByteArray("ok\n"));
    }

    // What a crashed copy left (its socket, nobody listening; its lock, its process gone) and lock files no copy of
    // ours holds block nothing: past the wait the start takes the lock and serves. A lock a live process holds stays.
    void staleLocks_data() {
        QTest::addColumn<QByteArray>("content"); // what the lock file says; "held": a live holder that never serves
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("first");
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
        const QByteArray name = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
        const int rw = int(QFile::ReadOwner | QFile::WriteOwner);
        QTest::newRow("a crashed copy") << "2147483646\nzuno\n" + host + '\n' << rw << true;
        QTest::newRow("empty") << QByteArray() << rw << true;
        QTest::newRow("unreadable") << QByteArray("x") << 0 << true;
        QTest::newRow("naming an unrelated live process") << self + '\n' + name + '\n' + host + '\n' << rw << true;
        QTest::newRow("naming another host") << QByteArray("1\nzuno\nelsewhere.invalid\n") << rw << true;
        QTest::newRow("held by a live process") << QByteArray("held") << rw << false;
    }
    void staleLocks() {
        QFETCH(QByteArray, content);
        QFETCH(int, mode);
        QFETCH(bool, first);
        QTemporaryDir dir;
        SingleInstance next(dir.path(), QStringLiteral("k"));
        next.setWaits(100, 100, 100);
        ::close(boundSocket(next.socketPath()));
        QLockFile holder(next.lockPath());
        if (content == "held") {
            QVERIFY(holder.tryLock(0));
        } else {
            QFile lock(next.lockPath());
            QVERIFY(lock.open(QIODevice::WriteOnly) && lock.write(content) == content.size());
            QVERIFY(lock.setPermissions(QFile::Permissions::fromInt(mode)));
        }
        QCOMPARE(next.claim(StartCommand::Talk), first ? Claim::First : Claim::Alone);
        if (!first)
            return;
        QVERIFY(next.listen());
        SingleInstance later(dir.path(), QStringLiteral("k"));
        QCOMPARE(claimAside(later, StartCommand::Talk), Claim::HandedOver);
    }

    // A copy that takes the connection and never answers: the start says so, in a box too.
    void aCopyThatNeverAnswers() {
        QTemporaryDir dir;
        SingleInstance start(dir.path(), QStringLiteral("k"));
        start.setWaits(100, 100, 100);
        const int fd = boundSocket(start.socketPath());
        QCOMPARE(::listen(fd, 4), 0); // connections wait in the backlog, never accepted
        QCOMPARE(start.claim(StartCommand::Talk), Claim::NoAnswer);
        ::close(fd);
        ScriptedMessageBoxes boxes;
        SingleInstance::reportNoAnswer();
        QCOMPARE(boxes.texts(), QStringList{SingleInstance::NO_ANSWER_TEXT});
        QCOMPARE(boxes.shown.first().icon, MessageBoxService::Icon::Warning);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
