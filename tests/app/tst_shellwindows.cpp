// What the shell does with the windows it hands out: the single message monitor and Customize sheet, the tray's
// "&Talk" in both connect styles, the conversations and searches it starts, and conversations ending with it.
#include "app/CTalkApp.h"
#include "app/CTrayWindow.h"
#include "config/AddressBook.h"
#include "config/Settings.h"
#include "conversation/CHostUserDialog.h"
#include "conversation/CPersonDialog.h"
#include "conversation/CTalkConversation.h"
#include "customize/CMyPPp.h"
#include "customize/CMyPropertySheet.h"
#include "customize/CPPse.h"
#include "customize/CustomizePage.h"
#include "customize/LabelTree.h"
#include "locate/CLocateWindow.h"
#include "platform/LoginName.h"
#include "platform/TalkWindowEntry.h"
#include "platform/gui/Desktop.h"
#include "protocol/ControlMessage.h"
#include "robot/CMessageMonitor.h"

#include "ModalCloser.h"
#include "ScriptedDaemon.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItem>
#include <QUdpSocket>

using namespace talk;

namespace {

struct Search {
    bool urgent;
    QString person;
    bool operator==(const Search&) const = default;
};

// The real shell, with the searches the tray's "&Talk" starts recorded instead when `recording` is set. The
// Customize sheet is always the real one; the pages it was opened on are recorded.
class RecordingApp : public CTalkApp {
public:
    using CTalkApp::CTalkApp;
    bool recording = false;
    QList<Search> searches;
    QList<int> sheets;

    bool OpenCustomizeSheet(int page) override {
        sheets << page;
        return CTalkApp::OpenCustomizeSheet(page);
    }
    void StartLocate(bool urgent, const QString& person) override {
        if (!recording)
            return CTalkApp::StartLocate(urgent, person);
        searches << Search{urgent, person};
    }
};

// Every open window of type T, in no particular order: callers count them or require exactly one.
template <class T> QList<T*> openWindows() {
    QList<T*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<T*>(w); d && d->isVisible())
            out << d;
    return out;
}

template <class T> T* openWindow() {
    const QList<T*> windows = openWindows<T>();
    return windows.size() == 1 ? windows.first() : nullptr;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What the user does on the real sheet once it is up: adds `person` on the People page (nobody when empty) and
// closes the sheet by "ok", "cancel" or "close box".
ModalCloser::Action onRealSheet(const QString& person, const QString& close) {
    return [person, close](QWidget* shown) {
        auto* sheet = qobject_cast<CMyPropertySheet*>(shown);
        if (!sheet) {
            shown->close();
            return;
        }
        if (!person.isEmpty()) {
            auto* people = static_cast<CMyPPp*>(sheet->page(CMyPPp::INDEX));
            LabelTree* tree = people->tree();
            sheet->findChild<QPushButton*>(QStringLiteral("addButton"))->click();
            QTreeWidgetItem* added = tree->topLevelItem(tree->topLevelItemCount() - 1);
            const QList<std::pair<QTreeWidgetItem*, QString>> labels = {
                {added->child(0)->child(0), QStringLiteral("127.0.0.1")},
                {added->child(0), person.toLower()},
                {added, person}};
            for (const auto& [item, text] : labels) {
                if (!tree->isEditing()) {
                    tree->setCurrentItem(item);
                    QTest::keyClick(tree, Qt::Key_Return);
                }
                tree->editor()->setText(text);
                QTest::keyClick(tree->editor(), Qt::Key_Return);
            }
        }
        if (close == QStringLiteral("close box"))
            sheet->close();
        else
            sheet->findChild<QPushButton*>(close)->click();
    };
}

PeopleTree book(const QStringList& names) {
    PeopleTree tree;
    for (const QString& name : names)
        tree.push_back(PersonEntry{name, {AliasEntry{name.toLower(), {"127.0.0.1"}}}});
    return tree;
}

RobotMessage message(const QString& user) {
    RobotMessage m;
    m.text = QStringLiteral("hi");
    m.user = WireName::typed(user);
    m.host = QStringLiteral("127.0.0.1");
    return m;
}

} // namespace

class TestShellWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<RecordingApp> m_app;

    ProfileStore& store() { return m_profile->store(); }

private slots:
    void initTestCase() { Desktop::setOverride(QRect(0, 0, 1000, 800)); }

    void init() {
        LoginName::setRawOverride(QStringLiteral("tester"));
        m_profile = std::make_unique<TempProfile>();
        store().writeInt("About", "Version", 141);
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_app = std::make_unique<RecordingApp>(store());
        m_app->setDaemonPort(0); // any free port: port 518 is not the test's to take
        m_app->settings().LoadSettings(store());
        SavePeopleTree(store(), book({"Anna", "Bob", "Carl"}));
    }

    void cleanup() {
        QList<QPointer<QWidget>> open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<CPersonDialog*>(w) || qobject_cast<CHostUserDialog*>(w) || qobject_cast<CLocateWindow*>(w))
                open << w;
        qDeleteAll(open);
        m_app.reset(); // takes an open monitor and the conversations with it
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<CMessageMonitor*>(w) && !qobject_cast<CTalkConversation*>(w));
        m_boxes.reset();
        m_profile.reset();
        LoginName::setRawOverride(std::nullopt);
    }

    void oneMessageMonitor() {
        m_app->openMessageMonitor();
        QPointer<CMessageMonitor> first = openWindow<CMessageMonitor>();
        QVERIFY(first);
        first->showMinimized();
        m_app->openMessageMonitor();
        QCOMPARE(openWindow<CMessageMonitor>(), first.data());
        QVERIFY(!first->isMinimized());
        int monitors = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            monitors += qobject_cast<CMessageMonitor*>(w) ? 1 : 0;
        QCOMPARE(monitors, 1);
        first->close();
        flushDeletes();
        QVERIFY(!first);
        m_app->openMessageMonitor();
        QPointer<CMessageMonitor> fresh = openWindow<CMessageMonitor>();
        QVERIFY(fresh);
    }

    void monitorOpenedByTheTrayCommands() {
        m_app->messages().append(message("anna"));
        QVERIFY(m_app->InitInstance());
        m_app->trayWindow()->OnCommand(CTrayWindow::CMD_MESSAGES);
        QPointer<CMessageMonitor> monitor = openWindow<CMessageMonitor>();
        QVERIFY(monitor && monitor->isVisible());
        monitor->showMinimized();
        m_boxes->answers.enqueue(MessageBoxService::No);
        m_app->trayWindow()->OnCommand(CTrayWindow::CMD_EXIT); // answered No: the monitor comes up instead
        QCOMPARE(openWindow<CMessageMonitor>(), monitor.data());
        QVERIFY(!monitor->isMinimized());
    }

    void customizeSheetWaitsAndSwitches() {
        bool checked = false;
        bool switchedOnly = false;
        ModalCloser closer([&](QWidget* shown) {
            auto* sheet = qobject_cast<CMyPropertySheet*>(shown);
            QVERIFY(sheet);
            QCOMPARE(sheet->activePage()->pageIndex(), CPPse::INDEX);
            // The tray asks again (empty address book): the open sheet switches to People.
            switchedOnly = !m_app->OpenCustomizeSheet(CMyPPp::INDEX);
            QCOMPARE(openWindow<CMyPropertySheet>(), sheet);
            QCOMPARE(sheet->activePage()->pageIndex(), CMyPPp::INDEX);
            checked = true;
            sheet->accept();
        });
        QVERIFY(m_app->OpenCustomizeSheet(CPPse::INDEX));
        QVERIFY(checked);
        QVERIFY(switchedOnly);
        flushDeletes(); // the sheet deletes itself on close
        QVERIFY(openWindows<CMyPropertySheet>().isEmpty());
        QCOMPARE(store().readInt("Settings", "tab", -1), CMyPPp::INDEX);
    }

    // The tray's "&Talk".
    void talkOldStyleOpensHostUserDialog() {
        m_app->recording = true;
        m_app->settings().newstyle = 0;
        m_app->Talk();
        m_app->Talk();
        QCOMPARE(openWindows<CHostUserDialog>().size(), 2);
        QVERIFY(openWindows<CPersonDialog>().isEmpty());
        QVERIFY(m_app->sheets.isEmpty());
    }

    void talkNewStyle_data() {
        QTest::addColumn<int>("talktotop");
        QTest::addColumn<int>("urgency");
        QTest::newRow("person dialog") << 0 << 1;
        QTest::newRow("straight to the search, urgent") << 1 << 1;
        QTest::newRow("straight to the search") << 1 << 0;
    }
    void talkNewStyle() {
        QFETCH(int, talktotop);
        QFETCH(int, urgency);
        m_app->recording = true;
        m_app->settings().newstyle = 1;
        m_app->settings().talktotop = talktotop;
        m_app->settings().urgency = urgency;
        m_app->Talk();
        QVERIFY(openWindows<CHostUserDialog>().isEmpty());
        if (talktotop) {
            QCOMPARE(m_app->searches, (QList<Search>{{urgency == 1, "Carl"}}));
            QVERIFY(openWindows<CPersonDialog>().isEmpty());
        } else {
            QVERIFY(m_app->searches.isEmpty());
            QCOMPARE(openWindows<CPersonDialog>().size(), 1);
        }
        QVERIFY(m_app->sheets.isEmpty());
    }

    void talkWithEmptyBookAsksForAPersonFirst_data() {
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("close");
        QTest::addColumn<int>("talktotop");
        QTest::newRow("added, dialog") << "Erik"
                                       << "ok" << 0;
        QTest::newRow("added, search") << "Erik"
                                       << "ok" << 1;
        QTest::newRow("added, then Cancel") << "Erik"
                                            << "cancel" << 0;
        QTest::newRow("nobody added") << ""
                                      << "ok" << 0;
    }
    void talkWithEmptyBookAsksForAPersonFirst() {
        QFETCH(QString, added);
        QFETCH(QString, close);
        QFETCH(int, talktotop);
        m_app->recording = true;
        SavePeopleTree(store(), {});
        m_app->settings().newstyle = 1;
        m_app->settings().talktotop = talktotop;
        m_app->settings().SaveSettings(store()); // what the sheet's Cancel reads back
        ModalCloser sheet(onRealSheet(added, close));
        m_app->Talk();
        QCOMPARE(m_app->sheets, QList<int>{0});
        const int dialogs = int(openWindows<CPersonDialog>().size());
        if (added.isEmpty() || close != QStringLiteral("ok")) {
            QCOMPARE(dialogs, 0);
            QVERIFY(m_app->searches.isEmpty());
        } else if (talktotop) {
            QCOMPARE(dialogs, 0);
            QCOMPARE(m_app->searches, (QList<Search>{{false, added}}));
        } else {
            QCOMPARE(dialogs, 1);
            QCOMPARE(openWindow<CPersonDialog>()->personBox()->currentText(), added);
        }
    }

    // A person not in the book: the person dialog closes, the real sheet opens on People, and however the sheet
    // is closed a fresh person dialog comes back, reading the book as the sheet left it.
    void unknownPersonGetsAFreshDialogAfterTheSheet_data() {
        QTest::addColumn<QString>("close");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("added, OK") << "ok" << QStringList{"Dora", "Carl", "Bob", "Anna", ""};
        QTest::newRow("added, Cancel") << "cancel" << QStringList{"Carl", "Bob", "Anna", ""};
        QTest::newRow("added, close box") << "close box" << QStringList{"Carl", "Bob", "Anna", ""};
    }
    void unknownPersonGetsAFreshDialogAfterTheSheet() {
        QFETCH(QString, close);
        QFETCH(QStringList, listed);
        m_app->recording = true;
        m_app->settings().newstyle = 1;
        m_app->Talk();
        QPointer<CPersonDialog> first = openWindow<CPersonDialog>();
        QVERIFY(first);
        first->personBox()->setEditText("Dora");
        ModalCloser sheet(onRealSheet("Dora", close));
        QTest::mouseClick(first->talkButton(), Qt::LeftButton);
        QCOMPARE(m_app->sheets, QList<int>{0});
        QVERIFY(openWindows<CMyPropertySheet>().isEmpty());
        flushDeletes();
        QVERIFY(!first);
        const QList<CPersonDialog*> fresh = openWindows<CPersonDialog>();
        QCOMPARE(fresh.size(), 1);
        QStringList shown;
        for (int i = 0; i < fresh.first()->personBox()->count(); ++i)
            shown << fresh.first()->personBox()->itemText(i);
        QCOMPARE(shown, listed);
        QVERIFY(m_app->searches.isEmpty());
    }

    // The host-and-user dialog's call reaches a conversation window for the host and user, whose first request
    // goes to the host's daemon.
    void hostUserDialogStartsARealConversation() {
        QUdpSocket remoteDaemon, localDaemon;
        QVERIFY(remoteDaemon.bind(QHostAddress::LocalHost, 0));
        QVERIFY(localDaemon.bind(QHostAddress::LocalHost, 0));
        m_app->setRemoteDaemonPort(remoteDaemon.localPort());
        m_app->setDaemonPort(localDaemon.localPort());
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        dialog->hostBox()->setEditText("127.0.0.1");
        dialog->userBox()->setEditText("anna");
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QTRY_VERIFY(remoteDaemon.hasPendingDatagrams());
        QByteArray datagram(int(remoteDaemon.pendingDatagramSize()), 0);
        remoteDaemon.readDatagram(datagram.data(), datagram.size());
        const ControlMessage request =
            ControlMessage::decode(reinterpret_cast<const std::uint8_t*>(datagram.constData()), datagram.size());
        QCOMPARE(int(request.type), int(LOOK_UP));
        QCOMPARE(QString::fromStdString(request.remoteName()), QStringLiteral("anna"));
        const QList<CTalkConversation*> conversations = openWindows<CTalkConversation>();
        QCOMPARE(conversations.size(), 1);
        QCOMPARE(conversations.first()->remoteHost(), QStringLiteral("127.0.0.1"));
        QCOMPARE(conversations.first()->remoteUser(), QStringLiteral("anna"));
        delete conversations.first();
    }

    // Without a task-bar button a conversation is listed for the tray's "&Windows"; robots never are.
    void conversationsWithoutTaskbarButtonAreListed() {
        ScriptedDaemon remote, local;
        remote.script = [](const ControlMessage& m) -> std::optional<QByteArray> {
            return ScriptedDaemon::reply(m, m.type == LOOK_UP ? NOT_HERE : SUCCESS, 1);
        };
        m_app->setRemoteDaemonPort(remote.port());
        m_app->setDaemonPort(local.port());
        m_app->settings().taskbar = 0;
        QPointer<QObject> interactive =
            m_app->startConversation(0, QStringLiteral("127.0.0.1"), WireName::typed(QStringLiteral("bob")));
        auto* w = qobject_cast<CTalkConversation*>(interactive.data());
        QVERIFY(w);
        QVERIFY(w->windowFlags() & Qt::Tool);
        QCOMPARE(m_app->talkWindows().size(), 1);
        QCOMPARE(m_app->talkWindows()[0]->remoteUser(), QStringLiteral("bob"));
        QPointer<QObject> robot =
            m_app->startConversation(1, QStringLiteral("127.0.0.1"), WireName::typed(QStringLiteral("eve")));
        QVERIFY(robot);
        QVERIFY(!qobject_cast<QWidget*>(robot.data())->isVisible());
        QCOMPARE(m_app->talkWindows().size(), 1);
        w->EndConversation();
        QTRY_VERIFY(interactive.isNull());
        QCOMPARE(m_app->talkWindows().size(), 0);
        qobject_cast<CTalkConversation*>(robot.data())->EndConversation();
        QTRY_VERIFY(robot.isNull());
    }

    void locateOpensAWindow() {
        SavePeopleTree(store(), {{"Ann", {{"ann", {"127.0.0.1"}}}}});
        QUdpSocket daemon; // the search's queries land here, never on port 518
        QVERIFY(daemon.bind(QHostAddress::LocalHost, 0));
        m_app->setRemoteDaemonPort(daemon.localPort());
        m_app->StartLocate(false, "Ann");
        CLocateWindow* found = openWindow<CLocateWindow>();
        QVERIFY(found);
        QCOMPARE(found->windowTitle(), QStringLiteral("Murmelo: looking for Ann (query #0)"));
        delete found;
    }

    // The program ends while a robot conversation runs: what the caller typed is filed before the program goes.
    void programEndFilesTheRobotsMessage() {
        ScriptedDaemon remote, local;
        remote.script = [](const ControlMessage& m) -> std::optional<QByteArray> {
            return ScriptedDaemon::reply(m, m.type == LOOK_UP ? NOT_HERE : SUCCESS, 1);
        };
        m_app->setRemoteDaemonPort(remote.port());
        m_app->setDaemonPort(local.port());
        const QString container = m_profile->dir() + QStringLiteral("/container.txt");
        m_app->settings().saveinfile = 1;
        m_app->settings().msgfile = container;
        QPointer<QObject> robot =
            m_app->startConversation(1, QStringLiteral("127.0.0.1"), WireName::typed(QStringLiteral("eve")));
        QVERIFY(robot);
        auto* w = qobject_cast<CTalkConversation*>(robot.data());
        // It found no invitation and rang the caller back: the caller connects.
        QTRY_VERIFY_WITH_TIMEOUT(local.requests.size() >= 1, 5000);
        QTcpSocket peer;
        peer.connectToHost(QHostAddress::LocalHost, w->engine()->port());
        QVERIFY(peer.waitForConnected(5000));
        QTRY_VERIFY(w->engine()->isConnected());
        peer.write("\x08\x15\x17hello there");
        QTRY_COMPARE(w->engine()->remoteText(), QStringLiteral("hello there"));
        m_app.reset();
        QVERIFY(robot.isNull());
        QFile file(container);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith(" -- Message from: eve at 127.0.0.1\r\n"));
        QCOMPARE(text.count("hello there"), 1);
    }
};

QTEST_MAIN(TestShellWindows)
#include "tst_shellwindows.moc"
