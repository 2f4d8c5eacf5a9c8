// The address book in its stored layout.
#include "config/AddressBook.h"
#include "config/Bounds.h"
#include "platform/ProfileStore.h"

#include "TempProfile.h"

#include <QTest>

namespace {
PeopleTree sampleTree() {
    return {
        {"Anna", {{"anna", {"10.77.0.2", "alpha"}}, {"asmith", {"#10.77.0.5 7"}}}},
        {"Bob", {{"bob", {}}}},
        {"Group/with slash", {}},
    };
}
} // namespace

class TestAddressBook : public QObject {
    Q_OBJECT
private slots:
    void savedTreeHasTheStoredLayout() {
        TempProfile p;
        SavePeopleTree(p.store(), sampleTree());
        p.reopen();
        ProfileStore& s = p.store();
        QCOMPARE(s.readInt("People", "Count", 0), 3);
        QCOMPARE(s.readString("People", "0"), QStringLiteral("Anna"));
        QCOMPARE(s.readString("People", "2"), QStringLiteral("Group/with slash"));
        QCOMPARE(s.readInt("Aliases", "Anna count", 0), 2);
        QCOMPARE(s.readString("Aliases", "Anna 1"), QStringLiteral("asmith"));
        QCOMPARE(s.readInt("Phosts", "Anna anna count", 0), 2);
        QCOMPARE(s.readString("Phosts", "Anna anna 1"), QStringLiteral("alpha"));
        QCOMPARE(s.readString("Phosts", "Anna asmith 0"), QStringLiteral("#10.77.0.5 7"));
        // Counts of zero are not written.
        QVERIFY(!s.contains("Phosts", "Bob bob count"));
        QVERIFY(!s.contains("Aliases", "Group/with slash count"));
        QCOMPARE(LoadPeopleTree(s), sampleTree());
    }

    void saveReplacesTheWholeBook() {
        TempProfile p;
        SavePeopleTree(p.store(), sampleTree());
        SavePeopleTree(p.store(), {{"Carl", {{"carl", {"127.0.0.1"}}}}});
        QCOMPARE(p.store().valueNames("People").size(), 2);
        QVERIFY(!p.store().contains("Aliases", "Anna 0"));
        QVERIFY(!p.store().contains("Phosts", "Anna anna 0"));
        SavePeopleTree(p.store(), {});
        QVERIFY(!p.store().contains("People", "Count"));
        QCOMPARE(TopPerson(p.store()), QString());
    }

    void countsDecideTheTreeAndValuesDecideTheReaders() {
        TempProfile p;
        ProfileStore& s = p.store();
        s.writeInt("People", "Count", 3);
        s.writeString("People", "0", "A");
        s.writeString("People", "2", "C");
        s.writeString("Aliases", "A 0", "a"); // no alias count
        s.writeString("Phosts", "A a 0", "127.0.0.1");
        s.writeInt("Aliases", "C count", 3);
        s.writeString("Aliases", "C 0", "c");
        s.writeString("Aliases", "C 2", "cc");
        s.writeInt("Phosts", "C c count", 5);
        s.writeString("Phosts", "C c 1", "h1");
        // A gap is an empty item, and each list goes on after it up to its highest index stored.
        QCOMPARE(LoadPeopleTree(s),
                 (PeopleTree{{"A", {}}, {"", {}}, {"C", {{"c", {"", "h1"}}, {"", {}}, {"cc", {}}}}}));
        // A search still finds the alias and its host.
        QCOMPARE(AddressBook::ReadAliases(s, "A"), QStringList{"a"});
        QCOMPARE(AddressBook::ReadHosts(s, "A", "a"), QStringList{"127.0.0.1"});
        // The gap ends the person list after index 0.
        QCOMPARE(ListPersonsTopFirst(s), QStringList{"A"});
        QCOMPARE(TopPerson(s), QStringLiteral("C"));
    }

    void brokenCountsEndAtTheHighestIndexStored() {
        TempProfile p;
        ProfileStore& s = p.store();
        SavePeopleTree(s, {{"A", {{"a", {"h0", "h1"}}}}, {"B", {}}, {"", {}}});
        s.writeInt("People", "Count", 2147483647);
        s.writeInt("Aliases", "A count", 2147483647);
        s.writeInt("Phosts", "A a count", 2147483647);
        s.writeString("People", QString::number(bounds::MAX_LIST_ENTRIES), "beyond the bound");
        const PeopleTree expected = {{"A", {{"a", {"h0", "h1"}}}}, {"B", {}}, {"", {}}};
        QCOMPARE(LoadPeopleTree(s), expected);
        s.writeString("People", QString::number(bounds::MAX_LIST_ENTRIES - 1), "last");
        QCOMPARE(LoadPeopleTree(s).size(), std::size_t(bounds::MAX_LIST_ENTRIES));
        // Moving works on the list the person dialog shows, which ends before the empty name: A (position 1).
        MovePersonToTop(s, 1, "A");
        QCOMPARE(s.readString("People", "0"), QStringLiteral("B"));
        QCOMPARE(s.readString("People", "1"), QStringLiteral("A"));
        QCOMPARE(s.readString("People", "2"), QString());
        QVERIFY(!s.contains("People", "3"));
        // A Count below the persons of the list overwrites none of them.
        s.writeInt("People", "Count", 1);
        MovePersonToTop(s, 0, "A");
        QCOMPARE(ListPersonsTopFirst(s), (QStringList{"A", "B"}));
        s.writeInt("People", "Count", -2147483647 - 1);
        MovePersonToTop(s, 0, "A");
        QVERIFY(!s.contains("People", "3"));
        QCOMPARE(LoadPeopleTree(s), PeopleTree());
    }

    void moveToTop_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("stored"); // indexes 0, 1, 2 afterwards
        QTest::newRow("bottom to top") << 2 << "A" << QStringList{"B", "C", "A"};
        QTest::newRow("middle to top") << 1 << "B" << QStringList{"A", "C", "B"};
        QTest::newRow("top stays") << 0 << "C" << QStringList{"A", "B", "C"};
        QTest::newRow("as typed") << 2 << "a" << QStringList{"B", "C", "a"};
        QTest::newRow("outside the list") << 5 << "X" << QStringList{"A", "B", "C"};
    }

    void moveToTop() {
        QFETCH(int, position);
        QFETCH(QString, name);
        QFETCH(QStringList, stored);
        TempProfile p;
        SavePeopleTree(p.store(), {{"A", {}}, {"B", {}}, {"C", {}}});
        QCOMPARE(ListPersonsTopFirst(p.store()), (QStringList{"C", "B", "A"}));
        MovePersonToTop(p.store(), position, name);
        QStringList after;
        for (int i = 0; i < 3; ++i)
            after << p.store().readString("People", QString::number(i));
        QCOMPARE(after, stored);
    }

    void composedNamesCanCollide() {
        // "Ann Lee" + alias "x" and "Ann" + alias "Lee x" compose the same host value names.
        TempProfile p;
        SavePeopleTree(p.store(), {{"Ann Lee", {{"x", {"h1"}}}}});
        QCOMPARE(AddressBook::ReadHosts(p.store(), "Ann", "Lee x"), QStringList{"h1"});
    }

    void namesWithSeparatorsRoundTrip() {
        TempProfile p;
        // "bob%2" keeps its aliases apart from "bob0"'s, and "q%3" its alias's hosts apart from "q0"'s.
        const PeopleTree tree = {{"/lead", {{"a\\b", {"h"}}}}, {"lead", {{"c%2Fd", {"k"}}}},
                                 {"bob%2", {{"his", {"h1"}}}}, {"bob0", {{"hers", {"h2"}}}},
                                 {"q%3", {{"a", {"h3"}}}},     {"q0", {{"a", {"h4"}}}}};
        SavePeopleTree(p.store(), tree);
        p.reopen();
        QCOMPARE(LoadPeopleTree(p.store()), tree);
    }
};

QTEST_APPLESS_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
