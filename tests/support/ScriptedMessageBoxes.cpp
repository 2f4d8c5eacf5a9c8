// Scripted message boxes.
#include "ScriptedMessageBoxes.h"

ScriptedMessageBoxes::ScriptedMessageBoxes() {
    MessageBoxService::setInstance(this);
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    MessageBoxService::setInstance(nullptr);
}

int ScriptedMessageBoxes::answerFor(const Request& r) {
    if (!answers.isEmpty())
        return answers.dequeue();
    return r.defaultButton != NoButton ? r.defaultButton : Ok;
}

int ScriptedMessageBoxes::ask(const Request& request) {
    shown << request;
    return answerFor(request);
}

int ScriptedMessageBoxes::notify(const Request& request, std::function<void(int)> done) {
    shown << request;
    if (answerNotifiesAtOnce) {
        const int answer = answerFor(request);
        if (done)
            done(answer);
        return 0;
    }
    const int box = int(shown.size());
    m_pending.append({box, request, std::move(done)});
    return box;
}

void ScriptedMessageBoxes::replaceText(int box, const QString& text) {
    ++replacements;
    for (Pending& p : m_pending) {
        if (p.box != box)
            continue;
        p.request.text = text;
        if (box <= shown.size())
            shown[box - 1].text = text;
    }
}

void ScriptedMessageBoxes::answerPending() {
    auto pending = std::move(m_pending);
    m_pending.clear();
    for (Pending& p : pending) {
        const int answer = answerFor(p.request);
        if (p.done)
            p.done(answer);
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
