// libFuzzer target: the talk stream in both directions.
//
// An input whose first byte is even is a received stream: it is decoded whole, one byte at a time and in
// reads cut where the input says; each decoding's edits, applied to a plain string as the pane applies them,
// must give the decoder's own text, all three texts must be the same, and no shown text may hold an edit
// character or a control character other than tab (line breaks only as CR LF in the pane's form). A fourth
// decoding keeps a small text limit: its text stays within it, never starts inside a surrogate pair, and is
// always the end of the unlimited text.
// An odd first byte drives the local pane through a series of changes; the bytes that tell the peer about
// them, decoded by a receiving decoder, must give the text the sender believes the peer has; kill-line and word-erase
// typed among them too.
// Build and run: scripts/fuzz [seconds] streamdecoder (seeds in fuzz/corpus/streamdecoder).
#include "conversation/EraseRules.h"
#include "conversation/StreamDecoder.h"
#include "conversation/TypedTextDiff.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// C0 controls and DEL, as the stream's rules name control characters.
bool isControl(char16_t c) {
    return c < 32 || c == 127;
}

constexpr qsizetype SMALL_LIMIT = 32;

// Decodes `stream` in reads of the given lengths (the rest as one last read); checks each read's edits.
QString decodeInReads(const QByteArray& stream, const std::vector<qsizetype>& cuts,
                      qsizetype limit = bounds::REMOTE_TEXT_LIMIT) {
    StreamDecoder decoder(limit);
    QString pane;
    qsizetype at = 0;
    std::size_t next = 0;
    while (at < stream.size()) {
        const qsizetype length = next < cuts.size() ? std::min(cuts[next++], stream.size() - at) : stream.size() - at;
        const RemoteEdits edits = decoder.feed(stream.constData() + at, length);
        at += length;
        const auto edit = decoder.editChars();
        for (const RemoteEdit& e : edits) {
            if (e.erase < 0 || e.erase > pane.size())
                fail("an edit erases more than the pane holds");
            pane.chop(e.erase);
            for (const QChar c : e.insert) {
                const char16_t u = c.unicode();
                if (decoder.editCharsKnown() && (u == edit[0] || u == edit[1] || u == edit[2]))
                    fail("an edit character is shown");
                if (isControl(u) && u != u'\t' && u != u'\n')
                    fail("a control character is shown");
            }
            pane.append(e.insert);
            if (e.trim < 0 || e.trim > pane.size())
                fail("a trim removes more than the pane holds");
            pane.remove(0, e.trim);
        }
        if (pane != decoder.plainText())
            fail("the edits do not give the decoder's text");
        if (pane.size() > limit)
            fail("the text exceeds its limit");
        if (!pane.isEmpty() && pane.front().isLowSurrogate())
            fail("the kept text starts inside a surrogate pair");
    }
    const QString shown = decoder.text();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t u = shown[i].unicode();
        if (u == u'\r' && (i + 1 >= shown.size() || shown[i + 1] != u'\n'))
            fail("a CR without its LF");
        if (u == u'\n' && (i == 0 || shown[i - 1] != u'\r'))
            fail("an LF without its CR");
        if (isControl(u) && u != u'\t' && u != u'\r' && u != u'\n')
            fail("a control character in the text");
    }
    return shown;
}

void receivedStream(FuzzedDataProvider& in) {
    std::vector<qsizetype> cuts;
    const std::size_t cutCount = in.ConsumeIntegralInRange<std::size_t>(0, 16);
    for (std::size_t i = 0; i < cutCount; ++i)
        cuts.push_back(in.ConsumeIntegralInRange<qsizetype>(1, 8));
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray stream(rest.data(), qsizetype(rest.size()));

    const QString whole = decodeInReads(stream, {});
    const QString split = decodeInReads(stream, cuts);
    const QString single = decodeInReads(stream, std::vector<qsizetype>(std::size_t(stream.size()), 1));
    if (whole != split || whole != single)
        fail("different reads of the same bytes give different texts");
    if (!split.endsWith(decodeInReads(stream, cuts, SMALL_LIMIT)))
        fail("the limited text is not the end of the whole text");
}

// Characters the pane can hold: letters, blanks, line breaks in three forms, two- and three-byte UTF-8 and a
// surrogate pair.
QString paneChar(std::uint8_t pick) {
    static const char16_t* const choices[] = {u"a",      u"b",      u" ",      u"\t",         u"\n", u"\u2029",
                                              u"\u2028", u"\u00e9", u"\u20ac", u"\U0001F600", u"x",  u"\u00ff"};
    return QString::fromUtf16(choices[pick % (sizeof choices / sizeof *choices)]);
}

// A position in `text` moved back off the second half of a surrogate pair.
qsizetype onCharacter(const QString& text, qsizetype position) {
    if (position > 0 && position < text.size() && text[position].isLowSurrogate() &&
        text[position - 1].isHighSurrogate())
        --position;
    return position;
}

QString normalised(const QString& pane) {
    QString out = pane;
    out.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    out.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return out;
}

void typedChanges(FuzzedDataProvider& in) {
    TypedTextDiff diff;
    StreamDecoder peer;
    peer.feed(QByteArray("\x08\x15\x17", 3));
    QString pane;
    while (in.remaining_bytes() > 0) {
        // Now and then the user's kill-line or word-erase first: the one byte, the pane cut by the same rule.
        if (const auto pick = in.ConsumeIntegral<std::uint8_t>(); pick < 64) {
            const char editChar = pick % 2 ? EraseRules::KILL_LINE : EraseRules::WORD_ERASE;
            pane.truncate(EraseRules::keptLength(pane, editChar));
            diff.commitEditChar(editChar);
            peer.feed(QByteArray(1, editChar));
        }
        // One change: `removed` characters at `at` replaced by `inserted`, reported from `from` <= `at`.
        const qsizetype at = onCharacter(pane, in.ConsumeIntegralInRange<qsizetype>(0, pane.size()));
        qsizetype removedEnd = at;
        for (int n = in.ConsumeIntegralInRange<int>(0, 4); n > 0 && removedEnd < pane.size(); --n)
            removedEnd += pane[removedEnd].isHighSurrogate() && removedEnd + 1 < pane.size() ? 2 : 1;
        QString inserted;
        for (int n = in.ConsumeIntegralInRange<int>(0, 6); n > 0; --n)
            inserted += paneChar(in.ConsumeIntegral<std::uint8_t>());
        pane = pane.left(at) + inserted + pane.mid(removedEnd);
        const qsizetype from = onCharacter(pane, in.ConsumeIntegralInRange<qsizetype>(0, at));

        const QByteArray bytes = diff.replaceFrom(from, pane.mid(from));
        diff.commit(from, pane.mid(from));
        // The peer reads the bytes in two pieces, cut anywhere.
        const qsizetype cut = in.ConsumeIntegralInRange<qsizetype>(0, bytes.size());
        peer.feed(bytes.left(cut));
        peer.feed(bytes.mid(cut));
        if (diff.sentText() != normalised(pane))
            fail("the record differs from the pane");
        if (peer.plainText() != diff.sentText())
            fail("the peer's text differs from the record");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    FuzzedDataProvider in(data + 1, size - 1);
    if (data[0] % 2 == 0)
        receivedStream(in);
    else
        typedChanges(in);
    return 0;
}
