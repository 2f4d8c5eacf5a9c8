// The pane boundary: its limits within an area, the share a resized area keeps, and the strip the mouse drags.
#include "platform/gui/PaneSplitter.h"

#include <QTest>

class TestPaneSplitter : public QObject {
    Q_OBJECT

private slots:
    void limitAndShare_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("span");
        QTest::addColumn<int>("limited");
        QTest::addColumn<int>("resizedSpan");
        QTest::addColumn<int>("followed");
        QTest::newRow("inside") << 100 << 300 << 100 << 600 << 200;
        QTest::newRow("above the upper margin") << 5 << 300 << 13 << 300 << 13;
        QTest::newRow("below the lower margin") << 295 << 300 << 287 << 300 << 287;
        QTest::newRow("area too small: the lower edge wins") << 5 << 20 << 7 << 20 << 7;
        QTest::newRow("a third stays a third") << 100 << 300 << 100 << 299 << 99;
        QTest::newRow("the position comes back exactly") << 37 << 111 << 37 << 111 << 37;
    }
    void limitAndShare() {
        QFETCH(int, position);
        QFETCH(int, span);
        QFETCH(int, limited);
        QFETCH(int, resizedSpan);
        QFETCH(int, followed);
        QWidget area;
        auto* splitter = new PaneSplitter(13, &area);
        QCOMPARE(splitter->ratio(), 0.0);
        splitter->setPosition(position);
        splitter->follow(span); // no share yet: the position stays
        QCOMPARE(splitter->position(), position);
        splitter->limit(span);
        QCOMPARE(splitter->position(), limited);
        QCOMPARE(splitter->ratio(), double(limited) / span);
        splitter->follow(resizedSpan);
        QCOMPARE(splitter->position(), followed);
    }

    void dragHandleBetweenThePanes() {
        QWidget area;
        area.resize(400, 300);
        auto* splitter = new PaneSplitter(13, &area);
        splitter->setPosition(100);
        splitter->placeStrip(400);
        // Below the boundary, where the upper pane ends; the lower pane starts under it.
        QCOMPARE(splitter->geometry(), QRect(0, 100, 400, PaneSplitter::HANDLE_HEIGHT));
        QCOMPARE(splitter->lowerTop(), 100 + PaneSplitter::HANDLE_HEIGHT);
        QCOMPARE(splitter->cursor().shape(), Qt::SizeVerCursor);
        QList<int> dragged;
        splitter->onDrag = [&](int y) { dragged << y; };
        auto move = [&](int y, Qt::MouseButtons buttons) {
            QMouseEvent e(QEvent::MouseMove, QPointF(10, y), splitter->mapToGlobal(QPointF(10, y)), Qt::NoButton,
                          buttons, Qt::NoModifier);
            QApplication::sendEvent(splitter, &e);
        };
        move(3, Qt::NoButton); // no button: no drag
        // Grabbed 3 pixels into the handle: the boundary moves by what the cursor moves, from where it was.
        QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(10, 3));
        move(3, Qt::LeftButton);
        move(43, Qt::LeftButton);
        QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(10, 43));
        move(60, Qt::NoButton);
        QCOMPARE(dragged, (QList<int>{100, 140})); // in the area's coordinates
    }
};

QTEST_MAIN(TestPaneSplitter)
#include "tst_panesplitter.moc"
