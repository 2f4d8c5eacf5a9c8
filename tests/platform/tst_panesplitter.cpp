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
        auto* splitter = new PaneSplitter(13, 5, &area);
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

    void dragStripAroundTheBoundary() {
        QWidget area;
        area.resize(400, 300);
        auto* splitter = new PaneSplitter(13, 5, &area);
        splitter->setPosition(100);
        splitter->placeStrip(400);
        QCOMPARE(splitter->geometry(), QRect(0, 95, 400, 11));
        QCOMPARE(splitter->cursor().shape(), Qt::SizeVerCursor);
        QList<int> dragged;
        splitter->onDrag = [&](int y) { dragged << y; };
        QTest::mouseMove(splitter, QPoint(10, 5)); // no button: no drag
        QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(10, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(10, 45), splitter->mapToGlobal(QPointF(10, 45)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(splitter, &move);
        QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(10, 45));
        QCOMPARE(dragged, QList<int>{140}); // in the area's coordinates
    }
};

QTEST_MAIN(TestPaneSplitter)
#include "tst_panesplitter.moc"
