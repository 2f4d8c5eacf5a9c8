// What of the remote pane's text a screen-reader user hears, and when: the rule, without timers or widgets.
//
// The peer's text is spoken a line at a time: when a line break completes it, and when the peer pauses in the
// middle of one (the owner's timer calls pause()). What is spoken is what remains of the line after the peer's
// erases, and only the part not yet spoken at a pause. Control characters are read in caret form and a tab as a
// space. A line is kept up to MAX_UTTERANCE characters; the rest is counted, not kept, and the line's next
// utterance ends with CUT_NOTICE, once, so that a peer cannot make the speech service read megabytes.
#pragma once

#include "conversation/RemoteEdit.h"

#include <QString>
#include <QStringList>

class SpokenLineAssembler {
public:
    static constexpr qsizetype MAX_UTTERANCE = 400;
    inline static const QString CUT_NOTICE = QStringLiteral(" (line cut)");

    // Takes the edits as the pane gets them; returns what the lines they completed have to say, in order.
    QStringList take(const RemoteEdits& edits);
    // The peer paused: what the current line has to say now (empty when nothing).
    QString pause();
    // True while part of the current line has not been spoken.
    bool hasUnspoken() const { return m_spoken < m_line.size() || (m_hidden > 0 && !m_cutTold); }

private:
    void append(QStringView text);
    void erase(qsizetype units);
    QString utterance();

    QString m_line;
    // Characters of the line beyond MAX_UTTERANCE, not kept.
    qsizetype m_hidden = 0;
    // Characters of m_line already spoken.
    qsizetype m_spoken = 0;
    bool m_cutTold = false;
};
