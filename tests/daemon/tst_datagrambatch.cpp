// The daemon's batched datagram I/O on real loopback sockets: at most one batch per receive, overlong datagrams
// marked, replies sent once each in the order queued, and failed replies counted rather than retried.
#include "daemon/DatagramBatch.h"

#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <unistd.h>

namespace {

int boundSocket(sockaddr_in& address) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    return fd;
}

} // namespace

class TestDatagramBatch : public QObject {
    Q_OBJECT

private slots:
    void batchesAnswerEachSenderOnceInOrder() {
        sockaddr_in daemonAddress, clientAddress;
        const int daemon = boundSocket(daemonAddress), client = boundSocket(clientAddress);
        QVERIFY(daemon >= 0 && client >= 0);
        const int total = DatagramBatch::CAPACITY + 5;
        for (int i = 0; i < total; ++i) {
            std::uint8_t datagram[100] = {std::uint8_t(i)};
            const std::size_t length = i == 3 ? sizeof datagram : i == 4 ? 0 : 24;
            QCOMPARE(::sendto(client, datagram, length, 0, reinterpret_cast<sockaddr*>(&daemonAddress),
                              sizeof daemonAddress),
                     ssize_t(length));
        }
        auto batch = std::make_unique<DatagramBatch>();
        QCOMPARE(batch->receive(daemon), DatagramBatch::CAPACITY);
        QVERIFY(batch->truncated(3) && batch->length(3) == talk::MESSAGE_SIZE && !batch->truncated(2));
        QVERIFY(batch->length(4) == 0 && batch->data(100)[0] == 100);
        QCOMPARE(batch->senderIp(7), std::uint32_t(INADDR_LOOPBACK));
        QCOMPARE(batch->senderPort(7), ntohs(clientAddress.sin_port));
        for (int i = 0; i < DatagramBatch::CAPACITY; i += 2) {
            batch->replyBuffer(i) = {std::uint8_t(i)};
            batch->queueReply(i, i % 4 == 0 ? talk::REPLY_SIZE : talk::MESSAGE_SIZE);
        }
        QCOMPARE(batch->send(daemon).sent, DatagramBatch::CAPACITY / 2);
        for (int i = 0; i < DatagramBatch::CAPACITY; i += 2) {
            std::uint8_t reply[128];
            QCOMPARE(::recv(client, reply, sizeof reply, 0), ssize_t(i % 4 == 0 ? 24 : 84));
            QCOMPARE(int(reply[0]), i);
        }
        std::uint8_t none;
        QCOMPARE(::recv(client, &none, 1, 0), ssize_t(-1)); // nothing twice
        QCOMPARE(batch->receive(daemon, 2), 2);             // a read within what is left of the bound takes no more
        QCOMPARE(int(batch->data(0)[0]), DatagramBatch::CAPACITY);
        QCOMPARE(batch->receive(daemon), 3);
        QCOMPARE(int(batch->data(0)[0]), DatagramBatch::CAPACITY + 2);
        QCOMPARE(batch->receive(daemon), 0);

        // Replies the socket refuses are counted, each once, and the queue is empty afterwards.
        batch->queueReply(0, talk::REPLY_SIZE);
        batch->queueReply(1, talk::REPLY_SIZE);
        const DatagramBatch::SendResult failed = batch->send(-1);
        QVERIFY(failed.sent == 0 && failed.failed == 2 && failed.dropped == 0 && failed.error == EBADF);
        const DatagramBatch::SendResult again = batch->send(daemon);
        QVERIFY(again.sent == 0 && again.failed == 0 && again.dropped == 0);
        ::close(daemon);
        ::close(client);
    }
};

QTEST_GUILESS_MAIN(TestDatagramBatch)
#include "tst_datagrambatch.moc"
