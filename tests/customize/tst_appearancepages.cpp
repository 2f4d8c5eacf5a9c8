// The Appearance and Talk robot pages: font and colour choices and their undoing, the two window options,
// the robot's text box dressed as the remote pane, and the message container controls.
#include "SheetFixture.h"

#include "config/FontRecords.h"
#include "config/Settings.h"
#include "customize/CPPap.h"
#include "customize/CPPtr.h"
#include "platform/gui/FontConversion.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

class TestAppearancePages : public QObject {
    Q_OBJECT

    std::unique_ptr<SheetFixture> f;

    template <class T> T* on(int page, const char* name) { return f->onPage<T>(page, name); }

    LogFont courier() {
        LogFont font;
        font.lfFaceName = "Courier New";
        font.lfHeight = -20;
        font.lfWeight = 700;
        return font;
    }

private slots:
    void init() { f = std::make_unique<SheetFixture>(); }
    void cleanup() { f.reset(); }

    void cancelledFontDialogUndoesBackgroundColours_data() {
        QTest::addColumn<QString>("fontButton");
        QTest::addColumn<QString>("colourButton");
        QTest::newRow("local font, remote background") << "localFont"
                                                       << "remoteBack";
        QTest::newRow("remote font, local background") << "remoteFont"
                                                       << "localBack";
        QTest::newRow("local font, local background") << "localFont"
                                                      << "localBack";
    }

    void cancelledFontDialogUndoesBackgroundColours() {
        QFETCH(QString, fontButton);
        QFETCH(QString, colourButton);
        f->settings().look.localBack = FontRecords::rgb(0, 0, 64);
        f->settings().look.remoteBack = FontRecords::rgb(64, 0, 0);
        f->settings().SaveSettings(f->store());
        const ConversationLook saved = f->settings().look;
        f->open(CPPap::INDEX);
        f->boxes->nextColour = FontRecords::rgb(200, 200, 200);
        on<QPushButton>(CPPap::INDEX, qPrintable(colourButton))->click();
        const std::uint32_t chosen =
            colourButton == "localBack" ? f->settings().look.localBack : f->settings().look.remoteBack;
        QCOMPARE(chosen, FontRecords::rgb(200, 200, 200));
        f->boxes->nextFont.reset();
        f->boxes->nextFontColour.reset();
        on<QPushButton>(CPPap::INDEX, qPrintable(fontButton))->click();
        QCOMPARE(f->settings().look, saved);
    }

    void chosenFontAndColoursAreSavedOnOk() {
        f->open(CPPap::INDEX);
        f->boxes->nextFont = courier();
        f->boxes->nextFontColour = FontRecords::rgb(1, 2, 3);
        on<QPushButton>(CPPap::INDEX, "remoteFont")->click();
        f->boxes->nextColour = FontRecords::rgb(9, 9, 9);
        on<QPushButton>(CPPap::INDEX, "localBack")->click();
        QCOMPARE(f->settings().look.remoteFont, courier());
        QCOMPARE(f->settings().look.remoteText, FontRecords::rgb(1, 2, 3));
        f->sheet->accept();
        Settings next;
        next.LoadSettings(f->store());
        QCOMPARE(next.look.remoteFont, courier());
        QCOMPARE(next.look.remoteText, FontRecords::rgb(1, 2, 3));
        QCOMPARE(next.look.localBack, FontRecords::rgb(9, 9, 9));
        QCOMPARE(next.look.localFont, LogFont());
    }

    void cancelRestoresFontsAndOptions() {
        f->open(CPPap::INDEX);
        f->boxes->nextFont = courier();
        on<QPushButton>(CPPap::INDEX, "localFont")->click();
        on<QCheckBox>(CPPap::INDEX, "taskbar")->click();
        on<QCheckBox>(CPPap::INDEX, "topmostlocate")->click();
        f->sheet->reject();
        QCOMPARE(f->settings().look.localFont, LogFont());
        QCOMPARE(f->settings().taskbar, 1);
        QCOMPARE(f->settings().topmostlocate, 0);
    }

    void windowOptionsOnOk() {
        f->open(CPPap::INDEX);
        QVERIFY(on<QCheckBox>(CPPap::INDEX, "taskbar")->isChecked());
        on<QCheckBox>(CPPap::INDEX, "taskbar")->click();
        on<QCheckBox>(CPPap::INDEX, "topmostlocate")->click();
        f->sheet->accept();
        QCOMPARE(f->store().readInt("Settings", "taskbar", -1), 0);
        QCOMPARE(f->store().readInt("Settings", "topmostlocate", -1), 1);
    }

    void robotTextWearsTheRemotePane() {
        f->settings().look.remoteText = FontRecords::rgb(255, 255, 0);
        f->settings().look.remoteBack = FontRecords::rgb(0, 0, 128);
        f->settings().look.remoteFont = courier();
        f->settings().autotext = "Line one\r\nLine two";
        f->open(CPPtr::INDEX);
        auto* text = on<QPlainTextEdit>(CPPtr::INDEX, "autotext");
        QCOMPARE(text->toPlainText(), QStringLiteral("Line one\nLine two"));
        QCOMPARE(text->palette().color(QPalette::Base), QColor(0, 0, 128));
        QCOMPARE(text->palette().color(QPalette::Text), QColor(255, 255, 0));
        QCOMPARE(text->font().family(), QStringLiteral("Courier New"));
        // A remote colour chosen on the Appearance page shows when the page comes back.
        f->sheet->tabs()->setCurrentIndex(CPPap::INDEX);
        f->boxes->nextColour = FontRecords::rgb(0, 64, 0);
        on<QPushButton>(CPPap::INDEX, "remoteBack")->click();
        f->sheet->tabs()->setCurrentIndex(CPPtr::INDEX);
        QCOMPARE(text->palette().color(QPalette::Base), QColor(0, 64, 0));
        text->setPlainText("Away.\nBack at five.");
        // Tab moves on from the text; it types nothing into the greeting.
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Tab);
        QVERIFY(!text->hasFocus());
        QCOMPARE(text->toPlainText(), QStringLiteral("Away.\nBack at five."));
        f->sheet->accept();
        QCOMPARE(f->store().readString("Settings", "autotext"), QStringLiteral("Away.\r\nBack at five."));
    }

    void enabledOnStartupIsCommittedAtOnce() {
        f->open(CPPtr::INDEX);
        on<QCheckBox>(CPPtr::INDEX, "talkrobotmode")->click();
        QCOMPARE(f->settings().talkrobotmode, 1);
        QCOMPARE(f->app->robotSwitch(), 0); // the running switch is the tray's
        f->sheet->reject();
        QCOMPARE(f->settings().talkrobotmode, 0);
    }

    void containerControls() {
        f->open(CPPtr::INDEX);
        auto* copy = on<QCheckBox>(CPPtr::INDEX, "saveinfile");
        auto* path = on<QLineEdit>(CPPtr::INDEX, "msgfile");
        auto* browse = on<QPushButton>(CPPtr::INDEX, "browse");
        QVERIFY(!copy->isChecked());
        QVERIFY(!browse->isEnabled());
        QVERIFY(path->isReadOnly() && !path->isEnabled());
        QCOMPARE(path->text(), QStringLiteral("zuno.txt"));
        copy->click();
        QCOMPARE(f->settings().saveinfile, 1);
        QVERIFY(browse->isEnabled());
        QVERIFY(!path->isEnabled());
        f->boxes->nextFile.reset();
        browse->click();
        QCOMPARE(f->settings().msgfile, QStringLiteral("zuno.txt"));
        f->boxes->nextFile = QStringLiteral("/home/u/messages.TXT");
        browse->click();
        QCOMPARE(f->boxes->fileRequests.size(), 2);
        QCOMPARE(f->boxes->fileRequests[1].title, QStringLiteral("Murmelo: choose message container."));
        QCOMPARE(f->boxes->fileRequests[1].filter, QStringLiteral("Murmelo message container files (*.TXT)"));
        QCOMPARE(f->boxes->fileRequests[1].defaultSuffix, QStringLiteral("txt"));
        QCOMPARE(f->settings().msgfile, QStringLiteral("/home/u/messages.TXT"));
        QCOMPARE(path->text(), QStringLiteral("/home/u/messages.TXT"));
        copy->click();
        QVERIFY(!browse->isEnabled());
        f->sheet->accept();
        QCOMPARE(f->store().readString("Settings", "msgfile"), QStringLiteral("/home/u/messages.TXT"));
        QCOMPARE(f->store().readInt("Settings", "saveinfile", -1), 0);
    }
};

QTEST_MAIN(TestAppearancePages)
#include "tst_appearancepages.moc"
