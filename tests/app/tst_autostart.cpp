// The autostart entry: copied once from the installed template, never over the user's own, removed on request.
#include "platform/Autostart.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}
QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestAutostart : public QObject {
    Q_OBJECT
private slots:
    void copiesTheTemplateOnce() {
        QTemporaryDir dir;
        const QString templ = dir.filePath("zuno-autostart.desktop");
        const QString entry = dir.filePath("config/autostart/zuno.desktop");
        write(templ, "[Desktop Entry]\nExec=zuno\n");
        QVERIFY(Autostart::install(templ, entry));
        QCOMPARE(read(entry), QByteArray("[Desktop Entry]\nExec=zuno\n"));
        // The user's edited entry is kept.
        write(entry, "[Desktop Entry]\nHidden=true\n");
        QVERIFY(Autostart::install(templ, entry));
        QCOMPARE(read(entry), QByteArray("[Desktop Entry]\nHidden=true\n"));
        Autostart::remove(entry);
        QVERIFY(!QFile::exists(entry));
    }

    void withoutATemplateNothingHappens() {
        QTemporaryDir dir;
        const QString entry = dir.filePath("autostart/zuno.desktop");
        QVERIFY(!Autostart::install(QString(), entry));
        QVERIFY(!Autostart::install(dir.filePath("missing.desktop"), entry));
        QVERIFY(!QFile::exists(entry));
        QVERIFY(Autostart::userEntryPath().endsWith("/autostart/zuno.desktop"));
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
