// The People page: the tree from the address book, Add and Insert, label editing by Enter and by a
// click, Delete with and without the question, and what OK and Cancel leave in the store.
#include "SheetFixture.h"

#include "config/AddressBook.h"
#include "config/Settings.h"
#include "customize/CMyPPp.h"
#include "customize/LabelTree.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

QStringList labels(const QTreeWidget* tree) {
    QStringList out;
    std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* item, int depth) {
        out << QString(depth, u'.') + item->text(0);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i), 0);
    return out;
}

const PeopleTree sampleBook = {
    {"Ann", {{"ann", {"10.77.0.1", "localhost"}}, {"anna", {"127.0.0.1"}}}},
    {"Bob", {{"bob", {"10.77.0.2"}}}},
};

} // namespace

class TestPeoplePage : public QObject {
    Q_OBJECT

    std::unique_ptr<SheetFixture> f;
    CMyPPp* page = nullptr;
    LabelTree* tree = nullptr;
    QPushButton* add = nullptr;

    void openWith(const PeopleTree& book) {
        SavePeopleTree(f->store(), book);
        f->open(CMyPPp::INDEX);
        page = static_cast<CMyPPp*>(f->sheet->page(CMyPPp::INDEX));
        tree = page->tree();
        add = f->child<QPushButton>("addButton");
    }

    QTreeWidgetItem* find(const QString& text) {
        const auto items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.first();
    }

private slots:
    void init() { f = std::make_unique<SheetFixture>(); }
    void cleanup() { f.reset(); }

    void showsTheBookCollapsed() {
        openWith(sampleBook);
        QCOMPARE(labels(tree), (QStringList{"Ann", ".ann", "..10.77.0.1", "..localhost", ".anna", "..127.0.0.1", "Bob",
                                            ".bob", "..10.77.0.2"}));
        QVERIFY(!tree->topLevelItem(0)->isExpanded());
        QCOMPARE(page->peopleTree(), sampleBook);
    }

    void addOnAnEmptyBook() {
        openWith({});
        QCOMPARE(tree->topLevelItemCount(), 0);
        QCOMPARE(add->text(), QStringLiteral("&Add a person"));
        add->click();
        QCOMPARE(labels(tree), (QStringList{"<PERSON/GROUP NAME>", ".<USER ALIAS>", "..<HOST IP ADDRESS>"}));
        QVERIFY(tree->isEditing());
        QCOMPARE(tree->editedItem(), tree->currentItem());
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("<HOST IP ADDRESS>"));
        QVERIFY(tree->topLevelItem(0)->isExpanded());
        QVERIFY(tree->topLevelItem(0)->child(0)->isExpanded());
        QCOMPARE(add->text(), QStringLiteral("&Add a host"));
    }

    void addAtEachLevel_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("person")
            << "Ann"
            << "&Add a person"
            << QStringList{"Ann", ".ann", "..10.77.0.1", "..localhost",         ".anna",         "..127.0.0.1",
                           "Bob", ".bob", "..10.77.0.2", "<PERSON/GROUP NAME>", ".<USER ALIAS>", "..<HOST IP ADDRESS>"};
        QTest::newRow("alias") << "ann"
                               << "&Add a user name"
                               << QStringList{"Ann",   ".ann",        "..10.77.0.1",   "..localhost",
                                              ".anna", "..127.0.0.1", ".<USER ALIAS>", "..<HOST IP ADDRESS>",
                                              "Bob",   ".bob",        "..10.77.0.2"};
        QTest::newRow("host") << "10.77.0.1"
                              << "&Add a host"
                              << QStringList{
                                     "Ann",   ".ann",        "..10.77.0.1", "..localhost", "..<HOST IP ADDRESS>",
                                     ".anna", "..127.0.0.1", "Bob",         ".bob",        "..10.77.0.2"};
    }

    void addAtEachLevel() {
        QFETCH(QString, selected);
        QFETCH(QString, caption);
        QFETCH(QStringList, after);
        openWith(sampleBook);
        tree->setCurrentItem(find(selected));
        QCOMPARE(add->text(), caption);
        add->click();
        QCOMPARE(labels(tree), after);
        QVERIFY(tree->isEditing());
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("<HOST IP ADDRESS>"));
        QCOMPARE(LabelTree::depthOf(tree->currentItem()), 3);
    }

    void insertKeyAddsLikeTheButton() {
        openWith(sampleBook);
        tree->setCurrentItem(find("bob"));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Insert);
        QCOMPARE(find("Bob")->childCount(), 2);
        QCOMPARE(find("Bob")->child(1)->child(0)->text(0), QStringLiteral("<HOST IP ADDRESS>"));
        QVERIFY(tree->isEditing());
        // While a label is being edited Insert adds nothing.
        QTest::keyClick(tree->editor(), Qt::Key_Insert);
        QCOMPARE(find("Bob")->childCount(), 2);
    }

    void okStoresPlaceholdersAsEntries() {
        openWith({});
        add->click();
        f->sheet->accept();
        QCOMPARE(LoadPeopleTree(f->store()),
                 (PeopleTree{{"<PERSON/GROUP NAME>", {{"<USER ALIAS>", {"<HOST IP ADDRESS>"}}}}}));
        QCOMPARE(TopPerson(f->store()), QStringLiteral("<PERSON/GROUP NAME>"));
    }

    void cancelLeavesTheBook() {
        openWith(sampleBook);
        add->click();
        tree->commitEdit();
        delete find("Bob");
        f->sheet->reject();
        QCOMPARE(LoadPeopleTree(f->store()), sampleBook);
    }

    void enterStartsAndCommitsAnEdit() {
        openWith(sampleBook);
        tree->setCurrentItem(find("anna"));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(tree->isEditing());
        QCOMPARE(tree->editor()->text(), QStringLiteral("anna"));
        tree->editor()->setText("annie");
        QTest::keyClick(tree->editor(), Qt::Key_Enter);
        QVERIFY(!tree->isEditing());
        QVERIFY(f->sheet->isVisible()); // Enter never reaches the OK button here
        f->sheet->accept();
        QCOMPARE(AddressBook::ReadAliases(f->store(), "Ann"), (QStringList{"ann", "annie"}));
        QCOMPARE(AddressBook::ReadHosts(f->store(), "Ann", "annie"), QStringList{"127.0.0.1"});
    }

    void labelEditEndedByFocusLossKeepsTheText() {
        openWith(sampleBook);
        tree->setCurrentItem(find("Bob"));
        QVERIFY(tree->startEdit(find("Bob")));
        tree->editor()->setText("Robert");
        f->child<QCheckBox>("prperson")->setFocus();
        QTest::qWait(20);
        QVERIFY(!tree->isEditing());
        QVERIFY(find("Robert"));
    }

    void clickWhileEditingOnlyEndsTheEdit() {
        openWith({});
        add->click();
        QVERIFY(tree->isEditing());
        tree->editor()->setText("host.invalid");
        f->clickOnWindow(add);
        QVERIFY(!tree->isEditing());
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("host.invalid"));
        f->clickOnWindow(add);
        QCOMPARE(find("<PERSON/GROUP NAME>")->child(0)->childCount(), 2);
        QVERIFY(tree->isEditing());
        // A click inside the edit box itself ends the edit too.
        tree->editor()->setText("127.0.0.1");
        f->clickOnWindow(tree->editor());
        QVERIFY(!tree->isEditing());
        QVERIFY(find("127.0.0.1"));
    }

    void deleting_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("prperson");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("person, prompt, Yes") << "Ann" << 1 << int(MessageBoxService::Yes) << true << true;
        QTest::newRow("person, prompt, No") << "Ann" << 1 << int(MessageBoxService::No) << true << false;
        QTest::newRow("person, no prompt") << "Ann" << 0 << 0 << false << true;
        QTest::newRow("alias, prompt") << "ann" << 1 << 0 << false << true;
        QTest::newRow("host, prompt") << "localhost" << 1 << 0 << false << true;
    }

    void deleting() {
        QFETCH(QString, item);
        QFETCH(int, prperson);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, deleted);
        f->settings().prperson = prperson;
        openWith(sampleBook);
        QCOMPARE(f->child<QCheckBox>("prperson")->isChecked(), prperson != 0);
        if (answer)
            f->boxes->answers.enqueue(answer);
        tree->setCurrentItem(find(item));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Delete);
        if (asked) {
            QCOMPARE(f->boxes->texts(), QStringList{"Are you sure?"});
            const auto& box = f->boxes->shown.first();
            QCOMPARE(box.title, QStringLiteral("Murmelo"));
            QCOMPARE(box.buttons, int(MessageBoxService::Yes | MessageBoxService::No));
            QVERIFY(box.icon == MessageBoxService::Icon::Question);
        } else {
            QVERIFY(f->boxes->shown.isEmpty());
        }
        QCOMPARE(find(item) == nullptr, deleted);
        f->sheet->accept();
        const PeopleTree stored = LoadPeopleTree(f->store());
        if (item == "Ann" && deleted) {
            QCOMPARE(stored, PeopleTree{sampleBook[1]});
            // Nothing of the removed person is left behind.
            QVERIFY(!f->store().contains("Aliases", "Ann count"));
            QVERIFY(!f->store().contains("Phosts", "Ann ann 0"));
        } else if (item == "ann") {
            QCOMPARE(stored[0].aliases.size(), size_t(1));
        } else if (item == "localhost") {
            QCOMPARE(stored[0].aliases[0].hosts, QStringList{"10.77.0.1"});
        } else {
            QCOMPARE(stored, sampleBook);
        }
    }

    void promptSettingIsCommittedBeforeTheKey() {
        openWith(sampleBook);
        f->child<QCheckBox>("prperson")->setChecked(false);
        tree->setCurrentItem(find("Bob"));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Delete);
        QVERIFY(f->boxes->shown.isEmpty());
        QVERIFY(!find("Bob"));
        QCOMPARE(f->settings().prperson, 0);
    }

    void aGapIsAnEmptyItemAndOkKeepsWhatFollows() {
        ProfileStore& s = f->store();
        s.writeInt("People", "Count", 3);
        s.writeString("People", "0", "Ann");
        s.writeString("People", "2", "Cee");
        s.writeInt("Aliases", "Cee count", 1);
        s.writeString("Aliases", "Cee 0", "cee");
        s.writeInt("Phosts", "Cee cee count", 1);
        s.writeString("Phosts", "Cee cee 0", "localhost");
        f->open(CMyPPp::INDEX);
        QCOMPARE(labels(static_cast<CMyPPp*>(f->sheet->page(CMyPPp::INDEX))->tree()),
                 (QStringList{"Ann", "", "Cee", ".cee", "..localhost"}));
        f->sheet->accept();
        QCOMPARE(LoadPeopleTree(s), (PeopleTree{{"Ann", {}}, {"", {}}, {"Cee", {{"cee", {"localhost"}}}}}));
    }

    void emptiedLevelsAreStoredEmpty() {
        openWith(sampleBook);
        delete find("10.77.0.2");
        delete find("ann");
        delete find("anna");
        f->sheet->accept();
        QCOMPARE(LoadPeopleTree(f->store()), (PeopleTree{{"Ann", {}}, {"Bob", {{"bob", {}}}}}));
        QVERIFY(!f->store().contains("Aliases", "Ann count"));
        QVERIFY(!f->store().contains("Phosts", "Bob bob count"));
    }
};

QTEST_MAIN(TestPeoplePage)
#include "tst_peoplepage.moc"
