// Message boxes and common dialogs on real windows.
#pragma once

#include "platform/MessageBoxService.h"

class QtMessageBoxService final : public MessageBoxService {
public:
    int ask(const Request& request) override;
    void notify(const Request& request, std::function<void(int)> done = {}) override;
    bool chooseFont(LogFont& font, quint32& textColour, QObject* owner) override;
    bool chooseColour(quint32& colour, QObject* owner) override;
    bool chooseOpenFile(QString& path, const QString& title, const QString& filter, const QString& defaultSuffix,
                        QObject* owner) override;
};
