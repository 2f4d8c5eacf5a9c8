// Figures for locate over a whole address range: attributing one reply among the 254 waiting rows of
// "#a.b.c.1 254" (the engine alone, no sockets), and a search over 254 fake daemons on loopback addresses, from
// the first probe sent to the last reply attributed. Loopback only; bounded in count and time.
#include "FakeAppContext.h"
#include "locate/LocateEngine.h"
#include "locate/LocateSearch.h"

#include "FakeDaemon.h"
#include "LocateTestData.h"
#include "TempProfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int RANGE_ROWS = 254;
constexpr int RUNS = 5;
constexpr int MATCH_ROUNDS = 1000;    // each round matches every one of the 254 senders once
constexpr int SEARCH_WAIT_MS = 20000; // a search run gives up by then
constexpr int REDIAL_SECONDS = 3600;  // no second cycle while a run lasts

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Nanoseconds per reply, matching the senders of a whole range against its waiting rows.
double matchingRun() {
    QueryPlan plan;
    plan.aliasCount = plan.hostCount = 1;
    plan.addHost("a", "#10.0.0.1 254");
    LocateEngine engine("P", false, false, plan);
    engine.beginCycle();
    QStringList senders;
    for (int i = 1; i <= RANGE_ROWS; ++i)
        senders << QStringLiteral("10.0.0.%1").arg(i);
    long found = 0;
    QElapsedTimer t;
    t.start();
    for (int round = 0; round < MATCH_ROUNDS; ++round)
        for (const QString& s : senders)
            found += engine.matchReply(s) >= 0;
    const double ns = double(t.nsecsElapsed()) / double(MATCH_ROUNDS * RANGE_ROWS);
    if (found != long(MATCH_ROUNDS) * RANGE_ROWS)
        std::fprintf(stderr, "bench_locate: %ld of %d replies matched a row\n", found, MATCH_ROUNDS * RANGE_ROWS);
    return ns;
}

struct SearchTimes {
    double sentMs = -1;
    double attributedMs = -1;
};

// One search over the fake daemons: the time start() takes to send every probe, and until every row has its
// reply.
SearchTimes searchRun(FakeAppContext& core) {
    LocateSearch search(core, false, QStringLiteral("Ann"));
    QElapsedTimer t;
    t.start();
    search.start();
    SearchTimes times;
    times.sentMs = double(t.nsecsElapsed()) / 1e6;
    const auto& rows = search.engine().rows();
    if (QTest::qWaitFor(
            [&] { return std::all_of(rows.begin(), rows.end(), [](const LocateRow& r) { return r.state >= 0; }); },
            SEARCH_WAIT_MS))
        times.attributedMs = double(t.nsecsElapsed()) / 1e6;
    return times;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    std::vector<double> matching;
    for (int run = 0; run < RUNS; ++run)
        matching.push_back(matchingRun());
    std::printf("reply matched among %d waiting rows: %.1f ns (median of %d runs of %d replies)\n", RANGE_ROWS,
                median(matching), RUNS, MATCH_ROUNDS * RANGE_ROWS);

    TempProfile profile;
    FakeAppContext core(profile.store());
    core.settings().showlookup = 0;
    core.settings().autowrap = REDIAL_SECONDS;
    FakeDaemon daemons;
    core.setRemoteDaemonPort(daemons.port());
    for (int i = 1; i <= RANGE_ROWS; ++i)
        if (!daemons.add(QStringLiteral("127.0.1.%1").arg(i),
                         i % 2 ? FakeDaemon::Kind::Unix : FakeDaemon::Kind::Program,
                         i % 2 ? talk::NOT_HERE : talk::USER_PRESENT, "u" + std::to_string(i))) {
            std::fprintf(stderr, "bench_locate: cannot bind 127.0.1.%d\n", i);
            return 1;
        }
    locatetest::writePerson(profile.store(), QStringLiteral("Ann"), {{QStringLiteral("ann"), {"#127.0.1.1 254"}}});

    std::vector<double> sent, attributed;
    for (int run = 0; run < RUNS; ++run) {
        const SearchTimes t = searchRun(core);
        if (t.attributedMs < 0) {
            std::fprintf(stderr, "bench_locate: not every row had its reply after %d ms\n", SEARCH_WAIT_MS);
            return 1;
        }
        sent.push_back(t.sentMs);
        attributed.push_back(t.attributedMs);
    }
    std::printf("search of %d hosts: probes sent in %.2f ms, every reply attributed after %.2f ms (median of %d)\n",
                RANGE_ROWS, median(sent), median(attributed), RUNS);
    return 0;
}
