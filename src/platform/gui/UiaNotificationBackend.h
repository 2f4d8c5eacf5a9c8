// UI Automation's notification event, the way a Windows screen reader (Narrator, NVDA) is handed a text to speak, as
// a SpeechBackend.
//
// Windows only: the build picks this file there. Each utterance is raised on the program's foreground window (or
// else one of its visible top-level windows) with UiaRaiseNotificationEvent, which the screen reader speaks in its
// own voice and queue; the event ends at once for the program, so there is nothing to cancel. uiautomationcore.dll
// is loaded at open(): where it lacks the notification event (before Windows 10 1709) nothing is said.
#pragma once

#include "platform/SpeechBackend.h"

class UiaNotificationBackend final : public SpeechBackend {
public:
    bool open(Ended ended) override;
    int say(const QString& text) override;
    bool cancel() override;
    void close() override;
    void interrupt() override;

private:
    Ended m_ended;
    void* m_hostProvider = nullptr; // UiaHostProviderFromHwnd
    void* m_raise = nullptr;        // UiaRaiseNotificationEvent
    int m_next = 0;
};
