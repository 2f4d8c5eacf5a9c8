// The platform layer: profile store, login name, socket error numbers, clock, local addresses, names as shown,
// counted error boxes.
#include "platform/CountedErrorBox.h"
#include "platform/LocalAddress.h"
#include "platform/LoginName.h"
#include "platform/OwnHostAddress.h"
#include "platform/ProfileStore.h"
#include "platform/ShownText.h"
#include "platform/SocketErrors.h"
#include "platform/SystemTime.h"

#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    // A row that failed halfway leaves no login name or clock of its own to the next one.
    void cleanup() {
        LoginName::setRawOverride(std::nullopt);
        LocalClock::setSource({});
    }

    void loginNameRule_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("sent");
        QTest::newRow("ordinary") << "anna"
                                  << "anna";
        QTest::newRow("eleven fits") << "abcdefghijk"
                                     << "abcdefghijk";
        QTest::newRow("twelve does not") << "abcdefghijkl"
                                         << "default";
        QTest::newRow("failure") << ""
                                 << "default";
        QTest::newRow("multi-byte counted in bytes")
            << QString::fromUtf8("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9") << "default";
    }

    void loginNameRule() {
        QFETCH(QString, raw);
        LoginName::setRawOverride(raw);
        QTEST(LoginName::current(), "sent");
        LoginName::setRawOverride(std::nullopt);
        QVERIFY(!LoginName::current().isEmpty());
    }

    void socketErrorNumbers() {
#ifdef Q_OS_WIN // the system's numbers are Windows Sockets' own
        QCOMPARE(SocketErrors::fromSystem(10048), 10048);
#else
        QCOMPARE(SocketErrors::fromSystem(EADDRINUSE), 10048);
        QCOMPARE(SocketErrors::fromSystem(EACCES), 10013);
        QCOMPARE(SocketErrors::fromSystem(ECONNRESET), 10054);
        QCOMPARE(SocketErrors::fromSystem(EAGAIN), 10035);
#endif
        QCOMPARE(SocketErrors::fromQt(QAbstractSocket::AddressInUseError), 10048);
        QCOMPARE(SocketErrors::fromQt(QAbstractSocket::SocketAccessError), 10013);
        QCOMPARE(SocketErrors::fromQt(QAbstractSocket::RemoteHostClosedError, "Connection reset by peer"), 10054);
        QCOMPARE(SocketErrors::fromQt(QAbstractSocket::ConnectionRefusedError), 10061);
    }

    void shownText_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caret");
        QTest::addColumn<QString>("menu");
        QTest::newRow("plain") << "anna"
                               << "anna"
                               << "anna";
        QTest::newRow("escape sequence") << "a\x1b[2Jb"
                                         << "a^[[2Jb"
                                         << "a^[[2Jb";
        QTest::newRow("delete, tab, bell") << "a\x7f\t\x07"
                                           << "a^?^I^G"
                                           << "a^?^I^G";
        QTest::newRow("NUL and unit separator") << QString::fromLatin1("a\0b\x1f", 4) << "a^@b^_"
                                                << "a^@b^_";
        QTest::newRow("8-bit controls") << QString::fromLatin1("a\x9b"
                                                               "2J\x80\x9f")
                                        << "aM-^[2JM-^@M-^_"
                                        << "aM-^[2JM-^@M-^_";
        QTest::newRow("Latin-1 letters stay")
            << QString::fromLatin1("j\xf6rg\xa0") << QString::fromLatin1("j\xf6rg\xa0")
            << QString::fromLatin1("j\xf6rg\xa0");
        QTest::newRow("ampersand") << "R&D"
                                   << "R&D"
                                   << "R&&D";
        QTest::newRow("markup") << "<b>x</b>"
                                << "<b>x</b>"
                                << "<b>x</b>";
    }
    void shownText() {
        QFETCH(QString, name);
        QTEST(ShownText::caretForm(name), "caret");
        QTEST(ShownText::menuText(name), "menu");
    }

    // One box on the screen: every error from the first on is counted into it, also those that come before it is
    // shown, and its text follows the count while it is up, laid out again once for a burst, not for each error.
    void countedErrorBox() {
        ScriptedMessageBoxes boxes;
        boxes.answerNotifiesAtOnce = false;
        CountedErrorBox errors(MessageBoxService::Icon::Stop);
        errors.report(QStringLiteral("first"));
        errors.report(QStringLiteral("second"));
        // Never from inside the handler that reports: the box comes once the event loop runs.
        QVERIFY(boxes.shown.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("first\r\n(1 more since)")});
        QCOMPARE(boxes.shown[0].icon, MessageBoxService::Icon::Stop);
        QVERIFY(errors.boxShown());
        for (int i = 0; i < 10000; ++i)
            errors.report(QStringLiteral("again"));
        QCOMPARE(errors.countedSince(), qint64(10001));
        QCOMPARE(boxes.replacements, 0); // nothing while the burst keeps the thread
        QTRY_COMPARE(boxes.texts(), QStringList{QStringLiteral("first\r\n(10001 more since)")});
        QCOMPARE(boxes.replacements, 1);
        boxes.answerPending();
        QCoreApplication::processEvents();
        QVERIFY(!errors.boxShown());
        QCOMPARE(boxes.shown.size(), 1); // nothing is left over for a second box
        // The next error opens a new box.
        errors.report(QStringLiteral("fifth"));
        QCoreApplication::processEvents();
        QCOMPARE(boxes.texts().last(), QStringLiteral("fifth"));
        QCOMPARE(boxes.shown.size(), 2);
        boxes.answerPending();
    }

    void clockGivesEightFields() {
        LocalClock::setSource([] { return QDateTime(QDate(1996, 12, 20), QTime(9, 5, 7, 42)); });
        const SystemTime t = LocalClock::now();
        QCOMPARE(t.year, 1996);
        QCOMPARE(t.month, 12);
        QCOMPARE(t.day, 20);
        QCOMPARE(t.dayOfWeek, 5); // a Friday
        QCOMPARE(t.hour, 9);
        QCOMPARE(t.minute, 5);
        QCOMPARE(t.second, 7);
        QCOMPARE(t.milliseconds, 42);
        LocalClock::setSource({});
        QVERIFY(LocalClock::now().year >= 2024);
    }

    void dottedAddresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("dotted");
        QTest::newRow("address") << "10.77.0.1" << true;
        QTest::newRow("loopback") << "127.0.0.1" << true;
        QTest::newRow("name") << "localhost" << false;
        QTest::newRow("too few parts") << "10.1" << false;
        QTest::newRow("out of range") << "300.1.1.1" << false;
        QTest::newRow("range text") << "#10.0.0.1 5" << false;
        QTest::newRow("ipv6") << "::1" << false;
    }

    void dottedAddresses() {
        QFETCH(QString, text);
        QTEST(!LocalAddress::parseDotted(text).isNull(), "dotted");
    }

    void ownAddresses() {
        QVERIFY(LocalAddress::isOwnAddress(QHostAddress("127.0.0.1")));
        QVERIFY(LocalAddress::isOwnAddress(QHostAddress("127.3.4.5")));
        QVERIFY(!LocalAddress::isOwnAddress(QHostAddress("192.0.2.44")));
        // Toward the loopback the kernel picks a loopback address.
        QCOMPARE(LocalAddress::towards(QHostAddress("127.0.0.1")), QHostAddress("127.0.0.1"));
        QCOMPARE(LocalAddress::firstIPv4({QHostAddress("::1"), QHostAddress("127.0.0.1")}), QHostAddress("127.0.0.1"));
    }

    void sameHost_data() {
        QTest::addColumn<QHostAddress>("from");
        QTest::addColumn<QHostAddress>("host");
        QTest::addColumn<bool>("same");
        const QHostAddress host("192.0.2.7");
        QTest::newRow("the same address") << host << host << true;
        QTest::newRow("as mapped IPv6") << QHostAddress("::ffff:192.0.2.7") << host << true;
        QTest::newRow("another host") << QHostAddress("192.0.2.8") << host << false;
        QTest::newRow("this machine by its name's address")
            << QHostAddress("127.0.0.1") << QHostAddress("127.0.1.1") << true;
        QTest::newRow("another loopback address") << QHostAddress("127.0.0.3") << QHostAddress("127.0.0.2") << false;
        QTest::newRow("nothing called") << QHostAddress("127.0.0.1") << QHostAddress() << false;
    }
    void sameHost() {
        QFETCH(QHostAddress, from);
        QFETCH(QHostAddress, host);
        QTEST(LocalAddress::isSameHost(from, host), "same");
    }

    void ownHostNameIsLookedUpOnceInTheBackground() {
        // A name service that answers only when the test says so.
        QStringList asked;
        std::function<void(const QHostInfo&)> answer;
        OwnHostAddress own(
            [&](const QString& name, std::function<void(const QHostInfo&)> done) {
                asked << name;
                answer = std::move(done);
            },
            QStringLiteral("thishost"));
        auto reply = [&](QHostInfo::HostInfoError error, const QList<QHostAddress>& addresses) {
            QHostInfo info;
            info.setError(error);
            info.setAddresses(addresses);
            std::exchange(answer, {})(info);
        };
        // Nothing known yet: a null address at once, and one look-up however often it is asked.
        own.start();
        QVERIFY(own.address().isNull());
        QVERIFY(own.address().isNull());
        QCOMPARE(asked, QStringList{QStringLiteral("thishost")});
        // It failed: still null, and the next question asks the name service again.
        reply(QHostInfo::HostNotFound, {});
        QVERIFY(!own.isLookingUp());
        QVERIFY(own.address().isNull());
        QCOMPARE(own.lookUpsStarted(), 2);
        // An answer without an IPv4 address counts as failed too.
        reply(QHostInfo::NoError, {QHostAddress(QStringLiteral("::1"))});
        QVERIFY(own.address().isNull());
        QCOMPARE(own.lookUpsStarted(), 3);
        // Known: the first IPv4 address, and the name service is never asked again.
        reply(QHostInfo::NoError, {QHostAddress(QStringLiteral("::1")), QHostAddress(QStringLiteral("10.77.0.9")),
                                   QHostAddress(QStringLiteral("10.77.0.8"))});
        QCOMPARE(own.address(), QHostAddress(QStringLiteral("10.77.0.9")));
        own.start();
        QCOMPARE(own.address(), QHostAddress(QStringLiteral("10.77.0.9")));
        QCOMPARE(own.lookUpsStarted(), 3);
        QVERIFY(!answer);
    }

    void storeReadsDefaultsAndEscapesNames() {
        TempProfile p;
        ProfileStore& s = p.store();
        QCOMPARE(s.readInt("X", "missing", 17), 17);
        QCOMPARE(s.readString("X", "missing", "d"), QStringLiteral("d"));
        s.writeString("X", "n", "not a number");
        QCOMPARE(s.readInt("X", "n", 3), 3);
        s.writeInt("X", "big", int(0xFFFFFFFFu));
        QCOMPARE(s.readInt("X", "big", 0), -1);
        // Clamped reads: a stored value is kept within the bounds, a missing one gives the default as it is.
        QCOMPARE(s.readInt("X", "big", 0, 1, 5), 1);
        QCOMPARE(s.readInt("X", "missing", -9, 1, 5), -9);
        QCOMPARE(s.readInt("X", "n", 3, 4, 5), 3);
        s.writeInt("X", "far", 2147483647);
        QCOMPARE(s.readCoordinate("X", "far", 0), 32767);
        s.writeString("X", "far", "-2147483648");
        QCOMPARE(s.readCoordinate("X", "far", 0), -32767);
        QCOMPARE(s.readCoordinate("X", "missing", -10000), -10000);
        for (const QString& name : {QStringLiteral("a/b"), QStringLiteral("a%2Fb"), QStringLiteral("\\x"),
                                    QStringLiteral("a b c"), QStringLiteral("=;#")})
            s.writeString("Names", name, name);
        p.reopen();
        for (const QString& name : {QStringLiteral("a/b"), QStringLiteral("a%2Fb"), QStringLiteral("\\x"),
                                    QStringLiteral("a b c"), QStringLiteral("=;#")})
            QCOMPARE(p.store().readString("Names", name), name);
        QCOMPARE(p.store().valueNames("Names").size(), 5);
        p.store().deleteSection("Names");
        QVERIFY(p.store().valueNames("Names").isEmpty());
        QCOMPARE(p.store().readString("X", "n"), QStringLiteral("not a number"));
    }

    void removeEverythingKeepsOtherProgramsOfTheMaker() {
        QTemporaryDir dir;
        const QString maker = dir.filePath("Bravik");
        QDir().mkpath(maker);
        QFile other(maker + "/OTHER.conf");
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        {
            ProfileStore s(maker + "/ZUNO.conf");
            s.writeInt("Settings", "ltra", 9);
            s.flush();
            QVERIFY(QFile::exists(maker + "/ZUNO.conf"));
            s.removeEverything();
            s.writeInt("Settings", "ltra", 10); // ignored from now on
        }
        QVERIFY(!QFile::exists(maker + "/ZUNO.conf"));
        QVERIFY(QDir(maker).exists());

        QFile::remove(maker + "/OTHER.conf");
        {
            ProfileStore s(maker + "/ZUNO.conf");
            s.writeInt("Settings", "ltra", 9);
            s.flush();
            s.removeEverything();
        }
        QVERIFY(!QDir(maker).exists());
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
