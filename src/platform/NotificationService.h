// The service every desktop notification goes through, so that tests can see and click them.
//
// A notification is a short note the desktop shows by itself for a while, whether or not a tray holds the icon;
// clicking it runs what the caller gave. The windowed implementation is TrayNotifications; until one is installed,
// nothing is shown.
#pragma once

#include <QString>

#include <functional>

class QObject;

class NotificationService {
public:
    struct Notice {
        // Plain text, never markup: whatever shows it must show these characters as they are.
        QString title;
        QString text;
        // Whose notice it is: the tray icon in the program, whether or not a tray holds it.
        QObject* source = nullptr;
    };

    virtual ~NotificationService() = default;

    // Shows the notice; `clicked` runs when the user clicks it, or an earlier notice of the same source that is still
    // shown (a desktop need not tell them apart). Returns false when this desktop cannot show notifications: nothing
    // was shown then.
    virtual bool show(const Notice& notice, std::function<void()> clicked) = 0;

    // The process-wide service; the application installs the desktop's at start-up.
    static NotificationService& instance();
    static void setInstance(NotificationService* service);
};
