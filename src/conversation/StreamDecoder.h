// Turns the bytes a peer sends on the talk stream into changes of the remote pane.
//
// The first three bytes of the stream, however the reads split them, are the peer's erase, kill-line and
// word-erase characters; they are never shown. After them the declared erase, and also 8 and 127, remove one
// character; kill-line erases back to the start of the line; word-erase erases the last word. Text is UTF-8,
// decoded across read boundaries; a byte that is not part of valid UTF-8 shows as its Latin-1 character.
// Line feed and carriage return start a new line, tab is kept, other control characters are dropped: those of
// C0 and DEL, and the 8-bit ones (U+0080 to U+009F, whether they came as UTF-8 or as single bytes).
//
// The decoder keeps the text it has built (it must know what an erase removes); text() gives it with CR LF
// line breaks, as the pane's text reads. It keeps at most the last `limit` units of it: when a read takes it
// beyond, the oldest text goes (a sixteenth of the limit more than needed, so that the text moves once per
// sixteenth received rather than once per read), and the edits say so to the pane. Erases never reach further
// back than what is kept. It counts the line breaks of what it keeps as they come and go, so the length of text()
// is known without going over the text.
#pragma once

#include "config/Bounds.h"
#include "conversation/RemoteEdit.h"

#include <QByteArray>
#include <QString>

#include <array>

class StreamDecoder {
public:
    static constexpr unsigned char USUAL_ERASE = 8;
    static constexpr unsigned char USUAL_KILL = 21;
    static constexpr unsigned char USUAL_WORD_ERASE = 23;
    static constexpr unsigned char DEL = 127;
    // What a trim takes beyond the limit: this fraction of the limit.
    static constexpr qsizetype TRIM_FRACTION = 16;

    explicit StreamDecoder(qsizetype limit = bounds::REMOTE_TEXT_LIMIT);

    // Decodes one read; returns the changes to apply to the pane, in order. Afterwards the text holds at most
    // limit() units.
    RemoteEdits feed(const QByteArray& bytes);
    RemoteEdits feed(const char* data, qsizetype length);

    // The text so far, line breaks as '\n'.
    const QString& plainText() const { return m_text; }
    // The text so far, line breaks as CR LF (the pane's text).
    QString text() const;
    // The length of text(), without building it.
    qsizetype textLength() const { return m_text.size() + m_lineBreaks; }
    // True once the three edit characters have been read.
    bool editCharsKnown() const { return m_declaredCount == 3; }
    std::array<unsigned char, 3> editChars() const { return m_edit; }
    qsizetype limit() const { return m_limit; }

private:
    void takeEditChar(unsigned char c);
    bool isPlainAscii(unsigned char c) const;
    void handleByte(unsigned char c, RemoteEdits& out);
    void flushPending(RemoteEdits& out);
    // `s`: a QString, one QChar, or a QLatin1StringView of plain ASCII.
    template <typename Text> void appendChars(const Text& s, RemoteEdits& out);
    void eraseChars(qsizetype units, RemoteEdits& out);
    void eraseOne(RemoteEdits& out);
    void killLine(RemoteEdits& out);
    void eraseWord(RemoteEdits& out);
    void trimToLimit(RemoteEdits& out);

    qsizetype m_limit;
    QString m_text;
    // The '\n' in m_text.
    qsizetype m_lineBreaks = 0;
    int m_declaredCount = 0;
    std::array<unsigned char, 3> m_edit{USUAL_ERASE, USUAL_KILL, USUAL_WORD_ERASE};
    // An incomplete UTF-8 sequence carried over from the previous read.
    QByteArray m_pending;
    int m_pendingNeed = 0;
    bool m_lastWasCR = false;
};
