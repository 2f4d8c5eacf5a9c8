// Speaks the remote text to a screen-reader user: the completed lines, and the line so far after a pause.
//
// The rule of what to say is SpokenLineAssembler's; this adds the pause timer and hands each utterance to the
// speech service the owner gives (the desktop's in the program, a recorder in tests).
#pragma once

#include "conversation/RemoteEdit.h"
#include "conversation/SpokenLineAssembler.h"

#include <QObject>
#include <QTimer>

#include <functional>

class RemoteSpeech : public QObject {
    Q_OBJECT
public:
    // How long the peer stops typing in the middle of a line before what it typed is spoken.
    static constexpr int PAUSE_MS = 1000;

    explicit RemoteSpeech(std::function<void(const QString&)> say, QObject* parent = nullptr);

    void take(const RemoteEdits& edits);

private:
    void onPause();

    std::function<void(const QString&)> m_say;
    SpokenLineAssembler m_lines;
    QTimer m_pause;
};
