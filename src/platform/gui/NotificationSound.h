// The sounds the program makes: the user's notification wave file, and its own short beep.
#pragma once

#include <QString>

class Settings;

// When the setting playsound is on, plays the file the setting sound names, asynchronously.
// A missing or unreadable file plays nothing and reports nothing.
void PlayNotificationSound(const Settings& settings);
// Plays a wave file at once, whatever the settings say (the Action page's "&Test").
void PlaySoundFile(const QString& path);
// The program's own beep (for the asterisk beep and the default beep).
void PlayBeep();
