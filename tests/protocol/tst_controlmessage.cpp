// The control datagram against byte strings written out by hand.
#include "protocol/ControlMessage.h"

#include <QTest>

using namespace talk;

namespace {

Datagram bytes(std::initializer_list<std::pair<std::size_t, std::vector<std::uint8_t>>> parts) {
    Datagram d{};
    for (const auto& [offset, data] : parts)
        for (std::size_t i = 0; i < data.size(); ++i)
            d[offset + i] = data[i];
    return d;
}

} // namespace

class TestControlMessage : public QObject {
    Q_OBJECT
private slots:
    void encodesARequestByteForByte() {
        ControlMessage m;
        m.vers = 1;
        m.type = ANNOUNCE;
        m.pad = 7;
        m.setIdNetworkOrder(0x01020304);
        m.addr = {AF_INET_WIRE, 40000, 0x7F000001, {}};
        m.ctl_addr = {AF_INET_WIRE, 40001, 0x0A4D0001, {}};
        m.setLocalName("anna");
        m.setRemoteName("bob");

        const Datagram expected = bytes({
            {0, {1, 3, 0, 7, 1, 2, 3, 4}},
            {8, {0, 2, 0x9C, 0x40, 127, 0, 0, 1}},
            {24, {0, 2, 0x9C, 0x41, 10, 77, 0, 1}},
            {44, {'a', 'n', 'n', 'a'}},
            {56, {'b', 'o', 'b'}},
        });
        QCOMPARE(m.encode(), expected);
        QCOMPARE(ControlMessage::decode(expected), m);
    }

    void shortDatagramsReadAsZeroFilled() {
        const std::uint8_t reply[24] = {1, 1, 1, 0, 0, 0, 0, 9, 0, 2, 0x13, 0x88, 10, 0, 0, 5};
        const ControlMessage m = ControlMessage::decode(reply, sizeof reply);
        QCOMPARE(m.answer, std::uint8_t(NOT_HERE));
        QCOMPARE(m.idNetworkOrder(), 9u);
        QCOMPARE(m.addr.port, std::uint16_t(5000));
        QCOMPARE(m.addr.ip, 0x0A000005u);
        QCOMPARE(m.localName(), std::string());
        QCOMPARE(ControlMessage::decode(nullptr, 0), ControlMessage());
    }

    void longerInputIsCutAt84Bytes() {
        std::vector<std::uint8_t> big(200, 'x');
        const ControlMessage m = ControlMessage::decode(big.data(), big.size());
        QCOMPARE(m.r_tty[15], std::uint8_t('x'));
        QCOMPARE(m.encode().size(), MESSAGE_SIZE);
    }

    void probeMarkerHasTwoByteForms() {
        ControlMessage request;
        request.id_num = PROBE_ID_REQUEST;
        QVERIFY(request.isProbeRequest());
        QVERIFY(!request.isProbeReply());
        const Datagram d = request.encode();
        QCOMPARE(d[4], std::uint8_t(0xD7));
        QCOMPARE(d[7], std::uint8_t(0x00));

        ControlMessage reply;
        reply.setIdNetworkOrder(215);
        QVERIFY(reply.isProbeReply());
        QCOMPARE(reply.id_num, PROBE_ID_REPLY);
    }

    void names_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("readBack");
        QTest::newRow("short") << QByteArray("bob") << QByteArray("bob\0\0\0\0\0\0\0\0\0", 12) << QByteArray("bob");
        QTest::newRow("twelve, no terminator")
            << QByteArray("abcdefghijkl") << QByteArray("abcdefghijkl") << QByteArray("abcdefghijkl");
        QTest::newRow("longer is cut") << QByteArray("abcdefghijklmn") << QByteArray("abcdefghijkl")
                                       << QByteArray("abcdefghijkl");
        // "abcdefghijk" + e-acute (2 bytes) would split the character: it is left out whole.
        QTest::newRow("utf-8 boundary") << QByteArray("abcdefghijk\xC3\xA9") << QByteArray("abcdefghijk\0", 12)
                                        << QByteArray("abcdefghijk");
    }

    void names() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, readBack);
        ControlMessage m;
        m.setRemoteName(name.toStdString());
        const Datagram d = m.encode();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&d[56]), 12), field);
        QCOMPARE(QByteArray::fromStdString(ControlMessage::decode(d).remoteName()), readBack);
    }

    void fullNameSpansRNameAndRTty() {
        ControlMessage m;
        m.setFullName("Anna Maria Smith-Jones, Esquire"); // 31 bytes: cut to 28, no terminator
        const Datagram d = m.encode();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&d[56]), 28), QByteArray("Anna Maria Smith-Jones, Esqu"));
        QCOMPARE(QByteArray::fromStdString(ControlMessage::decode(d).fullName()),
                 QByteArray("Anna Maria Smith-Jones, Esqu"));

        m.setFullName("Mr. X");
        QCOMPARE(m.fullName(), std::string("Mr. X"));
        QCOMPARE(m.r_tty[0], std::uint8_t(0));
    }

    void replyIsTheFirst24Bytes() {
        ControlMessage m;
        m.vers = 1;
        m.type = LOOK_UP;
        m.answer = SUCCESS;
        m.setIdNetworkOrder(42);
        m.addr = {AF_INET_WIRE, 1234, 0x7F000001, {}};
        const Datagram d = m.encode();
        const std::vector<std::uint8_t> reply(d.begin(), d.begin() + REPLY_SIZE);
        const std::vector<std::uint8_t> expected = {1,   1, 0, 0, 0, 0, 0, 42, 0, 2, 0x04, 0xD2,
                                                    127, 0, 0, 1, 0, 0, 0, 0,  0, 0, 0,    0};
        QCOMPARE(reply, expected);
    }
};

QTEST_APPLESS_MAIN(TestControlMessage)
#include "tst_controlmessage.moc"
