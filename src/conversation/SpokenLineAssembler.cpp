// The rule of what a screen-reader user hears of the remote text.
#include "conversation/SpokenLineAssembler.h"

#include "platform/ShownText.h"

QStringList SpokenLineAssembler::take(const RemoteEdits& edits) {
    QStringList out;
    for (const RemoteEdit& e : edits) {
        erase(e.erase);
        // The trim drops old text from the pane's start; what the peer typed is unchanged by it.
        QStringView rest(e.insert);
        for (qsizetype br = rest.indexOf(u'\n'); br >= 0; br = rest.indexOf(u'\n')) {
            append(rest.left(br));
            if (QString said = utterance(); !said.isEmpty())
                out << said;
            m_line.clear();
            m_hidden = 0;
            m_spoken = 0;
            m_cutTold = false;
            rest = rest.mid(br + 1);
        }
        append(rest);
    }
    return out;
}

QString SpokenLineAssembler::pause() {
    return utterance();
}

void SpokenLineAssembler::append(QStringView text) {
    const qsizetype kept = std::min(text.size(), MAX_UTTERANCE - m_line.size());
    m_line.append(text.left(kept));
    m_hidden += text.size() - kept;
}

// An erase reaching past the line's start took the line break and some of the line before, which was spoken
// already; the line is then empty.
void SpokenLineAssembler::erase(qsizetype units) {
    const qsizetype fromHidden = std::min(units, m_hidden);
    m_hidden -= fromHidden;
    m_line.chop(std::min(units - fromHidden, m_line.size()));
    m_spoken = std::min(m_spoken, m_line.size());
}

QString SpokenLineAssembler::utterance() {
    QString tail = m_line.mid(m_spoken);
    m_spoken = m_line.size();
    tail.replace(u'\t', u' ');
    QString said = ShownText::caretForm(tail).trimmed();
    if (m_hidden > 0 && !m_cutTold) {
        m_cutTold = true;
        said += CUT_NOTICE;
    }
    return said.trimmed();
}
