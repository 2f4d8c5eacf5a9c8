// What the shell's list of conversation windows (the tray's "&Windows" submenu) needs of a conversation window.
#pragma once

#include <QString>

class TalkWindowEntry {
public:
    virtual ~TalkWindowEntry() = default;
    virtual QString remoteUser() const = 0;
    virtual QString remoteHost() const = 0;
    // Restores the window (it may be hidden or minimised) and brings it to the foreground.
    virtual void restoreToFront() = 0;
};
