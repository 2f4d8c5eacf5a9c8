// Figures for the conversation stream, offscreen:
//  1. 1 MiB of received text in 2,048-byte reads shown in the remote pane, against one insertPlainText of the
//     same text into a bare QPlainTextEdit;
//  2. the same for 10 MiB (how the time scales with the text), and for 40 MiB, beyond the 16 MiB the pane
//     keeps (what dropping the oldest text costs);
//     the received text's costs are the main thread's CPU time (a wall-clock figure moves with the machine's other
//     load), the best of ROUNDS rounds; a round runs the 1 MiB text TEN_RUNS times and takes the mean, then the
//     10 MiB text once, so that both figures span about the same time and take alike of the other load, which a
//     short run may escape where a long one never does. Each run starts from memory given back to the system, as a
//     new conversation's does: one run would otherwise grow into the pages its predecessor left behind, and a long
//     one beyond them;
//  3. the cost of one typed key (a letter, then Backspace) with 1 MiB in both panes, against empty panes;
//  4. one line of 1 MiB and of 10 MiB without a line break, against the text with line breaks of the same size.
#include "config/Bounds.h"
#include "conversation/LocalPane.h"
#include "conversation/RemotePane.h"
#include "conversation/StreamDecoder.h"
#include "conversation/TypedTextDiff.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>

#include <cstdio>
#include <ctime>
#include <malloc.h>

namespace {

constexpr qsizetype MIB = 1024 * 1024;
constexpr qsizetype READ = 2048;
constexpr int ROUNDS = 3;
constexpr int TEN_RUNS = 10;

// The CPU time the calling thread has used, in milliseconds.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// What showing a text cost: the main thread's CPU time and the wall clock's, in milliseconds.
struct Cost {
    double cpu = 0, wall = 0;
    Cost best(const Cost& other) const { return {std::min(cpu, other.cpu), std::min(wall, other.wall)}; }
};

QByteArray sampleText(qsizetype size) {
    static const char* words[] = {"talk",   "hello", "there", "daemon", "stream", "character", "x",
                                  "window", "über",  "naïve", "line",   "robot",  "message"};
    QRandomGenerator rng(42);
    QByteArray out;
    out.reserve(size + 64);
    int column = 0;
    while (out.size() < size) {
        const char* w = words[rng.bounded(int(std::size(words)))];
        out.append(w);
        column += int(qstrlen(w));
        if (column > 60) {
            out.append('\n');
            column = 0;
        } else {
            out.append(' ');
        }
    }
    out.truncate(size);
    return out;
}

// What the last run freed goes back to the system (glibc keeps it otherwise, and the next run grows into it).
void giveMemoryBack() {
    malloc_trim(0);
}

Cost bareInsert(const QByteArray& text) {
    giveMemoryBack();
    QPlainTextEdit edit;
    edit.resize(600, 300);
    edit.show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    const double cpu = threadCpuMs();
    edit.insertPlainText(QString::fromUtf8(text));
    QApplication::processEvents();
    return {threadCpuMs() - cpu, double(t.nsecsElapsed()) / 1e6};
}

Cost remotePane(const QByteArray& text) {
    giveMemoryBack();
    RemotePane pane;
    pane.resize(600, 300);
    pane.show();
    QApplication::processEvents();
    StreamDecoder decoder;
    const QByteArray stream = QByteArray("\x7f\x15\x17") + text;
    QElapsedTimer t;
    t.start();
    const double cpu = threadCpuMs();
    for (qsizetype at = 0; at < stream.size(); at += READ) {
        pane.ShowReceived(decoder.feed(stream.constData() + at, std::min(READ, stream.size() - at)));
        QApplication::processEvents(); // each read is its own event, as from the socket
    }
    pane.flushPending();
    QApplication::processEvents();
    return {threadCpuMs() - cpu, double(t.nsecsElapsed()) / 1e6};
}

// The window's path for a local change: the tail from the change to the end, the record's bytes.
struct TypingRig {
    RemotePane remote;
    LocalPane local;
    TypedTextDiff diff;
    qsizetype bytes = 0;
    qint64 handlerNs = 0; // time spent turning document changes into bytes
    bool quiet = false;

    explicit TypingRig(const QByteArray& text) {
        remote.resize(600, 150);
        local.resize(600, 150);
        QObject::connect(local.document(), &QTextDocument::contentsChange, &local, [this](int pos, int, int) {
            if (quiet)
                return;
            QElapsedTimer own;
            own.start();
            QTextCursor c(local.document());
            c.setPosition(pos);
            c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            const QString tail = c.selectedText();
            bytes += diff.replaceFrom(pos, tail).size();
            diff.commit(pos, tail);
            handlerNs += own.nsecsElapsed();
        });
        if (!text.isEmpty()) {
            StreamDecoder decoder;
            remote.ShowReceived(decoder.feed(QByteArray("\x08\x15\x17") + text));
            remote.flushPending();
            quiet = true;
            local.setPlainText(QString::fromUtf8(text));
            quiet = false;
            diff.commit(0, local.toPlainText());
        }
        remote.show();
        local.show();
        local.setFocus();
        QApplication::processEvents();
    }

    double perKeyUs(int keys) {
        // The pane being typed into has the focus, as in a real window.
        local.activateWindow();
        local.setFocus();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        handlerNs = 0;
        for (int i = 0; i < keys; ++i) {
            QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            QApplication::sendEvent(&local, &letter);
            QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
            QApplication::sendEvent(&local, &erase);
            QApplication::processEvents();
        }
        lastHandlerUs = double(handlerNs) / 1e3 / (2.0 * keys);
        return double(t.nsecsElapsed()) / 1e3 / (2.0 * keys);
    }
    double lastHandlerUs = 0;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QByteArray one = sampleText(MIB);
    const QByteArray ten = sampleText(10 * MIB);

    // Typing costs depend on the line the caret is in (the pane shapes that line again) and on the conversation's
    // length. Each pair below differs only in the length: a fresh line after 1 MiB against an empty pane, and
    // the end of a 60-character line after 1 MiB against that line alone. Best of three alternating rounds, so
    // that the machine's other load weighs on both alike.
    constexpr int KEYS = 500;
    const QByteArray line = QByteArray(60, 'w');
    QByteArray oneFresh = one;
    oneFresh.append('\n');
    const QByteArray oneLine = oneFresh + line;
    struct Pair {
        const char* what;
        TypingRig small;
        TypingRig large;
    };
    Pair pairs[] = {{"fresh line", TypingRig({}), TypingRig(oneFresh)},
                    {"60-character line", TypingRig(line), TypingRig(oneLine)}};
    for (Pair& p : pairs) {
        double smallUs = 1e9, largeUs = 1e9, smallOwn = 1e9, largeOwn = 1e9;
        for (int round = 0; round < 3; ++round) {
            smallUs = std::min(smallUs, p.small.perKeyUs(KEYS));
            smallOwn = std::min(smallOwn, p.small.lastHandlerUs);
            largeUs = std::min(largeUs, p.large.perKeyUs(KEYS));
            largeOwn = std::min(largeOwn, p.large.lastHandlerUs);
        }
        std::printf("typed key at the end of a %s: %.1f us alone, %.1f us after 1 MiB in both panes, ratio %.2f"
                    " (target <= 2); of which change-to-bytes %.2f us and %.2f us; bytes sent %lld and %lld\n",
                    p.what, smallUs, largeUs, largeUs / smallUs, smallOwn, largeOwn, qlonglong(p.small.bytes),
                    qlonglong(p.large.bytes));
    }
    constexpr Cost NONE{1e12, 1e12};
    Cost bare = NONE, pane = NONE, paneTen = NONE;
    for (int round = 0; round < ROUNDS; ++round) {
        Cost bareRound, paneRound;
        for (int run = 0; run < TEN_RUNS; ++run) {
            const Cost b = bareInsert(one), p = remotePane(one);
            bareRound = {bareRound.cpu + b.cpu / TEN_RUNS, bareRound.wall + b.wall / TEN_RUNS};
            paneRound = {paneRound.cpu + p.cpu / TEN_RUNS, paneRound.wall + p.wall / TEN_RUNS};
        }
        bare = bare.best(bareRound);
        pane = pane.best(paneRound);
        paneTen = paneTen.best(remotePane(ten));
    }
    std::printf("received 1 MiB in 2048-byte reads: remote pane %.1f ms, bare insertPlainText %.1f ms, ratio %.2f"
                " (target <= 3); CPU time, best of %d means of %d (wall clock %.1f and %.1f ms)\n",
                pane.cpu, bare.cpu, pane.cpu / bare.cpu, ROUNDS, TEN_RUNS, pane.wall, bare.wall);
    std::printf("received 10 MiB: remote pane %.1f ms, %.2f times the 1 MiB time (target <= 10.5); CPU time, best of"
                " %d (wall clock %.1f ms, %.2f times)\n",
                paneTen.cpu, paneTen.cpu / pane.cpu, ROUNDS, paneTen.wall, paneTen.wall / pane.wall);
    constexpr qsizetype FAR = 40;
    static_assert(FAR * MIB > 2 * bounds::REMOTE_TEXT_LIMIT);
    const Cost paneFar = remotePane(sampleText(FAR * MIB));
    std::printf("received %lld MiB (the pane keeps the last %lld): remote pane %.1f ms, %.1f ms per MiB against"
                " %.1f for 10 MiB (CPU time)\n",
                qlonglong(FAR), qlonglong(bounds::REMOTE_TEXT_LIMIT / MIB), paneFar.cpu, paneFar.cpu / FAR,
                paneTen.cpu / 10);

    // A peer that never sends a line break: the cost per MiB must stay that of ordinary text.
    const Cost lineOne = remotePane(QByteArray(MIB, 'w'));
    std::printf("received one line of 1 MiB without breaks: remote pane %.1f ms, ratio %.2f to 1 MiB with breaks"
                " (target <= 1.5; CPU time)\n",
                lineOne.cpu, lineOne.cpu / pane.cpu);
    const Cost lineTen = remotePane(QByteArray(10 * MIB, 'w'));
    std::printf("received one line of 10 MiB without breaks: remote pane %.1f ms, ratio %.2f to 10 MiB with breaks"
                " (target <= 1.5; CPU time)\n",
                lineTen.cpu, lineTen.cpu / paneTen.cpu);

    return 0;
}
