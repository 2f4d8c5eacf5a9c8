// Font and colour records: format, defaults and the partial-read rule.
#include "config/FontRecords.h"
#include "platform/ProfileStore.h"

#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QTest>

class TestFontRecords : public QObject {
    Q_OBJECT
private slots:
    void formatIsTheStoredText() {
        LogFont f;
        QCOMPARE(FontRecords::formatFont(f), FontRecords::DEFAULT_FONT_TEXT);
        f.lfHeight = -20;
        f.lfWeight = 700;
        f.lfItalic = 1;
        f.lfFaceName = QStringLiteral("DejaVu Sans Mono");
        QCOMPARE(FontRecords::formatFont(f), QStringLiteral("-20,0,0,0,700,1,0,0,204,1,2,1,34,DejaVu Sans Mono"));
    }

    void partialReads_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("weight");
        QTest::addColumn<int>("charSet");
        QTest::addColumn<QString>("face");
        // The font starts as height 1, weight 2, charset 3, face "Before".
        QTest::newRow("five fields") << "12,0,0,0,700" << 12 << 700 << 3 << "Before";
        QTest::newRow("whole record, face with blanks")
            << "-13,0,0,0,400,0,0,0,0,1,2,1,34,MS Sans Serif" << -13 << 400 << 0 << "MS Sans Serif";
        QTest::newRow("garbage in the middle") << "-14,0,0,0,x,1" << -14 << 2 << 3 << "Before";
        QTest::newRow("nothing matches") << "abc" << 1 << 2 << 3 << "Before";
        QTest::newRow("bytes keep the low 8 bits") << "5,0,0,0,5,0,0,0,460" << 5 << 5 << 204 << "Before";
        QTest::newRow("face cut to 31") << "1,0,0,0,2,0,0,0,3,0,0,0,0,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789" << 1 << 2
                                        << 3 << "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234";
        QTest::newRow("blanks before numbers") << " 9, 0,0,0,800" << 9 << 800 << 3 << "Before";
        // Numbers beyond long long read as its nearest end (as strtoll), then keep their low 32 bits.
        QTest::newRow("huge number") << "99999999999999999999999,0,0,0,700" << -1 << 700 << 3 << "Before";
        QTest::newRow("lowest long long") << "-9223372036854775808,0,0,0,5" << 0 << 5 << 3 << "Before";
        QTest::newRow("huge negative number") << "-99999999999999999999,0,0,0,6" << 0 << 6 << 3 << "Before";
        QTest::newRow("highest long long") << "9223372036854775807,0,0,0,7" << -1 << 7 << 3 << "Before";
        // Sizes stay within a 16-bit coordinate, whatever the 32 bits say.
        QTest::newRow("height above 32767") << "40000,0,0,0,700" << 32767 << 700 << 3 << "Before";
        QTest::newRow("lowest int height") << "-2147483648,0,0,0,400" << -32767 << 400 << 3 << "Before";
        QTest::newRow("low 32 bits beyond 16") << "6442450944,0,0,0,2147483647" << -32767 << 32767 << 3 << "Before";
        QTest::newRow("face not cut inside a surrogate pair")
            << QStringLiteral("1,0,0,0,2,0,0,0,3,0,0,0,0,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\U0001F600") << 1 << 2 << 3
            << "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
        QTest::newRow("face of 31 units ending in a pair")
            << QStringLiteral("1,0,0,0,2,0,0,0,3,0,0,0,0,ABCDEFGHIJKLMNOPQRSTUVWXYZ012\U0001F600") << 1 << 2 << 3
            << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ012\U0001F600");
    }

    void partialReads() {
        QFETCH(QString, text);
        LogFont f;
        f.lfHeight = 1;
        f.lfWeight = 2;
        f.lfCharSet = 3;
        f.lfFaceName = QStringLiteral("Before");
        FontRecords::parseFont(text, f);
        QTEST(int(f.lfHeight), "height");
        QTEST(int(f.lfWeight), "weight");
        QTEST(int(f.lfCharSet), "charSet");
        QTEST(f.lfFaceName, "face");
    }

    // A face name that does not fit is written without half a surrogate pair, too.
    void formatCutsFaceOnACharacter() {
        LogFont f;
        f.lfFaceName = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\U0001F600");
        QVERIFY(FontRecords::formatFont(f).endsWith(QStringLiteral(",34,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123")));
        QCOMPARE(FontRecords::cutFaceName(QStringLiteral("\U0001F600")), QStringLiteral("\U0001F600"));
    }

    void missingRecordsGiveTheDefaults() {
        TempProfile p;
        ConversationLook look;
        look.localText = 1;
        look.remoteBack = 2;
        LogFont f;
        f.lfHeight = 99;
        ReadFontRecord(p.store(), FontRecords::LOCAL_FONT, f, look);
        QCOMPARE(f, LogFont());
        QCOMPARE(look.localText, 0x00FF00u);
        QCOMPARE(look.remoteBack, 0u);
    }

    void readingAFontAlsoRestoresTheColours() {
        TempProfile p;
        ConversationLook stored;
        stored.remoteBack = 0x112233;
        WriteFontRecord(p.store(), FontRecords::REMOTE_FONT, stored.remoteFont, stored);
        ConversationLook edited = stored;
        edited.remoteBack = 0xFFFFFF;
        edited.localBack = 0x0000FF;
        ReadFontRecord(p.store(), FontRecords::REMOTE_FONT, edited.remoteFont, edited);
        QCOMPARE(edited.remoteBack, 0x112233u);
        QCOMPARE(edited.localBack, 0u);
    }

    void damagedColourRecordReadsAsFarAsItMatches() {
        ConversationLook look;
        FontRecords::parseColours(QStringLiteral("255,65280,oops,7"), look);
        QCOMPARE(look.localText, 255u);
        QCOMPARE(look.localBack, 65280u);
        QCOMPARE(look.remoteText, ConversationLook::DEFAULT_REMOTE_TEXT);
        QCOMPARE(look.remoteBack, ConversationLook::DEFAULT_REMOTE_BACK);
        // Colours above 0x7FFFFFFF are written signed and read back unchanged.
        look.remoteBack = 0xFF000000u;
        const QString text = FontRecords::formatColours(look);
        ConversationLook back;
        FontRecords::parseColours(text, back);
        QCOMPARE(back.remoteBack, 0xFF000000u);
    }

    void fontChooserChangesFontAndTheSamePanesTextColour() {
        ScriptedMessageBoxes boxes;
        ConversationLook look;
        LogFont chosen;
        chosen.lfFaceName = QStringLiteral("Chosen");
        boxes.nextFont = chosen;
        boxes.nextFontColour = 0x0000FFu;
        QVERIFY(ChooseWindowFont(look, /*localPane=*/false));
        QCOMPARE(look.remoteFont.lfFaceName, QStringLiteral("Chosen"));
        QCOMPARE(look.remoteText, 0x0000FFu);
        QCOMPARE(look.localText, ConversationLook::DEFAULT_LOCAL_TEXT);

        boxes.nextFont.reset();
        QVERIFY(!ChooseWindowFont(look, true));
        QCOMPARE(look.localText, ConversationLook::DEFAULT_LOCAL_TEXT);
        QCOMPARE(look.localFont, LogFont());
    }
};

QTEST_APPLESS_MAIN(TestFontRecords)
#include "tst_fontrecords.moc"
