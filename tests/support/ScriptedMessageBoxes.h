// A message-box service for tests: records every box and answers from a script.
#pragma once

#include "config/LogFont.h"
#include "platform/MessageBoxService.h"

#include <QList>
#include <QQueue>

#include <optional>

class ScriptedMessageBoxes final : public MessageBoxService {
public:
    ScriptedMessageBoxes();           // installs itself
    ~ScriptedMessageBoxes() override; // restores the silent service

    QList<Request> shown;
    // Answers given in order; when empty, the box's default button (or Ok).
    QQueue<int> answers;
    // Non-blocking boxes are answered at once when true, else kept until answerPending().
    bool answerNotifiesAtOnce = true;

    // Font, colour and file dialogs: a value to return, or nothing for Cancel.
    std::optional<LogFont> nextFont;
    std::optional<quint32> nextFontColour;
    std::optional<quint32> nextColour;
    std::optional<QString> nextFile;
    // Every file dialog asked for: its title, filter and default suffix.
    struct FileRequest {
        QString title, filter, defaultSuffix;
    };
    QList<FileRequest> fileRequests;

    int ask(const Request& request) override;
    // A box kept open (answerNotifiesAtOnce false) is numbered by its place in `shown`, plus one; replaceText
    // changes its text there.
    int notify(const Request& request, std::function<void(int)> done = {}) override;
    void replaceText(int box, const QString& text) override;
    // How often replaceText was called.
    int replacements = 0;
    bool chooseFont(LogFont& font, quint32& textColour, QObject* owner) override;
    bool chooseColour(quint32& colour, QObject* owner) override;
    bool chooseOpenFile(QString& path, const QString& title, const QString& filter, const QString& defaultSuffix,
                        QObject* owner) override;

    QStringList texts() const;
    void answerPending();

private:
    int answerFor(const Request& request);
    struct Pending {
        int box;
        Request request;
        std::function<void(int)> done;
    };
    QList<Pending> m_pending;
};
