// The settings record in its stored layout.
#include "config/Settings.h"

#include "TempProfile.h"

#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void firstStartGivesTheDefaults() {
        TempProfile p;
        Settings s;
        s.showlookup = 0;
        s.fullname = QStringLiteral("changed");
        s.LoadSettings(p.store());
        const Settings d;
        QCOMPARE(s.showlookup, 1);
        QCOMPARE(s.autowrap, 15);
        QCOMPARE(s.ltra, 7);
        QCOMPARE(s.tab, 1);
        QCOMPARE(s.taskbar, 1);
        QCOMPARE(s.newstyle, 1);
        QCOMPARE(s.movetotop, 1);
        QCOMPARE(s.prperson, 1);
        QCOMPARE(s.fullname, QStringLiteral("Mr. X"));
        QCOMPARE(s.msgfile, QStringLiteral("zuno.txt"));
        QCOMPARE(s.autotext, QStringLiteral("Leave a message, I will be right back."));
        QCOMPARE(s.sound, QString());
        QCOMPARE(s.look, d.look);
        QCOMPARE(s.look.localFont.lfFaceName, QStringLiteral("MS Sans Serif"));
        QCOMPARE(s.look.localText, 0x00FF00u);
        QCOMPARE(s.look.remoteText, 0x00FFFFu);
    }

    void saveLeavesExactlyTheNineteenValues() {
        TempProfile p;
        p.store().writeString(Settings::SECTION, QStringLiteral("stray"), QStringLiteral("old"));
        p.store().writeInt(Settings::SECTION, QStringLiteral("callers"), 5);
        Settings s;
        s.LoadSettings(p.store());
        QCOMPARE(s.callers, 5);
        s.SaveSettings(p.store());
        p.reopen();
        QStringList names = p.store().valueNames(Settings::SECTION);
        names.sort();
        QStringList expected = {"showlookup", "saveinfile",    "playsound", "talktotop", "movetotop",
                                "prperson",   "talkrobotmode", "urgency",   "callers",   "topmostlocate",
                                "taskbar",    "ltra",          "autowrap",  "newstyle",  "tab",
                                "sound",      "fullname",      "autotext",  "msgfile"};
        expected.sort();
        QCOMPARE(names, expected);
        QCOMPARE(p.store().readInt(Settings::SECTION, QStringLiteral("callers"), 0), 5);
        // The font and colour records are rewritten too, though nothing changed.
        QCOMPARE(p.store().readString(QStringLiteral("Windows"), QStringLiteral("Local font")),
                 QStringLiteral("-16,0,0,0,400,0,0,0,204,1,2,1,34,MS Sans Serif"));
        QCOMPARE(p.store().readString(QStringLiteral("Windows"), QStringLiteral("Colors")),
                 QStringLiteral("65280,0,65535,0"));
    }

    void valuesRoundTrip() {
        TempProfile p;
        Settings s;
        s.ltra = 12;
        s.autowrap = 60;
        s.newstyle = 0;
        s.fullname = QStringLiteral("Anna Smith");
        s.autotext = QStringLiteral("Line one\r\nline two, with = and ; and \"quotes\"");
        s.msgfile = QStringLiteral("/tmp/a b/zuno.txt");
        s.look.remoteBack = 0x102030;
        s.look.localFont.lfWeight = 700;
        s.SaveSettings(p.store());
        p.reopen();
        Settings t;
        t.LoadSettings(p.store());
        QCOMPARE(t.ltra, 12);
        QCOMPARE(t.autowrap, 60);
        QCOMPARE(t.newstyle, 0);
        QCOMPARE(t.fullname, s.fullname);
        QCOMPARE(t.autotext, s.autotext);
        QCOMPARE(t.msgfile, s.msgfile);
        QCOMPARE(t.look, s.look);
    }

    void hostileValuesAreClampedOnLoad_data() {
        // ltra and autowrap become timer periods (times 1000): a hand-edited file must not overflow them.
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("loaded");
        QTest::newRow("ltra in range") << "ltra"
                                       << "12" << 12;
        QTest::newRow("ltra above the range") << "ltra"
                                              << "99" << 20;
        QTest::newRow("ltra negative") << "ltra"
                                       << "-4" << 3;
        QTest::newRow("ltra highest int") << "ltra"
                                          << "2147483647" << 20;
        QTest::newRow("ltra lowest int") << "ltra"
                                         << "-2147483648" << 3;
        QTest::newRow("ltra written unsigned") << "ltra"
                                               << "4294967295" << 3;
        QTest::newRow("ltra not a number reads as the default") << "ltra"
                                                                << "seven" << 7;
        QTest::newRow("ltra empty reads as the default") << "ltra"
                                                         << "" << 7;
        QTest::newRow("autowrap highest int") << "autowrap"
                                              << "2147483647" << 60;
        QTest::newRow("autowrap zero") << "autowrap"
                                       << "0" << 1;
        QTest::newRow("autowrap lowest int") << "autowrap"
                                             << "-2147483648" << 1;
        QTest::newRow("autowrap in range") << "autowrap"
                                           << "45" << 45;
    }

    void hostileValuesAreClampedOnLoad() {
        QFETCH(QString, name);
        QFETCH(QString, stored);
        QFETCH(int, loaded);
        TempProfile p;
        p.store().writeString(Settings::SECTION, name, stored);
        Settings s;
        s.LoadSettings(p.store());
        QCOMPARE(name == QLatin1String("ltra") ? s.ltra : s.autowrap, loaded);
    }

    void emptyContainerNameFallsBack() {
        Settings s;
        s.msgfile.clear();
        QCOMPARE(s.containerFileName(), QStringLiteral("zuno.txt"));
    }
};

QTEST_APPLESS_MAIN(TestSettings)
#include "tst_settings.moc"
