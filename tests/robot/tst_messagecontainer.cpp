// Robot messages: filing, the bounded list, and the container file's exact layout.
#include "platform/SystemTime.h"
#include "robot/MessageContainer.h"
#include "robot/StoreRobotMessage.h"

#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

RobotMessage anna() {
    RobotMessage m;
    m.text = QStringLiteral("hello");
    m.host = QStringLiteral("alpha");
    m.user = WireName::typed(QStringLiteral("anna"));
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
    void cleanup() { LocalClock::setSource({}); } // even when a test failed before it put the clock back

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

    void senderLineInCaretForm_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("escape sequence") << QStringLiteral("ev\x1b[2Jil") << QByteArray("ev^[[2Jil at alpha");
        QTest::newRow("8-bit control") << QString::fromLatin1("ev\x9b"
                                                              "2Jil")
                                       << QByteArray("evM-^[2Jil at alpha");
        QTest::newRow("bell and delete") << QStringLiteral("a\x07\x7f") << QByteArray("a^G^? at alpha");
    }
    // A caller's name must not clear the terminal of whoever shows the file.
    void senderLineInCaretForm() {
        QFETCH(QString, user);
        QFETCH(QByteArray, line);
        QTemporaryDir dir;
        const QString path = dir.filePath("zuno.txt");
        RobotMessage m = anna();
        m.user = WireName::typed(user);
        QVERIFY(MessageContainer::appendBlock(path, m));
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.startsWith(" -- Message from: " + line + "\r\n"));
        QVERIFY(!bytes.contains('\x1b') && !bytes.contains("\xc2\x9b") && !bytes.contains('\x07'));
    }

    void appendsNeverTruncates() {
        QTemporaryDir dir;
        const QString path = dir.filePath("zuno.txt");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier content\r\n");
        }
        const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(path, mode));
        QVERIFY(MessageContainer::appendBlock(path, anna()));
        QVERIFY(MessageContainer::appendBlock(path, anna()));
        QCOMPARE(readAll(path), "earlier content\r\n" + ANNA_BLOCK + ANNA_BLOCK);
        QCOMPARE(QFile::permissions(path) & 0xf0ff, mode); // the user's file keeps its mode
    }

    void utf8Text() {
        QTemporaryDir dir;
        const QString path = dir.filePath("u.txt");
        RobotMessage m = anna();
        m.text = QString::fromUtf8("gr\xc3\xbc\xc3\x9f dich");
        QVERIFY(MessageContainer::appendBlock(path, m));
        QVERIFY(readAll(path).contains("gr\xc3\xbc\xc3\x9f dich"));
        QCOMPARE(QFile::permissions(path) & 0xf0ff, QFile::ReadOwner | QFile::WriteOwner); // made by the program
    }

    // A write that fails part-way (here: the file size limit) leaves the file as it was, never half a block.
    void failedWriteLeavesWholeBlocks() {
        QTemporaryDir dir;
        const QString path = dir.filePath("zuno.txt");
        QVERIFY(MessageContainer::appendBlock(path, anna()));
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = rlim_t(ANNA_BLOCK.size() + 40);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = MessageContainer::appendBlock(path, anna(), &error);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QVERIFY2(error.contains(path) && error.contains(QStringLiteral("could not be written")), qPrintable(error));
        QCOMPARE(readAll(path), ANNA_BLOCK);
    }

    void saveinfileDecidesUnlessForced() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        FakeAppContext core(profile.store());
        core.settings().msgfile = profile.dir() + "/c.txt";
        core.settings().saveinfile = 0;
        AppendMessageToContainer(core, false, anna());
        QVERIFY(!QFile::exists(core.settings().msgfile));
        AppendMessageToContainer(core, true, anna());
        QCOMPARE(readAll(core.settings().msgfile), ANNA_BLOCK);
        // After Uninstall nothing is written, asked for or not, and nothing is told.
        core.settings().saveinfile = 1;
        profile.store().removeEverything();
        QVERIFY(AppendMessageToContainer(core, false, anna()));
        QVERIFY(!AppendMessageToContainer(core, true, anna()));
        QCOMPARE(readAll(core.settings().msgfile), ANNA_BLOCK);
        QCoreApplication::processEvents();
        QVERIFY(boxes.shown.isEmpty());
    }

    // A file that keeps failing shows one box, which counts the failures after the first while it is up.
    void failureIsReportedAndTheMessageStays() {
        ScriptedMessageBoxes boxes;
        boxes.answerNotifiesAtOnce = false;
        TempProfile profile;
        FakeAppContext core(profile.store());
        core.settings().saveinfile = 1;
        core.settings().msgfile = profile.dir() + "/no/such/folder/zuno.txt";
        StoreRobotMessage(core, "hi there", "10.77.0.2", WireName::typed("bob"));
        QCOMPARE(core.messages().count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.first().text.contains(core.settings().msgfile));
        QVERIFY(boxes.shown.first().text.contains(QStringLiteral("No such file or directory")));
        StoreRobotMessage(core, "again", "10.77.0.2", WireName::typed("bob"));
        StoreRobotMessage(core, "and again", "10.77.0.2", WireName::typed("bob"));
        QCoreApplication::processEvents();
        QCOMPARE(core.messages().count(), 3);
        QCOMPARE(boxes.shown.size(), 1);
        QTRY_VERIFY(boxes.shown.first().text.endsWith(QStringLiteral("\r\n(2 more since)")));
        boxes.answerPending();
    }

    void storingFilesWithTheClockAndSignals() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        FakeAppContext core(profile.store());
        QTemporaryDir dir;
        core.settings().saveinfile = 1;
        core.settings().msgfile = dir.filePath("zuno.txt");
        LocalClock::setSource([] { return QDateTime(QDate(1996, 12, 20), QTime(9, 5, 7, 42)); });
        QSignalSpy emptiness(&core.messages(), &RobotMessageList::emptinessChanged);
        QSignalSpy added(&core.messages(), &RobotMessageList::messageAdded);

        StoreRobotMessage(core, QString(), "alpha", WireName::typed("anna")); // empty text files nothing
        QCOMPARE(core.messages().count(), 0);
        StoreRobotMessage(core, "hello", "alpha", WireName::typed("anna"));
        StoreRobotMessage(core, "again", "alpha", WireName::typed("anna"));
        LocalClock::setSource({});
        QCOMPARE(core.messages().count(), 2);
        QCOMPARE(emptiness.count(), 1); // only the first one starts the blinking
        QCOMPARE(added.count(), 2);
        QVERIFY(readAll(dir.filePath("zuno.txt")).startsWith(ANNA_BLOCK));

        // Filed in the same millisecond, yet two messages: deleting the second leaves the first.
        const std::vector<RobotMessage>& listed = core.messages().messages();
        QCOMPARE(listed[0].receiptTime, listed[1].receiptTime);
        QVERIFY(listed[0].id != listed[1].id);
        QVERIFY(core.messages().remove(listed[1].id));
        QCOMPARE(core.messages().count(), 1);
        QCOMPARE(core.messages().messages().front().text, QStringLiteral("hello"));
        QVERIFY(!core.messages().remove(0));
    }

    void longTextIsCutOnACharacterBoundary_data() {
        const qsizetype limit = bounds::ROBOT_TEXT_LIMIT;
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("kept");
        QTest::addColumn<bool>("cut");
        QTest::newRow("plain") << QString(limit + 10, u'x') << limit << true;
        QTest::newRow("exactly the limit") << QString(limit, u'x') << limit << false;
        QTest::newRow("surrogate pair across the limit")
            << QString(limit - 1, u'x') + QString::fromUtf8("\xf0\x9f\x98\x80") + QStringLiteral("yy") << limit - 1
            << true;
        QTest::newRow("CR LF across the limit")
            << QString(limit - 1, u'x') + QStringLiteral("\r\nyy") << limit - 1 << true;
        QTest::newRow("CR LF just inside") << QString(limit - 2, u'x') + QStringLiteral("\r\nyy") << limit << true;
    }
    void longTextIsCutOnACharacterBoundary() {
        QFETCH(QString, text);
        QFETCH(qsizetype, kept);
        QFETCH(bool, cut);
        TempProfile profile;
        FakeAppContext core(profile.store());
        StoreRobotMessage(core, text, "h", WireName::typed("u"));
        const QString& filed = core.messages().messages().front().text;
        QCOMPARE(filed.endsWith(ROBOT_TEXT_CUT_MARK), cut);
        QCOMPARE(filed.size(), kept + (cut ? ROBOT_TEXT_CUT_MARK.size() : 0));
        QCOMPARE(filed.left(kept), text.left(kept));
    }

    void listBounds_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("largest"); // each message as large as one may be, else two characters
        QTest::addColumn<int>("held");
        QTest::addColumn<bool>("full");
        QTest::newRow("199 messages") << 199 << false << 0 << false;
        QTest::newRow("200 messages") << bounds::MAX_ROBOT_MESSAGES << false << 0 << true;
        QTest::newRow("199 and a robot running") << 199 << false << 1 << true;
        QTest::newRow("62 of the largest") << 62 << true << 0 << false;
        QTest::newRow("63 of the largest") << 63 << true << 0 << true;
        QTest::newRow("61 of the largest and a robot running") << 61 << true << 1 << false;
        QTest::newRow("62 of the largest and a robot running") << 62 << true << 1 << true;
    }
    void listBounds() {
        QFETCH(int, count);
        QFETCH(bool, largest);
        QFETCH(int, held);
        QFETCH(bool, full);
        TempProfile profile;
        FakeAppContext core(profile.store());
        RobotMessageList& list = core.messages();
        QSignalSpy fullness(&list, &RobotMessageList::fullnessChanged);
        RobotMessage m = anna();
        m.text = largest ? QString(RobotMessageList::largestMessage(), u'x') : QStringLiteral("hi");
        for (int i = 0; i < count; ++i)
            list.append(m);
        for (int i = 0; i < held; ++i)
            list.holdPlace();
        QCOMPARE(list.isFull(), full);
        QCOMPARE(core.messages().robotTakesCalls(core.robotSwitch()), false); // the switch is off
        core.setRobotSwitch(1);
        QCOMPARE(core.messages().robotTakesCalls(core.robotSwitch()), !full);
        QCOMPARE(fullness.count(), full ? 1 : 0);
        // A running robot files into the place it holds: filing never makes the list full.
        if (held > 0) {
            QVERIFY(StoreRobotMessage(core, QStringLiteral("hi"), "h", WireName::typed("u"), true));
            QCOMPARE(list.placesHeld(), held - 1);
            QVERIFY(full || !list.isFull());
        }
        // Deleting one message makes room.
        list.remove(list.messages().back().id);
        QVERIFY(!list.isFull());
        QCOMPARE(fullness.count(), full ? 2 : 0);
    }
};

QTEST_GUILESS_MAIN(TestMessageContainer)
#include "tst_messagecontainer.moc"
