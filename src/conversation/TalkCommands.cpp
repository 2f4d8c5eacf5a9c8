// Commands of the talk-to dialogs and the message monitor, handed to the application object.
#include "conversation/TalkCommands.h"

#include "app/CTalkApp.h"

namespace {
TalkCommands::Handlers& handlers() {
    static TalkCommands::Handlers value;
    return value;
}
} // namespace

namespace TalkCommands {

void StartConversation(int mode, const QString& host, const QString& user) {
    if (handlers().startConversation)
        handlers().startConversation(mode, host, user);
    else if (CTalkApp* app = CTalkApp::instance())
        app->StartConversation(mode, host, WireName::typed(user));
}

void StartLocate(bool urgent, const QString& person) {
    if (handlers().startLocate)
        handlers().startLocate(urgent, person);
    else if (CTalkApp* app = CTalkApp::instance())
        app->StartLocate(urgent, person);
}

void OpenCustomizeSheet(int page) {
    if (handlers().openCustomizeSheet)
        handlers().openCustomizeSheet(page);
    else if (CTalkApp* app = CTalkApp::instance())
        app->OpenCustomizeSheet(page);
}

void setHandlers(Handlers h) {
    handlers() = std::move(h);
}

} // namespace TalkCommands
