// The service every message box and common dialog goes through, so that tests can answer them.
//
// Every message box and common dialog of the program goes through this service, so that tests can
// answer them without a real window. The windowed implementation is QtMessageBoxService.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

struct LogFont;

class MessageBoxService {
public:
    enum class Icon { None, Information, Question, Warning, Stop };
    enum Button { NoButton = 0, Ok = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8 };

    struct Request {
        QString title;
        QString text;
        Icon icon = Icon::None;
        int buttons = Ok;
        int defaultButton = NoButton;
        // The window the box is modal to; null for an application box.
        QObject* owner = nullptr;
        // The box comes up by itself, whatever the user is doing (an error of the daemon): it never takes the
        // keyboard from another window of the program, and keys right after it appears press none of its buttons.
        bool unbidden = false;
    };

    virtual ~MessageBoxService() = default;

    // A modal box: runs a nested event loop and returns the button pressed.
    virtual int ask(const Request& request) = 0;
    // A box that does not block: returns at once; `done` (optional) gets the button later. Returns the box's
    // number for replaceText (0 when the box was answered at once).
    virtual int notify(const Request& request, std::function<void(int)> done = {}) = 0;
    // Replaces the text of a box that notify opened, while it is still shown; does nothing once it is gone.
    virtual void replaceText(int box, const QString& text) = 0;

    // The common dialogs. Each returns false when the user cancelled.
    // The font chooser edits the font and the text colour of the same pane.
    virtual bool chooseFont(LogFont& font, quint32& textColour, QObject* owner) = 0;
    virtual bool chooseColour(quint32& colour, QObject* owner) = 0;
    // A file to read or write: `filter` as QFileDialog takes it, `defaultSuffix` added to a name typed without
    // one. The file need not exist; its folder must.
    virtual bool chooseOpenFile(QString& path, const QString& title, const QString& filter,
                                const QString& defaultSuffix, QObject* owner) = 0;

    // The process-wide service; the application installs the windowed one at start-up.
    static MessageBoxService& instance();
    static void setInstance(MessageBoxService* service);

    static constexpr const char* APPLICATION_TITLE = "Murmelo";
};
