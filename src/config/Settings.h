// The settings record: the values of the "Settings" section, loaded and saved in one place.
//
// The settings record: every value of the "Settings" section with its default, plus the conversation
// fonts and colours that are loaded and saved with it. Only LoadSettings and SaveSettings touch the
// "Settings" section.
#pragma once

#include "config/FontRecords.h"

#include <QString>

class ProfileStore;

class Settings {
public:
    static inline const QString SECTION = QStringLiteral("Settings");

    int showlookup = 1;
    int saveinfile = 0;
    int playsound = 0;
    int talktotop = 0;
    int movetotop = 1;
    int prperson = 1;
    int talkrobotmode = 0;
    int urgency = 0;
    int callers = 0;
    int topmostlocate = 0;
    int taskbar = 1;
    int ltra = 7;
    int autowrap = 15;
    int newstyle = 1;
    int tab = 1;
    QString sound;
    QString fullname = QStringLiteral("Mr. X");
    QString autotext = QStringLiteral("Leave a message, I will be right back.");
    QString msgfile = QStringLiteral("zuno.txt");

    // The conversation fonts and the four colours.
    ConversationLook look;

    // Ranges the Customize pages validate.
    static constexpr int LTRA_MIN = 3;
    static constexpr int LTRA_MAX = 20;
    static constexpr int AUTOWRAP_MIN = 1;
    static constexpr int AUTOWRAP_MAX = 60;
    static constexpr int PAGE_COUNT = 5;

    void LoadSettings(ProfileStore& store);
    void SaveSettings(ProfileStore& store) const;

    // The message container file's name, "zuno.txt" when the setting is empty.
    QString containerFileName() const;
};
