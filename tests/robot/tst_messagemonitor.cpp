// The message monitor: its table, pane and menu, the delete and save commands, callback, new messages while
// it is open, the splitter, its placement, and the single instance the tray opens.
#include "app/CTalkApp.h"
#include "app/CTrayWindow.h"
#include "config/FontConversion.h"
#include "conversation/TalkCommands.h"
#include "platform/Desktop.h"
#include "robot/CMessageMonitor.h"
#include "robot/StoreRobotMessage.h"

#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

namespace {

RobotMessage message(const QString& user, const QString& host, int ms, const QString& text = QStringLiteral("hi")) {
    RobotMessage m;
    m.text = text;
    m.user = user;
    m.host = host;
    m.receiptTime = SystemTime{1996, 12, 5, 20, 9, 5, 7, std::uint16_t(ms)};
    return m;
}

QStringList row(const QTreeWidget* table, int i) {
    const QTreeWidgetItem* item = table->topLevelItem(i);
    return {item->text(0), item->text(1), item->text(2)};
}

QStringList senders(const QTreeWidget* table) {
    QStringList out;
    for (int i = 0; i < table->topLevelItemCount(); ++i)
        out << table->topLevelItem(i)->text(0);
    return out;
}

QStringList listed(RobotMessageList& list) {
    QStringList out;
    for (const RobotMessage& m : list.messages())
        out << m.user;
    return out;
}

QStringList menuEntries(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

void select(QTreeWidget* table, int i) {
    const QRect r = table->visualItemRect(table->topLevelItem(i));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, r.center());
}

QMenu* visibleMonitorMenu() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("monitorMenu") && w->isVisible())
            return qobject_cast<QMenu*>(w);
    return nullptr;
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestMessageMonitor : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<CTalkApp> m_app;
    QList<QStringList> m_calls;
    std::function<void()> m_duringCall;

    ProfileStore& store() { return m_profile->store(); }
    RobotMessageList& list() { return m_app->core().messages(); }

    CMessageMonitor* open() {
        m_app->OpenMessageMonitor();
        return qobject_cast<CMessageMonitor*>(m_app->messageMonitor.data());
    }
    void fill() {
        list().append(message("anna", "alpha", 1, "first\r\nline two"));
        list().append(message("bob", "beta", 2, "second"));
        list().append(message("carl", "gamma", 3, "third"));
    }
    QString containerText() {
        QFile f(m_app->settings().containerFileName());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QStringList containerSenders() {
        QStringList out;
        const auto matches = QRegularExpression(" -- Message from: (\\S+) at").globalMatch(containerText());
        for (auto it = matches; it.hasNext();)
            out << it.next().captured(1);
        return out;
    }

private slots:
    void initTestCase() { Desktop::setOverride(QRect(0, 0, 1000, 800)); }

    void init() {
        m_profile = std::make_unique<TempProfile>();
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_app = std::make_unique<CTalkApp>(store());
        m_app->settings().LoadSettings(store());
        m_app->settings().msgfile = m_profile->dir() + QStringLiteral("/container.txt");
        m_calls.clear();
        m_duringCall = nullptr;
        TalkCommands::Handlers h;
        h.startConversation = [this](int mode, const QString& host, const QString& user) {
            m_calls << QStringList{QString::number(mode), host, user};
            if (m_duringCall)
                m_duringCall();
        };
        TalkCommands::setHandlers(h);
    }

    void cleanup() {
        TalkCommands::setHandlers({});
        m_app.reset(); // takes an open monitor with it
        QVERIFY(!visibleMonitorMenu());
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<CMessageMonitor*>(w));
        m_boxes.reset();
        m_profile.reset();
    }

    void windowTableAndPane() {
        fill();
        CMessageMonitor* monitor = open();
        QVERIFY(monitor && monitor->isVisible());
        QCOMPARE(monitor->windowTitle(), QStringLiteral("Murmelo: message monitor"));
        QVERIFY(monitor->isWindow());
        QVERIFY(!monitor->parentWidget());
        QCOMPARE(monitor->windowType(), Qt::Window);
        QTreeWidget* table = monitor->table();
        QCOMPARE(table->columnCount(), 3);
        const QTreeWidgetItem* header = table->headerItem();
        QCOMPARE(header->text(0), QStringLiteral("Sender"));
        QCOMPARE(header->text(1), QStringLiteral("Receipt date"));
        QCOMPARE(header->text(2), QStringLiteral("Receipt time (local)"));
        QCOMPARE(table->columnWidth(0), 260);
        QCOMPARE(table->columnWidth(1), 100);
        QCOMPARE(table->columnWidth(2), 120);
        QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(header->textAlignment(2) & Qt::AlignRight);
        QVERIFY(!(header->textAlignment(0) & Qt::AlignRight));
        QCOMPARE(table->topLevelItemCount(), 3);
        QCOMPARE(row(table, 0), (QStringList{"anna from alpha", "12/20/1996", "9:5:7.1"}));
        QCOMPARE(row(table, 2), (QStringList{"carl from gamma", "12/20/1996", "9:5:7.3"}));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(table->topLevelItem(i)->textAlignment(2) & Qt::AlignRight);
            QVERIFY(!(table->topLevelItem(i)->textAlignment(1) & Qt::AlignRight));
        }
        QCOMPARE(monitor->rowCounter(), 3);

        QPlainTextEdit* pane = monitor->textPane();
        QVERIFY(pane->isReadOnly());
        QCOMPARE(pane->toPlainText(), QString());
        select(table, 0);
        QCOMPARE(pane->toPlainText(), QStringLiteral("first\nline two"));
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(pane->toPlainText(), QStringLiteral("second"));
        // The remote font and colours.
        const ConversationLook& look = m_app->settings().look;
        QCOMPARE(pane->font(), FontConversion::toQFont(look.remoteFont));
        QCOMPARE(pane->palette().color(QPalette::Base), FontConversion::toQColor(look.remoteBack));
        QCOMPARE(pane->palette().color(QPalette::Text), FontConversion::toQColor(look.remoteText));
    }

    void timeFieldsAreNotPadded_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("midnight") << 0 << 0 << "1/1/2000"
                                  << "0:0:0.0";
        QTest::newRow("afternoon") << 23 << 42 << "1/1/2000"
                                   << "23:0:0.42";
    }
    void timeFieldsAreNotPadded() {
        QFETCH(int, hour);
        QFETCH(int, ms);
        QFETCH(QString, date);
        QFETCH(QString, time);
        RobotMessage m = message("u", "h", ms);
        m.receiptTime = SystemTime{2000, 1, 6, 1, std::uint16_t(hour), 0, 0, std::uint16_t(ms)};
        list().append(m);
        CMessageMonitor* monitor = open();
        QCOMPARE(row(monitor->table(), 0), (QStringList{"u from h", date, time}));
    }

    void networkNamesShownInCaretForm() {
        list().append(message(QStringLiteral("ev\x1b[2Jil"), QStringLiteral("<b>host</b>"), 1));
        CMessageMonitor* monitor = open();
        QCOMPARE(monitor->table()->topLevelItem(0)->text(0), QStringLiteral("ev^[[2Jil from <b>host</b>"));
    }

    void contextMenuEntriesAndGreying() {
        CMessageMonitor* monitor = open();
        // No rows ever: no menu, not even on a right click.
        QVERIFY(!monitor->createContextMenu());
        emit monitor->table()->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(!visibleMonitorMenu());

        fill();
        QCOMPARE(monitor->rowCounter(), 3);
        std::unique_ptr<QMenu> menu(monitor->createContextMenu());
        QVERIFY(menu);
        QCOMPARE(menuEntries(menu.get()),
                 (QStringList{"Close an&d callback", "&Callback", "-", "&Delete", "&Save", "Sa&ve and delete", "-",
                              "Delete &all", "Save a&ll", "Sav&e and delete all"}));
        QList<int> ids;
        QList<bool> enabled;
        for (const QAction* a : menu->actions())
            if (!a->isSeparator()) {
                ids << a->data().toInt();
                enabled << a->isEnabled();
            }
        QCOMPARE(ids, (QList<int>{32797, 32796, 32790, 32791, 32792, 32793, 32794, 32795}));
        QCOMPARE(enabled, (QList<bool>{false, false, false, false, false, true, true, true}));

        select(monitor->table(), 1);
        menu.reset(monitor->createContextMenu());
        enabled.clear();
        for (const QAction* a : menu->actions())
            if (!a->isSeparator())
                enabled << a->isEnabled();
        QCOMPARE(enabled, QList<bool>(8, true));

        // A right click opens it now.
        emit monitor->table()->customContextMenuRequested(QPoint(5, 5));
        QPointer<QMenu> shown = visibleMonitorMenu();
        QVERIFY(shown);
        QCOMPARE(shown->actions().size(), 10);
        shown->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shown);
        // The menu's command reaches the monitor.
        menu.reset(monitor->createContextMenu());
        menu->actions().at(3)->trigger(); // &Delete
        QCOMPARE(listed(list()), (QStringList{"anna", "carl"}));
    }

    void deleteOneByOneThenCounterRestarts() {
        fill();
        CMessageMonitor* monitor = open();
        QTreeWidget* table = monitor->table();
        select(table, 1);
        QCOMPARE(monitor->textPane()->toPlainText(), QStringLiteral("second"));
        monitor->OnCommand(CMessageMonitor::CMD_DELETE);
        QCOMPARE(senders(table), (QStringList{"anna from alpha", "carl from gamma"}));
        QCOMPARE(listed(list()), (QStringList{"anna", "carl"}));
        QCOMPARE(monitor->textPane()->toPlainText(), QString());
        QCOMPARE(monitor->rowCounter(), 3); // not decreased by a single delete
        // A message filed now goes after the others even though the counter runs ahead.
        list().append(message("dora", "delta", 4));
        QCOMPARE(senders(table).last(), QStringLiteral("dora from delta"));
        QCOMPARE(monitor->rowCounter(), 4);
        for (int left = 3; left > 0; --left) {
            select(table, 0);
            monitor->OnCommand(CMessageMonitor::CMD_DELETE);
            QCOMPARE(table->topLevelItemCount(), left - 1);
        }
        QVERIFY(list().isEmpty());
        QCOMPARE(monitor->rowCounter(), 0);
        QVERIFY(!monitor->createContextMenu());
        list().append(message("erik", "epsilon", 5));
        QCOMPARE(monitor->rowCounter(), 1);
        QCOMPARE(senders(table), QStringList{"erik from epsilon"});
    }

    void deleteByReceiptTime() {
        // Two messages with the same receipt time are one identity: the first listed goes.
        list().append(message("anna", "alpha", 7));
        list().append(message("bob", "beta", 7));
        list().append(message("carl", "gamma", 8));
        CMessageMonitor* monitor = open();
        select(monitor->table(), 1); // bob's row
        monitor->OnCommand(CMessageMonitor::CMD_DELETE);
        QCOMPARE(listed(list()), (QStringList{"bob", "carl"}));
        QCOMPARE(senders(monitor->table()), (QStringList{"anna from alpha", "carl from gamma"}));
        // A row whose message is no longer listed: the list stays as it is.
        list().clear();
        list().append(message("dora", "delta", 9));
        select(monitor->table(), 0);
        monitor->OnCommand(CMessageMonitor::CMD_DELETE);
        QCOMPARE(listed(list()), QStringList{"dora"});
    }

    void commandsNeedingARowDoNothingWithout() {
        fill();
        CMessageMonitor* monitor = open();
        for (int command :
             {CMessageMonitor::CMD_DELETE, CMessageMonitor::CMD_SAVE, CMessageMonitor::CMD_SAVE_AND_DELETE,
              CMessageMonitor::CMD_CALLBACK, CMessageMonitor::CMD_CLOSE_AND_CALLBACK})
            monitor->OnCommand(command);
        QCOMPARE(list().count(), 3);
        QCOMPARE(monitor->table()->topLevelItemCount(), 3);
        QVERIFY(containerText().isEmpty());
        QVERIFY(m_calls.isEmpty());
        QVERIFY(monitor->isVisible());
    }

    void saveCommands() {
        fill();
        CMessageMonitor* monitor = open();
        select(monitor->table(), 2);
        monitor->OnCommand(CMessageMonitor::CMD_SAVE);
        QCOMPARE(containerSenders(), QStringList{"carl"});
        QCOMPARE(list().count(), 3);
        select(monitor->table(), 0);
        monitor->OnCommand(CMessageMonitor::CMD_SAVE_AND_DELETE);
        QCOMPARE(containerSenders(), (QStringList{"carl", "anna"}));
        QCOMPARE(listed(list()), (QStringList{"bob", "carl"}));
        QCOMPARE(senders(monitor->table()), (QStringList{"bob from beta", "carl from gamma"}));
        monitor->OnCommand(CMessageMonitor::CMD_SAVE_ALL);
        QCOMPARE(containerSenders(), (QStringList{"carl", "anna", "bob", "carl"}));
        QCOMPARE(list().count(), 2);
        QVERIFY(containerText().contains(QStringLiteral("\r\n\r\nfirst\r\nline two\r\n\r\n")));
    }

    void saveAndDeleteAllEmptiesEverything() {
        fill();
        CMessageMonitor* monitor = open();
        select(monitor->table(), 1);
        QVERIFY(!monitor->textPane()->toPlainText().isEmpty());
        monitor->OnCommand(CMessageMonitor::CMD_SAVE_AND_DELETE_ALL);
        QCOMPARE(containerSenders(), (QStringList{"anna", "bob", "carl"}));
        QVERIFY(list().isEmpty());
        QCOMPARE(monitor->table()->topLevelItemCount(), 0);
        QCOMPARE(monitor->textPane()->toPlainText(), QString());
        QCOMPARE(monitor->rowCounter(), 0);
        QVERIFY(!monitor->createContextMenu());
    }

    void deleteAllSavesNothing() {
        fill();
        CMessageMonitor* monitor = open();
        monitor->OnCommand(CMessageMonitor::CMD_DELETE_ALL);
        QVERIFY(list().isEmpty());
        QCOMPARE(monitor->rowCounter(), 0);
        QVERIFY(containerText().isEmpty());
    }

    void failedSaveKeepsTheMessage() {
        fill();
        m_app->settings().msgfile = m_profile->dir() + QStringLiteral("/no/such/folder/container.txt");
        CMessageMonitor* monitor = open();
        select(monitor->table(), 0);
        monitor->OnCommand(CMessageMonitor::CMD_SAVE_AND_DELETE);
        QCOMPARE(list().count(), 3);
        QCOMPARE(monitor->table()->topLevelItemCount(), 3);
        QCOMPARE(m_boxes->shown.size(), 1);
        QVERIFY(m_boxes->shown.first().text.contains(QStringLiteral("no/such/folder/container.txt")));
        monitor->OnCommand(CMessageMonitor::CMD_SAVE_AND_DELETE_ALL);
        QCOMPARE(list().count(), 3);
        QCOMPARE(monitor->table()->topLevelItemCount(), 3);
        QCOMPARE(m_boxes->shown.size(), 2); // one box, not one per message
    }

    void callbackAndCloseAndCallback() {
        fill();
        QPointer<CMessageMonitor> monitor = open();
        select(monitor->table(), 1);
        monitor->OnCommand(CMessageMonitor::CMD_CALLBACK);
        QCOMPARE(m_calls, (QList<QStringList>{{"0", "beta", "bob"}}));
        QVERIFY(monitor->isVisible());
        bool openDuringCall = false;
        m_duringCall = [&] { openDuringCall = monitor && monitor->isVisible(); };
        select(monitor->table(), 2);
        monitor->OnCommand(CMessageMonitor::CMD_CLOSE_AND_CALLBACK);
        QCOMPARE(m_calls.last(), (QStringList{"0", "gamma", "carl"}));
        QVERIFY(openDuringCall);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!monitor);
        QVERIFY(!m_app->messageMonitor);
        QCOMPARE(list().count(), 3); // closing leaves the list alone
    }

    void messageFiledWhileOpenAppearsAtOnce() {
        fill();
        CMessageMonitor* monitor = open();
        LocalClock::setSource([] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6, 78)); });
        StoreRobotMessage(m_app->core(), QStringLiteral("new one"), QStringLiteral("delta"), QStringLiteral("dora"));
        LocalClock::setSource({});
        QCOMPARE(monitor->table()->topLevelItemCount(), 4);
        QCOMPARE(row(monitor->table(), 3), (QStringList{"dora from delta", "2/3/2001", "4:5:6.78"}));
        select(monitor->table(), 3);
        QCOMPARE(monitor->textPane()->toPlainText(), QStringLiteral("new one"));
    }

    void enterAndEscapeDoNotClose() {
        QPointer<CMessageMonitor> monitor = open();
        QTest::keyClick(monitor, Qt::Key_Escape);
        QTest::keyClick(monitor, Qt::Key_Return);
        QTest::keyClick(monitor->table(), Qt::Key_Escape);
        QTest::keyClick(monitor->table(), Qt::Key_Enter);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(monitor && monitor->isVisible());
    }

    void singleInstance() {
        QPointer<CMessageMonitor> first = open();
        first->showMinimized();
        QPointer<CMessageMonitor> again = open();
        QCOMPARE(again.data(), first.data());
        QVERIFY(!first->isMinimized());
        int monitors = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            monitors += qobject_cast<CMessageMonitor*>(w) ? 1 : 0;
        QCOMPARE(monitors, 1);
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(!m_app->messageMonitor);
        QPointer<CMessageMonitor> fresh = open();
        QVERIFY(fresh);
    }

    void defaultPlacementIsWrittenAndReadBack() {
        CMessageMonitor* monitor = open();
        QCOMPARE(monitor->geometry(), QRect(QPoint(200, 160), QPoint(799, 639)));
        QCOMPARE(store().readInt("Windows", "Msgmon left", 0), 200);
        QCOMPARE(store().readInt("Windows", "Msgmon top", 0), 160);
        QCOMPARE(store().readInt("Windows", "Msgmon right", 0), 800);
        QCOMPARE(store().readInt("Windows", "Msgmon bottom", 0), 640);
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), 240);
        QCOMPARE(monitor->splitterPosition(), 240);
        QCOMPARE(monitor->table()->geometry(), QRect(0, 0, 600, 240));
        QCOMPARE(monitor->textPane()->geometry(), QRect(0, 240, 600, 240));
        monitor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        store().writeInt("Windows", "Msgmon left", 10);
        store().writeInt("Windows", "Msgmon top", 20);
        store().writeInt("Windows", "Msgmon right", 410);
        store().writeInt("Windows", "Msgmon bottom", 320);
        store().writeInt("Windows", "Msgmon splitter", 100);
        monitor = open();
        QCOMPARE(monitor->geometry(), QRect(10, 20, 400, 300));
        QCOMPARE(monitor->splitterPosition(), 100);
        QCOMPARE(monitor->splitterRatio(), 100.0 / 300.0);
    }

    void storedSplitterIsLimited_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("above") << 3 << 34;
        QTest::newRow("below") << 299 << 300 - 34;
        QTest::newRow("inside") << 150 << 150;
    }
    void storedSplitterIsLimited() {
        QFETCH(int, stored);
        QFETCH(int, expected);
        store().writeInt("Windows", "Msgmon left", 10);
        store().writeInt("Windows", "Msgmon top", 20);
        store().writeInt("Windows", "Msgmon right", 410);
        store().writeInt("Windows", "Msgmon bottom", 320);
        store().writeInt("Windows", "Msgmon splitter", stored);
        CMessageMonitor* monitor = open();
        QCOMPARE(monitor->splitterPosition(), expected);
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), expected);
    }

    void splitterDragIsLimitedAndRatioKept() {
        CMessageMonitor* monitor = open();
        monitor->resize(600, 400);
        // Dragged by the mouse in the band around the splitter.
        QWidget* grip = monitor->splitterGrip();
        QVERIFY(grip->geometry().contains(0, monitor->splitterPosition()));
        QCOMPARE(grip->cursor().shape(), Qt::SizeVerCursor);
        const QPoint inGrip(50, grip->height() / 2);
        sendMouse(grip, QEvent::MouseButtonPress, inGrip, Qt::LeftButton);
        sendMouse(grip, QEvent::MouseMove, grip->mapFrom(monitor, QPoint(50, 100)), Qt::LeftButton);
        QCOMPARE(monitor->splitterPosition(), 100);
        QCOMPARE(monitor->table()->height(), 100);
        QCOMPARE(monitor->textPane()->geometry(), QRect(0, 100, 600, 300));
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), 100);
        sendMouse(grip, QEvent::MouseMove, grip->mapFrom(monitor, QPoint(50, 5)), Qt::LeftButton);
        QCOMPARE(monitor->splitterPosition(), 34);
        sendMouse(grip, QEvent::MouseMove, grip->mapFrom(monitor, QPoint(50, 399)), Qt::LeftButton);
        QCOMPARE(monitor->splitterPosition(), 400 - 34);
        sendMouse(grip, QEvent::MouseButtonRelease, grip->mapFrom(monitor, QPoint(50, 399)), Qt::NoButton);
        // Without the button the splitter stays.
        sendMouse(grip, QEvent::MouseMove, grip->mapFrom(monitor, QPoint(50, 200)), Qt::NoButton);
        QCOMPARE(monitor->splitterPosition(), 400 - 34);

        // A very low window: the bottom rule wins.
        monitor->dragSplitterTo(100);
        monitor->resize(600, 50);
        monitor->dragSplitterTo(10);
        QCOMPARE(monitor->splitterPosition(), 50 - 34);

        // Enlarging keeps the share, not the pixels.
        monitor->resize(600, 300);
        monitor->dragSplitterTo(100);
        QCOMPARE(monitor->splitterRatio(), 100.0 / 300.0);
        monitor->resize(600, 600);
        QCOMPARE(monitor->splitterPosition(), 200);
        QCOMPARE(monitor->table()->geometry(), QRect(0, 0, 600, 200));
        QCOMPARE(monitor->textPane()->geometry(), QRect(0, 200, 600, 400));
        monitor->resize(600, 300);
        QCOMPARE(monitor->splitterPosition(), 100);
    }

    void placementNotWrittenWhileMaximised() {
        CMessageMonitor* monitor = open();
        monitor->setGeometry(100, 100, 500, 300);
        QCOMPARE(store().readInt("Windows", "Msgmon right", 0), 600);
        monitor->showMaximized();
        QTRY_VERIFY(monitor->isMaximized());
        QTRY_VERIFY(monitor->height() != 300);
        monitor->dragSplitterTo(120);
        QCOMPARE(store().readInt("Windows", "Msgmon left", 0), 100);
        QCOMPARE(store().readInt("Windows", "Msgmon top", 0), 100);
        QCOMPARE(store().readInt("Windows", "Msgmon right", 0), 600);
        QCOMPARE(store().readInt("Windows", "Msgmon bottom", 0), 400);
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), 150);
        monitor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        monitor = open();
        QCOMPARE(monitor->geometry(), QRect(100, 100, 500, 300));
    }

    void openedByTheTrayCommands() {
        fill();
        m_profile->store().writeInt("About", "Version", 141);
        m_app->core().setDaemonPort(0); // never the real port 518 here
        QVERIFY(m_app->InitInstance());
        m_app->trayWindow()->OnCommand(32781); // &Messages
        QPointer<CMessageMonitor> monitor = qobject_cast<CMessageMonitor*>(m_app->messageMonitor.data());
        QVERIFY(monitor && monitor->isVisible());
        monitor->showMinimized();
        m_boxes->answers.enqueue(MessageBoxService::No);
        m_app->trayWindow()->OnCommand(32776); // &Exit, answered No
        QCOMPARE(m_app->messageMonitor.data(), monitor.data());
        QVERIFY(!monitor->isMinimized());
    }
};

QTEST_MAIN(TestMessageMonitor)
#include "tst_messagemonitor.moc"
