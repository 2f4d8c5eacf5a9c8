// The sheet: the page it opens on, `tab`, OK and Cancel over the settings record, validation on OK and on
// leaving a page, Escape, and a round trip from the sheet's controls to what the program reads next.
#include "SheetFixture.h"

#include "config/AddressBook.h"
#include "config/CallerRules.h"
#include "config/Settings.h"
#include "customize/CMyPPp.h"
#include "customize/CPPac.h"
#include "customize/CPPap.h"
#include "customize/CPPse.h"
#include "customize/CPPtr.h"
#include "customize/LabelTree.h"
#include "customize/SpinEdit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>

class TestCustomizeSheet : public QObject {
    Q_OBJECT

    std::unique_ptr<SheetFixture> f;

    template <class T> T* on(int page, const char* name) { return f->onPage<T>(page, name); }

private slots:
    void init() { f = std::make_unique<SheetFixture>(); }
    void cleanup() { f.reset(); }

    void captionAndButtons() {
        CMyPropertySheet* sheet = f->open(f->settings().tab);
        QCOMPARE(sheet->windowTitle(), QStringLiteral("Murmelo: customize"));
        QStringList tabs;
        for (int i = 0; i < sheet->tabs()->count(); ++i)
            tabs << sheet->tabs()->tabText(i);
        QCOMPARE(tabs, (QStringList{"People", "General", "Action", "Appearance", "Talk robot"}));
        QStringList buttons;
        for (QAbstractButton* b : sheet->findChildren<QAbstractButton*>())
            if (!sheet->tabs()->isAncestorOf(b))
                buttons << b->text().remove(u'&');
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Cancel", "OK"}));
    }

    void firstRunOpensOnGeneral() {
        QCOMPARE(f->settings().tab, 1);
        CMyPropertySheet* sheet = f->open(f->settings().tab);
        QCOMPARE(sheet->tabs()->currentIndex(), CPPse::INDEX);
        QCOMPARE(sheet->activePage()->pageIndex(), CPPse::INDEX);
        QVERIFY(sheet->page(CPPse::INDEX)->wasShown());
        QVERIFY(!sheet->page(CMyPPp::INDEX)->wasShown());
    }

    void activatedPageIsStoredInTab_data() {
        QTest::addColumn<int>("page");
        for (int i = 0; i < CMyPropertySheet::PAGE_COUNT; ++i)
            QTest::addRow("page %d", i) << i;
    }

    void activatedPageIsStoredInTab() {
        QFETCH(int, page);
        CMyPropertySheet* sheet = f->open(page == 0 ? 4 : 0);
        sheet->tabs()->setCurrentIndex(page);
        QCOMPARE(f->settings().tab, page);
        sheet->accept();
        QCOMPARE(f->store().readInt("Settings", "tab", -1), page);
        // The next run opens there.
        Settings next;
        next.LoadSettings(f->store());
        QCOMPARE(next.tab, page);
    }

    void cancelRestoresConnectStyle() {
        f->settings().showlookup = 1;
        f->settings().talktotop = 1;
        f->settings().newstyle = 1;
        f->settings().SaveSettings(f->store());
        f->open(CPPse::INDEX);
        auto* showlookup = on<QCheckBox>(CPPse::INDEX, "showlookup");
        auto* talktotop = on<QCheckBox>(CPPse::INDEX, "talktotop");
        QVERIFY(showlookup->isChecked() && talktotop->isChecked());
        on<QRadioButton>(CPPse::INDEX, "styleOld")->click();
        QCOMPARE(f->settings().newstyle, 0);
        QCOMPARE(f->settings().showlookup, 0);
        QCOMPARE(f->settings().talktotop, 0);
        QVERIFY(!showlookup->isChecked() && !talktotop->isChecked());
        QVERIFY(!showlookup->isEnabled() && !talktotop->isEnabled());
        on<QRadioButton>(CPPse::INDEX, "styleNew")->click();
        QVERIFY(showlookup->isEnabled() && talktotop->isEnabled());
        QCOMPARE(f->settings().showlookup, 0);
        on<QRadioButton>(CPPse::INDEX, "styleOld")->click();
        f->sheet->reject();
        QCOMPARE(f->settings().newstyle, 1);
        QCOMPARE(f->settings().showlookup, 1);
        QCOMPARE(f->settings().talktotop, 1);
    }

    void optionsEnabledWhenPageOpensWhateverTheStyle() {
        f->settings().newstyle = 0;
        f->settings().showlookup = 0;
        f->open(CPPse::INDEX);
        QVERIFY(on<QRadioButton>(CPPse::INDEX, "styleOld")->isChecked());
        QVERIFY(on<QCheckBox>(CPPse::INDEX, "showlookup")->isEnabled());
        QVERIFY(on<QCheckBox>(CPPse::INDEX, "talktotop")->isEnabled());
    }

    void urgencyCommittedAtOnceOthersOnOk() {
        f->open(CPPse::INDEX);
        on<QLineEdit>(CPPse::INDEX, "fullname")->setText("Ann Other");
        on<QCheckBox>(CPPse::INDEX, "urgency")->click();
        QCOMPARE(f->settings().urgency, 1);
        QCOMPARE(f->settings().fullname, QStringLiteral("Ann Other"));
        on<QCheckBox>(CPPse::INDEX, "movetotop")->setChecked(false);
        QCOMPARE(f->settings().movetotop, 1);
        f->sheet->accept();
        QCOMPARE(f->settings().movetotop, 0);
        QCOMPARE(f->store().readInt("Settings", "urgency", 0), 1);
        QCOMPARE(f->store().readString("Settings", "fullname"), QStringLiteral("Ann Other"));
    }

    void cancelRestoresTheSavedValueNotTheShownOne() {
        f->settings().fullname = "Unsaved";
        f->open(CPPse::INDEX);
        QCOMPARE(on<QLineEdit>(CPPse::INDEX, "fullname")->text(), QStringLiteral("Unsaved"));
        f->sheet->reject();
        QCOMPARE(f->settings().fullname, QStringLiteral("Mr. X"));
    }

    void validationOnOk_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString integer = "Please enter an integer.";
        QTest::newRow("redial 0") << CPPse::INDEX << "0"
                                  << "Please enter an integer between 1 and 60.";
        QTest::newRow("redial 61") << CPPse::INDEX << "61"
                                   << "Please enter an integer between 1 and 60.";
        QTest::newRow("redial abc") << CPPse::INDEX << "abc" << integer;
        QTest::newRow("redial empty") << CPPse::INDEX << "" << integer;
        QTest::newRow("robot 2") << CPPtr::INDEX << "2"
                                 << "Please enter an integer between 3 and 20.";
        QTest::newRow("robot 21") << CPPtr::INDEX << "21"
                                  << "Please enter an integer between 3 and 20.";
        QTest::newRow("robot abc") << CPPtr::INDEX << "abc" << integer;
    }

    void validationOnOk() {
        QFETCH(int, page);
        QFETCH(QString, text);
        QFETCH(QString, message);
        f->open(page);
        auto* field = on<SpinEdit>(page, page == CPPse::INDEX ? "autowrap" : "ltra");
        field->setFieldText(text);
        // A click that commits the page at once leaves a refused value out, and shows nothing.
        on<QCheckBox>(page, page == CPPse::INDEX ? "urgency" : "talkrobotmode")->click();
        QVERIFY(f->boxes->shown.isEmpty());
        QCOMPARE(f->settings().autowrap, 15);
        QCOMPARE(f->settings().ltra, 7);
        f->sheet->accept();
        QCOMPARE(f->boxes->texts(), QStringList{message});
        QCOMPARE(f->boxes->shown.first().title, QStringLiteral("Murmelo"));
        QVERIFY(f->sheet->isVisible());
        QCOMPARE(f->sheet->result(), 0);
        QCOMPARE(field->findChild<QLineEdit*>()->selectedText(), text);
        QVERIFY(!f->store().contains("Settings", "autowrap"));
        // Corrected, OK goes through.
        field->setFieldText(page == CPPse::INDEX ? " 42 " : "12");
        f->sheet->accept();
        QVERIFY(!f->sheet || !f->sheet->isVisible());
        QCOMPARE(f->store().readInt("Settings", page == CPPse::INDEX ? "autowrap" : "ltra", 0),
                 page == CPPse::INDEX ? 42 : 12);
    }

    void refusedPageChangeSwitchesBack() {
        f->open(CPPtr::INDEX);
        auto* field = on<SpinEdit>(CPPtr::INDEX, "ltra");
        field->setFieldText("21");
        f->sheet->tabs()->setCurrentIndex(CPPap::INDEX);
        QCOMPARE(f->boxes->texts(), QStringList{"Please enter an integer between 3 and 20."});
        QCOMPARE(f->sheet->tabs()->currentIndex(), CPPtr::INDEX);
        QCOMPARE(f->settings().tab, CPPtr::INDEX);
        QVERIFY(!f->sheet->page(CPPap::INDEX)->wasShown());
        QCOMPARE(field->findChild<QLineEdit*>()->selectedText(), QStringLiteral("21"));
        field->setFieldText("20");
        f->sheet->tabs()->setCurrentIndex(CPPap::INDEX);
        QCOMPARE(f->sheet->tabs()->currentIndex(), CPPap::INDEX);
        QCOMPARE(f->settings().ltra, 20);
        QCOMPARE(f->boxes->shown.size(), 1);
    }

    void spinArrowsStayInRange() {
        f->open(CPPse::INDEX);
        auto* field = on<SpinEdit>(CPPse::INDEX, "autowrap");
        field->setFieldText("59");
        field->stepBy(1);
        field->stepBy(1);
        QCOMPARE(field->fieldText(), QStringLiteral("60"));
        field->setFieldText("junk");
        field->stepBy(-1);
        QCOMPARE(field->fieldText(), QStringLiteral("1"));
    }

    void escapeNeverClosesTheSheet_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("widget");
        QTest::newRow("general name") << CPPse::INDEX << "fullname";
        QTest::newRow("general redial") << CPPse::INDEX << "autowrap";
        QTest::newRow("people tree") << CMyPPp::INDEX << "peopleTree";
        QTest::newRow("action tree") << CPPac::INDEX << "actionTree";
        QTest::newRow("action sound") << CPPac::INDEX << "sound";
        QTest::newRow("robot text") << CPPtr::INDEX << "autotext";
        QTest::newRow("tab bar") << CPPse::INDEX << "qt_tabwidget_tabbar";
        QTest::newRow("OK button") << CPPap::INDEX << "ok";
        QTest::newRow("Cancel button") << CPPtr::INDEX << "cancel";
        QTest::newRow("the sheet itself") << CMyPPp::INDEX << "CMyPropertySheet";
    }

    void escapeNeverClosesTheSheet() {
        QFETCH(int, page);
        QFETCH(QString, widget);
        f->settings().fullname = "Kept";
        f->open(page);
        QWidget* w = widget == f->sheet->objectName() ? f->sheet.data() : f->sheet->findChild<QWidget*>(widget);
        QVERIFY(w);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Escape);
        QTest::qWait(20);
        QVERIFY(f->sheet->isVisible());
        QCOMPARE(f->settings().fullname, QStringLiteral("Kept")); // no Cancel re-read either
    }

    // Each page opens with the focus on its first control, however it is reached; the keys go there.
    void pagesOpenOnTheirFirstControl_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("first");
        QTest::newRow("people") << CMyPPp::INDEX << "peopleTree";
        QTest::newRow("general") << CPPse::INDEX << "fullname";
        QTest::newRow("action") << CPPac::INDEX << "actionTree";
        QTest::newRow("appearance") << CPPap::INDEX << "localFont";
        QTest::newRow("talk robot") << CPPtr::INDEX << "talkrobotmode";
    }

    void pagesOpenOnTheirFirstControl() {
        QFETCH(int, page);
        QFETCH(QString, first);
        f->open(page);
        QCOMPARE(f->sheet->focusWidget()->objectName(), first);
        QTest::keyClick(f->sheet->windowHandle(), Qt::Key_Escape);
        QVERIFY(f->sheet->isVisible());

        // Reached by a click on its tab from another page.
        const int other = (page + 1) % CMyPropertySheet::PAGE_COUNT;
        f->sheet->setActivePage(other);
        QVERIFY(f->sheet->focusWidget() && f->sheet->focusWidget()->objectName() != first);
        QTabBar* bar = f->sheet->tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
        QCOMPARE(f->sheet->activePage()->pageIndex(), page);
        QCOMPARE(f->sheet->focusWidget()->objectName(), first);
        QTest::keyClick(f->sheet->windowHandle(), Qt::Key_Escape);
        QTest::qWait(20);
        QVERIFY(f->sheet->isVisible());
    }

    void escapeInTheLabelEditorKeepsTheEdit() {
        f->open(CMyPPp::INDEX);
        auto* people = static_cast<CMyPPp*>(f->sheet->page(CMyPPp::INDEX));
        people->OnAdd();
        QVERIFY(people->tree()->isEditing());
        people->tree()->editor()->setText("brick");
        QTest::keyClick(people->tree()->editor(), Qt::Key_Escape);
        QVERIFY(people->tree()->isEditing());
        QTest::keyClick(people->tree()->editor(), Qt::Key_Return);
        QVERIFY(!people->tree()->isEditing());
        QCOMPARE(people->tree()->currentItem()->text(0), QStringLiteral("brick"));
        QVERIFY(f->sheet->isVisible());
    }

    void pagesNeverShownDoNothing() {
        f->open(CPPse::INDEX);
        // The address book changes behind the sheet's back; the People page was never shown, so OK keeps it.
        f->store().writeInt("People", "Count", 1);
        f->store().writeString("People", "0", "Outsider");
        f->store().writeString("Caller", "s0", "eve");
        f->store().writeInt("Caller", "Count", 1);
        f->sheet->accept();
        QCOMPARE(TopPerson(f->store()), QStringLiteral("Outsider"));
        QCOMPARE(ActionFor(f->store(), "eve", "127.0.0.1"), 3);
        QCOMPARE(LoadCallerRules(f->store()).callers.size(), size_t(1));
    }

    void roundTrip() {
        f->open(CPPse::INDEX);
        on<QLineEdit>(CPPse::INDEX, "fullname")->setText("Zed Zero");
        on<SpinEdit>(CPPse::INDEX, "autowrap")->setFieldText("33");
        on<QCheckBox>(CPPse::INDEX, "urgency")->click();

        f->sheet->tabs()->setCurrentIndex(CMyPPp::INDEX);
        auto* people = static_cast<CMyPPp*>(f->sheet->page(CMyPPp::INDEX));
        people->OnAdd();
        people->tree()->editor()->setText("10.77.0.2");
        QTest::keyClick(people->tree()->editor(), Qt::Key_Return);
        QTreeWidgetItem* person = people->tree()->topLevelItem(0);
        people->tree()->setCurrentItem(person);
        QTest::keyClick(people->tree(), Qt::Key_Return);
        people->tree()->editor()->setText("Bea");
        QTest::keyClick(people->tree()->editor(), Qt::Key_Return);
        people->tree()->setCurrentItem(person->child(0));
        QTest::keyClick(people->tree(), Qt::Key_Return);
        people->tree()->editor()->setText("bea");
        QTest::keyClick(people->tree()->editor(), Qt::Key_Return);
        people->tree()->setCurrentItem(person);
        QTest::keyClick(people->tree(), Qt::Key_Insert); // a second person
        people->tree()->commitEdit();

        f->sheet->tabs()->setCurrentIndex(CPPac::INDEX);
        auto* action = static_cast<CPPac*>(f->sheet->page(CPPac::INDEX));
        action->tree()->setCurrentItem(action->defaultItem());
        on<QRadioButton>(CPPac::INDEX, "action4")->click();
        QTest::keyClick(action->tree(), Qt::Key_Insert);
        action->tree()->editor()->setText("Alice");
        QTest::keyClick(action->tree()->editor(), Qt::Key_Return);
        on<QRadioButton>(CPPac::INDEX, "action1")->click();
        action->tree()->setCurrentItem(action->hostHeading());
        QTest::keyClick(action->tree(), Qt::Key_Insert);
        action->tree()->editor()->setText("10.77.0.9");
        QTest::keyClick(action->tree()->editor(), Qt::Key_Return);
        on<QRadioButton>(CPPac::INDEX, "action2")->click();

        f->sheet->tabs()->setCurrentIndex(CPPtr::INDEX);
        on<QPlainTextEdit>(CPPtr::INDEX, "autotext")->setPlainText("Out.\nBack soon.");
        on<SpinEdit>(CPPtr::INDEX, "ltra")->setFieldText("12");
        f->sheet->accept();

        // What the next start reads: the file itself.
        f->store().flush();
        ProfileStore store(f->profile->path());
        Settings next;
        next.LoadSettings(store);
        QCOMPARE(next.fullname, QStringLiteral("Zed Zero"));
        QCOMPARE(next.autowrap, 33);
        QCOMPARE(next.urgency, 1);
        QCOMPARE(next.ltra, 12);
        QCOMPARE(next.autotext, QStringLiteral("Out.\r\nBack soon."));
        QCOMPARE(next.tab, CPPtr::INDEX);
        QCOMPARE(ListPersonsTopFirst(store), (QStringList{"<PERSON/GROUP NAME>", "Bea"}));
        QCOMPARE(TopPerson(store), QStringLiteral("<PERSON/GROUP NAME>"));
        QCOMPARE(AddressBook::ReadAliases(store, "Bea"), QStringList{"bea"});
        QCOMPARE(AddressBook::ReadHosts(store, "Bea", "bea"), QStringList{"10.77.0.2"});
        QCOMPARE(ActionFor(store, "ALICE", "10.77.0.9"), int(ACTION_REFUSE_URGENT));
        QCOMPARE(ActionFor(store, "bob", "10.77.0.9"), int(ACTION_IGNORE));
        QCOMPARE(ActionFor(store, "bob", "10.77.0.8"), int(ACTION_CONNECT));
    }
};

QTEST_MAIN(TestCustomizeSheet)
#include "tst_customizesheet.moc"
