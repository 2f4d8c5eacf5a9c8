// Speaks the remote text as the peer completes lines or pauses.
#include "conversation/RemoteSpeech.h"

RemoteSpeech::RemoteSpeech(std::function<void(const QString&)> say, QObject* parent)
    : QObject(parent), m_say(std::move(say)) {
    m_pause.setSingleShot(true);
    m_pause.setInterval(PAUSE_MS);
    connect(&m_pause, &QTimer::timeout, this, &RemoteSpeech::onPause);
}

void RemoteSpeech::take(const RemoteEdits& edits) {
    for (const QString& line : m_lines.take(edits))
        m_say(line);
    if (m_lines.hasUnspoken())
        m_pause.start();
    else
        m_pause.stop();
}

void RemoteSpeech::onPause() {
    if (const QString said = m_lines.pause(); !said.isEmpty())
        m_say(said);
}
