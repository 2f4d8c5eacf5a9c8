// Sounds through PlaySoundW: asynchronous, never the system's default sound in place of a file that cannot be played.
#include "platform/gui/NotificationSound.h"

#include "config/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <windows.h>

#include <mmsystem.h>

void PlaySoundFile(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return;
    const std::wstring name = QDir::toNativeSeparators(info.absoluteFilePath()).toStdWString();
    PlaySoundW(name.c_str(), nullptr, SND_FILENAME | SND_NODEFAULT | SND_ASYNC);
}

void PlayNotificationSound(const Settings& settings) {
    if (settings.playsound)
        PlaySoundFile(settings.sound);
}

void PlayBeep() {
    // The program's own beep, from its resources; played from memory, which must outlive the sound.
    static const QByteArray wave = [] {
        QFile file(QStringLiteral(":/sounds/asterisk.wav"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    if (!wave.isEmpty())
        PlaySoundW(reinterpret_cast<LPCWSTR>(wave.constData()), nullptr, SND_MEMORY | SND_NODEFAULT | SND_ASYNC);
}
