// The process-wide message-box service and a silent fallback for programs without windows.
#include "platform/MessageBoxService.h"

namespace {

// Used until a real service is installed: answers every box with its default button.
class SilentMessageBoxes final : public MessageBoxService {
public:
    int ask(const Request& r) override { return r.defaultButton != NoButton ? r.defaultButton : Ok; }
    int notify(const Request& r, std::function<void(int)> done) override {
        if (done)
            done(ask(r));
        return 0;
    }
    void replaceText(int, const QString&) override {}
    bool chooseFont(LogFont&, quint32&, QObject*) override { return false; }
    bool chooseColour(quint32&, QObject*) override { return false; }
    bool chooseOpenFile(QString&, const QString&, const QString&, const QString&, QObject*) override { return false; }
};

SilentMessageBoxes g_silent;
MessageBoxService* g_service = &g_silent;

} // namespace

MessageBoxService& MessageBoxService::instance() {
    return *g_service;
}

void MessageBoxService::setInstance(MessageBoxService* service) {
    g_service = service ? service : &g_silent;
}
