// The message monitor's content: its table, pane and menu, the delete, save and callback commands, and
// messages filed while it is open.
#include "MonitorTestBase.h"

using namespace monitortest;

class TestMessageMonitor : public MonitorTestBase {
    Q_OBJECT

private slots:
    void initTestCase() { setUpCase(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
        // A text colour changed meanwhile is used at the next paint; the background stays as it was taken.
        const QColor back = pane->palette().color(QPalette::Base);
        m_app->settings().look.remoteText = FontRecords::rgb(255, 0, 0);
        m_app->settings().look.remoteBack = FontRecords::rgb(0, 0, 255);
        pane->viewport()->grab(); // one paint
        QCOMPARE(pane->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(pane->palette().color(QPalette::Base), back);
    }

    // A long line shows in display blocks (ReceivedTextView's own rule); the text pane gives it back exactly.
    void longLineShownInBlocksAndGivenBackExactly() {
        const QString line(2500, u'x');
        list().append(message("anna", "alpha", 1, line + "\r\nend"));
        CMessageMonitor* monitor = open();
        select(monitor->table(), 0);
        QCOMPARE(monitor->textPane()->text(), line + "\nend");
        QVERIFY(monitor->textPane()->blockCount() >= 3);
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
        QVERIFY(visibleMonitorMenus().isEmpty());

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
        QCOMPARE(visibleMonitorMenus().size(), 1);
        QPointer<QMenu> shown = visibleMonitorMenus().constFirst();
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
        QVERIFY(table->selectedItems().isEmpty());
        std::unique_ptr<QMenu> menu(monitor->createContextMenu());
        QVERIFY(!menu->actions().at(3)->isEnabled()); // &Delete waits for a new choice
        monitor->OnCommand(CMessageMonitor::CMD_DELETE);
        QCOMPARE(list().count(), 2);
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

    void deleteTheSelectedMessage() {
        // Two messages filed in the same millisecond are still two: the selected one goes.
        list().append(message("anna", "alpha", 7));
        list().append(message("bob", "beta", 7));
        list().append(message("carl", "gamma", 8));
        CMessageMonitor* monitor = open();
        select(monitor->table(), 1); // bob's row
        monitor->OnCommand(CMessageMonitor::CMD_DELETE);
        QCOMPARE(listed(list()), (QStringList{"anna", "carl"}));
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
        QTRY_COMPARE(m_boxes->shown.size(), 1);
        QVERIFY(m_boxes->shown.first().text.contains(QStringLiteral("no/such/folder/container.txt")));
        monitor->OnCommand(CMessageMonitor::CMD_SAVE_AND_DELETE_ALL);
        QCOMPARE(list().count(), 3);
        QCOMPARE(monitor->table()->topLevelItemCount(), 3);
        QTRY_COMPARE(m_boxes->shown.size(), 2); // one box, not one per message
        QTest::qWait(20);
        QCOMPARE(m_boxes->shown.size(), 2);
    }

    void callbackAndCloseAndCallback() {
        fill();
        RobotMessage latin1 = message(QString(), "delta", 4);
        latin1.user = WireName::received(QByteArray("J\xf6rg"));
        list().append(latin1);
        QPointer<CMessageMonitor> monitor = open();
        select(monitor->table(), 1);
        monitor->OnCommand(CMessageMonitor::CMD_CALLBACK);
        QCOMPARE(m_calls, (QList<QStringList>{{"0", "beta", "bob"}}));
        QVERIFY(monitor->isVisible());
        // A Latin-1 caller is called back by the bytes the name came with, not by their text's UTF-8.
        select(monitor->table(), 3);
        monitor->OnCommand(CMessageMonitor::CMD_CALLBACK);
        QCOMPARE(m_app->conversations.last().user.bytes, QByteArray("J\xf6rg"));
        bool openDuringCall = false;
        m_duringCall = [&] { openDuringCall = monitor && monitor->isVisible(); };
        select(monitor->table(), 2);
        monitor->OnCommand(CMessageMonitor::CMD_CLOSE_AND_CALLBACK);
        QCOMPARE(m_calls.last(), (QStringList{"0", "gamma", "carl"}));
        QVERIFY(openDuringCall);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!monitor);
        QCOMPARE(list().count(), 4); // closing leaves the list alone
    }

    void messageFiledWhileOpenAppearsAtOnce() {
        fill();
        CMessageMonitor* monitor = open();
        LocalClock::setSource([] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6, 78)); });
        StoreRobotMessage(*m_app, QStringLiteral("new one"), QStringLiteral("delta"), WireName::typed("dora"));
        LocalClock::setSource({});
        QCOMPARE(monitor->table()->topLevelItemCount(), 4);
        QCOMPARE(row(monitor->table(), 3), (QStringList{"dora from delta", "2/3/2001", "4:5:6.78"}));
        select(monitor->table(), 3);
        QCOMPARE(monitor->textPane()->toPlainText(), QStringLiteral("new one"));
    }
};

QTEST_MAIN(TestMessageMonitor)
#include "tst_messagemonitor.moc"
