// Scripted message boxes.
#include "ScriptedMessageBoxes.h"

ScriptedMessageBoxes::ScriptedMessageBoxes() { MessageBoxService::setInstance(this); }

ScriptedMessageBoxes::~ScriptedMessageBoxes() { MessageBoxService::setInstance(nullptr); }

int ScriptedMessageBoxes::answerFor(const Request& r) {
    if (!answers.isEmpty())
        return answers.dequeue();
    return r.defaultButton != NoButton ? r.defaultButton : Ok;
}

int ScriptedMessageBoxes::ask(const Request& request) {
    shown << request;
    return answerFor(request);
}

void ScriptedMessageBoxes::notify(const Request& request, std::function<void(int)> done) {
    shown << request;
    if (answerNotifiesAtOnce) {
        const int answer = answerFor(request);
        if (done)
            done(answer);
    } else {
        m_pending.append({request, std::move(done)});
    }
}

void ScriptedMessageBoxes::answerPending() {
    auto pending = std::move(m_pending);
    m_pending.clear();
    for (auto& [request, done] : pending) {
        const int answer = answerFor(request);
        if (done)
            done(answer);
    }
}

bool ScriptedMessageBoxes::chooseFont(LogFont& font, quint32& textColour, QObject*) {
    if (nextFontColour)
        textColour = *nextFontColour;
    if (!nextFont)
        return false;
    font = *nextFont;
    return true;
}

bool ScriptedMessageBoxes::chooseColour(quint32& colour, QObject*) {
    if (!nextColour)
        return false;
    colour = *nextColour;
    return true;
}

bool ScriptedMessageBoxes::chooseOpenFile(QString& path, const QString& title, const QString& filter,
                                          const QString& defaultSuffix, QObject*) {
    fileRequests.append({title, filter, defaultSuffix});
    if (!nextFile)
        return false;
    path = *nextFile;
    return true;
}

QStringList ScriptedMessageBoxes::texts() const {
    QStringList out;
    for (const Request& r : shown)
        out << r.text;
    return out;
}
