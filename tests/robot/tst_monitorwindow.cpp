// The message monitor as a window: keys that must not close it, its placement and the splitter between table
// and pane. (The single instance the tray opens is the shell's: tests/app.)
#include "MonitorTestBase.h"

#include "platform/gui/PaneSplitter.h"

#include <QScrollBar>

using namespace monitortest;

class TestMonitorWindow : public MonitorTestBase {
    Q_OBJECT

private slots:
    void initTestCase() { setUpCase(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void enterAndEscapeDoNotClose() {
        QPointer<CMessageMonitor> monitor = open();
        QTest::keyClick(monitor, Qt::Key_Escape);
        QTest::keyClick(monitor, Qt::Key_Return);
        QTest::keyClick(monitor->table(), Qt::Key_Escape);
        QTest::keyClick(monitor->table(), Qt::Key_Enter);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(monitor && monitor->isVisible());
    }

    void defaultPlacementIsWrittenAndReadBack() {
        // The stored rectangle is the outer frame, as the locate window's; the boundary is in the client area.
        CMessageMonitor* monitor = open();
        QCOMPARE(monitor->frameGeometry(), QRect(QPoint(200, 160), QPoint(799, 639)));
        QCOMPARE(store().readInt("Windows", "Msgmon left", 0), 200);
        QCOMPARE(store().readInt("Windows", "Msgmon top", 0), 160);
        QCOMPARE(store().readInt("Windows", "Msgmon right", 0), 800);
        QCOMPARE(store().readInt("Windows", "Msgmon bottom", 0), 640);
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), 240);
        QCOMPARE(monitor->splitterPosition(), 240);
        const QSize client = monitor->size();
        QCOMPARE(monitor->table()->geometry(), QRect(0, 0, client.width(), 240));
        QCOMPARE(monitor->textPane()->geometry(),
                 QRect(0, 246, client.width(), client.height() - 246)); // under the handle
        monitor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        store().writeInt("Windows", "Msgmon left", 10);
        store().writeInt("Windows", "Msgmon top", 20);
        store().writeInt("Windows", "Msgmon right", 410);
        store().writeInt("Windows", "Msgmon bottom", 320);
        store().writeInt("Windows", "Msgmon splitter", 100);
        monitor = open();
        QCOMPARE(monitor->frameGeometry(), QRect(10, 20, 400, 300));
        QCOMPARE(monitor->splitterPosition(), 100);
        QCOMPARE(monitor->splitterRatio(), 100.0 / monitor->height());
        monitor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Closed and opened again, it is where and as large as it was: nothing drifts by a frame.
        monitor = open();
        QCOMPARE(monitor->frameGeometry(), QRect(10, 20, 400, 300));
        QCOMPARE(monitor->splitterPosition(), 100);
        QCOMPARE(store().readInt("Windows", "Msgmon bottom", 0), 320);
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), 100);
    }

    void storedSplitterIsLimited_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("above") << 3 << 34;
        QTest::newRow("below") << 299 << -34; // from the client area's bottom
        QTest::newRow("inside") << 150 << 150;
    }
    void storedSplitterIsLimited() {
        QFETCH(int, stored);
        QFETCH(int, expected);
        store().writeInt("Windows", "Msgmon left", 10);
        store().writeInt("Windows", "Msgmon top", 20);
        store().writeInt("Windows", "Msgmon right", 410);
        store().writeInt("Windows", "Msgmon bottom", 320);
        store().writeInt("Windows", "Msgmon splitter", stored);
        CMessageMonitor* monitor = open();
        if (expected < 0)
            expected += monitor->height();
        QCOMPARE(monitor->splitterPosition(), expected);
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), expected);
    }

    void splitterDragIsLimitedAndRatioKept() {
        CMessageMonitor* monitor = open();
        monitor->resize(600, 400);
        // Dragged by the mouse on the handle between the table and the pane.
        QWidget* grip = monitor->splitterGrip();
        QCOMPARE(grip->geometry(), QRect(0, monitor->splitterPosition(), 600, PaneSplitter::HANDLE_HEIGHT));
        QCOMPARE(grip->cursor().shape(), Qt::SizeVerCursor);
        const int grab = grip->height() / 2;
        sendMouse(grip, QEvent::MouseButtonPress, QPoint(50, grab), Qt::LeftButton);
        sendMouse(grip, QEvent::MouseMove, grip->mapFrom(monitor, QPoint(50, 100 + grab)), Qt::LeftButton);
        QCOMPARE(monitor->splitterPosition(), 100);
        QCOMPARE(monitor->table()->height(), 100);
        QCOMPARE(monitor->textPane()->geometry(), QRect(0, 106, 600, 294));
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), 100);
        sendMouse(grip, QEvent::MouseMove, grip->mapFrom(monitor, QPoint(50, 5)), Qt::LeftButton);
        QCOMPARE(monitor->splitterPosition(), 34);
        sendMouse(grip, QEvent::MouseMove, grip->mapFrom(monitor, QPoint(50, 399)), Qt::LeftButton);
        QCOMPARE(monitor->splitterPosition(), 400 - 34);
        sendMouse(grip, QEvent::MouseButtonRelease, grip->mapFrom(monitor, QPoint(50, 399)), Qt::NoButton);
        // Without the button the splitter stays.
        sendMouse(grip, QEvent::MouseMove, grip->mapFrom(monitor, QPoint(50, 200)), Qt::NoButton);
        QCOMPARE(monitor->splitterPosition(), 400 - 34);

        // A very low window: the bottom rule wins.
        monitor->dragSplitterTo(100);
        monitor->resize(600, 50);
        monitor->dragSplitterTo(10);
        QCOMPARE(monitor->splitterPosition(), 50 - 34);

        // Enlarging keeps the share, not the pixels.
        monitor->resize(600, 300);
        monitor->dragSplitterTo(100);
        QCOMPARE(monitor->splitterRatio(), 100.0 / 300.0);
        monitor->resize(600, 600);
        QCOMPARE(monitor->splitterPosition(), 200);
        QCOMPARE(monitor->table()->geometry(), QRect(0, 0, 600, 200));
        QCOMPARE(monitor->textPane()->geometry(), QRect(0, 206, 600, 394));
        monitor->resize(600, 300);
        QCOMPARE(monitor->splitterPosition(), 100);
    }

    // The handle has a strip of its own: the table's horizontal scroll bar, right above it, takes a click on
    // its lowest row, and neither child overlaps the handle.
    void clickNextToTheHandleReachesTheTable() {
        CMessageMonitor* monitor = open();
        const double share = monitor->splitterRatio();
        monitor->resize(300, 400);
        QVERIFY(QTest::qWaitForWindowExposed(monitor));
        QWidget* grip = monitor->splitterGrip();
        QVERIFY(!grip->geometry().intersects(monitor->table()->geometry()));
        QVERIFY(!grip->geometry().intersects(monitor->textPane()->geometry()));
        QScrollBar* bar = monitor->table()->horizontalScrollBar();
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(bar->value(), 0);
        const QPoint lowest(bar->width() - 3, bar->height() - 1);
        const QPoint at = bar->mapTo(monitor, lowest);
        QVERIFY(monitor->splitterPosition() - at.y() <= 3); // within reach of a grab strip lying over the table
        QCOMPARE(monitor->childAt(at), bar);
        QTest::mouseClick(monitor->windowHandle(), Qt::LeftButton, {}, at);
        QVERIFY(bar->value() > 0);
        QCOMPARE(monitor->splitterPosition(), int(400 * share));
    }

    void placementNotWrittenWhileMaximised() {
        CMessageMonitor* monitor = open();
        const int boundary = int(300 * monitor->splitterRatio());
        monitor->setGeometry(100, 100, 500, 300);
        const QRect outer = monitor->frameGeometry();
        QCOMPARE(store().readInt("Windows", "Msgmon right", 0), outer.x() + outer.width());
        monitor->showMaximized();
        QTRY_VERIFY(monitor->isMaximized());
        QTRY_VERIFY(monitor->height() != 300);
        monitor->dragSplitterTo(120);
        QCOMPARE(store().readInt("Windows", "Msgmon left", 0), outer.x());
        QCOMPARE(store().readInt("Windows", "Msgmon top", 0), outer.y());
        QCOMPARE(store().readInt("Windows", "Msgmon right", 0), outer.x() + outer.width());
        QCOMPARE(store().readInt("Windows", "Msgmon bottom", 0), outer.y() + outer.height());
        QCOMPARE(store().readInt("Windows", "Msgmon splitter", 0), boundary);
        monitor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        monitor = open();
        QCOMPARE(monitor->frameGeometry(), outer);
    }
};

QTEST_MAIN(TestMonitorWindow)
#include "tst_monitorwindow.moc"
