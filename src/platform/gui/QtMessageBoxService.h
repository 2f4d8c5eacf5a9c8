// The message-box service on real windows: QMessageBox and the common dialogs.
//
// Message boxes and common dialogs on real windows.
#pragma once

#include "platform/MessageBoxService.h"

#include <QHash>
#include <QPointer>

class QMessageBox;

class QtMessageBoxService final : public MessageBoxService {
public:
    int ask(const Request& request) override;
    int notify(const Request& request, std::function<void(int)> done = {}) override;
    void replaceText(int box, const QString& text) override;
    bool chooseFont(LogFont& font, quint32& textColour, QObject* owner) override;
    bool chooseColour(quint32& colour, QObject* owner) override;
    bool chooseOpenFile(QString& path, const QString& title, const QString& filter, const QString& defaultSuffix,
                        QObject* owner) override;

private:
    // The boxes notify opened that are still shown, by number.
    QHash<int, QPointer<QMessageBox>> m_shown;
    int m_lastBox = 0;
};
