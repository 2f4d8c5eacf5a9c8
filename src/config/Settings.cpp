// Loading and saving the settings record, in the orders the stored file has always had.
#include "config/Settings.h"

#include "platform/ProfileStore.h"

void Settings::LoadSettings(ProfileStore& s) {
    const Settings d; // the defaults
    const QString& S = SECTION;
    showlookup = s.readInt(S, QStringLiteral("showlookup"), d.showlookup);
    // The two that are multiplied into timer periods are kept within the ranges the pages allow.
    autowrap = s.readInt(S, QStringLiteral("autowrap"), d.autowrap, AUTOWRAP_MIN, AUTOWRAP_MAX);
    talkrobotmode = s.readInt(S, QStringLiteral("talkrobotmode"), d.talkrobotmode);
    newstyle = s.readInt(S, QStringLiteral("newstyle"), d.newstyle);
    playsound = s.readInt(S, QStringLiteral("playsound"), d.playsound);
    urgency = s.readInt(S, QStringLiteral("urgency"), d.urgency);
    talktotop = s.readInt(S, QStringLiteral("talktotop"), d.talktotop);
    saveinfile = s.readInt(S, QStringLiteral("saveinfile"), d.saveinfile);
    movetotop = s.readInt(S, QStringLiteral("movetotop"), d.movetotop);
    prperson = s.readInt(S, QStringLiteral("prperson"), d.prperson);
    callers = s.readInt(S, QStringLiteral("callers"), d.callers);
    tab = s.readInt(S, QStringLiteral("tab"), d.tab);
    taskbar = s.readInt(S, QStringLiteral("taskbar"), d.taskbar);
    topmostlocate = s.readInt(S, QStringLiteral("topmostlocate"), d.topmostlocate);
    ltra = s.readInt(S, QStringLiteral("ltra"), d.ltra, LTRA_MIN, LTRA_MAX);
    sound = s.readString(S, QStringLiteral("sound"), d.sound);
    fullname = s.readString(S, QStringLiteral("fullname"), d.fullname);
    autotext = s.readString(S, QStringLiteral("autotext"), d.autotext);
    msgfile = s.readString(S, QStringLiteral("msgfile"), d.msgfile);
    ReadFontRecord(s, FontRecords::LOCAL_FONT, look.localFont, look);
    ReadFontRecord(s, FontRecords::REMOTE_FONT, look.remoteFont, look);
}

void Settings::SaveSettings(ProfileStore& s) const {
    const QString& S = SECTION;
    s.deleteSection(S);
    s.writeInt(S, QStringLiteral("showlookup"), showlookup);
    s.writeInt(S, QStringLiteral("autowrap"), autowrap);
    s.writeInt(S, QStringLiteral("talkrobotmode"), talkrobotmode);
    s.writeInt(S, QStringLiteral("newstyle"), newstyle);
    s.writeInt(S, QStringLiteral("playsound"), playsound);
    s.writeInt(S, QStringLiteral("urgency"), urgency);
    s.writeInt(S, QStringLiteral("talktotop"), talktotop);
    s.writeInt(S, QStringLiteral("saveinfile"), saveinfile);
    s.writeInt(S, QStringLiteral("movetotop"), movetotop);
    s.writeInt(S, QStringLiteral("prperson"), prperson);
    s.writeInt(S, QStringLiteral("callers"), callers);
    s.writeInt(S, QStringLiteral("tab"), tab);
    s.writeInt(S, QStringLiteral("topmostlocate"), topmostlocate);
    s.writeInt(S, QStringLiteral("taskbar"), taskbar);
    s.writeInt(S, QStringLiteral("ltra"), ltra);
    s.writeString(S, QStringLiteral("sound"), sound);
    s.writeString(S, QStringLiteral("fullname"), fullname);
    s.writeString(S, QStringLiteral("autotext"), autotext);
    s.writeString(S, QStringLiteral("msgfile"), msgfile);
    WriteFontRecord(s, FontRecords::LOCAL_FONT, look.localFont, look);
    WriteFontRecord(s, FontRecords::REMOTE_FONT, look.remoteFont, look);
    s.flush();
}

QString Settings::containerFileName() const {
    return msgfile.isEmpty() ? QStringLiteral("zuno.txt") : msgfile;
}
