// The Action page: the three fixed roots, the radio group, Insert and Delete, label editing of entries
// only, the sound controls, and what OK stores for the talk daemon.
#include "SheetFixture.h"

#include "config/CallerRules.h"
#include "config/Settings.h"
#include "customize/CPPac.h"
#include "customize/LabelTree.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

class TestActionPage : public QObject {
    Q_OBJECT

    std::unique_ptr<SheetFixture> f;
    CPPac* page = nullptr;
    LabelTree* tree = nullptr;

    void openWith(const CallerRulesTree& rules) {
        SaveCallerRules(f->store(), rules);
        f->open(CPPac::INDEX);
        page = static_cast<CPPac*>(f->sheet->page(CPPac::INDEX));
        tree = page->tree();
    }

    QRadioButton* radio(int action) {
        return f->child<QRadioButton>(qPrintable(QStringLiteral("action%1").arg(action)));
    }

    const CallerRulesTree sample{
        ACTION_REFUSE, {{"alice", ACTION_CONNECT}, {"bob", ACTION_IGNORE}}, {{"10.77.0.5", 1}}};

private slots:
    void init() { f = std::make_unique<SheetFixture>(); }
    void cleanup() { f.reset(); }

    void radioCaptions() {
        openWith({});
        QStringList captions;
        for (int a = 0; a < 5; ++a)
            captions << radio(a)->text();
        QCOMPARE(captions, (QStringList{"R&efuse", "Ref&use urgent", "&Igrore all requests", "P&op up window",
                                        "&Connect at once"}));
    }

    void emptyTableShowsTheDefaults() {
        openWith({});
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(page->defaultItem()->text(0), QStringLiteral("Default action"));
        QCOMPARE(page->callerHeading()->text(0), QStringLiteral("Caller"));
        QCOMPARE(page->hostHeading()->text(0), QStringLiteral("Host"));
        QCOMPARE(page->callerHeading()->childCount(), 0);
        QCOMPARE(page->hostHeading()->childCount(), 0);
        QCOMPARE(page->shownAction(), CPPac::NO_ACTION); // nothing selected yet
        tree->setCurrentItem(page->defaultItem());
        QCOMPARE(page->shownAction(), int(ACTION_POPUP));
    }

    void storedRulesAreShown() {
        openWith(sample);
        QCOMPARE(page->rulesTree(), sample);
        tree->setCurrentItem(page->callerHeading()->child(1));
        QCOMPARE(page->shownAction(), int(ACTION_IGNORE));
        tree->setCurrentItem(page->hostHeading());
        QCOMPARE(page->shownAction(), CPPac::NO_ACTION);
    }

    void insertGoesUnderTheRightHeading_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("underCaller");
        QTest::newRow("Default action") << "Default action" << true;
        QTest::newRow("Caller") << "Caller" << true;
        QTest::newRow("caller entry") << "alice" << true;
        QTest::newRow("Host") << "Host" << false;
        QTest::newRow("host entry") << "10.77.0.5" << false;
    }

    void insertGoesUnderTheRightHeading() {
        QFETCH(QString, selected);
        QFETCH(bool, underCaller);
        openWith(sample);
        tree->setCurrentItem(tree->findItems(selected, Qt::MatchExactly | Qt::MatchRecursive).first());
        QTest::keyClick(tree, Qt::Key_Insert);
        QTreeWidgetItem* heading = underCaller ? page->callerHeading() : page->hostHeading();
        QTreeWidgetItem* entry = heading->child(heading->childCount() - 1);
        QCOMPARE(entry->text(0), QStringLiteral("NEW ENTRY"));
        QCOMPARE(tree->currentItem(), entry);
        QVERIFY(heading->isExpanded());
        QCOMPARE(page->shownAction(), int(ACTION_POPUP));
        QVERIFY(tree->isEditing());
        QCOMPARE(tree->editedItem(), entry);
        QCOMPARE(page->callerHeading()->childCount() + page->hostHeading()->childCount(), 4);
    }

    void insertWithNothingSelectedDoesNothing() {
        openWith({});
        QTest::keyClick(tree, Qt::Key_Insert);
        QCOMPARE(page->rulesTree(), CallerRulesTree{});
        QVERIFY(!tree->isEditing());
    }

    void radioClickOnAHeadingChangesNothing_data() {
        QTest::addColumn<QString>("heading");
        QTest::newRow("Caller") << "Caller";
        QTest::newRow("Host") << "Host";
    }

    void radioClickOnAHeadingChangesNothing() {
        QFETCH(QString, heading);
        openWith(sample);
        tree->setCurrentItem(tree->findItems(heading, Qt::MatchExactly).first());
        radio(ACTION_CONNECT)->click();
        QCOMPARE(page->shownAction(), CPPac::NO_ACTION);
        for (int a = 0; a < 5; ++a)
            QVERIFY(!radio(a)->isChecked());
        QCOMPARE(page->rulesTree(), sample);
    }

    void radioClickSetsTheSelectedAction() {
        openWith(sample);
        tree->setCurrentItem(page->hostHeading()->child(0));
        radio(ACTION_IGNORE)->click();
        tree->setCurrentItem(page->defaultItem());
        radio(ACTION_CONNECT)->click();
        tree->setCurrentItem(page->hostHeading()->child(0));
        QCOMPARE(page->shownAction(), int(ACTION_IGNORE));
        f->sheet->accept();
        QCOMPARE(ActionFor(f->store(), "carol", "10.77.0.5"), int(ACTION_IGNORE));
        QCOMPARE(ActionFor(f->store(), "carol", "10.77.0.6"), int(ACTION_CONNECT));
        QCOMPARE(ActionFor(f->store(), "ALICE", "10.77.0.5"), int(ACTION_CONNECT));
    }

    void deleteRemovesEntriesOnly() {
        openWith(sample);
        for (QTreeWidgetItem* root : {page->defaultItem(), page->callerHeading(), page->hostHeading()}) {
            tree->setCurrentItem(root);
            QTest::keyClick(tree, Qt::Key_Delete);
        }
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(page->rulesTree(), sample);
        tree->setCurrentItem(page->callerHeading()->child(0));
        QTest::keyClick(tree, Qt::Key_Delete);
        tree->setCurrentItem(page->hostHeading()->child(0));
        QTest::keyClick(tree, Qt::Key_Delete);
        f->sheet->accept();
        const CallerRulesTree stored = LoadCallerRules(f->store());
        QCOMPARE(stored.callers, (std::vector<CallerRule>{{"bob", ACTION_IGNORE}}));
        QVERIFY(stored.hosts.empty());
        QVERIFY(!f->store().contains("Host", "Count"));
        QCOMPARE(stored.defaultAction, int(ACTION_REFUSE));
    }

    void labelEditOfARootIsRefused_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<int>("key");
        for (const char* root : {"Default action", "Caller", "Host"}) {
            QTest::addRow("%s by Enter", root) << root << int(Qt::Key_Return);
            QTest::addRow("%s by F2", root) << root << int(Qt::Key_F2);
        }
    }

    void labelEditOfARootIsRefused() {
        QFETCH(QString, root);
        QFETCH(int, key);
        openWith(sample);
        QTreeWidgetItem* item = tree->findItems(root, Qt::MatchExactly).first();
        tree->setCurrentItem(item);
        QTest::keyClick(tree, Qt::Key(key));
        QVERIFY(!tree->isEditing());
        QVERIFY(!tree->startEdit(item));
        QVERIFY(f->sheet->isVisible());
    }

    void entryLabelIsEditedByEnterAndByAClick() {
        openWith(sample);
        tree->setCurrentItem(page->callerHeading()->child(0));
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(tree->isEditing());
        tree->editor()->setText("alfred");
        QTest::keyClick(tree->editor(), Qt::Key_Return);
        QVERIFY(!tree->isEditing());
        QCOMPARE(page->callerHeading()->child(0)->text(0), QStringLiteral("alfred"));
        tree->setCurrentItem(page->callerHeading()->child(1));
        QVERIFY(tree->startEdit(page->callerHeading()->child(1)));
        tree->editor()->setText("bobby");
        f->clickOnWindow(radio(ACTION_REFUSE)); // ends the edit and does not reach the button
        QVERIFY(!tree->isEditing());
        QCOMPARE(page->callerHeading()->child(1)->text(0), QStringLiteral("bobby"));
        QCOMPARE(page->shownAction(), int(ACTION_IGNORE));
        f->sheet->accept();
        QCOMPARE(ActionFor(f->store(), "Alfred", "1.2.3.4"), int(ACTION_CONNECT));
        QCOMPARE(ActionFor(f->store(), "bobby", "1.2.3.4"), int(ACTION_IGNORE));
    }

    void soundControlsFollowPlaySound() {
        f->settings().sound = "/tmp/ring.wav";
        openWith({});
        auto* play = f->child<QCheckBox>("playsound");
        auto* path = page->findChild<QLineEdit*>("sound");
        auto* browse = page->findChild<QPushButton*>("browse");
        auto* test = page->findChild<QPushButton*>("test");
        QVERIFY(!play->isChecked());
        QVERIFY(!path->isEnabled() && !browse->isEnabled() && !test->isEnabled());
        QCOMPARE(path->text(), QStringLiteral("/tmp/ring.wav"));
        play->click();
        QCOMPARE(f->settings().playsound, 1);
        QVERIFY(path->isEnabled() && browse->isEnabled() && test->isEnabled());
        f->boxes->nextFile = QStringLiteral("/home/u/bell.WAV");
        browse->click();
        QCOMPARE(f->boxes->fileRequests.size(), 1);
        QCOMPARE(f->boxes->fileRequests[0].title, QStringLiteral("Murmelo: choose notification sound."));
        QCOMPARE(f->boxes->fileRequests[0].filter, QStringLiteral("Wave files (*.WAV)"));
        QCOMPARE(f->boxes->fileRequests[0].defaultSuffix, QStringLiteral("wav"));
        QCOMPARE(path->text(), QStringLiteral("/home/u/bell.WAV"));
        test->click(); // commits first, plays a file that does not exist: silently nothing
        QCOMPARE(f->settings().sound, QStringLiteral("/home/u/bell.WAV"));
        f->boxes->nextFile.reset();
        browse->click(); // cancelled: nothing changes
        QCOMPARE(path->text(), QStringLiteral("/home/u/bell.WAV"));
        f->sheet->reject();
        QCOMPARE(f->settings().playsound, 0);
        QCOMPARE(f->settings().sound, QString());
    }
};

QTEST_MAIN(TestActionPage)
#include "tst_actionpage.moc"
