// Decoding the talk stream into remote-pane changes.
#include "conversation/StreamDecoder.h"

#include "conversation/EraseRules.h"

#include <algorithm>
#include <type_traits>

namespace {

bool isControlChar(unsigned char c) {
    return (c >= 1 && c <= 31 && c != 10 && c != 13) || c == 127;
}

// U+0080 to U+009F, the 8-bit controls: a terminal showing them would act on them (CSI, OSC), as on ESC.
bool isC1Control(char16_t u) {
    return u >= 0x80 && u <= 0x9F;
}

// How many continuation bytes a UTF-8 lead byte needs; 0 for a byte that cannot start a sequence.
int continuationCount(unsigned char c) {
    if (c >= 0xC2 && c <= 0xDF)
        return 1;
    if (c >= 0xE0 && c <= 0xEF)
        return 2;
    if (c >= 0xF0 && c <= 0xF4)
        return 3;
    return 0;
}

// Whether `c` may follow the bytes already in `pending` (rejects overlong forms, surrogates, > U+10FFFF).
bool validContinuation(const QByteArray& pending, unsigned char c) {
    if ((c & 0xC0) != 0x80)
        return false;
    if (pending.size() == 1) {
        const auto lead = static_cast<unsigned char>(pending[0]);
        if (lead == 0xE0)
            return c >= 0xA0;
        if (lead == 0xED)
            return c <= 0x9F;
        if (lead == 0xF0)
            return c >= 0x90;
        if (lead == 0xF4)
            return c <= 0x8F;
    }
    return true;
}

} // namespace

StreamDecoder::StreamDecoder(qsizetype limit) : m_limit(std::max<qsizetype>(limit, TRIM_FRACTION)) {}

RemoteEdits StreamDecoder::feed(const QByteArray& bytes) {
    return feed(bytes.constData(), bytes.size());
}

RemoteEdits StreamDecoder::feed(const char* data, qsizetype length) {
    RemoteEdits out;
    for (qsizetype i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (m_declaredCount < 3) {
            takeEditChar(c);
            continue;
        }
        // Runs of plain ASCII text are taken whole.
        qsizetype run = i;
        while (run < length && isPlainAscii(static_cast<unsigned char>(data[run])))
            ++run;
        if (run > i && m_pending.isEmpty()) {
            m_lastWasCR = false;
            appendChars(QLatin1StringView(data + i, run - i), out);
            i = run - 1;
            continue;
        }
        handleByte(c, out);
    }
    trimToLimit(out);
    return out;
}

// Last in a read's edits: the edits before it never merge into it.
void StreamDecoder::trimToLimit(RemoteEdits& out) {
    if (m_text.size() <= m_limit)
        return;
    qsizetype cut = m_text.size() - (m_limit - m_limit / TRIM_FRACTION);
    // The first character kept is a whole one, never the second half of a surrogate pair.
    if (m_text[cut].isLowSurrogate() && m_text[cut - 1].isHighSurrogate())
        ++cut;
    m_lineBreaks -= QStringView(m_text).first(cut).count(u'\n');
    m_text.remove(0, cut);
    out.append(RemoteEdit{0, {}, cut});
}

QString StreamDecoder::text() const {
    QString result = m_text;
    result.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return result;
}

bool StreamDecoder::isPlainAscii(unsigned char c) const {
    return c >= 32 && c < 127 && c != m_edit[0] && c != m_edit[1] && c != m_edit[2];
}

void StreamDecoder::takeEditChar(unsigned char c) {
    static constexpr unsigned char usual[3] = {USUAL_ERASE, USUAL_KILL, USUAL_WORD_ERASE};
    // A printable "edit character" would make an ordinary letter erase text: keep the usual one instead.
    m_edit[m_declaredCount] = isControlChar(c) ? c : usual[m_declaredCount];
    ++m_declaredCount;
}

void StreamDecoder::handleByte(unsigned char c, RemoteEdits& out) {
    const bool afterCR = m_lastWasCR;
    m_lastWasCR = false;
    if (!m_pending.isEmpty()) {
        if (validContinuation(m_pending, c)) {
            m_pending.append(char(c));
            if (--m_pendingNeed == 0) {
                const QString decoded = QString::fromUtf8(m_pending);
                m_pending.clear();
                if (!isC1Control(decoded.front().unicode()))
                    appendChars(decoded, out);
            }
            return;
        }
        flushPending(out);
    }
    if (c >= 0x80) {
        if (const int need = continuationCount(c)) {
            m_pending.append(char(c));
            m_pendingNeed = need;
        } else if (!isC1Control(c)) {
            appendChars(QChar(char16_t(c)), out);
        }
        return;
    }
    if (c == m_edit[0] || c == USUAL_ERASE || c == DEL)
        eraseOne(out);
    else if (c == m_edit[1])
        killLine(out);
    else if (c == m_edit[2])
        eraseWord(out);
    else if (c == 13) {
        appendChars(QChar(u'\n'), out);
        m_lastWasCR = true;
    } else if (c == 10) {
        // CR LF from a peer that sends both is one line break.
        if (!afterCR)
            appendChars(QChar(u'\n'), out);
    } else if (c == 9 || c >= 32)
        appendChars(QChar(char16_t(c)), out);
    // Any other control character is not shown.
}

void StreamDecoder::flushPending(RemoteEdits& out) {
    QString latin1;
    for (const char b : std::as_const(m_pending)) {
        const char16_t u = static_cast<unsigned char>(b);
        if (!isC1Control(u))
            latin1.append(QChar(u));
    }
    m_pending.clear();
    m_pendingNeed = 0;
    appendChars(latin1, out); // never empty: a lead byte is no control
}

// Text that is known to hold no line break (a run of plain ASCII, one character) is appended without counting them.
template <typename Text> void StreamDecoder::appendChars(const Text& s, RemoteEdits& out) {
    static_assert(std::is_same_v<Text, QString> || std::is_same_v<Text, QChar> ||
                  std::is_same_v<Text, QLatin1StringView>);
    m_text.append(s);
    if constexpr (std::is_same_v<Text, QString>)
        m_lineBreaks += s.count(u'\n');
    else if constexpr (std::is_same_v<Text, QChar>)
        m_lineBreaks += s == u'\n' ? 1 : 0;
    if (out.isEmpty())
        out.append(RemoteEdit{});
    out.last().insert.append(s);
}

void StreamDecoder::eraseChars(qsizetype units, RemoteEdits& out) {
    if (units <= 0)
        return;
    m_lineBreaks -= QStringView(m_text).last(units).count(u'\n');
    m_text.chop(units);
    if (out.isEmpty())
        out.append(RemoteEdit{});
    RemoteEdit& last = out.last();
    // Take back what this read appended before erasing what the pane already shows.
    const qsizetype fromInsert = std::min(units, last.insert.size());
    last.insert.chop(fromInsert);
    units -= fromInsert;
    if (units == 0)
        return;
    if (last.insert.isEmpty())
        last.erase += units;
    else
        out.append(RemoteEdit{units, {}});
}

void StreamDecoder::eraseOne(RemoteEdits& out) {
    const qsizetype n = m_text.size();
    if (n == 0)
        return;
    const bool pair = n >= 2 && m_text[n - 1].isLowSurrogate() && m_text[n - 2].isHighSurrogate();
    eraseChars(pair ? 2 : 1, out);
}

void StreamDecoder::killLine(RemoteEdits& out) {
    eraseChars(m_text.size() - EraseRules::lineStart(m_text), out);
}

void StreamDecoder::eraseWord(RemoteEdits& out) {
    eraseChars(m_text.size() - EraseRules::wordStart(m_text), out);
}
