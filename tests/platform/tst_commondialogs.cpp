// The common dialogs behind the message-box service, as the user meets them: the file dialog adds a lower-case
// suffix and takes a file that need not exist in a folder that must; every colour dialog starts from its colour alone.
#include "platform/gui/ChooseFileDialog.h"
#include "platform/gui/FontChooser.h"
#include "platform/gui/FontConversion.h"
#include "platform/gui/QtMessageBoxService.h"

#include "EnvironmentOverride.h"
#include "ModalCloser.h"

#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestCommonDialogs : public QObject {
    Q_OBJECT

    // Qt's dialogs keep their history and custom colours in a settings file of their own: never the user's.
    QTemporaryDir m_config;
    EnvironmentOverride m_configHome{"XDG_CONFIG_HOME", QFile::encodeName(m_config.path())};

private slots:
    void openFile_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen"); // empty: nothing is chosen
        QTest::newRow("sound typed without its suffix") << "wav"
                                                        << "bell"
                                                        << "bell.wav";
        QTest::newRow("sound in upper case") << "wav"
                                             << "GONG.WAV"
                                             << "GONG.WAV";
        QTest::newRow("sound that is not there yet") << "wav"
                                                     << "chime"
                                                     << "chime.wav";
        QTest::newRow("new message file") << "txt"
                                          << "messages"
                                          << "messages.txt";
        QTest::newRow("in a folder that is not there") << "txt"
                                                       << "nowhere/messages"
                                                       << "";
    }

    void openFile() {
        QFETCH(QString, suffix);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir dir;
        for (const char* name : {"bell.wav", "GONG.WAV", "notes.txt"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFileDialog::FileMode mode = QFileDialog::Directory;
        QString shownSuffix;
        QString refusal;
        QStringList listed;
        ModalCloser closer([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog) {
                w->close();
                return;
            }
            mode = dialog->fileMode();
            shownSuffix = dialog->defaultSuffix();
            dialog->setDirectory(dir.path());
            // The filter lists the sounds whatever the case of their names, and nothing else.
            // (Waited for, not asserted here: the dialog must close whatever the listing.)
            if (auto* model = dialog->findChild<QFileSystemModel*>()) {
                const QModelIndex folder = model->index(dir.path());
                QTest::qWaitFor([&] { return model->rowCount(folder) >= 2; }, 2000);
                for (int row = 0; row < model->rowCount(folder); ++row)
                    listed << model->index(row, 0, folder).data().toString();
            }
            // Typed into the name field, as a user does (selectFile leaves the field alone once it has the focus).
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(typed);
            // A missing folder is refused with a box of the dialog's own; the dialog stays.
            ModalCloser refuser([&](QWidget* box) {
                if (auto* message = qobject_cast<QMessageBox*>(box))
                    refusal = message->text();
                box->close();
            });
            static_cast<QDialog*>(dialog)->accept(); // as the dialog's Open button does
            if (dialog->isVisible())
                dialog->reject();
        });
        QtMessageBoxService service;
        QString path;
        const bool ok = service.chooseOpenFile(path, "Murmelo: choose", "Wave files (*.WAV)", suffix, nullptr);
        listed.sort(Qt::CaseInsensitive);
        QCOMPARE(listed, (QStringList{"bell.wav", "GONG.WAV"}));
        QCOMPARE(mode, QFileDialog::AnyFile);
        QCOMPARE(shownSuffix, suffix);
        QCOMPARE(ok, !chosen.isEmpty());
        QCOMPARE(refusal, chosen.isEmpty() ? ChooseFileDialog::missingFolderText(dir.filePath("nowhere")) : QString());
        if (ok)
            QCOMPARE(path, dir.filePath(chosen));
    }

    // Custom colours that an earlier choice (of any pane, or of the font chooser) left are not offered again.
    void colourStartsFromTheCurrentColourAlone_data() {
        QTest::addColumn<bool>("fontChooser");
        QTest::newRow("background colour") << false;
        QTest::newRow("text colour in the font chooser") << true;
    }

    void colourStartsFromTheCurrentColourAlone() {
        QFETCH(bool, fontChooser);
        QColorDialog::setCustomColor(0, Qt::red);
        QColorDialog::setCustomColor(QColorDialog::customCount() - 1, Qt::blue);
        const QColor current(0x33, 0x66, 0x99);
        const QColor picked(10, 20, 30);
        QList<QColor> offered;
        QColor shown;
        ModalCloser closer([&](QWidget* w) {
            auto* dialog = qobject_cast<QColorDialog*>(w);
            if (!dialog) {
                w->close();
                return;
            }
            shown = dialog->currentColor();
            for (int i = 0; i < QColorDialog::customCount(); ++i)
                offered << QColorDialog::customColor(i);
            dialog->setCurrentColor(picked);
            dialog->accept();
        });
        quint32 colour = FontConversion::fromQColor(current);
        if (fontChooser) {
            FontChooser chooser(LogFont{}, colour);
            chooser.findChild<QPushButton*>("colourButton")->click();
            colour = chooser.chosenColour();
        } else {
            QtMessageBoxService service;
            QVERIFY(service.chooseColour(colour, nullptr));
        }
        QCOMPARE(shown, current);
        QCOMPARE(offered, QList<QColor>(QColorDialog::customCount(), QColor(Qt::white)));
        QCOMPARE(FontConversion::toQColor(colour), picked);
    }

    void fontChooserKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Escape cancels the chooser") << int(Qt::Key_Escape) << int(QDialog::Rejected);
        QTest::newRow("Return takes the font") << int(Qt::Key_Return) << int(QDialog::Accepted);
    }
    void fontChooserKeys() {
        QFETCH(int, key);
        QFETCH(int, result);
        FontChooser chooser(LogFont{}, 0);
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        // The focus is in the font list of the embedded dialog, where the keys arrive.
        QWidget* focus = chooser.focusWidget();
        QVERIFY(focus && focus != &chooser);
        QTest::keyClick(focus, Qt::Key(key));
        QCOMPARE(chooser.result(), result);
        QVERIFY(!chooser.isVisible());
    }
};

QTEST_MAIN(TestCommonDialogs)
#include "tst_commondialogs.moc"
