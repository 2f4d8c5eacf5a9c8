// Robot messages: filing, and the container file's exact layout.
#include "app/AppCore.h"
#include "robot/MessageContainer.h"
#include "robot/StoreRobotMessage.h"

#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

RobotMessage anna() {
    RobotMessage m;
    m.text = QStringLiteral("hello");
    m.host = QStringLiteral("alpha");
    m.user = QStringLiteral("anna");
    m.receiptTime = SystemTime::fromDateTime(QDateTime(QDate(1996, 12, 20), QTime(9, 5, 7, 42)));
    return m;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray ANNA_BLOCK = " -- Message from: anna at alpha\r\n"
                              " -- Receipt date: 12/20/1996\r\n"
                              " -- Receipt time: 9:5:7.42 (local) \r\n"
                              "\r\n"
                              "hello\r\n"
                              "\r\n"
                              " -- End of message ------------------------------------------------------------\r\n"
                              "\r\n";

} // namespace

class TestMessageContainer : public QObject {
    Q_OBJECT
private slots:
    void blockLayout() {
        QCOMPARE(MessageContainer::formatBlock(anna()).toUtf8(), ANNA_BLOCK);
        RobotMessage m = anna();
        m.receiptTime = SystemTime::fromDateTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0, 0)));
        m.text = QStringLiteral("line one\r\nline two");
        const QString block = MessageContainer::formatBlock(m);
        QVERIFY(block.contains(QStringLiteral(" -- Receipt date: 1/1/2000\r\n")));
        QVERIFY(block.contains(QStringLiteral(" -- Receipt time: 0:0:0.0 (local) \r\n")));
        QVERIFY(block.contains(QStringLiteral("\r\n\r\nline one\r\nline two\r\n\r\n")));
    }

    void appendsNeverTruncates() {
        QTemporaryDir dir;
        const QString path = dir.filePath("zuno.txt");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier content\r\n");
        }
        QVERIFY(MessageContainer::appendBlock(path, anna()));
        QVERIFY(MessageContainer::appendBlock(path, anna()));
        QCOMPARE(readAll(path), "earlier content\r\n" + ANNA_BLOCK + ANNA_BLOCK);
    }

    void utf8Text() {
        QTemporaryDir dir;
        const QString path = dir.filePath("u.txt");
        RobotMessage m = anna();
        m.text = QString::fromUtf8("gr\xc3\xbc\xc3\x9f dich");
        QVERIFY(MessageContainer::appendBlock(path, m));
        QVERIFY(readAll(path).contains("gr\xc3\xbc\xc3\x9f dich"));
    }

    void saveinfileDecidesUnlessForced() {
        ScriptedMessageBoxes boxes;
        QTemporaryDir dir;
        Settings s;
        s.msgfile = dir.filePath("c.txt");
        s.saveinfile = 0;
        AppendMessageToContainer(s, false, anna());
        QVERIFY(!QFile::exists(s.msgfile));
        AppendMessageToContainer(s, true, anna());
        QCOMPARE(readAll(s.msgfile), ANNA_BLOCK);
        QVERIFY(boxes.shown.isEmpty());
    }

    void failureIsReportedAndTheMessageStays() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        AppCore core(profile.store());
        core.settings().saveinfile = 1;
        core.settings().msgfile = profile.dir() + "/no/such/folder/zuno.txt";
        StoreRobotMessage(core, "hi there", "10.77.0.2", "bob");
        QCOMPARE(core.messages().count(), 1);
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.first().text.contains(core.settings().msgfile));
        QVERIFY(boxes.shown.first().text.contains(QStringLiteral("No such file or directory")));
    }

    void storingFilesWithTheClockAndSignals() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        AppCore core(profile.store());
        QTemporaryDir dir;
        core.settings().saveinfile = 1;
        core.settings().msgfile = dir.filePath("zuno.txt");
        LocalClock::setSource([] { return QDateTime(QDate(1996, 12, 20), QTime(9, 5, 7, 42)); });
        QSignalSpy emptiness(&core.messages(), &RobotMessageList::emptinessChanged);
        QSignalSpy added(&core.messages(), &RobotMessageList::messageAdded);

        StoreRobotMessage(core, QString(), "alpha", "anna"); // empty text files nothing
        QCOMPARE(core.messages().count(), 0);
        StoreRobotMessage(core, "hello", "alpha", "anna");
        StoreRobotMessage(core, "again", "alpha", "anna");
        LocalClock::setSource({});
        QCOMPARE(core.messages().count(), 2);
        QCOMPARE(emptiness.count(), 1); // only the first one starts the blinking
        QCOMPARE(added.count(), 2);
        QVERIFY(readAll(dir.filePath("zuno.txt")).startsWith(ANNA_BLOCK));

        QVERIFY(core.messages().removeByReceiptTime(anna().receiptTime));
        QCOMPARE(core.messages().messages().front().text, QStringLiteral("again"));
    }

    void longTextIsCutAtOneMebibyte() {
        TempProfile profile;
        AppCore core(profile.store());
        StoreRobotMessage(core, QString(bounds::ROBOT_TEXT_LIMIT + 10, u'x'), "h", "u");
        const QString& text = core.messages().messages().front().text;
        QVERIFY(text.endsWith(QStringLiteral("\r\n[message cut at 1 MiB]")));
        QCOMPARE(text.size(), bounds::ROBOT_TEXT_LIMIT + ROBOT_TEXT_CUT_MARK.size());
    }
};

QTEST_GUILESS_MAIN(TestMessageContainer)
#include "tst_messagecontainer.moc"
