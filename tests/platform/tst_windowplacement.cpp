// A window's stored place: the keys, the fallback, client area or outer frame, what a maximised window keeps, and
// the platforms that report no position.
#include "platform/gui/WindowPlacement.h"

#include "TempProfile.h"

#include <QScreen>
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

    // Framed or not, and whether the frame is known at the first save or only later, a window is stored where
    // and as large as it was restored.
    void savedAsRestored_data() {
        QTest::addColumn<bool>("outer");
        QTest::addColumn<QMargins>("frame");
        QTest::newRow("client area") << false << QMargins();
        QTest::newRow("client area in a frame") << false << QMargins(5, 29, 5, 5);
        QTest::newRow("outer frame") << true << QMargins();
        QTest::newRow("outer frame, framed after it was shown") << true << QMargins(5, 29, 5, 5);
    }
    void savedAsRestored() {
        QFETCH(bool, outer);
        QFETCH(QMargins, frame);
        TempProfile profile;
        WindowPlacement placement(profile.store(), QStringLiteral("Test"),
                                  outer ? WindowPlacement::Frame::Outer : WindowPlacement::Frame::Client);
        QWidget window(nullptr, Qt::FramelessWindowHint); // no frame but the one the test gives
        const QRect rect(30, 40, 320, 240);
        placement.restore(window, rect);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(placement.save(window, QMargins(), 77));
        // The window manager frames the window: an outer frame stays where it was put, the client area moves in.
        if (outer)
            window.move(window.pos() + QPoint(frame.left(), frame.top()));
        QVERIFY(placement.save(window, frame, 77));
        QVERIFY(placement.save(window, frame, 77));
        QCOMPARE(window.size(), outer ? rect.size().shrunkBy(frame) : rect.size());
        QCOMPARE(placement.stored(QRect()), rect);
        QCOMPARE(placement.storedSplitter(0), 77);
    }

    // A window manager may move and size a window it maximises before it tells the new state, or tell the state
    // first. Either way the place of the user's last move stays stored, with its splitter, also when the user
    // maximises the window as soon as it shows (the sizes on the way were no size the window system imposed).
    void stateChangeKeepsTheNormalPlace_data() {
        QTest::addColumn<Qt::WindowState>("state");
        QTest::addColumn<bool>("managerMovesFirst");
        QTest::newRow("maximised by the window manager") << Qt::WindowMaximized << true;
        QTest::newRow("full screen by the window manager") << Qt::WindowFullScreen << true;
        QTest::newRow("maximised, the state told first") << Qt::WindowMaximized << false;
        QTest::newRow("minimised") << Qt::WindowMinimized << false;
    }
    void stateChangeKeepsTheNormalPlace() {
        QFETCH(Qt::WindowState, state);
        QFETCH(bool, managerMovesFirst);
        WindowPlacement::setClock([] { return qint64(0); }); // all within the time the window system places it
        TempProfile profile;
        WindowPlacement placement(profile.store(), QStringLiteral("Test"));
        QWidget window(nullptr, Qt::FramelessWindowHint);
        placement.restore(window, QRect(30, 40, 320, 240));
        window.show();
        placement.shown();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(placement.save(window, 77));
        window.move(60, 70);
        QVERIFY(placement.save(window, 80));
        if (managerMovesFirst) {
            const QRect whole = window.screen()->availableGeometry();
            window.resize(whole.size());
            QVERIFY(placement.save(window, 150));
            window.move(whole.topLeft());
            QVERIFY(placement.save(window, 150));
        } else {
            window.hide(); // the state alone changes, the window stays where it is
        }
        window.setWindowState(state);
        QVERIFY(!placement.save(window, 150));
        placement.stateChanged(window);
        WindowPlacement::setClock({});
        QCOMPARE(placement.stored(QRect()), QRect(60, 70, 320, 240));
        QCOMPARE(placement.storedSplitter(0), 80);
        QVERIFY(!placement.sizeImposed());
    }

    // Where the platform reports no position the stored one is kept and only the size saved.
    void positionKeptWhereNotReported_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("reported");
        QTest::newRow("X11") << "xcb" << true;
        QTest::newRow("Wayland") << "wayland-egl" << false;
        QTest::newRow("a full-screen display") << "eglfs" << false;
    }
    void positionKeptWhereNotReported() {
        QFETCH(QString, platform);
        QFETCH(bool, reported);
        TempProfile profile;
        WindowPlacement placement(profile.store(), QStringLiteral("Test"));
        placement.setPlatformName(platform);
        QWidget window;
        placement.restore(window, QRect(30, 40, 320, 240));
        window.setGeometry(100, 110, 400, 300);
        QVERIFY(placement.save(window));
        QCOMPARE(placement.stored(QRect()), reported ? QRect(100, 110, 400, 300) : QRect(30, 40, 400, 300));
    }

    // A size the window system gives a window as it shows it (a tiling compositor's tile) is not the user's: the
    // stored size stays while the window is open, the position is saved where it is reported, and the pane boundary
    // keeps its share of the height. A size the user gives the window later is saved.
    void imposedSizeIsNotSaved_data() {
        QTest::addColumn<QString>("platform");
        QTest::newRow("a tile under Wayland") << "wayland";
        QTest::newRow("a tile under X11") << "xcb";
    }
    void imposedSizeIsNotSaved() {
        QFETCH(QString, platform);
        qint64 now = 0;
        WindowPlacement::setClock([&now] { return now; });
        TempProfile profile;
        WindowPlacement placement(profile.store(), QStringLiteral("Test"));
        placement.setPlatformName(platform);
        QWidget window(nullptr, Qt::FramelessWindowHint);
        const QRect rect(200, 103, 400, 300);
        for (const bool tiled : {true, false}) {
            placement.restore(window, rect);
            window.show();
            placement.shown();
            now += WindowPlacement::SETTLE_MS;
            if (tiled)
                window.resize(1280, 800); // the compositor tiles the window it has just mapped
            QVERIFY(placement.save(window, 400));
            now += 60000;
            window.setGeometry(QRect(QPoint(10, 20), tiled ? QSize(640, 800) : QSize(500, 350))); // a second tile
            QVERIFY(placement.save(window, 400));
            QCOMPARE(placement.sizeImposed(), tiled);
            if (tiled)
                QCOMPARE(QPair(placement.stored(QRect()).size(), placement.storedSplitter(0)), QPair(rect.size(), 150));
        }
        WindowPlacement::setClock({});
        const QPoint place = WindowPlacement::reportsPosition(platform) ? QPoint(10, 20) : rect.topLeft();
        QCOMPARE(placement.stored(QRect()), QRect(place, QSize(500, 350)));
    }

    // A new window that would lie exactly over an open one goes a title bar lower and to the right, as often as needed.
    void cascaded_data() {
        QTest::addColumn<QList<QRect>>("open");
        QTest::addColumn<QPoint>("placed");
        const QRect w(100, 50, 300, 200);
        QTest::newRow("nothing open") << QList<QRect>{} << QPoint(100, 50);
        QTest::newRow("elsewhere") << QList<QRect>{w.translated(1, 0)} << QPoint(100, 50);
        QTest::newRow("over one") << QList<QRect>{w} << QPoint(124, 74);
        QTest::newRow("same place, other size") << QList<QRect>{QRect(100, 50, 90, 90)} << QPoint(124, 74);
        QTest::newRow("over a cascade") << QList<QRect>{w.translated(24, 24), w} << QPoint(148, 98);
        QTest::newRow("a gap in the cascade") << QList<QRect>{w, w.translated(48, 48)} << QPoint(124, 74);
    }
    void cascaded() {
        QFETCH(QList<QRect>, open);
        QFETCH(QPoint, placed);
        const QRect r = WindowPlacement::cascaded(QRect(100, 50, 300, 200), {open.begin(), open.end()}, 24);
        QCOMPARE(r, QRect(placed, QSize(300, 200)));
    }
};

QTEST_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
