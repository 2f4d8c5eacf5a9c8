// The invitation table: ids, the control-address rule, look-ups by name pair, deletion and the bound.
#include "daemon/InvitationTable.h"

#include <QTest>

namespace {

constexpr std::uint32_t HERE = 0x7F000001;
constexpr std::uint32_t STRANGER = 0x0A4D0002;             // 10.77.0.2
const InvitationTable::Requester OWN{HERE, true};          // this machine
const InvitationTable::Requester FOREIGN{STRANGER, false}; // another host

// A request from `from` to `to` with a control address that the port and ip make distinct.
talk::Datagram request(const char* from, const char* to, std::uint16_t ctlPort, std::uint32_t ctlIp = 0x7F000001,
                       std::uint16_t addrPort = 1) {
    talk::ControlMessage m;
    m.vers = 1;
    m.addr = {2, addrPort, 0x7F000001, {}};
    m.ctl_addr = {2, ctlPort, ctlIp, {}};
    m.setLocalName(from);
    m.setRemoteName(to);
    return m.encode();
}

std::array<std::uint8_t, 12> name(const char* text) {
    std::array<std::uint8_t, 12> field{};
    talk::ControlMessage::writeName(field.data(), field.size(), text);
    return field;
}

std::uint16_t addrPortOf(const InvitationTable::Invitation* inv) {
    return std::uint16_t((inv->message[10] << 8) | inv->message[11]);
}

} // namespace

class TestInvitationTable : public QObject {
    Q_OBJECT
private slots:
    void idsCountFromOneAndWrapPastZero() {
        InvitationTable t;
        QVERIFY(t.store(request("a", "b", 1), InvitationTable::Kind::LeaveInvite, HERE));
        QVERIFY(t.store(request("a", "b", 2), InvitationTable::Kind::LeaveInvite, HERE));
        QCOMPARE(t.lastId(), 2u);
        t.setLastId(0xFFFFFFFFu);
        QVERIFY(t.store(request("a", "b", 3), InvitationTable::Kind::LeaveInvite, HERE));
        QCOMPARE(t.lastId(), 1u);
        QCOMPARE(InvitationTable::nextId(0xFFFFFFFFu), 1u);
        QCOMPARE(InvitationTable::nextId(0), 1u);
        // The id is kept in host order in the stored message.
        std::uint32_t id = 0;
        std::memcpy(&id, t.oldestFirst().back()->message.data() + 4, 4);
        QCOMPARE(id, 1u);
        QVERIFY(t.indexesConsistent());
    }

    void oneInvitationPerControlAddress() {
        InvitationTable t;
        QVERIFY(t.store(request("a", "b", 7), InvitationTable::Kind::LeaveInvite, HERE));
        QVERIFY(!t.store(request("x", "y", 7), InvitationTable::Kind::Announce, HERE));
        QCOMPARE(t.size(), std::size_t(1));
        QCOMPARE(t.lastId(), 1u);
        // Any byte of the 16 makes another address, the padding included.
        auto other = request("x", "y", 7);
        other[24 + 15] = 1;
        QVERIFY(t.store(other, InvitationTable::Kind::LeaveInvite, HERE));
        QVERIFY(t.indexesConsistent());
    }

    void lookUpTakesTheOldestOfThePair_data() {
        QTest::addColumn<QString>("lName");
        QTest::addColumn<QString>("rName");
        QTest::addColumn<int>("port"); // addr port of the invitation found, 0 for none
        QTest::newRow("same case") << "bob"
                                   << "alice" << 10;
        QTest::newRow("other case") << "BoB"
                                    << "ALICE" << 10;
        QTest::newRow("other pair") << "carol"
                                    << "alice" << 30;
        QTest::newRow("reversed pair is no match") << "alice"
                                                   << "bob" << 0;
        QTest::newRow("prefix is no match") << "bo"
                                            << "alice" << 0;
        QTest::newRow("twelve characters") << "abcdefghijkl"
                                           << "alice" << 40;
    }

    void lookUpTakesTheOldestOfThePair() {
        QFETCH(QString, lName);
        QFETCH(QString, rName);
        QFETCH(int, port);
        InvitationTable t;
        t.store(request("alice", "bob", 1, 0x7F000001, 10), InvitationTable::Kind::LeaveInvite, HERE);
        t.store(request("Alice", "BOB", 2, 0x7F000001, 20), InvitationTable::Kind::Announce, HERE);
        t.store(request("alice", "carol", 3, 0x7F000001, 30), InvitationTable::Kind::LeaveInvite, HERE);
        t.store(request("alice", "abcdefghijklmnop", 4, 0x7F000001, 40), InvitationTable::Kind::LeaveInvite, HERE);
        const auto l = name(lName.toLatin1().constData());
        const auto r = name(rName.toLatin1().constData());
        const auto* found = t.lookUp(l.data(), r.data());
        QCOMPARE(found ? addrPortOf(found) : 0, port);
    }

    void deleteByIdKeepsTheIndexes() {
        InvitationTable t;
        for (std::uint16_t p = 1; p <= 5; ++p)
            t.store(request("alice", "bob", p, 0x7F000001, std::uint16_t(p * 10)), InvitationTable::Kind::LeaveInvite,
                    HERE);
        QVERIFY(t.removeById(1, OWN));
        QVERIFY(!t.removeById(1, OWN));
        QVERIFY(!t.removeById(99, OWN));
        const auto l = name("bob"), r = name("alice");
        QCOMPARE(addrPortOf(t.lookUp(l.data(), r.data())), std::uint16_t(20));
        QVERIFY(t.removeById(3, OWN));
        QCOMPARE(t.size(), std::size_t(3));
        // The control address of a deleted invitation may be used again.
        QVERIFY(t.store(request("alice", "bob", 1), InvitationTable::Kind::LeaveInvite, HERE));
        QCOMPARE(t.lastId(), 6u);
        QVERIFY(t.indexesConsistent());
    }

    void onlyTheOwnerRemoves_data() {
        QTest::addColumn<bool>("announce"); // the kind of the one invitation, stored from 10.77.0.2 or here
        QTest::addColumn<quint32>("storedBy");
        QTest::addColumn<quint32>("deleteFrom");
        QTest::addColumn<bool>("local"); // the deleting address is one of this machine's
        QTest::addColumn<bool>("removed");
        QTest::newRow("own invitation, deleted here") << false << HERE << HERE << true << true;
        QTest::newRow("own invitation, deleted from another own address")
            << false << HERE << quint32(0x0A4D0001) << true << true;
        QTest::newRow("own invitation, deleted from elsewhere") << false << HERE << STRANGER << false << false;
        QTest::newRow("announcement, deleted by its announcer") << true << STRANGER << STRANGER << false << true;
        QTest::newRow("announcement, deleted by another host")
            << true << STRANGER << quint32(0x0A4D0003) << false << false;
        QTest::newRow("announcement, deleted from here") << true << STRANGER << HERE << true << false;
        QTest::newRow("local announcement, deleted here") << true << HERE << HERE << true << true;
    }

    void onlyTheOwnerRemoves() {
        QFETCH(bool, announce);
        QFETCH(quint32, storedBy);
        QFETCH(quint32, deleteFrom);
        QFETCH(bool, local);
        QFETCH(bool, removed);
        InvitationTable t;
        const auto kind = announce ? InvitationTable::Kind::Announce : InvitationTable::Kind::LeaveInvite;
        QVERIFY(t.store(request("alice", "bob", 1), kind, storedBy));
        QCOMPARE(t.oldestFirst().front()->storedBy, storedBy);
        QCOMPARE(t.removeById(1, {deleteFrom, local}), removed);
        QCOMPARE(t.size(), std::size_t(removed ? 0 : 1));
        QVERIFY(t.indexesConsistent());
    }

    void aRepeatedIdRemovesTheOldestTheRequesterMayRemove() {
        // After a wrap two invitations share id 1: the user's own (older) and a stranger's announcement.
        InvitationTable t;
        t.setLastId(0);
        QVERIFY(t.store(request("tester", "friend", 1), InvitationTable::Kind::LeaveInvite, HERE));
        t.setLastId(0);
        QVERIFY(t.store(request("stranger", "tester", 2), InvitationTable::Kind::Announce, STRANGER));
        QVERIFY(t.removeById(1, FOREIGN));
        QCOMPARE(t.size(), std::size_t(1));
        QCOMPARE(t.oldestFirst().front()->kind, InvitationTable::Kind::LeaveInvite);
        QVERIFY(!t.removeById(1, FOREIGN));
        QVERIFY(t.removeById(1, OWN));
        QCOMPARE(t.size(), std::size_t(0));
        QVERIFY(t.indexesConsistent());
    }

    void fullTableEvictsAnnouncementsFirst() {
        InvitationTable t;
        QCOMPARE(t.capacity(), std::size_t(1000));
        // The user's own invitations, then a flood of announcements from the network.
        for (std::uint16_t p = 1; p <= 10; ++p)
            t.store(request("tester", "friend", p), InvitationTable::Kind::LeaveInvite, HERE);
        for (std::uint32_t i = 0; i < 5000; ++i)
            t.store(request("flood", "tester", std::uint16_t(i), 0x0A000000 + i), InvitationTable::Kind::Announce,
                    HERE);
        QCOMPARE(t.size(), std::size_t(1000));
        const auto all = t.oldestFirst();
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(all[i]->kind, InvitationTable::Kind::LeaveInvite);
            QCOMPARE(all[i]->id, std::uint32_t(i + 1));
        }
        // The announcements left are the newest 990.
        QCOMPARE(all[10]->id, 5010u - 990u + 1u);
        QCOMPARE(all.back()->id, 5010u);
        QVERIFY(t.indexesConsistent());
    }

    void leaveInvitesGoOnlyWhenNoAnnouncementIsLeft() {
        InvitationTable t;
        t.setCapacity(4);
        t.store(request("u", "a", 1), InvitationTable::Kind::LeaveInvite, HERE);
        t.store(request("u", "b", 2), InvitationTable::Kind::Announce, HERE);
        t.store(request("u", "c", 3), InvitationTable::Kind::LeaveInvite, HERE);
        t.store(request("u", "d", 4), InvitationTable::Kind::LeaveInvite, HERE);
        t.store(request("u", "e", 5), InvitationTable::Kind::LeaveInvite, HERE); // evicts the announcement (id 2)
        QList<std::uint32_t> ids;
        for (const auto* inv : t.oldestFirst())
            ids << inv->id;
        QCOMPARE(ids, (QList<std::uint32_t>{1, 3, 4, 5}));
        t.store(request("u", "f", 6), InvitationTable::Kind::LeaveInvite, HERE); // no announcement left: the oldest
        ids.clear();
        for (const auto* inv : t.oldestFirst())
            ids << inv->id;
        QCOMPARE(ids, (QList<std::uint32_t>{3, 4, 5, 6}));
        // The evicted names are no longer found.
        const auto l = name("b"), r = name("u");
        QVERIFY(t.lookUp(l.data(), r.data()) == nullptr);
        QVERIFY(t.indexesConsistent());
    }
};

QTEST_GUILESS_MAIN(TestInvitationTable)
#include "tst_invitationtable.moc"
