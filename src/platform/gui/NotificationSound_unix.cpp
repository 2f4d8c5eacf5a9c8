// Sounds through QSoundEffect: asynchronous, and silent when the file cannot be played.
#include "platform/gui/NotificationSound.h"

#include "config/Settings.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace {

void play(QSoundEffect*& effect, const QUrl& source) {
    if (effect == nullptr)
        effect = new QSoundEffect; // lives for the program's life
    if (effect->source() != source)
        effect->setSource(source);
    effect->play();
}

} // namespace

void PlaySoundFile(const QString& path) {
    static QSoundEffect* effect = nullptr;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return;
    play(effect, QUrl::fromLocalFile(info.absoluteFilePath()));
}

void PlayNotificationSound(const Settings& settings) {
    if (settings.playsound)
        PlaySoundFile(settings.sound);
}

void PlayBeep() {
    static QSoundEffect* effect = nullptr;
    play(effect, QUrl(QStringLiteral("qrc:/sounds/asterisk.wav")));
}
