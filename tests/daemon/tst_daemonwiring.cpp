// The daemon inside the program: a port that cannot be bound ends the program after its box, and the daemon's
// errors come as one non-blocking box at a time, which counts them.
#include "app/CTalkApp.h"
#include "app/CTrayWindow.h"
#include "daemon/CTalkDaemon.h"
#include "platform/LoginName.h"

#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

class TestDaemonWiring : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<CTalkApp> m_app;

private slots:
    void init() {
        LoginName::setRawOverride(QStringLiteral("tester"));
        m_profile = std::make_unique<TempProfile>();
        m_profile->store().writeInt("About", "Version", 141);
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_app = std::make_unique<CTalkApp>(m_profile->store());
    }

    void cleanup() {
        m_app.reset();
        m_boxes.reset();
        m_profile.reset();
        LoginName::setRawOverride(std::nullopt);
    }

    void portTakenShowsItsBoxAndQuits() {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        m_app->setDaemonPort(holder.localPort());
        QSignalSpy quit(m_app.get(), &CTalkApp::quitRequested);
        QVERIFY(m_app->InitInstance()); // start-up completes regardless
        QCOMPARE(m_boxes->shown.size(), 1);
        QCOMPARE(m_boxes->shown[0].text, QString::fromLatin1(CTalkDaemon::ADDRESS_IN_USE_TEXT));
        QCOMPARE(m_boxes->shown[0].icon, MessageBoxService::Icon::Stop);
        QCOMPARE(m_boxes->shown[0].buttons, int(MessageBoxService::Ok));
        QCOMPARE(quit.size(), 1);
        QCOMPARE(quit[0][0].toInt(), 1);
        QVERIFY(m_app->trayWindow()->trayIcon()->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable());
    }

    void daemonErrorsOneBoxAtATime() {
        m_app->setDaemonPort(0);
        QSignalSpy quit(m_app.get(), &CTalkApp::quitRequested);
        QVERIFY(m_app->InitInstance());
        QCOMPARE(quit.size(), 0);
        QVERIFY(m_boxes->shown.isEmpty());
        m_boxes->answerNotifiesAtOnce = false;
        QUdpSocket s;
        QVERIFY(s.bind(QHostAddress::LocalHost, 0));
        const QString receipt =
            QStringLiteral("Server: socket error 10040 occured.\r\nMurmelo daemon reports receipt error.");
        s.writeDatagram(QByteArray(100, 'x'), QHostAddress::LocalHost, m_app->daemon()->localPort());
        QTRY_COMPARE(m_boxes->shown.size(), 1);
        QCOMPARE(m_boxes->shown[0].text, receipt);
        QCOMPARE(m_boxes->shown[0].icon, MessageBoxService::Icon::Stop);
        for (int i = 0; i < 3; ++i)
            s.writeDatagram(QByteArray(200, 'x'), QHostAddress::LocalHost, m_app->daemon()->localPort());
        // Counted into the box on the screen, whose text follows; closing it leaves nothing for a second box.
        QTRY_COMPARE(m_boxes->shown[0].text, receipt + QStringLiteral("\r\n(3 more since)"));
        QCOMPARE(m_boxes->shown.size(), 1);
        m_boxes->answerPending();
        QTest::qWait(50);
        QCOMPARE(m_boxes->shown.size(), 1);
        // The daemon went on answering all along.
        QByteArray probe(84, '\0');
        probe[0] = 1;
        probe[1] = 1;
        probe[4] = char(0xD7);
        probe[9] = 2;
        probe[25] = 2;
        s.writeDatagram(probe, QHostAddress::LocalHost, m_app->daemon()->localPort());
        QTRY_VERIFY(s.hasPendingDatagrams());
        QByteArray reply(int(s.pendingDatagramSize()), 0);
        s.readDatagram(reply.data(), reply.size());
        QCOMPARE(reply.size(), 84);
        QCOMPARE(quint8(reply[2]), quint8(215));
        QCOMPARE(reply.mid(44, 7), QByteArray("tester\0", 7));
    }
};

QTEST_MAIN(TestDaemonWiring)
#include "tst_daemonwiring.moc"
