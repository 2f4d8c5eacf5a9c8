// Stored fonts become the Qt fonts the panes use, and back.
#include "config/FontRecords.h"
#include "platform/gui/FontConversion.h"

#include <QApplication>
#include <QTest>

class TestFontConversion : public QObject {
    Q_OBJECT
private slots:
    void defaultFontIsSixteenPixelsNormal() {
        const QFont f = FontConversion::toQFont(LogFont());
        QCOMPARE(f.pixelSize(), 16);
        QCOMPARE(f.weight(), QFont::Normal);
        QCOMPARE(f.family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(f.styleHint(), QFont::SansSerif);
    }

    void roundTripKeepsWhatQtKnowsAndTheRest() {
        LogFont in;
        in.lfHeight = -22;
        in.lfWeight = 700;
        in.lfItalic = 1;
        in.lfUnderline = 1;
        in.lfCharSet = 0;
        in.lfFaceName = QStringLiteral("DejaVu Sans");
        const LogFont out = FontConversion::fromQFont(FontConversion::toQFont(in), in);
        QCOMPARE(out, in);
    }

    void colours() {
        QCOMPARE(FontConversion::toQColor(0x00FFFF), QColor(255, 255, 0));
        QCOMPARE(FontConversion::fromQColor(QColor(0x10, 0x20, 0x30)), 0x302010u);
    }
};

QTEST_MAIN(TestFontConversion)
#include "tst_fontconversion.moc"
