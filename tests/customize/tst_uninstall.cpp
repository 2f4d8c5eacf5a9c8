// Uninstall from the General page: the questions, what is removed and what is left, the quit request,
// and that nothing is written afterwards.
#include "SheetFixture.h"

#include "config/Settings.h"
#include "customize/CPPse.h"
#include "customize/UninstallProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>

namespace {

RobotMessage message() {
    RobotMessage m;
    m.text = QStringLiteral("call me");
    m.host = QStringLiteral("127.0.0.1");
    m.user = WireName::typed(QStringLiteral("ann"));
    return m;
}

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

class TestUninstall : public QObject {
    Q_OBJECT

    std::unique_ptr<SheetFixture> f;

    QString settingsFile() const { return f->profile->path(); }
    QString makerFolder() const { return QFileInfo(settingsFile()).absolutePath(); }
    // The autostart entry as a file (Linux); on Windows it is a registry value, whose removal tst_registrystore tests,
    // and the entry written here is an unrelated file that stays.
    QString autostartEntry() const { return f->configDir() + "/autostart/zuno.desktop"; }
    static bool autostartIsAFile() { return !UninstallProgram::autostartEntryPath().startsWith("HKEY_"); }

    void openAndPrepare() {
        f->settings().fullname = "Saved Name";
        f->settings().SaveSettings(f->store());
        f->store().flush();
        writeFile(autostartEntry(), "[Desktop Entry]\nType=Application\nExec=zuno\n");
        f->open(CPPse::INDEX);
    }

    void pressUninstall() { f->child<QPushButton>("uninstall")->click(); }

    // The shell was asked for the message monitor.
    bool monitorRequested() const { return f->app->monitorsOpened > 0; }

private slots:
    void init() { f = std::make_unique<SheetFixture>(); }
    void cleanup() { f.reset(); }

    void autostartEntryFollowsTheConfigFolder() {
        if (!autostartIsAFile())
            QSKIP("the autostart entry is a registry value");
        QCOMPARE(UninstallProgram::autostartEntryPath(), autostartEntry());
    }

    void messagesWaitingAndNo() {
        f->app->messages().append(message());
        openAndPrepare();
        const QList<int>& quit = f->app->quits;
        f->boxes->answers.enqueue(MessageBoxService::No);
        pressUninstall();
        QVERIFY(!f->boxes->shown.isEmpty());
        const auto& first = f->boxes->shown.first();
        QCOMPARE(first.text, QStringLiteral("You have talk robot messages. Exit anyway?"));
        QCOMPARE(first.title, QStringLiteral("Murmelo"));
        QCOMPARE(first.buttons, int(MessageBoxService::Yes | MessageBoxService::No));
        QCOMPARE(first.defaultButton, int(MessageBoxService::No));
        QVERIFY(first.icon == MessageBoxService::Icon::Question);
        QVERIFY(!f->boxes->texts().contains(UninstallProgram::QUESTION));
        QVERIFY(monitorRequested());
        QVERIFY(QFile::exists(settingsFile()));
        QVERIFY(QFile::exists(autostartEntry()));
        QVERIFY(f->sheet && f->sheet->isVisible());
        QCOMPARE(quit.size(), 0);
        QCOMPARE(f->app->messages().count(), 1);
    }

    void noToTheQuestionKeepsEverything() {
        openAndPrepare();
        const QList<int>& quit = f->app->quits;
        f->boxes->answers.enqueue(MessageBoxService::No);
        pressUninstall();
        QCOMPARE(f->boxes->texts(), QStringList{UninstallProgram::QUESTION});
        QCOMPARE(f->boxes->shown.first().title, QStringLiteral("Murmelo: uninstall"));
        QCOMPARE(f->boxes->shown.first().defaultButton, int(MessageBoxService::No));
        QVERIFY(QFile::exists(settingsFile()));
        QVERIFY(QFile::exists(autostartEntry()));
        QVERIFY(f->sheet->isVisible());
        QCOMPARE(quit.size(), 0);
    }

    void theDefaultAnswerIsNo() {
        openAndPrepare();
        pressUninstall(); // no scripted answer: the box's default
        QVERIFY(QFile::exists(settingsFile()));
    }

    void yesRemovesEverythingAndQuits_data() {
        QTest::addColumn<bool>("messages");
        QTest::newRow("no messages") << false;
        QTest::newRow("messages, Exit anyway") << true;
    }

    void yesRemovesEverythingAndQuits() {
        QFETCH(bool, messages);
        if (messages) {
            f->app->messages().append(message());
            f->boxes->answers.enqueue(MessageBoxService::Yes);
        }
        openAndPrepare();
        QVERIFY(QFile::exists(settingsFile()));
        RobotMessage kept = message();
        kept.id = 1;
        QVERIFY(f->app->messageStore().save(kept));
        const QList<int>& quit = f->app->quits;
        f->boxes->answers.enqueue(MessageBoxService::Yes);
        pressUninstall();
        QCOMPARE(f->boxes->texts().size(), messages ? 2 : 1);
        QCOMPARE(f->boxes->texts().last(), UninstallProgram::QUESTION);
        QCOMPARE(quit.size(), 1);
        QCOMPARE(quit.first(), 0);
        QVERIFY(!QFile::exists(settingsFile()));
        QVERIFY(!QDir(makerFolder()).exists());
        QVERIFY(!QFile::exists(autostartEntry()) || !autostartIsAFile());
        QVERIFY(f->sheet->uninstalled());
        QVERIFY(!f->sheet->isVisible());
        // Nothing writes the file again: not the sheet's OK or Cancel, not a later save.
        f->settings().SaveSettings(f->store());
        f->store().flush();
        QVERIFY(!QFile::exists(settingsFile()));
        QCOMPARE(f->settings().fullname, QStringLiteral("Saved Name"));
        // Nor the program's store of messages: what a robot conversation files on the way out stays off the disk.
        QVERIFY(!f->app->messageStore().save(kept));
        QVERIFY(!QDir(makerFolder()).exists());
    }

    void anotherProgramOfTheMakerKeepsItsFile() {
        openAndPrepare();
        const QString other = makerFolder() + "/OTHER.conf";
        writeFile(other, "[General]\nkeep=1\n");
        f->boxes->answers.enqueue(MessageBoxService::Yes);
        pressUninstall();
        QVERIFY(!QFile::exists(settingsFile()));
        QVERIFY(QDir(makerFolder()).exists());
        QFile kept(other);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("[General]\nkeep=1\n"));
    }

    void uninstallWithoutAnAutostartEntry() {
        f->open(CPPse::INDEX);
        f->store().writeInt("Settings", "tab", 1);
        f->store().flush();
        f->boxes->answers.enqueue(MessageBoxService::Yes);
        pressUninstall();
        QVERIFY(!QFile::exists(settingsFile()));
        QVERIFY(!QFile::exists(autostartEntry()) || !autostartIsAFile());
    }
};

QTEST_MAIN(TestUninstall)
#include "tst_uninstall.moc"
