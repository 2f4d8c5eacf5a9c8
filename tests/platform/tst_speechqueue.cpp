// The speech queue against a speech service the test controls and can make hang: the caller never waits for the
// service, conversations take turns within their own budgets, a closed conversation is silenced, and a broken or
// hanging connection is opened again.
#include "platform/SpeechQueue.h"

#include <QTest>

#include <condition_variable>
#include <mutex>

namespace {

// What the fake service was asked, and how it behaves; shared by the test and the backend the queue owns.
struct Service {
    std::mutex lock;
    std::condition_variable changed;
    QStringList said;
    int opens = 0, closes = 0, cancels = 0, interrupts = 0;
    bool openFails = false;
    int saysToFail = 0;
    bool hang = false; // say() waits until this turns false, or an interrupt breaks the call
    bool deaf = false; // interrupts break nothing
    bool inSay = false;
    bool broken = false; // by an interrupt
    int lastId = 0;
    SpeechBackend::Ended ended;

    // Waits (10 s at most, a bound for a failing test, never a measure) until `condition` holds.
    template <typename Condition> bool waitFor(Condition condition) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::seconds(10), [&] { return condition(); });
    }
    void set(const std::function<void()>& change) {
        {
            const std::lock_guard<std::mutex> hold(lock);
            change();
        }
        changed.notify_all();
    }
    // The utterance `id` was spoken to its end.
    void end(int id) {
        SpeechBackend::Ended e;
        {
            const std::lock_guard<std::mutex> hold(lock);
            e = ended;
        }
        if (e)
            e(id);
    }
};

class FakeBackend final : public SpeechBackend {
public:
    explicit FakeBackend(std::shared_ptr<Service> s) : m_s(std::move(s)) {}
    bool open(Ended ended) override {
        bool opened = false;
        m_s->set([&] {
            ++m_s->opens;
            opened = !m_s->openFails;
            if (opened)
                m_s->ended = std::move(ended);
        });
        return opened;
    }
    int say(const QString& text) override {
        std::unique_lock<std::mutex> hold(m_s->lock);
        m_s->inSay = true;
        m_s->changed.notify_all();
        m_s->changed.wait(hold, [this] { return !m_s->hang || m_s->broken; });
        m_s->inSay = false;
        int id = -1;
        if (m_s->broken)
            m_s->broken = false;
        else if (m_s->saysToFail > 0)
            --m_s->saysToFail;
        else {
            m_s->said << text;
            id = ++m_s->lastId;
        }
        m_s->changed.notify_all();
        return id;
    }
    bool cancel() override {
        m_s->set([this] { ++m_s->cancels; });
        return true;
    }
    void close() override {
        m_s->set([this] {
            ++m_s->closes;
            m_s->ended = nullptr;
        });
    }
    void interrupt() override {
        m_s->set([this] {
            ++m_s->interrupts;
            if (!m_s->deaf && m_s->inSay)
                m_s->broken = true;
        });
    }

private:
    std::shared_ptr<Service> m_s;
};

// Limits no test run reaches, however slow the machine: only the test's own steps move the queue on.
SpeechQueue::Timing patient() {
    SpeechQueue::Timing t;
    t.callLimit = t.speakLimit = std::chrono::hours(1);
    return t;
}

struct Fixture {
    std::shared_ptr<Service> service = std::make_shared<Service>();
    std::unique_ptr<SpeechQueue> queue;
    explicit Fixture(SpeechQueue::Timing timing = patient()) {
        queue = std::make_unique<SpeechQueue>(std::make_unique<FakeBackend>(service), timing);
    }
    bool inSay() {
        return service->waitFor([this] { return service->inSay; });
    }
    bool saidIs(const QStringList& expected) {
        return service->waitFor([&] { return service->said == expected; });
    }
};

constexpr quintptr ONE = 1, TWO = 2;

} // namespace

class TestSpeechQueue : public QObject {
    Q_OBJECT
private slots:
    // One utterance at a time, each after the end of the one before; conversations take turns. Closing one drops
    // what it has waiting and stops what is said for it, and only that.
    void conversationsTakeTurnsAndCloseAlone() {
        Fixture f;
        for (const char* line : {"a1", "a2", "a3", "a4"})
            QVERIFY(f.queue->say(ONE, QString::fromLatin1(line)));
        QVERIFY(f.queue->say(TWO, QStringLiteral("b1")));
        QVERIFY(f.queue->say(TWO, QStringLiteral("b2")));
        QVERIFY(f.saidIs({"a1"}));
        f.service->end(1);
        QVERIFY(f.saidIs({"a1", "b1"}));
        f.service->end(2);
        QVERIFY(f.saidIs({"a1", "b1", "a2"}));
        f.queue->cancel(TWO); // a2 is not TWO's: it goes on
        f.service->end(3);
        QVERIFY(f.saidIs({"a1", "b1", "a2", "a3"}));
        QCOMPARE(f.service->cancels, 0);
        f.queue->cancel(ONE);
        QVERIFY(f.service->waitFor([&] { return f.service->cancels == 1; }));
        QVERIFY(f.queue->say(TWO, QStringLiteral("b3")));
        QVERIFY(f.saidIs({"a1", "b1", "a2", "a3", "b3"}));
    }

    // While the service hangs inside a call, the caller goes on: each conversation has its budget of waiting
    // utterances, and one over it does not take another's.
    void aHangingServiceNeverHoldsTheCaller() {
        Fixture f;
        f.service->set([&] { f.service->hang = true; });
        QVERIFY(f.queue->say(ONE, QStringLiteral("a0")));
        QVERIFY(f.inSay());
        for (int i = 1; i <= SpeechQueue::MAX_WAITING; ++i)
            QVERIFY(f.queue->say(ONE, QStringLiteral("a%1").arg(i)));
        QVERIFY(!f.queue->say(ONE, QStringLiteral("over")));
        QVERIFY(f.queue->say(TWO, QStringLiteral("b1")));
        f.queue->cancel(TWO);
        QVERIFY(f.queue->say(TWO, QStringLiteral("b2")));
        QVERIFY(f.inSay()); // all of it while the service still hangs
        f.service->set([&] { f.service->hang = false; });
        QVERIFY(f.saidIs({"a0"}));
        f.service->end(1);
        QVERIFY(f.saidIs({"a0", "b2"}));
    }

    // A connection that broke (the service restarted) is opened again at once, and its utterance handed over again;
    // a service that cannot be reached drops what comes until it is tried again.
    void theConnectionIsOpenedAgain() {
        SpeechQueue::Timing timing = patient();
        timing.retryFirst = timing.retryMax = std::chrono::milliseconds(0);
        Fixture f(timing);
        f.queue->say(ONE, QStringLiteral("a1"));
        QVERIFY(f.saidIs({"a1"}));
        f.service->end(1);
        f.service->set([&] { f.service->saysToFail = 1; });
        f.queue->say(ONE, QStringLiteral("a2"));
        QVERIFY(f.saidIs({"a1", "a2"}));
        QCOMPARE(f.service->opens, 2);
        f.service->end(2);

        f.service->set([&] {
            f.service->saysToFail = 1;
            f.service->openFails = true;
        });
        f.queue->say(ONE, QStringLiteral("lost"));
        QVERIFY(f.service->waitFor([&] { return f.service->opens == 3; }));
        f.service->set([&] { f.service->openFails = false; });
        f.queue->say(ONE, QStringLiteral("a3"));
        QVERIFY(f.saidIs({"a1", "a2", "a3"}));
        QCOMPARE(f.service->opens, 4);
    }

    // A call that hangs past the limit is interrupted by the next utterance, and the connection opened again.
    void anOverdueCallIsInterrupted() {
        SpeechQueue::Timing timing = patient();
        timing.callLimit = timing.retryFirst = timing.retryMax = std::chrono::milliseconds(0);
        Fixture f(timing);
        f.service->set([&] {
            f.service->hang = true;
            f.service->deaf = true; // until a1 hangs for certain
        });
        f.queue->say(ONE, QStringLiteral("a1"));
        QVERIFY(f.inSay());
        f.service->set([&] { f.service->deaf = false; });
        f.queue->say(ONE, QStringLiteral("a2"));
        QVERIFY(f.service->waitFor([&] { return f.service->opens == 2; }));
        QVERIFY(f.service->interrupts >= 1);
        f.service->set([&] { f.service->hang = false; });
        QVERIFY(f.saidIs({"a2"})); // a1 went with the connection that hung
    }

    // The program ends even while the service hangs for good.
    void endingLeavesAHangingServiceBehind() {
        SpeechQueue::Timing timing = patient();
        timing.stopWait = std::chrono::milliseconds(50);
        Fixture f(timing);
        f.service->set([&] {
            f.service->hang = true;
            f.service->deaf = true;
        });
        f.queue->say(ONE, QStringLiteral("a1"));
        QVERIFY(f.inSay());
        f.queue.reset();
        QVERIFY(f.inSay());
        QCOMPARE(f.service->interrupts, 1);
        f.service->set([&] { f.service->hang = false; }); // the worker left behind ends
        QVERIFY(f.service->waitFor([&] { return f.service->closes == 1; }));
    }
};

QTEST_GUILESS_MAIN(TestSpeechQueue)
#include "tst_speechqueue.moc"
