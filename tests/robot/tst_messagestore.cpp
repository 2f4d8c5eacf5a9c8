// Robot messages on disk: the file layout, reading back in filing order, files set aside, the list's bounds.
#include "robot/MessageFile.h"
#include "robot/MessageKeeper.h"
#include "robot/MessageStore.h"
#include "robot/RobotMessageList.h"
#include "robot/StoreRobotMessage.h"

#include "EnvironmentOverride.h"
#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

RobotMessage message(quint64 id, const QString& text = QStringLiteral("hello\r\n")) {
    RobotMessage m;
    m.id = id;
    m.text = text;
    m.host = QStringLiteral("alpha");
    m.user = WireName::typed(QStringLiteral("anna"));
    m.receiptTime = SystemTime::fromDateTime(QDateTime(QDate(1996, 12, 20), QTime(9, 5, 7, 42)));
    return m;
}

const QByteArray ANNA_FILE = "Murmelo robot message 1\n"
                             "id 17\n"
                             "received 1996 12 5 20 9 5 7 42\n"
                             "host alpha\n"
                             "user anna\n"
                             "text 7\n"
                             "hello\r\n"
                             "\nend\n";

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QList<quint64> ids(const std::vector<RobotMessage>& messages) {
    QList<quint64> out;
    for (const RobotMessage& m : messages)
        out.append(m.id);
    return out;
}

} // namespace

class TestMessageStore : public QObject {
    Q_OBJECT
private slots:
    void fileLayout() {
        QCOMPARE(MessageFile::encode(message(17)), ANNA_FILE);
        RobotMessage latin1 = message(17);
        latin1.user = WireName::received(QByteArray("J\xf6rg"));
        QCOMPARE(MessageFile::encode(latin1),
                 QByteArray(ANNA_FILE).replace("user anna\n", "user J\xc3\xb6rg\nwire 4af67267\n"));
        QTemporaryDir dir;
        MessageStore store(dir.path());
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        QVERIFY(store.save(message(17)));
        QCOMPARE(readAll(dir.filePath("00000000000000000017.msg")), ANNA_FILE);
        QCOMPARE(QFile::permissions(store.pathFor(17)) & 0xf0ff, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QFile::permissions(dir.path()) & 0xf0ff, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("text");
        QTest::newRow("Latin-1 name with an escape") << QString::fromLatin1("J\xf6rg\x1b[2J\x9b\\") << "hi";
        QTest::newRow("every kind of text") << "a"
                                            << QString::fromUtf16(u"\uFEFFline\r\n\ttab\\u0041 ") + QChar(0) +
                                                   QString::fromUtf16(u"nul \U0001F600 caf\u00e9\r\n");
        QTest::newRow("broken surrogate pairs")
            << QString(QChar(0xDC00)) << QString(QChar(0xD800)) + QStringLiteral("x");
        QTest::newRow("the largest text") << "b" << QString(RobotMessageList::largestMessage(), QChar(0x1b));
    }
    void roundTrip() {
        QFETCH(QString, user);
        QFETCH(QString, text);
        QTemporaryDir dir;
        RobotMessage m = message(3, text);
        m.user = WireName::received(user.toLatin1()); // the Latin-1 name keeps its bytes beside its text
        m.host = user + u'\n';
        QVERIFY(MessageStore(dir.path()).save(m));
        const QByteArray bytes = readAll(dir.filePath("00000000000000000003.msg"));
        QVERIFY(!bytes.contains('\x1b') && !bytes.contains("\xc2\x9b"));
        const MessageStore::Loaded loaded = MessageStore(dir.path()).loadAll();
        QCOMPARE(loaded.messages.size(), std::size_t(1));
        const RobotMessage& back = loaded.messages.front();
        QCOMPARE(back.user, m.user);
        QCOMPARE(back.host, m.host);
        QCOMPARE(back.text, m.text);
        QCOMPARE(back.receiptTime, m.receiptTime);
        QCOMPARE(back.id, quint64(3));
    }

    void notAMessage_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("another version") << QByteArray(ANNA_FILE).replace("message 1", "message 2");
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10);
        QTest::newRow("id zero") << QByteArray(ANNA_FILE).replace("id 17", "id 0");
        QTest::newRow("leading zero") << QByteArray(ANNA_FILE).replace("id 17", "id 017");
        QTest::newRow("id past 64 bits") << QByteArray(ANNA_FILE).replace("id 17", "id 18446744073709551616");
        QTest::newRow("id past the highest")
            << QByteArray(ANNA_FILE).replace("id 17", "id " + QByteArray::number(bounds::MAX_MESSAGE_ID + 1));
        QTest::newRow("wire bytes that are the name's UTF-8")
            << QByteArray(ANNA_FILE).replace("user anna\n", "user anna\nwire 616e6e61\n");
        QTest::newRow("upper-case wire bytes") << QByteArray(ANNA_FILE).replace("user anna\n", "user anna\nwire E9\n");
        QTest::newRow("half a wire byte") << QByteArray(ANNA_FILE).replace("user anna\n", "user anna\nwire e\n");
        QTest::newRow("a time field past 16 bits") << QByteArray(ANNA_FILE).replace("1996 12", "65536 12");
        QTest::newRow("seven time fields") << QByteArray(ANNA_FILE).replace(" 42\n", "\n");
        QTest::newRow("broken escape") << QByteArray(ANNA_FILE).replace("user anna", "user an\\x");
        QTest::newRow("lower-case escape") << QByteArray(ANNA_FILE).replace("user anna", "user \\u001b");
        QTest::newRow("needless escape") << QByteArray(ANNA_FILE).replace("user anna", "user \\u0061nna");
        QTest::newRow("raw control") << QByteArray(ANNA_FILE).replace("user anna", "user \x1b");
        QTest::newRow("invalid UTF-8") << QByteArray(ANNA_FILE).replace("hello", "hell\xff");
        QTest::newRow("text size off") << QByteArray(ANNA_FILE).replace("text 7", "text 8");
        QTest::newRow("bytes after the end") << ANNA_FILE + "x";
        QTest::newRow("name too long") << QByteArray(ANNA_FILE).replace(
            "host alpha", "host " + QByteArray(bounds::MAX_STORED_NAME_LENGTH + 1, 'h'));
        RobotMessage large = message(17, QString(RobotMessageList::largestMessage() + 1, u'x'));
        QTest::newRow("text too long") << MessageFile::encode(large);
    }
    void notAMessage() {
        QFETCH(QByteArray, bytes);
        QVERIFY(!MessageFile::decode(bytes));
    }

    void truncatedIsNoMessage() {
        QVERIFY(MessageFile::decode(ANNA_FILE));
        for (qsizetype size = 0; size < ANNA_FILE.size(); ++size)
            QVERIFY2(!MessageFile::decode(ANNA_FILE.first(size)), qPrintable(QString::number(size)));
    }

    void filingOrder() {
        QTemporaryDir dir;
        MessageStore store(dir.path());
        for (quint64 id : {10u, 9u, 100u, 2u})
            QVERIFY(store.save(message(id, QString::number(id))));
        writeAll(dir.filePath("notes.txt"), "not a message");
        const MessageStore::Loaded loaded = store.loadAll();
        QCOMPARE(ids(loaded.messages), (QList<quint64>{2, 9, 10, 100}));
        QCOMPARE(loaded.messages.back().text, QStringLiteral("100"));
        QCOMPARE(loaded.highestId, quint64(100));
        QVERIFY(loaded.setAside.isEmpty());
    }

    void unreadableIsSetAside_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind");
        QTest::newRow("truncated") << ANNA_FILE.first(40) << "file";
        QTest::newRow("binary") << QByteArray(300, '\0') << "file";
        QTest::newRow("another id inside") << QByteArray(ANNA_FILE).replace("id 17", "id 5") << "file";
        QTest::newRow("huge") << QByteArray() << "huge";
        QTest::newRow("a pipe") << QByteArray() << "fifo";
        QTest::newRow("a link") << QByteArray() << "link";
    }
    void unreadableIsSetAside() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        MessageStore store(dir.path());
        QVERIFY(store.save(message(3)));
        QVERIFY(store.save(message(30)));
        const QString bad = store.pathFor(17);
        if (kind == "file")
            writeAll(bad, bytes);
        if (kind == "huge") {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(bounds::MAX_STORED_MESSAGE_BYTES + 1));
        }
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
        if (kind == "link")
            QVERIFY(QFile::link(store.pathFor(3), bad));
        const MessageStore::Loaded loaded = store.loadAll();
        QCOMPARE(ids(loaded.messages), (QList<quint64>{3, 30}));
        QCOMPARE(loaded.setAside, QStringList{bad + ".unreadable"});
        QVERIFY(!QFileInfo::exists(bad));
        if (kind == "file")
            QCOMPARE(readAll(bad + ".unreadable"), bytes);
        QVERIFY(MessageStore::setAsideNotice(loaded.setAside).contains(loaded.setAside.front()));
        // Told once: the next start reads the others and leaves the file set aside alone.
        const MessageStore::Loaded again = store.loadAll();
        QCOMPARE(again.messages.size(), std::size_t(2));
        QVERIFY(again.setAside.isEmpty());
        QVERIFY(QFileInfo::exists(bad + ".unreadable") || QFileInfo(bad + ".unreadable").isSymLink());
        // A file of the same name that fails again does not overwrite the first one.
        writeAll(bad, "again");
        const QStringList second = store.loadAll().setAside;
        QCOMPARE(second.size(), 1);
        QVERIFY(second.front().endsWith(".unreadable") && second.front() != bad + ".unreadable");
        QCOMPARE(readAll(second.front()), QByteArray("again"));
    }

    // Nothing at the next message's name is written through or replaced: the message is not kept, and says so.
    void neverWritesOverAName_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a link to a file") << "link";
        QTest::newRow("a dangling link") << "dangling";
        QTest::newRow("a pipe") << "fifo";
    }
    void neverWritesOverAName() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString target = dir.filePath("target");
        MessageStore store(dir.filePath("data"));
        QVERIFY(QDir().mkpath(store.folder()));
        const QString name = store.pathFor(5);
        if (kind == "link")
            writeAll(target, "mine");
        if (kind == "link" || kind == "dangling")
            QVERIFY(QFile::link(target, name));
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
        QString error;
        QVERIFY(!store.save(message(5), &error));
        QCOMPARE(error,
                 QStringLiteral("The robot message could not be kept in %1: another file has that name.").arg(name));
        QCOMPARE(readAll(target), QByteArray(kind == "link" ? "mine" : ""));
        QCOMPARE(QFileInfo::exists(target), kind == "link");
        // No temporary file is left behind.
        QCOMPARE(QDir(store.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{QFileInfo(name).fileName()});
    }

    // A file named after an id no message may have is set aside, and new ids go on from the highest real one: they
    // never wrap around onto a name in use.
    void idsNeverWrap() {
        QTemporaryDir dir;
        MessageStore store(dir.path());
        const quint64 top = std::numeric_limits<quint64>::max();
        QVERIFY(store.save(message(7)));
        writeAll(store.pathFor(top), MessageFile::encode(message(top)));
        writeAll(store.pathFor(bounds::MAX_MESSAGE_ID + 1) + ".unreadable", "set aside before");
        RobotMessageList list;
        MessageKeeper keeper(list, store);
        QCOMPARE(keeper.restore(), QStringList{store.pathFor(top) + ".unreadable"});
        QCOMPARE(list.append(message(0)), quint64(8));
        QCOMPARE(ids(store.loadAll().messages), (QList<quint64>{7, 8}));
    }

    // With a file named after the highest id back from disk, nothing more is filed: the list hands out no id the
    // store may not write, and the filing says so with the store's text. The store never writes such an id.
    void nothingIsFiledPastTheHighestId() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        FakeAppContext core(profile.store());
        MessageStore& store = core.messageStore();
        QVERIFY(store.save(message(bounds::MAX_MESSAGE_ID)));
        MessageKeeper keeper(core.messages(), store);
        QCOMPARE(keeper.restore(), QStringList{});
        core.messages().holdPlace(); // a robot conversation ends
        QVERIFY(
            !StoreRobotMessage(core, QStringLiteral("hello"), QStringLiteral("alpha"), WireName::typed("anna"), true));
        QCOMPARE(core.messages().placesHeld(), 0);
        QCOMPARE(ids(core.messages().messages()), QList<quint64>{bounds::MAX_MESSAGE_ID});
        QCoreApplication::processEvents();
        QCOMPARE(boxes.texts(), QStringList{store.noIdLeftError()});
        QVERIFY(boxes.texts().constFirst().startsWith("The robot message could not be kept in " + store.folder()));
        QVERIFY(!store.save(message(bounds::MAX_MESSAGE_ID + 1)) && !store.save(message(0)));
        const MessageStore::Loaded back = store.loadAll();
        QCOMPARE(ids(back.messages), QList<quint64>{bounds::MAX_MESSAGE_ID});
        QCOMPARE(back.setAside, QStringList{});
    }

    void deleteStaysDeleted() {
        QTemporaryDir dir;
        MessageStore store(dir.path());
        for (quint64 id : {1u, 2u, 3u})
            QVERIFY(store.save(message(id)));
        QVERIFY(store.remove(2));
        QVERIFY(store.remove(2));
        QCOMPARE(ids(MessageStore(dir.path()).loadAll().messages), (QList<quint64>{1, 3}));
    }

    void boundsOnReadBack() {
        QTemporaryDir dir;
        MessageStore store(dir.path());
        for (int id = 1; id <= bounds::MAX_ROBOT_MESSAGES + 2; ++id)
            QVERIFY(store.save(message(quint64(id))));
        const QByteArray last = readAll(store.pathFor(bounds::MAX_ROBOT_MESSAGES + 2));
        const MessageStore::Loaded loaded = store.loadAll();
        QCOMPARE(int(loaded.messages.size()), bounds::MAX_ROBOT_MESSAGES);
        QCOMPARE(loaded.leftOnDisk, 2);
        QCOMPARE(loaded.highestId, quint64(bounds::MAX_ROBOT_MESSAGES + 2));
        QCOMPARE(readAll(store.pathFor(bounds::MAX_ROBOT_MESSAGES + 2)), last);
    }

    // The list takes messages back with their ids; the text bound holds as for new ones.
    void restoreKeepsIdsWithinBounds() {
        RobotMessageList list;
        QSignalSpy added(&list, &RobotMessageList::messageAdded);
        QSignalSpy emptiness(&list, &RobotMessageList::emptinessChanged);
        std::vector<RobotMessage> back;
        const QString largest(RobotMessageList::largestMessage(), u'x');
        for (quint64 id = 5; id < 5 + 65; ++id)
            back.push_back(message(id, largest));
        back.insert(back.begin() + 1, message(5)); // an id that is not above the last one
        QCOMPARE(list.restore(back, 400), 63);
        QCOMPARE(list.messages().back().id, quint64(67));
        QVERIFY(list.isFull());
        QCOMPARE(added.count(), 0);
        QCOMPARE(emptiness.count(), 1);
        list.remove(67);
        list.remove(66);
        QCOMPARE(list.append(message(0)), quint64(401));
    }

    // Filed messages are written, deleted ones removed; the list's clearing at the end leaves them for next time.
    void keeperFollowsTheList() {
        QTemporaryDir dir;
        MessageStore store(dir.path());
        QVERIFY(store.save(message(4)) && store.save(message(9)));
        writeAll(store.pathFor(6), "broken");
        RobotMessageList list;
        MessageKeeper keeper(list, store);
        QSignalSpy failed(&keeper, &MessageKeeper::failed);
        QCOMPARE(keeper.restore(), QStringList{store.pathFor(6) + ".unreadable"});
        QCOMPARE(ids(list.messages()), (QList<quint64>{4, 9}));
        QCOMPARE(list.append(message(0)), quint64(10));
        QVERIFY(QFileInfo::exists(store.pathFor(10)));
        list.remove(4);
        QVERIFY(!QFileInfo::exists(store.pathFor(4)));
        list.clear(); // Delete all in the monitor
        QCOMPARE(ids(store.loadAll().messages), QList<quint64>{});
        list.append(message(0));
        keeper.stop();
        list.clear();
        QCOMPARE(ids(store.loadAll().messages), QList<quint64>{11});
        // A message that cannot be written is reported (by a keeper that follows the list).
        store.removeFolder();
        MessageKeeper again(list, store);
        QSignalSpy failedAgain(&again, &MessageKeeper::failed);
        list.append(message(0));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(failedAgain.count(), 1);
    }

    void removeFolder() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("Bravik/ZUNO");
        MessageStore store(folder);
        QVERIFY(store.save(message(1)));
        QCOMPARE(QFile::permissions(folder) & 0xf0ff, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeAll(dir.filePath("Bravik/ZUNO/00000000000000000002.msg.unreadable"), "x");
        QVERIFY(store.removeFolder());
        QVERIFY(!QFileInfo::exists(dir.filePath("Bravik")));
        QVERIFY(!store.save(message(3)));
        QVERIFY(!QFileInfo::exists(folder));
        // Another program's folder under the organisation's stays, and so does the organisation's folder.
        QVERIFY(QDir().mkpath(dir.filePath("Bravik/Other")));
        MessageStore other(folder);
        QVERIFY(other.save(message(1)));
        QVERIFY(other.removeFolder());
        QVERIFY(!QFileInfo::exists(folder) && QFileInfo::exists(dir.filePath("Bravik/Other")));
    }

    void defaultFolderAndFailure() {
        QTemporaryDir dir;
        const EnvironmentOverride dataHome("XDG_DATA_HOME", QFile::encodeName(dir.path()));
        QCOMPARE(MessageStore::defaultFolder(), dir.filePath("Bravik/ZUNO"));
        writeAll(dir.filePath("Bravik"), "a file where the folder should be");
        QString error;
        QVERIFY(!MessageStore().save(message(4), &error));
        QVERIFY(error.contains(MessageStore().pathFor(4)));
    }
};

QTEST_GUILESS_MAIN(TestMessageStore)
#include "tst_messagestore.moc"
