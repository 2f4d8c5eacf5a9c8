// The end of the Windows session, seen in the messages the application receives.
#include "platform/TerminationSignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

struct TerminationSignals::Handlers final : QAbstractNativeEventFilter {
    explicit Handlers(TerminationSignals* owner) : owner(owner) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        const auto* msg = static_cast<const MSG*>(message);
        // Sent to every top-level window: the first one ends the program's part, the others find it done.
        if (eventType == "windows_generic_MSG" && msg->message == WM_ENDSESSION && msg->wParam && !ended) {
            ended = true;
            emit owner->ending();
        }
        return false; // Qt goes on with the message as it would
    }

    TerminationSignals* owner;
    bool ended = false;
};

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent), m_handlers(std::make_unique<Handlers>(this)) {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installNativeEventFilter(m_handlers.get());
}

TerminationSignals::~TerminationSignals() {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeNativeEventFilter(m_handlers.get());
}
