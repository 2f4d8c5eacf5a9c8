// The notification of a filed robot message: its exact text from hostile input, when it shows, what its click does.
#include "config/Bounds.h"
#include "robot/MessageAnnouncer.h"
#include "robot/RobotMessageList.h"

#include "FakeAppContext.h"
#include "ScriptedNotifications.h"
#include "TempProfile.h"

#include <QTest>

namespace {

RobotMessage message(const QString& user, const QString& host, const QString& text) {
    RobotMessage m;
    m.user = WireName::typed(user);
    m.host = host;
    m.text = text;
    return m;
}

} // namespace

class TestMessageAnnouncer : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<FakeAppContext> m_context;
    std::unique_ptr<ScriptedNotifications> m_notifications;
    QObject m_icon;

private slots:
    void init() {
        m_profile = std::make_unique<TempProfile>();
        m_context = std::make_unique<FakeAppContext>(m_profile->store());
        m_notifications = std::make_unique<ScriptedNotifications>();
    }
    void cleanup() {
        m_notifications.reset();
        m_context.reset();
        m_profile.reset();
    }

    void noticeText_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        const QString longLine = QString(500, u'x');
        const QString cut = QString(bounds::NOTICE_TEXT_LIMIT - 3, u'x') + QStringLiteral("...");
        QTest::newRow("first line") << "bob"
                                    << "host"
                                    << "call me\r\nback"
                                    << "Message from bob at host"
                                    << "call me";
        QTest::newRow("blank lines first") << "bob"
                                           << "10.0.0.9"
                                           << "\r\n  \r\n\tsee you  \r\nbye"
                                           << "Message from bob at 10.0.0.9"
                                           << "see you";
        QTest::newRow("caret form of names and text")
            << "\x1b[2Jeve"
            << "h\x07st" << QStringLiteral("a\x1b]0;x\x07 b\u009b") << "Message from ^[[2Jeve at h^Gst"
            << "a^[]0;x^G bM-^[";
        QTest::newRow("markup stays text") << "<b>m</b>"
                                           << "h"
                                           << "<a href=\"x\">click</a> &amp;"
                                           << "Message from <b>m</b> at h"
                                           << "<a href=\"x\">click</a> &amp;";
        QTest::newRow("long line cut") << "bob"
                                       << "h" << longLine << "Message from bob at h" << cut;
        QTest::newRow("no character split")
            << "bob"
            << "h" << QString(bounds::NOTICE_TEXT_LIMIT - 4, u'y') + QStringLiteral("\U0001F600zzzz")
            << "Message from bob at h" << QString(bounds::NOTICE_TEXT_LIMIT - 4, u'y') + QStringLiteral("...");
        QTest::newRow("long names cut") << QString(100, u'u') << QString(300, u'h') << "hi"
                                        << QStringLiteral("Message from %1... at %2...")
                                               .arg(QString(bounds::NOTICE_NAME_LIMIT - 3, u'u'),
                                                    QString(bounds::NOTICE_NAME_LIMIT - 3, u'h'))
                                        << "hi";
        QTest::newRow("only blanks") << "bob"
                                     << "h"
                                     << " \r\n\r\n"
                                     << "Message from bob at h"
                                     << "";
    }
    void noticeText() {
        QFETCH(QString, user);
        QFETCH(QString, host);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, body);
        const NotificationService::Notice notice = MessageAnnouncer::noticeFor(message(user, host, text));
        QCOMPARE(notice.title, title);
        QCOMPARE(notice.text, body);
    }

    void eachFiledMessageIsAnnouncedAndItsClickOpensTheMonitor() {
        MessageAnnouncer announcer(*m_context, &m_icon);
        RobotMessageList& list = m_context->messages();
        list.append(message("bob", "alpha", "first"));
        QCOMPARE(m_notifications->shown.size(), 1);
        QCOMPARE(m_notifications->shown[0].title, QStringLiteral("Message from bob at alpha"));
        QCOMPARE(m_notifications->shown[0].text, QStringLiteral("first"));
        QCOMPARE(m_notifications->shown[0].source, &m_icon);
        QCOMPARE(m_context->monitorsOpened, 0);
        m_notifications->click();
        QCOMPARE(m_context->monitorsOpened, 1);

        // While the monitor is on screen the message shows there: no notification.
        m_context->monitorOpen = true;
        list.append(message("carl", "beta", "second"));
        QCOMPARE(m_notifications->shown.size(), 1);
        m_context->monitorOpen = false;

        // Messages of an earlier run are not new.
        RobotMessage old = message("dora", "gamma", "old");
        old.id = 100;
        list.restore({old});
        QCOMPARE(m_notifications->shown.size(), 1);

        // A desktop without notifications: nothing shows and nothing fails.
        m_notifications->available = false;
        list.append(message("eve", "delta", "third"));
        QCOMPARE(list.count(), 4);
        m_notifications->available = true;

        // The program ends: conversations that file on the way out are not announced, and a late click does nothing.
        announcer.stop();
        list.append(message("fred", "epsilon", "last"));
        QCOMPARE(m_notifications->shown.size(), 1);
        m_notifications->click(0);
        QCOMPARE(m_context->monitorsOpened, 1);
    }
};

QTEST_MAIN(TestMessageAnnouncer)
#include "tst_messageannouncer.moc"
