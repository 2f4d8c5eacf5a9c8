// The person dialog: preselection, urgency, the search it starts, the unknown person, its position.
#include "config/AddressBook.h"
#include "config/Settings.h"
#include "conversation/CPersonDialog.h"
#include "platform/gui/Desktop.h"

#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

using Search = FakeAppContext::Search;

QStringList listOf(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

template <class T> QList<T*> openWindows() {
    QList<T*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<T*>(w); d && d->isVisible())
            out << d;
    return out;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

PeopleTree book(const QStringList& names) {
    PeopleTree tree;
    for (const QString& name : names)
        tree.push_back(PersonEntry{name, {AliasEntry{name.toLower(), {"127.0.0.1"}}}});
    return tree;
}

} // namespace

class TestPersonDialog : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<FakeAppContext> m_app;

    ProfileStore& store() { return m_profile->store(); }

private slots:
    void initTestCase() { Desktop::setOverride(QRect(0, 0, 1000, 800)); }

    void init() {
        m_profile = std::make_unique<TempProfile>();
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_app = std::make_unique<FakeAppContext>(store());
        m_app->settings().LoadSettings(store());
        SavePeopleTree(store(), book({"Anna", "Bob", "Carl"}));
    }

    void cleanup() {
        QVERIFY(m_app->conversations.isEmpty()); // the dialog only ever starts searches
        QList<QPointer<QDialog>> open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<CPersonDialog*>(w))
                open << qobject_cast<QDialog*>(w);
        qDeleteAll(open);
        m_app.reset();
        m_boxes.reset();
        m_profile.reset();
    }

    void topPersonPreselectedAndEmptyEntryLast_data() {
        QTest::addColumn<int>("urgency");
        QTest::addColumn<bool>("byReturn"); // Return in the person's box presses Talk
        QTest::newRow("not urgent") << 0 << false;
        QTest::newRow("urgent") << 1 << false;
        QTest::newRow("Return") << 0 << true;
    }
    void topPersonPreselectedAndEmptyEntryLast() {
        QFETCH(int, urgency);
        QFETCH(bool, byReturn);
        m_app->settings().urgency = urgency;
        QPointer<CPersonDialog> dialog = CPersonDialog::openNew(*m_app);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Talk to..."));
        QCOMPARE(listOf(dialog->personBox()), (QStringList{"Carl", "Bob", "Anna", ""}));
        QCOMPARE(dialog->personBox()->currentText(), QStringLiteral("Carl"));
        QCOMPARE(dialog->urgentBox()->text(), QStringLiteral("&Urgent!"));
        QCOMPARE(dialog->urgentBox()->isChecked(), urgency == 1);
        if (byReturn)
            QTest::keyClick(dialog->personBox(), Qt::Key_Return); // the focus widget
        else
            QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QCOMPARE(m_app->searches, (QList<Search>{{urgency == 1, "Carl"}}));
        flushDeletes();
        QVERIFY(!dialog);
    }

    void pickedPersonIsSearchedAndMovedToTop_data() {
        QTest::addColumn<int>("movetotop");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("urgent");
        QTest::addColumn<QString>("searched");
        QTest::addColumn<QStringList>("bookAfter");
        QTest::newRow("moved") << 1 << "Anna" << true << "Anna" << QStringList{"Anna", "Carl", "Bob"};
        QTest::newRow("not moved") << 0 << "Anna" << false << "Anna" << QStringList{"Carl", "Bob", "Anna"};
        // The aliases stay filed under the stored name, so that spelling is kept and searched for.
        QTest::newRow("other letter case") << 1 << "bOB" << false << "Bob" << QStringList{"Bob", "Carl", "Anna"};
        QTest::newRow("already top") << 1 << "Carl" << false << "Carl" << QStringList{"Carl", "Bob", "Anna"};
    }
    void pickedPersonIsSearchedAndMovedToTop() {
        QFETCH(int, movetotop);
        QFETCH(QString, typed);
        QFETCH(bool, urgent);
        QFETCH(QString, searched);
        QFETCH(QStringList, bookAfter);
        m_app->settings().movetotop = movetotop;
        QPointer<CPersonDialog> dialog = CPersonDialog::openNew(*m_app);
        dialog->personBox()->setEditText(typed);
        dialog->urgentBox()->setChecked(urgent);
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QCOMPARE(m_app->searches, (QList<Search>{{urgent, searched}}));
        QCOMPARE(ListPersonsTopFirst(store()), bookAfter);
        QCOMPARE(AddressBook::ReadAliases(store(), searched), QStringList{searched.toLower()});
        QVERIFY(m_app->sheets.isEmpty());
    }

    void unknownOrEmptyPersonOpensPeoplePageThenFreshDialog_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("pick"); // list entry picked, or -1 to type
        QTest::newRow("unknown") << "Dora" << -1;
        QTest::newRow("typed empty") << "" << -1;
        QTest::newRow("empty entry picked") << "" << 3;
    }
    void unknownOrEmptyPersonOpensPeoplePageThenFreshDialog() {
        QFETCH(QString, typed);
        QFETCH(int, pick);
        QPointer<CPersonDialog> dialog = CPersonDialog::openNew(*m_app);
        if (pick >= 0)
            dialog->personBox()->setCurrentIndex(pick);
        else
            dialog->personBox()->setEditText(typed);
        QCOMPARE(dialog->personBox()->currentText(), typed);
        // The user adds the person on the People page while the sheet is open.
        bool firstGone = false;
        m_app->onSheet = [&] {
            firstGone = !dialog || !dialog->isVisible();
            SavePeopleTree(store(), book({"Anna", "Bob", "Carl", "Dora"}));
        };
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QCOMPARE(m_app->sheets, QList<int>{0});
        QVERIFY(firstGone);
        QVERIFY(m_app->searches.isEmpty());
        flushDeletes();
        QVERIFY(!dialog);
        const QList<CPersonDialog*> fresh = openWindows<CPersonDialog>();
        QCOMPARE(fresh.size(), 1);
        QCOMPARE(listOf(fresh.first()->personBox()), (QStringList{"Dora", "Carl", "Bob", "Anna", ""}));
    }

    void twoOpenDialogsMoveTheRightPersons() {
        m_app->settings().movetotop = 1;
        QPointer<CPersonDialog> first = CPersonDialog::openNew(*m_app);
        QPointer<CPersonDialog> second = CPersonDialog::openNew(*m_app);
        first->personBox()->setEditText("Anna");
        QTest::mouseClick(first->talkButton(), Qt::LeftButton);
        QCOMPARE(ListPersonsTopFirst(store()), (QStringList{"Anna", "Carl", "Bob"}));
        second->personBox()->setCurrentIndex(1); // Bob, as the list showed when it opened
        QTest::mouseClick(second->talkButton(), Qt::LeftButton);
        QCOMPARE(ListPersonsTopFirst(store()), (QStringList{"Bob", "Anna", "Carl"}));
        QCOMPARE(m_app->searches, (QList<Search>{{false, "Anna"}, {false, "Bob"}}));
        // A person deleted from the book meanwhile is an unknown person.
        QPointer<CPersonDialog> third = CPersonDialog::openNew(*m_app);
        SavePeopleTree(store(), book({"Anna"}));
        third->personBox()->setEditText("Bob");
        QTest::mouseClick(third->talkButton(), Qt::LeftButton);
        QCOMPARE(m_app->sheets, QList<int>{0});
        QCOMPARE(m_app->searches.size(), 2);
    }

    void anEmptyNameEndsTheListAndMovingKeepsWhatFollows() {
        m_app->settings().movetotop = 1;
        SavePeopleTree(store(), book({"Ann", "", "Cee"}));
        QPointer<CPersonDialog> dialog = CPersonDialog::openNew(*m_app);
        QCOMPARE(listOf(dialog->personBox()), (QStringList{"Ann", ""}));
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QCOMPARE(m_app->searches, (QList<Search>{{false, "Ann"}}));
        QCOMPARE(LoadPeopleTree(store()), book({"Ann", "", "Cee"}));
    }

    void noFreshDialogWhileSheetStaysOpen() {
        m_app->sheetStaysOpen = true; // the sheet was open already: it only switched to the People page
        QPointer<CPersonDialog> dialog = CPersonDialog::openNew(*m_app);
        dialog->personBox()->setEditText("Nobody");
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QCOMPARE(m_app->sheets, QList<int>{0});
        flushDeletes();
        QVERIFY(openWindows<CPersonDialog>().isEmpty());
    }

    void cancelSearchesNothing() {
        QPointer<CPersonDialog> dialog = CPersonDialog::openNew(*m_app);
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
        flushDeletes();
        QVERIFY(!dialog);
        QVERIFY(m_app->searches.isEmpty());
        QVERIFY(m_app->sheets.isEmpty());
        QCOMPARE(ListPersonsTopFirst(store()), (QStringList{"Carl", "Bob", "Anna"}));
    }

    void opensCentredThenWhereItWasMoved() {
        QPointer<CPersonDialog> first = CPersonDialog::openNew(*m_app);
        QVERIFY(!store().contains("Windows", "Pre x"));
        QVERIFY(qAbs(first->geometry().center().x() - 500) <= 1);
        QVERIFY(qAbs(first->geometry().center().y() - 400) <= 1);
        first->move(123, 45);
        QCOMPARE(store().readInt("Windows", "Pre x", -10000), 123);
        QCOMPARE(store().readInt("Windows", "Pre y", -10000), 45);
        first->close();
        QPointer<CPersonDialog> second = CPersonDialog::openNew(*m_app);
        QCOMPARE(second->pos(), QPoint(123, 45));
        // -10000 means not stored.
        store().writeInt("Windows", "Pre x", -10000);
        QPointer<CPersonDialog> third = CPersonDialog::openNew(*m_app);
        QVERIFY(qAbs(third->geometry().center().x() - 500) <= 1);
    }

    void personTextIsLimitedTo256Characters() {
        QPointer<CPersonDialog> dialog = CPersonDialog::openNew(*m_app);
        dialog->personBox()->clearEditText();
        QTest::keyClicks(dialog->personBox()->lineEdit(), QString(300, u'p'));
        QCOMPARE(dialog->personBox()->currentText().size(), 256);
    }
};

QTEST_MAIN(TestPersonDialog)
#include "tst_persondialog.moc"
