// The talk stream both ways: received bytes into remote-pane edits, local-pane changes into bytes.
#include "conversation/StreamDecoder.h"
#include "conversation/TypedTextDiff.h"

#include <QtTest>

namespace {

// Applies edits to a text as the pane would.
void applyEdits(QString& pane, const RemoteEdits& edits) {
    for (const RemoteEdit& e : edits) {
        pane.chop(e.erase);
        pane.append(e.insert);
        pane.remove(0, e.trim);
    }
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

class TestStreamCodec : public QObject {
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void decodeEverySplit();
    void editCharsDeclared_data();
    void editCharsDeclared();
    void editsAreIncremental();
    void keepsTheLastTextWithinTheLimit_data();
    void keepsTheLastTextWithinTheLimit();
    void typed_data();
    void typed();
    void typedKeepsWhatPeerHas();
    void lineAndWordErase_data();
    void lineAndWordErase();
};

void TestStreamCodec::decode_data() {
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QString>("shown");
    const QByteArray ours = bytes({8, 21, 23});
    const QByteArray unixPeer = bytes({127, 21, 23});
    QTest::newRow("edit chars alone") << QList<QByteArray>{ours} << QString();
    QTest::newRow("h i BS !") << QList<QByteArray>{ours + bytes({104, 105, 8, 33})} << QStringLiteral("h!");
    QTest::newRow("edit chars split 1+2")
        << QList<QByteArray>{bytes({127}), bytes({21, 23}) + "ab"} << QStringLiteral("ab");
    QTest::newRow("edit chars split 1+1+1")
        << QList<QByteArray>{bytes({127}), bytes({21}), bytes({23, 'x'})} << QStringLiteral("x");
    QTest::newRow("unixPeer erase 127") << QList<QByteArray>{unixPeer + "abc" + bytes({127}) + "d"}
                                        << QStringLiteral("abd");
    QTest::newRow("8 also erases for unixPeer peer")
        << QList<QByteArray>{unixPeer + "abc" + bytes({8})} << QStringLiteral("ab");
    QTest::newRow("127 also erases for us") << QList<QByteArray>{ours + "abc" + bytes({127})} << QStringLiteral("ab");
    QTest::newRow("kill line") << QList<QByteArray>{unixPeer + "one\nhello world" + bytes({21}) + "x"}
                               << QStringLiteral("one\r\nx");
    QTest::newRow("word erase") << QList<QByteArray>{unixPeer + "hello big  world  " + bytes({23})}
                                << QStringLiteral("hello big  ");
    QTest::newRow("word erase stops at line")
        << QList<QByteArray>{unixPeer + "ab\ncd" + bytes({23, 23})} << QStringLiteral("ab\r\n");
    QTest::newRow("erase line break") << QList<QByteArray>{ours + "ab\n" + bytes({8}) + "c"} << QStringLiteral("abc");
    QTest::newRow("erases over line breaks")
        << QList<QByteArray>{ours + "a\n\r\nb" + bytes({8, 8, 127}) + "\rc"} << QStringLiteral("a\r\nc");
    QTest::newRow("erase on empty") << QList<QByteArray>{ours + bytes({8, 8}) + "a"} << QStringLiteral("a");
    QTest::newRow("lf and cr") << QList<QByteArray>{ours + "a\nb\rc\r\nd"} << QStringLiteral("a\r\nb\r\nc\r\nd");
    QTest::newRow("control chars dropped, tab kept")
        << QList<QByteArray>{ours + "a" + bytes({7, 0, 27, 9}) + "b"} << QStringLiteral("a\tb");
    QTest::newRow("utf8 whole") << QList<QByteArray>{ours + QByteArray("gr\xc3\xbc\xc3\x9f")} << QStringLiteral("grüß");
    QTest::newRow("utf8 split across reads")
        << QList<QByteArray>{ours + QByteArray("\xe2"), QByteArray("\x82"), QByteArray("\xac!")}
        << QStringLiteral("€!");
    QTest::newRow("4-byte utf8 erased as one")
        << QList<QByteArray>{ours + QByteArray("a\xf0\x9f\x98"), QByteArray("\x80") + bytes({8})}
        << QStringLiteral("a");
    QTest::newRow("invalid byte as latin-1") << QList<QByteArray>{ours + QByteArray("a\xe9z")} << QStringLiteral("aéz");
    QTest::newRow("lone continuation") << QList<QByteArray>{ours + QByteArray("\xa9")}
                                       << QString(QChar(char16_t(0xA9)));
    QTest::newRow("truncated sequence then ascii")
        << QList<QByteArray>{ours + QByteArray("\xe2\xa2"), QByteArray("x")}
        << QString(QChar(char16_t(0xE2))) + QChar(char16_t(0xA2)) + QStringLiteral("x");
    // The 8-bit controls, which a terminal acts on (CSI U+009B, OSC U+009D), are dropped in either encoding.
    QTest::newRow("C1 as UTF-8") << QList<QByteArray>{ours + bytes({'a', 0xC2, 0x9B, 'b', 0xC2, 0x9D, 0xC2, 0xA0})}
                                 << QStringLiteral("ab\u00a0");
    QTest::newRow("C1 as UTF-8 split") << QList<QByteArray>{ours + bytes({0xC2}), bytes({0x9F, 'b'})} << "b";
    QTest::newRow("C1 as single bytes") << QList<QByteArray>{ours + bytes({'a', 0x9B, 0x80, 0x9F, 0xA0})}
                                        << QStringLiteral("a\u00a0");
    QTest::newRow("C1 in a broken sequence, split")
        << QList<QByteArray>{ours + bytes({0xE2}), bytes({0x9B, 'x'})} << QStringLiteral("\u00e2x");
    QTest::newRow("overlong rejected") << QList<QByteArray>{ours + QByteArray("\xc0\xaf")}
                                       << QString(QChar(char16_t(0xC0))) + QChar(char16_t(0xAF));
    QTest::newRow("surrogate code rejected")
        << QList<QByteArray>{ours + QByteArray("\xed\xa0\xbf")}
        << QString(QChar(char16_t(0xED))) + QChar(char16_t(0xA0)) + QChar(char16_t(0xBF));
}

void TestStreamCodec::decode() {
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QString, shown);
    StreamDecoder decoder;
    QString pane;
    for (const QByteArray& r : reads)
        applyEdits(pane, decoder.feed(r));
    QCOMPARE(decoder.text(), shown);
    QCOMPARE(decoder.textLength(), shown.size()); // the line breaks counted through every edit
    pane.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QCOMPARE(pane, shown);
}

// Whatever way the reads split the stream, the result is the same.
void TestStreamCodec::decodeEverySplit() {
    const QByteArray stream = bytes({127, 21, 23}) + QByteArray("h\xc3\xa9llo w\xe2\x82\xac") + bytes({127, 23}) +
                              QByteArray("x\nline") + bytes({21}) + QByteArray("ok\xff\xc2\x9b\x9d");
    StreamDecoder whole;
    whole.feed(stream);
    const QString expected = whole.text();
    QCOMPARE(expected, QStringLiteral("héllo x\r\nokÿ"));
    for (int cut = 0; cut <= stream.size(); ++cut) {
        StreamDecoder split;
        QString pane;
        applyEdits(pane, split.feed(stream.left(cut)));
        applyEdits(pane, split.feed(stream.mid(cut)));
        QCOMPARE(split.text(), expected);
        pane.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        QCOMPARE(pane, expected);
    }
}

void TestStreamCodec::editCharsDeclared_data() {
    QTest::addColumn<QByteArray>("declared");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("custom erase 2") << bytes({2, 21, 23}) << QByteArray("ab\x02") << QStringLiteral("a");
    QTest::newRow("printable erase ignored")
        << QByteArray("x\x15\x17") << QByteArray("axb\x08") << QStringLiteral("ax");
    QTest::newRow("line feed is not an edit char")
        << bytes({10, 21, 23}) << QByteArray("a\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("custom kill 11") << bytes({8, 11, 23}) << QByteArray("abc\x0b") << QString();
    QTest::newRow("printable kill ignored, 21 still kills")
        << QByteArray("\x08k\x17") << QByteArray("abk\x15") << QString();
    QTest::newRow("zero byte kill ignored") << bytes({8, 0, 23}) << QByteArray("ab\x15z") << QStringLiteral("z");
}

void TestStreamCodec::editCharsDeclared() {
    QFETCH(QByteArray, declared);
    QFETCH(QByteArray, text);
    QFETCH(QString, shown);
    StreamDecoder decoder;
    decoder.feed(declared);
    QVERIFY(decoder.editCharsKnown());
    decoder.feed(text);
    QCOMPARE(decoder.text(), shown);
}

// An erase takes back text of the same read before it reaches what the pane shows already.
void TestStreamCodec::editsAreIncremental() {
    StreamDecoder decoder;
    decoder.feed(bytes({8, 21, 23}) + "hello");
    const RemoteEdits edits = decoder.feed(QByteArray("ab") + bytes({8, 8, 8}) + "X");
    QCOMPARE(edits.size(), 1);
    QCOMPARE(edits[0], (RemoteEdit{1, QStringLiteral("X")}));
    QCOMPARE(decoder.text(), QStringLiteral("hellX"));
}

void TestStreamCodec::keepsTheLastTextWithinTheLimit_data() {
    QTest::addColumn<QByteArray>("text"); // after the edit characters 8, 21, 23
    QTest::addColumn<QString>("last");    // the text at the end, when the limit leaves it whole
    const QByteArray emoji("\xf0\x9f\x98\x80");
    QTest::newRow("one long line") << QByteArray(500, 'a') << QString();
    QTest::newRow("many lines") << QByteArray("line one\nline two\n").repeated(40) << QString();
    QTest::newRow("surrogate pairs at the cut") << "x" + emoji.repeated(100) << QString();
    QTest::newRow("erases stop at what is kept")
        << QByteArray(300, 'a') + QByteArray(100, 8) + "end" << QStringLiteral("end");
    QTest::newRow("kill line after a trim") << QByteArray(300, 'a') + "\x15" + "b" << QStringLiteral("b");
    QTest::newRow("word erase after a trim") << "a " + QByteArray(300, 'b') + "\x17\x17" + "c" << QStringLiteral("c");
}

// The decoder keeps the last `limit` units of text, trimmed from the top after each read; the edits take the
// pane along. (Reads far shorter than the limit, as the conversation's are.)
void TestStreamCodec::keepsTheLastTextWithinTheLimit() {
    QFETCH(QByteArray, text);
    QFETCH(QString, last);
    constexpr qsizetype LIMIT = 64;
    const QByteArray stream = bytes({8, 21, 23}) + text;
    for (const qsizetype read : {qsizetype(1), qsizetype(3), qsizetype(7)}) {
        StreamDecoder whole; // without a limit worth the name
        StreamDecoder limited(LIMIT);
        QString pane;
        int trims = 0;
        for (qsizetype at = 0; at < stream.size(); at += read) {
            const QByteArray chunk = stream.mid(at, read);
            whole.feed(chunk);
            const RemoteEdits edits = limited.feed(chunk);
            applyEdits(pane, edits);
            const QString& kept = limited.plainText();
            QVERIFY(kept.size() <= LIMIT);
            QCOMPARE(pane, kept);
            QVERIFY2(whole.plainText().endsWith(kept), qPrintable(kept));
            QVERIFY(kept.isEmpty() || !kept.front().isLowSurrogate());
            QCOMPARE(limited.textLength(), limited.text().size());
            if (!edits.isEmpty() && edits.last().trim > 0) {
                ++trims;
                // A sixteenth of the limit more than needed goes, one unit more to keep a pair whole.
                QVERIFY(kept.size() >= LIMIT - LIMIT / StreamDecoder::TRIM_FRACTION - 1);
            }
        }
        QVERIFY(trims > 0);
        if (!last.isEmpty())
            QCOMPARE(limited.plainText(), last);
    }
}

void TestStreamCodec::typed_data() {
    // Steps: position, new tail; the bytes of all steps together.
    QTest::addColumn<QList<qsizetype>>("positions");
    QTest::addColumn<QStringList>("tails");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("a b BS c") << QList<qsizetype>{0, 1, 1, 1} << QStringList{"a", "b", "", "c"}
                              << bytes({97, 98, 8, 99});
    QTest::newRow("enter") << QList<qsizetype>{0, 1} << QStringList{"a", QString(QChar::ParagraphSeparator)}
                           << bytes({97, 10});
    QTest::newRow("backspace over line break")
        << QList<qsizetype>{0, 1} << QStringList{"a\n", ""} << bytes({97, 10, 8});
    QTest::newRow("carriage return dropped") << QList<qsizetype>{0} << QStringList{"a\r\nb"} << bytes({97, 10, 98});
    QTest::newRow("non-ascii as utf-8") << QList<qsizetype>{0, 1} << QStringList{"é", "€"}
                                        << QByteArray("\xc3\xa9\xe2\x82\xac");
    QTest::newRow("one erase per character")
        << QList<qsizetype>{0, 1} << QStringList{"a😀", ""} << QByteArray("a\xf0\x9f\x98\x80\x08");
    QTest::newRow("paste") << QList<qsizetype>{0, 2} << QStringList{"hi", " there\nyou"} << QByteArray("hi there\nyou");
    QTest::newRow("edit in the middle re-sends the tail")
        << QList<qsizetype>{0, 1} << QStringList{"abcd", "Xcd"} << QByteArray("abcd\x08\x08\x08Xcd");
    QTest::newRow("position past the end is clamped")
        << QList<qsizetype>{0, 9} << QStringList{"ab", "c"} << QByteArray("abc");
}

void TestStreamCodec::typed() {
    QFETCH(QList<qsizetype>, positions);
    QFETCH(QStringList, tails);
    QFETCH(QByteArray, sent);
    TypedTextDiff diff;
    QByteArray all;
    for (int i = 0; i < positions.size(); ++i) {
        all += diff.replaceFrom(positions[i], tails[i]);
        diff.commit(positions[i], tails[i]);
    }
    QCOMPARE(all, sent);
}

// A change report that covers unchanged text sends nothing for it.
void TestStreamCodec::typedKeepsWhatPeerHas() {
    TypedTextDiff diff;
    diff.commit(0, QStringLiteral("hello\nworld"));
    QCOMPARE(diff.replaceFrom(6, QStringLiteral("world")), QByteArray());
    QCOMPARE(diff.replaceFrom(6, QStringLiteral("world!")), QByteArray("!"));
    QCOMPARE(diff.replaceFrom(0, QStringLiteral("hello") + QChar::ParagraphSeparator + "wor"), QByteArray("\x08\x08"));
    QCOMPARE(TypedTextDiff::encode(QStringLiteral("a\r\nb")), QByteArray("a\nb"));
}

// The user's kill-line (21) and word-erase (23) leave the record of what the peer was told as the peer's decoder
// leaves its text: both ends apply one rule.
void TestStreamCodec::lineAndWordErase_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<char>("editChar");
    QTest::addColumn<QString>("left");
    QTest::newRow("word") << "abc def" << char(23) << "abc ";
    QTest::newRow("word and the blanks after it") << "abc def \t " << char(23) << "abc ";
    QTest::newRow("blanks alone") << "ab\n  " << char(23) << "ab\n";
    QTest::newRow("word at a line start") << "ab\ncd" << char(23) << "ab\n";
    QTest::newRow("word: empty") << "" << char(23) << "";
    QTest::newRow("word outside ascii") << "x 😀é" << char(23) << "x ";
    QTest::newRow("line") << "ab\ncd ef" << char(21) << "ab\n";
    QTest::newRow("line: nothing at a line start") << "ab\n" << char(21) << "ab\n";
}

void TestStreamCodec::lineAndWordErase() {
    QFETCH(QString, typed);
    QFETCH(char, editChar);
    QFETCH(QString, left);
    TypedTextDiff diff;
    diff.commit(0, typed);
    diff.commitEditChar(editChar);
    QCOMPARE(diff.sentText(), left);
    // What the pane then reports costs no byte more.
    QCOMPARE(diff.replaceFrom(left.size(), QString()), QByteArray());
    StreamDecoder peer;
    peer.feed(bytes({8, 21, 23}) + TypedTextDiff::encode(typed) + editChar);
    QCOMPARE(peer.plainText(), left);
}

QTEST_GUILESS_MAIN(TestStreamCodec)
#include "tst_streamcodec.moc"
