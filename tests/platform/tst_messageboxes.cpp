// The windowed message boxes: a box of the program blocks no window while it waits for its answer; a box of a
// window blocks that window alone.
#include "platform/CountedErrorBox.h"
#include "platform/gui/FocusGuard.h"
#include "platform/gui/QtMessageBoxService.h"

#include "ModalCloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

class TestMessageBoxes : public QObject {
    Q_OBJECT

    qint64 m_now = 5000; // the key guard's clock, when a test sets it

private slots:
    // Each row's box goes with the row.
    void cleanup() {
        FocusGuard::setClock({});
        MessageBoxService::setInstance(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QMessageBox*>(w));
    }

    void otherWindowsKeepTakingKeys_data() {
        QTest::addColumn<bool>("waits");    // ask (waits for the answer) or notify
        QTest::addColumn<int>("owner");     // the box belongs to: 0 the program, 1 the typing window, 2 another window
        QTest::addColumn<QString>("typed"); // what reaches the typing window while the box is shown
        QTest::newRow("question of the program") << true << 0 << "ab";
        QTest::newRow("notice of the program") << false << 0 << "ab";
        QTest::newRow("question of the window itself") << true << 1 << "";
        QTest::newRow("notice of the window itself") << false << 1 << "";
        // Conversations and prompts are owned by the same hidden tray window: a box of one blocks no other.
        QTest::newRow("question of another owned window") << true << 2 << "ab";
        QTest::newRow("notice of another owned window") << false << 2 << "ab";
    }
    void otherWindowsKeepTakingKeys() {
        QFETCH(bool, waits);
        QFETCH(int, owner);
        QFETCH(QString, typed);
        QtMessageBoxService boxes;
        QWidget tray; // never shown
        auto* field = new QLineEdit(&tray);
        field->setWindowFlag(Qt::Window);
        auto* other = new QWidget(&tray, Qt::Window);
        other->show();
        field->show();
        QVERIFY(QTest::qWaitForWindowExposed(field));
        MessageBoxService::Request r;
        r.text = QStringLiteral("You have talk robot messages. Exit anyway?");
        r.buttons = MessageBoxService::Yes | MessageBoxService::No;
        r.defaultButton = MessageBoxService::No;
        r.owner = owner == 1 ? static_cast<QObject*>(field) : owner == 2 ? other : nullptr;

        QString reached = QStringLiteral("box never shown");
        bool appModal = true;
        int answer = -1;
        ModalCloser closer([&](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            if (!box)
                return;
            appModal = QApplication::activeModalWidget() == box && box->windowModality() == Qt::ApplicationModal;
            field->activateWindow();
            // Through the window system, as a user's keys come: a blocked window drops them.
            QTest::keyClick(field->windowHandle(), 'a');
            QTest::keyClick(field->windowHandle(), 'b');
            reached = field->text();
            box->button(QMessageBox::Yes)->click();
        });
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

    // The daemon's error box comes up by itself, as often as a host likes: it never takes the keyboard from the window
    // the user types in, and no key answers it within the guard time; then Return does, once the user turned to it
    // (activated by the window system alone, it waits for a click).
    void daemonErrorBoxTakesNoKeys_data() {
        QTest::addColumn<bool>("typingElsewhere");
        QTest::newRow("typing in another window") << true;
        QTest::newRow("nothing of ours active") << false;
    }
    void daemonErrorBoxTakesNoKeys() {
        QFETCH(bool, typingElsewhere);
        FocusGuard::setClock([this] { return m_now; });
        QtMessageBoxService boxes;
        MessageBoxService::setInstance(&boxes);
        QLineEdit conversation;
        if (typingElsewhere) {
            conversation.show();
            QVERIFY(QTest::qWaitForWindowActive(&conversation));
        }
        CountedErrorBox errors(MessageBoxService::Icon::Stop);
        errors.report(QStringLiteral("Server: socket error 10040 occured.\r\nMurmelo daemon reports receipt error."));
        QTRY_VERIFY(errors.boxShown());
        QPointer<QMessageBox> box;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* shown = qobject_cast<QMessageBox*>(w))
                box = shown;
        QTRY_COMPARE(QApplication::activeWindow(), typingElsewhere ? &conversation : static_cast<QWidget*>(box));
        m_now += FocusGuard::KEY_GUARD_MS - 1;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_O, Qt::Key_Escape})
            if (box)
                QTest::keyClick(box->windowHandle(), key);
        QVERIFY(box && errors.boxShown() && !box->button(QMessageBox::Ok)->isDown());
        m_now += 1;
        if (!typingElsewhere) {
            QTest::keyClick(box->windowHandle(), Qt::Key_Return);
            QVERIFY(box && errors.boxShown());
            QTest::mouseClick(box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")), Qt::LeftButton);
        }
        QTest::keyClick(box->windowHandle(), Qt::Key_Return);
        QVERIFY(!errors.boxShown());
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
