// Turns changes of the local pane into the bytes that tell the peer about them.
//
// The record holds the text as the peer has been told it. A change is given as the position from which the
// pane's text differs and the pane's text from there to its end; the peer is sent one erase (8) for every
// character of the record after the common part, then the new characters: line breaks as one line feed (10),
// carriage returns dropped, anything outside ASCII as UTF-8. A surrogate pair is one character, one erase.
// Typing at the end costs the same however long the text is. The user's kill-line and word-erase keys go out as the
// one edit character (21, 23), which the peer applies to what it has by the same rule (EraseRules) as the record.
#pragma once

#include <QByteArray>
#include <QString>

class TypedTextDiff {
public:
    static constexpr char ERASE = 8;
    static constexpr char LINE_FEED = 10;

    // The pane's text from `position` to its end is now `tail`; returns the bytes to send.
    QByteArray replaceFrom(qsizetype position, const QString& tail) const;
    // Takes a change returned by replaceFrom into the record (after its bytes were sent).
    void commit(qsizetype position, const QString& tail);
    // Takes EraseRules::KILL_LINE or WORD_ERASE, sent as that one byte, into the record.
    void commitEditChar(char editChar);

    // The text the peer has been told, line breaks as '\n'.
    const QString& sentText() const { return m_sent; }
    qsizetype sentLength() const { return m_sent.size(); }

    // The bytes for a text typed from scratch.
    static QByteArray encode(const QString& text);

private:
    QString m_sent;
};
