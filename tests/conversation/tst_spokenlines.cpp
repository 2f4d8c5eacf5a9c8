// What a screen-reader user hears of the remote text, edit by edit.
#include "conversation/SpokenLineAssembler.h"

#include <QtTest>

namespace {
// A step that is not an edit: the peer pauses.
const RemoteEdit PAUSE{-1, {}, 0};
const QString LONG = QString(SpokenLineAssembler::MAX_UTTERANCE, u'x');
} // namespace

class TestSpokenLines : public QObject {
    Q_OBJECT
private slots:
    void utterances_data();
    void utterances();
};

void TestSpokenLines::utterances_data() {
    QTest::addColumn<RemoteEdits>("steps");
    QTest::addColumn<QStringList>("said");
    const QString cut = SpokenLineAssembler::CUT_NOTICE;
    QTest::newRow("completed line") << RemoteEdits{{0, "hello\n", 0}} << QStringList{"hello"};
    QTest::newRow("line not completed") << RemoteEdits{{0, "hel", 0}} << QStringList{};
    QTest::newRow("two lines at once") << RemoteEdits{{0, "a\nb\n", 0}} << QStringList{"a", "b"};
    QTest::newRow("erase within the line")
        << RemoteEdits{{0, "helo", 0}, {1, "lo world\n", 0}} << QStringList{"hello world"};
    QTest::newRow("kill-line") << RemoteEdits{{0, "oops", 0}, {4, "", 0}, {0, "fine\n", 0}} << QStringList{"fine"};
    QTest::newRow("erase back over a spoken line")
        << RemoteEdits{{0, "one\n", 0}, {2, "x\n", 0}} << QStringList{"one", "x"};
    QTest::newRow("blank lines") << RemoteEdits{{0, " \t \n\n", 0}} << QStringList{};
    QTest::newRow("trim leaves the line") << RemoteEdits{{0, "ab", 5}, {0, "c\n", 0}} << QStringList{"abc"};
    QTest::newRow("pause, then the rest")
        << RemoteEdits{{0, "hel", 0}, PAUSE, {0, "lo\n", 0}} << QStringList{"hel", "lo"};
    QTest::newRow("pause with nothing new") << RemoteEdits{{0, "a", 0}, PAUSE, PAUSE, {0, "\n", 0}} << QStringList{"a"};
    QTest::newRow("spoken text erased and retyped")
        << RemoteEdits{{0, "abc", 0}, PAUSE, {2, "xy\n", 0}} << QStringList{"abc", "xy"};
    QTest::newRow("control characters") << RemoteEdits{{0, QString::fromLatin1("a\tb\x1b\x7f\n"), 0}}
                                        << QStringList{"a b^[^?"};
    QTest::newRow("long line cut") << RemoteEdits{{0, LONG + "yyy\n", 0}} << QStringList{LONG + cut};
    QTest::newRow("cut told once") << RemoteEdits{{0, LONG + "y", 0}, PAUSE, {0, "z", 0}, PAUSE, {0, "\n", 0}}
                                   << QStringList{LONG + cut};
    QTest::newRow("cut part erased") << RemoteEdits{{0, LONG + "yy", 0}, {2, "\n", 0}} << QStringList{LONG};
    QTest::newRow("next line whole again") << RemoteEdits{{0, LONG + "y\nok\n", 0}} << QStringList{LONG + cut, "ok"};
}

void TestSpokenLines::utterances() {
    QFETCH(RemoteEdits, steps);
    QFETCH(QStringList, said);
    SpokenLineAssembler lines;
    QStringList heard;
    for (const RemoteEdit& step : steps) {
        if (step.erase < 0) {
            if (const QString s = lines.pause(); !s.isEmpty())
                heard << s;
        } else {
            heard << lines.take({step});
        }
    }
    QCOMPARE(heard, said);
}

QTEST_APPLESS_MAIN(TestSpokenLines)
#include "tst_spokenlines.moc"
