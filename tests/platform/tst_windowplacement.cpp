// A window's stored place: the keys, the fallback, client area or outer frame, and what a maximised window keeps.
#include "platform/gui/WindowPlacement.h"

#include "TempProfile.h"

#include <QTest>
#include <QWidget>

class TestWindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void storedSidesAndFallback() {
        TempProfile profile;
        WindowPlacement placement(profile.store(), QStringLiteral("Test"));
        QCOMPARE(placement.stored(QRect(10, 20, 300, 200)), QRect(10, 20, 300, 200));
        QCOMPARE(placement.storedSplitter(42), 42);
        profile.store().writeInt("Windows", "Test left", 50);
        profile.store().writeInt("Windows", "Test bottom", 120);
        QCOMPARE(placement.stored(QRect(10, 20, 300, 200)), QRect(50, 20, 260, 100));
        profile.store().writeInt("Windows", "Test right", 40); // right of left: one pixel wide
        QCOMPARE(placement.stored(QRect(10, 20, 300, 200)).width(), 1);
    }

    void savedAsRestored_data() {
        QTest::addColumn<bool>("outer");
        QTest::newRow("client area") << false;
        QTest::newRow("outer frame") << true;
    }
    void savedAsRestored() {
        QFETCH(bool, outer);
        TempProfile profile;
        WindowPlacement placement(profile.store(), QStringLiteral("Test"),
                                  outer ? WindowPlacement::Frame::Outer : WindowPlacement::Frame::Client);
        QWidget window;
        placement.restore(window, QRect(30, 40, 320, 240));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(placement.shown(window), outer);
        QVERIFY(placement.save(window));
        placement.saveSplitter(77);
        const QRect saved = outer ? window.frameGeometry() : window.geometry();
        QCOMPARE(profile.store().readInt("Windows", "Test left", -1), saved.x());
        QCOMPARE(profile.store().readInt("Windows", "Test top", -1), saved.y());
        QCOMPARE(profile.store().readInt("Windows", "Test right", -1), saved.x() + saved.width());
        QCOMPARE(profile.store().readInt("Windows", "Test bottom", -1), saved.y() + saved.height());
        QCOMPARE(placement.storedSplitter(0), 77);
        QCOMPARE(placement.stored(QRect()), saved);
    }

    void maximisedLeavesTheStoredPlace() {
        TempProfile profile;
        WindowPlacement placement(profile.store(), QStringLiteral("Test"));
        QWidget window;
        window.setGeometry(30, 40, 320, 240);
        window.showMaximized();
        QTRY_VERIFY(window.isMaximized());
        QVERIFY(!placement.save(window));
        QVERIFY(!profile.store().contains("Windows", "Test left"));
    }
};

QTEST_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
