// The commands the talk-to dialogs and the message monitor give to the rest of the program: start a
// conversation, start a search for a person, open the Customize sheet. They go to the application object;
// a test installs its own handlers to watch them without calling anybody or opening the sheet.
#pragma once

#include <QString>

#include <functional>

namespace TalkCommands {

// An interactive (mode 0) or robot (mode 1) conversation with user at host; an empty user makes the
// conversation ask the host's daemon who is there. The user is text (typed, or kept by the program) and
// travels as UTF-8.
void StartConversation(int mode, const QString& host, const QString& user);
// A search for a person of the address book.
void StartLocate(bool urgent, const QString& person);
// The Customize sheet on `page`; returns when the sheet has closed.
void OpenCustomizeSheet(int page);

struct Handlers {
    std::function<void(int mode, const QString& host, const QString& user)> startConversation;
    std::function<void(bool urgent, const QString& person)> startLocate;
    std::function<void(int page)> openCustomizeSheet;
};
// Replaces the application's handlers (tests); a default-constructed Handlers restores them.
void setHandlers(Handlers handlers);

} // namespace TalkCommands
