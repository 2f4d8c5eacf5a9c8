// The windowed message boxes: a box of the program blocks no window while it waits for its answer; a box of a
// window blocks that window alone.
#include "platform/gui/QtMessageBoxService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

QMessageBox* shownBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}

} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT

private slots:
    void otherWindowsKeepTakingKeys_data() {
        QTest::addColumn<bool>("waits");      // ask (waits for the answer) or notify
        QTest::addColumn<bool>("ofTheField"); // the box belongs to the typing window
        QTest::addColumn<QString>("typed");   // what reaches the other window while the box is shown
        QTest::newRow("question of the program") << true << false << "ab";
        QTest::newRow("notice of the program") << false << false << "ab";
        QTest::newRow("question of the window itself") << true << true << "";
        QTest::newRow("notice of the window itself") << false << true << "";
    }
    void otherWindowsKeepTakingKeys() {
        QFETCH(bool, waits);
        QFETCH(bool, ofTheField);
        QFETCH(QString, typed);
        QtMessageBoxService boxes;
        QLineEdit field;
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        MessageBoxService::Request r;
        r.text = QStringLiteral("You have talk robot messages. Exit anyway?");
        r.buttons = MessageBoxService::Yes | MessageBoxService::No;
        r.defaultButton = MessageBoxService::No;
        r.owner = ofTheField ? &field : nullptr;

        QString reached = QStringLiteral("box never shown");
        bool appModal = true;
        int answer = -1;
        auto typeAndAnswer = [&] {
            QMessageBox* box = shownBox();
            if (!box)
                return;
            appModal = QApplication::activeModalWidget() == box && box->windowModality() == Qt::ApplicationModal;
            field.activateWindow();
            // Through the window system, as a user's keys come: a blocked window drops them.
            QTest::keyClick(field.windowHandle(), 'a');
            QTest::keyClick(field.windowHandle(), 'b');
            reached = field.text();
            box->button(QMessageBox::Yes)->click();
        };
        QTimer::singleShot(0, typeAndAnswer);
        if (waits) {
            answer = boxes.ask(r);
            QCOMPARE(answer, int(MessageBoxService::Yes));
        } else {
            boxes.notify(r, [&](int button) { answer = button; });
            QTRY_COMPARE(answer, int(MessageBoxService::Yes));
        }
        QVERIFY(!appModal);
        QCOMPARE(reached, typed);
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
