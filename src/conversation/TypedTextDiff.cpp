// The local pane's changes as stream bytes.
#include "conversation/TypedTextDiff.h"

#include "conversation/EraseRules.h"

#include <algorithm>

namespace {

// Unifies line breaks and drops carriage returns, as the record holds text.
QString normalised(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\r'))
            continue;
        out.append(EraseRules::isLineBreak(c) ? QChar(QLatin1Char('\n')) : c);
    }
    return out;
}

// Characters (a surrogate pair is one) in s[from, end).
qsizetype characterCount(const QString& s, qsizetype from) {
    qsizetype n = 0;
    for (qsizetype i = from; i < s.size(); ++i)
        if (!s[i].isLowSurrogate() || i == from || !s[i - 1].isHighSurrogate())
            ++n;
    return n;
}

} // namespace

QByteArray TypedTextDiff::encode(const QString& text) {
    QByteArray out = normalised(text).toUtf8();
    // '\n' is already the line feed on the wire.
    return out;
}

QByteArray TypedTextDiff::replaceFrom(qsizetype position, const QString& tail) const {
    position = std::clamp<qsizetype>(position, 0, m_sent.size());
    const QString fresh = normalised(tail);
    // A change report may cover more than what changed: keep what the peer already has.
    qsizetype common = 0;
    const qsizetype limit = std::min(fresh.size(), m_sent.size() - position);
    while (common < limit && fresh[common] == m_sent[position + common])
        ++common;
    // Never split a surrogate pair between the kept and the erased part.
    if (common > 0 && fresh[common - 1].isHighSurrogate())
        --common;
    QByteArray bytes(characterCount(m_sent, position + common), ERASE);
    bytes.append(QStringView(fresh).mid(common).toUtf8());
    return bytes;
}

void TypedTextDiff::commit(qsizetype position, const QString& tail) {
    position = std::clamp<qsizetype>(position, 0, m_sent.size());
    m_sent.truncate(position);
    m_sent.append(normalised(tail));
}

void TypedTextDiff::commitEditChar(char editChar) {
    m_sent.truncate(EraseRules::keptLength(m_sent, editChar));
}
