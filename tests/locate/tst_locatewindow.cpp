// The locate window on the offscreen platform: its list, placement, and the keys and clicks that call
// a row or end the search.
#include "locate/CLocateWindow.h"
#include "locate/LocateSearch.h"
#include "platform/gui/Desktop.h"

#include "FakeAppContext.h"
#include "FakeDaemon.h"
#include "LocateTestData.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

using Kind = FakeDaemon::Kind;

namespace {
struct Call {
    int mode;
    QString host;
    WireName user;
};
void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What a window system delivers for a double click: press, release, double click, release.
void sendDoubleClick(QWidget* target, QPoint at) {
    const QPointF local(at);
    const QPointF global(target->mapToGlobal(at));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent e(type, local, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
}
} // namespace

class TestLocateWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<FakeAppContext> m_core;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<FakeDaemon> m_daemons;
    QList<Call> m_calls;

    // A window over fake daemons: .1 Unix, .2 user present (bob), .3 refuses even urgent, .4 refuses unless urgent.
    QPointer<CLocateWindow> openWindow(bool urgent = false, bool autoConnect = false) {
        m_daemons->add("127.0.0.1", Kind::Unix);
        m_daemons->add("127.0.0.2", Kind::Program, talk::USER_PRESENT, "bob");
        m_daemons->add("127.0.0.3", Kind::Program, talk::REFUSED_EVEN_URGENT, "carl");
        m_daemons->add("127.0.0.4", Kind::Program, talk::REFUSED_UNLESS_URGENT, "dora");
        locatetest::writePerson(m_profile->store(), "Ann",
                                {{"ann", {"127.0.0.1", "127.0.0.2"}}, {"root", {"127.0.0.3", "127.0.0.4"}}});
        m_core->settings().showlookup = autoConnect ? 1 : 0;
        auto* w = new CLocateWindow(*m_core, urgent, "Ann");
        w->start();
        return w;
    }

    static bool allAnswered(CLocateWindow* w) {
        for (const LocateRow& r : w->search().engine().rows())
            if (r.state < 0)
                return false;
        return true;
    }

    static void selectRow(CLocateWindow* w, int row) {
        w->list()->setCurrentItem(w->list()->topLevelItem(row));
        w->list()->setFocus();
    }

private slots:
    void init() {
        m_profile = std::make_unique<TempProfile>();
        m_core = std::make_unique<FakeAppContext>(m_profile->store());
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_daemons = std::make_unique<FakeDaemon>();
        m_core->setRemoteDaemonPort(m_daemons->port());
        Desktop::setOverride(QRect(0, 0, 1000, 800));
        m_calls.clear();
        m_core->onConversation = [this](const FakeAppContext::Conversation& c) -> QObject* {
            m_calls.append({c.mode, c.host, c.user});
            return nullptr;
        };
    }
    void cleanup() {
        // Gathered first: a window deleted may take other windows of the list with it.
        QList<QPointer<CLocateWindow>> open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<CLocateWindow*>(w))
                open << window;
        qDeleteAll(open);
        Desktop::setOverride(std::nullopt);
        m_daemons.reset();
        m_boxes.reset();
        m_core.reset();
        m_profile.reset();
    }

    void listLooksRight() {
        QPointer<CLocateWindow> w = openWindow();
        QTreeWidget* list = w->list();
        QCOMPARE(list->columnCount(), 4);
        const QStringList headings{"Host", "Alias", "Query status", "Located user"};
        const QList<int> widths{134, 90, 244, 100};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(list->headerItem()->text(i), headings[i]);
            QCOMPARE(list->columnWidth(i), widths[i]);
        }
        QCOMPARE(list->palette().color(QPalette::Base), QColor(210, 230, 230));
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(w->windowFlags() & Qt::Window);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Murmelo: looking for Ann (query #0)"));
        QCOMPARE(list->topLevelItemCount(), 4);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("127.0.0.1"));
        QCOMPARE(list->topLevelItem(2)->text(1), QStringLiteral("root"));
        QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("Scanning for remote talk daemon..."));
        QTRY_VERIFY(allAnswered(w));
        QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("UNIX style talk daemon detected"));
        QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("Unknown"));
        QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("User bob detected."));
        QCOMPARE(list->topLevelItem(1)->text(3), QStringLiteral("bob"));
        QCOMPARE(list->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 215);
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("Rejected (even urgent)."));
        QVERIFY(m_boxes->shown.isEmpty());
    }

    // A range that cannot be read is a row that says so; one of no address is no row.
    void unreadableRangeSaysSo() {
        locatetest::writePerson(m_profile->store(), "Bo", {{"bo", {"#10.0.0.5 5", "#10.0.0 9"}}});
        QPointer<CLocateWindow> w = new CLocateWindow(*m_core, false, "Bo");
        w->start();
        QCOMPARE(w->list()->topLevelItemCount(), 1);
        QCOMPARE(w->list()->topLevelItem(0)->text(0), QStringLiteral("#10.0.0 9"));
        QCOMPARE(w->list()->topLevelItem(0)->text(2), QStringLiteral("Invalid address range."));
    }

    void defaultPlacement() {
        QPointer<CLocateWindow> w = openWindow();
        // The middle three fifths of a 1000 x 800 desktop.
        QCOMPARE(w->frameGeometry(), QRect(200, 160, 600, 480));
        QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void storedPlacementAndTopmost() {
        ProfileStore& s = m_profile->store();
        s.writeInt("Windows", "Locate left", 10);
        s.writeInt("Windows", "Locate top", 20);
        s.writeInt("Windows", "Locate right", 510);
        s.writeInt("Windows", "Locate bottom", 320);
        m_core->settings().topmostlocate = 1;
        QPointer<CLocateWindow> w = openWindow();
        QCOMPARE(w->frameGeometry(), QRect(10, 20, 500, 300));
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void movesAreSavedButNotMaximised() {
        QPointer<CLocateWindow> w = openWindow();
        w->move(50, 60);
        QTRY_COMPARE(m_profile->store().readInt("Windows", "Locate left", -1), 50);
        QCOMPARE(m_profile->store().readInt("Windows", "Locate top", -1), 60);
        QCOMPARE(m_profile->store().readInt("Windows", "Locate right", -1), 650);
        QCOMPARE(m_profile->store().readInt("Windows", "Locate bottom", -1), 540);
        w->showMaximized();
        QTRY_VERIFY(w->isMaximized());
        QTest::qWait(50);
        QTest::keyClick(w, Qt::Key_Escape);
        flushDeletes();
        QVERIFY(!w);
        QCOMPARE(m_profile->store().readInt("Windows", "Locate left", -1), 50);
        QCOMPARE(m_profile->store().readInt("Windows", "Locate right", -1), 650);
        QCOMPARE(m_profile->store().readInt("Windows", "Locate bottom", -1), 540);
    }

    void enterAndDoubleClickTalk_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("urgent");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("user"); // empty: no call
        QTest::newRow("Enter on a Unix daemon: the alias") << 0 << false << false << "ann";
        QTest::newRow("double click on a present user") << 1 << false << true << "bob";
        QTest::newRow("Enter on 214") << 2 << true << false << "";
        QTest::newRow("double click on 213, not urgent") << 3 << false << true << "";
        QTest::newRow("Enter on 213, urgent") << 3 << true << false << "dora";
    }
    void enterAndDoubleClickTalk() {
        QFETCH(int, row);
        QFETCH(bool, urgent);
        QFETCH(bool, doubleClick);
        QFETCH(QString, user);
        QPointer<CLocateWindow> w = openWindow(urgent);
        QTRY_VERIFY(allAnswered(w));
        selectRow(w, row);
        if (doubleClick) {
            QTreeWidget* list = w->list();
            const QRect r = list->visualItemRect(list->topLevelItem(row));
            sendDoubleClick(list->viewport(), r.center());
        } else {
            QTest::keyClick(w->list(), Qt::Key_Return);
        }
        flushDeletes();
        if (user.isEmpty()) {
            QVERIFY(m_calls.isEmpty());
            QVERIFY(w);
            QVERIFY(w->isVisible());
            return;
        }
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].mode, 0);
        QCOMPARE(m_calls[0].host, QStringLiteral("127.0.0.%1").arg(row + 1));
        QCOMPARE(m_calls[0].user.text, user);
        QVERIFY(!w); // destroyed with its search
    }

    void escapeEndsTheSearch() {
        QPointer<CLocateWindow> w = openWindow();
        QPointer<LocateSearch> search = &w->search();
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(search->stopped());
        flushDeletes();
        QVERIFY(!w);
        QVERIFY(!search);
        QVERIFY(m_calls.isEmpty());
    }

    void closeBoxEndsTheSearch() {
        QPointer<CLocateWindow> w = openWindow();
        QVERIFY(w->close());
        flushDeletes();
        QVERIFY(!w);
    }

    void autoConnectCallsAndCloses() {
        QPointer<CLocateWindow> w = openWindow(false, true);
        QTRY_COMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].host, QStringLiteral("127.0.0.2"));
        QCOMPARE(m_calls[0].user.text, QStringLiteral("bob"));
        QTRY_VERIFY(!w);
    }

    void boxes_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("no aliases") << 0 << "Unable to locate this person. No aliases specified.";
        QTest::newRow("no hosts") << 1 << "Unable to locate this person. No hosts specified.";
    }
    void boxes() {
        QFETCH(int, kind);
        QFETCH(QString, text);
        if (kind == 1)
            locatetest::writePerson(m_profile->store(), "Nobody", {{"x", {}}});
        QPointer<CLocateWindow> w = new CLocateWindow(*m_core, false, "Nobody");
        w->start();
        QCOMPARE(m_boxes->texts(), QStringList{text});
        QCOMPARE(m_boxes->shown[0].buttons, int(MessageBoxService::Ok));
        QTest::qWait(20);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Murmelo: looking for Nobody (query #0)"));
    }
};

QTEST_MAIN(TestLocateWindow)
#include "tst_locatewindow.moc"
