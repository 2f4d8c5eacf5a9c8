// The conversation window offscreen: placement, the pane boundary, typing, the keyboard rules, fonts.
#include "FakeAppContext.h"
#include "ScriptedDaemon.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include "config/Bounds.h"
#include "conversation/CTalkConversation.h"
#include "conversation/LocalPane.h"
#include "conversation/RemotePane.h"
#include "conversation/StreamDecoder.h"
#include "platform/LoginName.h"
#include "platform/ProfileStore.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/FontConversion.h"
#include "platform/gui/PaneSplitter.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QTcpSocket>
#include <QTextBlock>
#include <QtTest>

using namespace talk;

class TestConversationWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void placementDefaults();
    void storedPlacementAndMaximised();
    void statusLineShowsItsWholeText_data();
    void statusLineShowsItsWholeText();
    void splitterLimits_data();
    void splitterLimits();
    void splitterRatioKeptOnResize();
    void splitterDraggedWithTheMouse();
    void clickNextToTheHandleReachesThePane();
    void typedBytes_data();
    void typedBytes();
    void typingActsAtTheEnd();
    void remotePaneIsADisplay();
    void panesReachedByKeyboard();
    void remotePaneKeepsWhatTheDecoderKeeps_data();
    void remotePaneKeepsWhatTheDecoderKeeps();
    void tripleClickSelectsALine_data();
    void tripleClickSelectsALine();
    void escapeAndContextMenus();
    void peerClosesKeepsWindow();
    void fontMenu();
    void menuCommands();
    void windowListAndRobot();
    void minimiseHidesWithoutTaskbarButton();

private:
    CTalkConversation* open(int mode = 0, bool taskbar = true);
    // A connected conversation and its peer (which has read our edit characters).
    QTcpSocket* connectWindow(CTalkConversation* w);
    QByteArray readPeer(QTcpSocket* peer, int count);

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<FakeAppContext> m_app;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<ScriptedDaemon> m_remote;
    std::unique_ptr<ScriptedDaemon> m_local;
    QList<QPointer<CTalkConversation>> m_windows;
};

void TestConversationWindow::init() {
    Desktop::setOverride(QRect(0, 0, 1024, 768));
    LoginName::setRawOverride(QStringLiteral("alice"));
    m_profile = std::make_unique<TempProfile>();
    m_app = std::make_unique<FakeAppContext>(m_profile->store());
    m_boxes = std::make_unique<ScriptedMessageBoxes>();
    m_remote = std::make_unique<ScriptedDaemon>();
    m_local = std::make_unique<ScriptedDaemon>();
    m_app->setRemoteDaemonPort(m_remote->port());
    m_app->setDaemonPort(m_local->port());
    m_remote->script = [](const ControlMessage& m) -> std::optional<QByteArray> {
        return ScriptedDaemon::reply(m, m.type == LOOK_UP ? NOT_HERE : SUCCESS, 1);
    };
    m_windows.clear();
}

void TestConversationWindow::cleanup() {
    for (const QPointer<CTalkConversation>& w : std::as_const(m_windows))
        if (w)
            w->EndConversation();
    for (const QPointer<CTalkConversation>& w : std::as_const(m_windows))
        QTRY_VERIFY(w.isNull());
    QTest::qWait(20);
    m_local.reset();
    m_remote.reset();
    m_boxes.reset();
    m_app.reset();
    m_profile.reset();
    Desktop::setOverride(std::nullopt);
    LoginName::setRawOverride(std::nullopt);
}

CTalkConversation* TestConversationWindow::open(int mode, bool taskbar) {
    auto* w = new CTalkConversation(*m_app, mode, QStringLiteral("127.0.0.1"), WireName::typed(QStringLiteral("bob")),
                                    taskbar);
    m_windows << w;
    return w;
}

QTcpSocket* TestConversationWindow::connectWindow(CTalkConversation* w) {
    if (!w->start() || !QTest::qWaitFor([&] { return m_local->requests.size() >= 1; }, 5000))
        return nullptr;
    auto* peer = new QTcpSocket(w);
    peer->connectToHost(QHostAddress::LocalHost, w->engine()->port());
    if (!peer->waitForConnected(5000) || !QTest::qWaitFor([&] { return w->engine()->isConnected(); }, 5000))
        return nullptr;
    if (readPeer(peer, 3) != QByteArray("\x08\x15\x17"))
        return nullptr;
    return peer;
}

QByteArray TestConversationWindow::readPeer(QTcpSocket* peer, int count) {
    QTest::qWaitFor([&] { return peer->bytesAvailable() >= count; }, 3000);
    return peer->read(count);
}

void TestConversationWindow::placementDefaults() {
    CTalkConversation* w = open();
    QVERIFY(w->isVisible());
    QCOMPARE(w->geometry(), QRect(204, 153, 612, 459));
    QCOMPARE(w->splitterPosition(), 221);
    ProfileStore& s = m_profile->store();
    QCOMPARE(s.readInt("Windows", "Tinst left", 0), 204);
    QCOMPARE(s.readInt("Windows", "Tinst top", 0), 153);
    QCOMPARE(s.readInt("Windows", "Tinst right", 0), 816);
    QCOMPARE(s.readInt("Windows", "Tinst bottom", 0), 612);
    QCOMPARE(s.readInt("Windows", "Tinst splitter", 0), 221);
    QCOMPARE(w->windowTitle(), QStringLiteral("Murmelo"));
    QVERIFY(!w->localPane()->isEnabled());
    // Status line at the bottom, 16 pixels or as high as its text; the panes fill the rest.
    const int h = w->clientArea()->height();
    QCOMPARE(w->remotePane()->geometry(), QRect(0, 0, w->clientArea()->width(), 221));
    QCOMPARE(w->localPane()->geometry().bottom() + 1, h - w->statusHeight());
    QStringList menus;
    for (QAction* a : w->findChild<QMenuBar*>()->actions()) {
        menus << a->text();
        for (QAction* item : a->menu()->actions())
            menus << item->text();
    }
    QCOMPARE(menus, (QStringList{"&File", "&Close", "&Fonts", "&Local", "&Remote", "&Help", "&About"}));
}

void TestConversationWindow::storedPlacementAndMaximised() {
    ProfileStore& s = m_profile->store();
    s.writeInt("Windows", "Tinst left", 10);
    s.writeInt("Windows", "Tinst top", 20);
    s.writeInt("Windows", "Tinst right", 410);
    s.writeInt("Windows", "Tinst bottom", 320);
    s.writeInt("Windows", "Tinst splitter", 100);
    CTalkConversation* w = open();
    QCOMPARE(w->geometry(), QRect(10, 20, 400, 300));
    QCOMPARE(w->splitterPosition(), 100);
    w->showMaximized();
    QTest::qWait(50);
    w->dragSplitterTo(50);
    QCOMPARE(s.readInt("Windows", "Tinst splitter", 0), 100); // a maximised window leaves it alone
    QCOMPARE(s.readInt("Windows", "Tinst right", 0), 410);
}

// The status line shows its text whole, descenders included, whatever the desktop's font.
void TestConversationWindow::statusLineShowsItsWholeText_data() {
    QTest::addColumn<int>("pixels");
    QTest::newRow("usual") << 15;
    QTest::newRow("large") << 24;
}

void TestConversationWindow::statusLineShowsItsWholeText() {
    QFETCH(int, pixels);
    const struct FontOfTheDesktop {
        const QFont before = QApplication::font();
        ~FontOfTheDesktop() { QApplication::setFont(before); }
    } desktop;
    QFont font = desktop.before;
    font.setPixelSize(pixels);
    QApplication::setFont(font);
    CTalkConversation* w = open();
    auto* text = w->findChild<QLabel*>(QStringLiteral("statusText"));
    QVERIFY(text->contentsRect().height() >= text->fontMetrics().height());
    QVERIFY(text->mapTo(w->clientArea(), QPoint(0, text->height())).y() <= w->clientArea()->height());
    QCOMPARE(w->localPane()->geometry().bottom() + 1, w->clientArea()->height() - w->statusHeight());
}

void TestConversationWindow::splitterLimits_data() {
    QTest::addColumn<int>("drag");
    QTest::addColumn<int>("fromBottom"); // expected distance from the client bottom; 0: expect `drag`
    QTest::newRow("top") << 0 << 0;
    QTest::newRow("near top") << 12 << 0;
    QTest::newRow("free") << 150 << 0;
    QTest::newRow("bottom") << 5000 << -1; // the margin above the status line
}

void TestConversationWindow::splitterLimits() {
    QFETCH(int, drag);
    QFETCH(int, fromBottom);
    CTalkConversation* w = open();
    w->dragSplitterTo(drag);
    const int h = w->clientArea()->height();
    if (fromBottom < 0)
        fromBottom = CTalkConversation::SPLITTER_MARGIN + w->statusHeight();
    const int expected = fromBottom ? h - fromBottom : std::max(drag, 13);
    QCOMPARE(w->splitterPosition(), expected);
    QCOMPARE(w->splitterRatio(), double(expected) / double(h - w->statusHeight()));
    QCOMPARE(w->remotePane()->height(), expected);
    QCOMPARE(w->localPane()->y(), expected + PaneSplitter::HANDLE_HEIGHT);
    QCOMPARE(m_profile->store().readInt("Windows", "Tinst splitter", 0), expected);
}

void TestConversationWindow::splitterRatioKeptOnResize() {
    CTalkConversation* w = open();
    w->dragSplitterTo(100);
    const double ratio = w->splitterRatio();
    w->resize(w->width(), w->height() + 200);
    QTRY_COMPARE(w->splitterPosition(), int((w->clientArea()->height() - w->statusHeight()) * ratio));
    QVERIFY(w->splitterPosition() > 100);
}

void TestConversationWindow::splitterDraggedWithTheMouse() {
    CTalkConversation* w = open();
    auto* handle = w->clientArea()->findChild<PaneSplitter*>();
    QVERIFY(handle);
    QCOMPARE(handle->cursor().shape(), Qt::SizeVerCursor);
    QCOMPARE(handle->y(), w->splitterPosition());
    const QPoint grip(10, PaneSplitter::HANDLE_HEIGHT / 2);
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(0, 60)),
                     handle->mapToGlobal(QPointF(grip + QPoint(0, 60))), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, grip + QPoint(0, 60));
    QCOMPARE(w->splitterPosition(), 221 + 60);
    QCOMPARE(w->remotePane()->height(), 281);
    QCOMPARE(handle->y(), 281);
}

// The handle has a strip of its own: a click a pixel inside either pane, next to it, places the caret there.
void TestConversationWindow::clickNextToTheHandleReachesThePane() {
    CTalkConversation* w = open();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    auto* handle = w->clientArea()->findChild<PaneSplitter*>();
    QVERIFY(!handle->geometry().intersects(w->remotePane()->geometry()));
    QVERIFY(!handle->geometry().intersects(w->localPane()->geometry()));
    QVERIFY(handle->geometry().bottom() + 1 == w->localPane()->y());
    w->localPane()->setEnabled(true);
    QStringList lines;
    for (int i = 0; i < 100; ++i)
        lines << QString::number(i);
    for (QPlainTextEdit* pane :
         {static_cast<QPlainTextEdit*>(w->remotePane()), static_cast<QPlainTextEdit*>(w->localPane())}) {
        pane->setPlainText(lines.join(u'\n'));
        const bool upper = pane == w->remotePane();
        QTextCursor caret = pane->textCursor();
        caret.movePosition(upper ? QTextCursor::Start : QTextCursor::End);
        pane->setTextCursor(caret);
        pane->verticalScrollBar()->setValue(0);
        // The viewport's last row above the handle, its first row below it.
        QWidget* viewport = pane->viewport();
        const QPoint inside(20, upper ? viewport->height() - 1 : 0);
        const QPoint at = viewport->mapTo(w, inside);
        QCOMPARE(w->childAt(at), viewport);
        QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, at);
        const int line = pane->cursorForPosition(inside).blockNumber();
        QCOMPARE(pane->textCursor().blockNumber(), line);
        QVERIFY(upper ? line > 0 : line == 0);
    }
    QCOMPARE(w->splitterPosition(), 221);
}

void TestConversationWindow::typedBytes_data() {
    // letters, and: < Backspace, > Delete, | Enter, - Left, { Shift+Left, } Shift+Right, ~ Control+Shift+Left,
    // ^ Control+W, _ Control+U, \t Tab
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("paneText");
    QTest::newRow("a b BS c") << "ab<c"
                              << QByteArray("ab\x08"
                                            "c")
                              << "ac";
    QTest::newRow("enter") << "x|" << QByteArray("x\n") << "x\n";
    QTest::newRow("backspace over line break") << "x|<" << QByteArray("x\n\x08") << "x";
    QTest::newRow("non-ascii") << "é" << QByteArray("\xc3\xa9") << "é";
    QTest::newRow("last word selected, BS") << "hi you~<" << QByteArray("hi you\x08\x08\x08") << "hi ";
    QTest::newRow("end selected, Delete") << "é|b{{>" << QByteArray("\xc3\xa9\nb\x08\x08") << "é";
    QTest::newRow("selected forwards to the end") << "abc--}}<" << QByteArray("abc\x08\x08") << "a";
    QTest::newRow("end selected, typed over") << "abc{x" << QByteArray("abc\x08x") << "abx";
    QTest::newRow("selection short of the end") << "abc-{<" << QByteArray("abc\x08") << "ab";
    QTest::newRow("word erase") << "abc def^X" << QByteArray("abc def\x17X") << "abc X";
    QTest::newRow("kill line") << "ab|cd ef_" << QByteArray("ab\ncd ef\x15") << "ab\n";
    QTest::newRow("tab") << "a\t" << QByteArray("a\t") << "a\t";
}

void TestConversationWindow::typedBytes() {
    QFETCH(QString, keys);
    QFETCH(QByteArray, sent);
    QFETCH(QString, paneText);
    CTalkConversation* w = open();
    QTcpSocket* peer = connectWindow(w);
    QVERIFY(peer);
    QVERIFY(w->localPane()->isEnabled());
    QCOMPARE(w->statusText(), QStringLiteral("Connected."));
    QCOMPARE(w->windowTitle(), QStringLiteral("Murmelo: talking to bob at 127.0.0.1"));
    for (const QChar c : keys) {
        static const QHash<QChar, std::pair<Qt::Key, Qt::KeyboardModifiers>> special{
            {u'<', {Qt::Key_Backspace, Qt::NoModifier}},
            {u'>', {Qt::Key_Delete, Qt::NoModifier}},
            {u'|', {Qt::Key_Return, Qt::NoModifier}},
            {u'-', {Qt::Key_Left, Qt::NoModifier}},
            {u'{', {Qt::Key_Left, Qt::ShiftModifier}},
            {u'}', {Qt::Key_Right, Qt::ShiftModifier}},
            {u'~', {Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier}},
            {u'^', {Qt::Key_W, Qt::ControlModifier}},
            {u'_', {Qt::Key_U, Qt::ControlModifier}},
            {u'\t', {Qt::Key_Tab, Qt::NoModifier}}};
        if (const auto key = special.constFind(c); key != special.cend()) {
            QTest::keyClick(w->localPane(), key->first, key->second);
        } else {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w->localPane(), &press);
        }
    }
    QCOMPARE(readPeer(peer, int(sent.size())), sent);
    QTest::qWait(50);
    QCOMPARE(peer->bytesAvailable(), qint64(0));
    QCOMPARE(w->localPane()->toPlainText(), paneText);
}

void TestConversationWindow::typingActsAtTheEnd() {
    CTalkConversation* w = open();
    QTcpSocket* peer = connectWindow(w);
    QVERIFY(peer);
    LocalPane* pane = w->localPane();
    QTest::keyClicks(pane, "hello");
    QCOMPARE(readPeer(peer, 5), QByteArray("hello"));
    // A caret put in the middle: a letter still goes to the end.
    QTextCursor c = pane->textCursor();
    c.setPosition(1);
    pane->setTextCursor(c);
    QTest::keyClick(pane, Qt::Key_Left); // navigation moves freely
    QCOMPARE(pane->textCursor().position(), 0);
    QTest::keyClicks(pane, "!");
    QCOMPARE(pane->toPlainText(), QStringLiteral("hello!"));
    // A selection in the middle and Backspace: the last character goes, not the selection.
    c.setPosition(1);
    c.setPosition(3, QTextCursor::KeepAnchor);
    pane->setTextCursor(c);
    QTest::keyClick(pane, Qt::Key_Backspace);
    QCOMPARE(pane->toPlainText(), QStringLiteral("hello"));
    // Paste with the caret in the middle lands at the end.
    QApplication::clipboard()->setText(QStringLiteral(" you"));
    c.setPosition(2);
    pane->setTextCursor(c);
    pane->paste();
    QCOMPARE(pane->toPlainText(), QStringLiteral("hello you"));
    // Control+C copies a selection anywhere without moving it.
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    pane->setTextCursor(c);
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("hello"));
    QCOMPARE(pane->textCursor().selectedText(), QStringLiteral("hello"));
    QCOMPARE(readPeer(peer, 6), QByteArray("!\x08 you"));
    QTest::qWait(50);
    QCOMPARE(peer->bytesAvailable(), qint64(0));
}

void TestConversationWindow::remotePaneIsADisplay() {
    CTalkConversation* w = open();
    QTcpSocket* peer = connectWindow(w);
    QVERIFY(peer);
    peer->write(QByteArray("\x08\x15\x17") + QByteArray("hi\x08!"));
    QTRY_COMPARE(w->remotePane()->toPlainText(), QStringLiteral("h!"));
    peer->write("\nline two\x15X");
    QTRY_COMPARE(w->remotePane()->toPlainText(), QStringLiteral("h!\nX"));
    RemotePane* pane = w->remotePane();
    pane->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClicks(pane, "typed");
    QTest::keyClick(pane, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_Backspace);
    QCOMPARE(pane->toPlainText(), QStringLiteral("h!\nX"));
    pane->selectAll();
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("h!\nX"));
}

// Control+Tab and Control+Shift+Tab go from pane to pane; the remote pane takes the focus for reading only.
void TestConversationWindow::panesReachedByKeyboard() {
    CTalkConversation* w = open();
    QVERIFY(connectWindow(w));
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTRY_COMPARE(QApplication::focusWidget(), w->localPane());
    QTest::keyClick(w->localPane(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), w->remotePane());
    QTest::keyClicks(w->remotePane(), "typed");
    QCOMPARE(w->remotePane()->toPlainText(), QString());
    QTest::keyClick(w->remotePane(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), w->localPane());
    QCOMPARE(w->localPane()->toPlainText(), QString());
}

// The pane shows what the decoder keeps: its erases and its trims of the oldest text, whether they reach text
// shown or text still waiting, and long lines in display blocks that copying leaves out.
void TestConversationWindow::remotePaneKeepsWhatTheDecoderKeeps_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("ending");
    QTest::newRow("short lines") << QByteArray("one line\ntwo lines\x08\x08\n").repeated(30) << 64
                                 << "one line\ntwo lin\n";
    // Two erases over a display break, kill-line back to the real line start, word-erase over breaks.
    QTest::newRow("long lines edited") << "x\n" + QByteArray(1001, 'a') + "\x08\x08" + "b\n" + QByteArray(2500, 'k') +
                                              "\x15y " + QByteArray(1500, 'w') + "\x17z"
                                       << (1 << 20) << "\n" + QString(999, u'a') + "b\ny z";
    QTest::newRow("long lines trimmed") << ("l" + QByteArray(2500, 'm') + " ").repeated(3) + "\n" +
                                               QByteArray(1500, 'n')
                                        << 3000 << "m \n" + QString(1500, u'n');
}

void TestConversationWindow::remotePaneKeepsWhatTheDecoderKeeps() {
    QFETCH(QByteArray, stream);
    QFETCH(int, limit);
    QFETCH(QString, ending);
    stream.prepend("\x08\x15\x17");
    // No block is longer than the limit, and none is cut that needs no cut (the first one, which a trim cuts, aside).
    auto bounded = [](const RemotePane& pane) {
        const QTextBlock first = pane.document()->firstBlock();
        for (QTextBlock b = first; b.isValid(); b = b.next())
            if (b.length() - 1 > bounds::DISPLAY_LINE_LIMIT ||
                (RemotePane::continuesLine(b) && b.previous() != first &&
                 b.previous().length() - 1 < bounds::DISPLAY_LINE_LIMIT / 2))
                return false;
        return true;
    };
    for (const int flushEvery : {1, 3, 1000}) {
        RemotePane pane;
        StreamDecoder decoder(limit);
        for (qsizetype at = 0, n = 1; at < stream.size(); at += 5, ++n) {
            pane.ShowReceived(decoder.feed(stream.mid(at, 5)));
            if (n % flushEvery == 0) {
                pane.flushPending();
                QCOMPARE(pane.text(), decoder.plainText());
                QVERIFY(bounded(pane));
            }
        }
        pane.flushPending();
        QCOMPARE(pane.text(), decoder.plainText());
        QVERIFY(bounded(pane));
        QVERIFY(decoder.plainText().endsWith(ending));
        pane.selectAll();
        pane.copy();
        QCOMPARE(QApplication::clipboard()->text(), decoder.plainText());
    }
}

// Lines share blocks of the view, and a long one spans several: a triple click selects the line under it all the same.
void TestConversationWindow::tripleClickSelectsALine_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("line");
    QTest::newRow("a line among others in its block") << QByteArray("one\ntwo two\nthree") << 0 << 5 << "two two\n";
    QTest::newRow("the last line") << QByteArray("one\ntwo two\nthree") << 0 << 14 << "three";
    QTest::newRow("a line in display blocks")
        << "x\n" + QByteArray(2500, 'k') + "\nend" << 2 << 10 << QString(2500, u'k') + "\n";
}

void TestConversationWindow::tripleClickSelectsALine() {
    QFETCH(QByteArray, stream);
    QFETCH(int, block);
    QFETCH(int, offset);
    QFETCH(QString, line);
    RemotePane pane;
    pane.resize(600, 300);
    pane.show();
    StreamDecoder decoder;
    pane.ShowReceived(decoder.feed("\x08\x15\x17" + stream));
    pane.flushPending();
    QTextCursor at(pane.document()->findBlockByNumber(block));
    at.setPosition(at.position() + offset);
    pane.setTextCursor(at);
    pane.ensureCursorVisible();
    const QPoint point = pane.cursorRect().center();
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, point);
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, point);
    pane.copy();
    QCOMPARE(QApplication::clipboard()->text(), line);
}

void TestConversationWindow::escapeAndContextMenus() {
    CTalkConversation* w = open();
    QPointer<CTalkConversation> guard(w);
    QVERIFY(w->start());
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w->localPane(), Qt::Key_Escape);
    QTest::keyClick(w->remotePane(), Qt::Key_Escape);
    QTest::qWait(50);
    QVERIFY(guard && w->isVisible());
    for (QPlainTextEdit* pane :
         {static_cast<QPlainTextEdit*>(w->localPane()), static_cast<QPlainTextEdit*>(w->remotePane())}) {
        QTest::mouseClick(pane->viewport(), Qt::RightButton);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5));
        QApplication::sendEvent(pane->viewport(), &menuEvent);
        QTest::qWait(20);
        QVERIFY(!QApplication::activePopupWidget());
    }
    // The close box ends the conversation.
    w->close();
    QTRY_VERIFY(guard.isNull());
    QTRY_VERIFY(m_remote->types().contains(DELETE));
}

void TestConversationWindow::peerClosesKeepsWindow() {
    CTalkConversation* w = open();
    QTcpSocket* peer = connectWindow(w);
    QVERIFY(peer);
    QTest::keyClicks(w->localPane(), "bye");
    peer->write("\x08\x15\x17see you");
    QTRY_COMPARE(w->remotePane()->toPlainText(), QStringLiteral("see you"));
    peer->disconnectFromHost();
    QTRY_COMPARE(w->statusText(), QStringLiteral("Connection closed."));
    QCOMPARE(w->windowTitle(), QStringLiteral("Murmelo"));
    QVERIFY(w->localPane()->isReadOnly());
    QCOMPARE(w->localPane()->toPlainText(), QStringLiteral("bye"));
    QCOMPARE(w->remotePane()->toPlainText(), QStringLiteral("see you"));
    QVERIFY(w->isVisible());
}

void TestConversationWindow::fontMenu() {
    CTalkConversation* first = open();
    const QFont before = first->remotePane()->font();
    LogFont chosen = m_app->settings().look.localFont;
    chosen.lfHeight = -30;
    chosen.lfWeight = 700;
    m_boxes->nextFont = chosen;
    m_boxes->nextFontColour = 0x0000FF;
    CTalkConversation* second = open();
    second->OnFontsLocal();
    QCOMPARE(second->localPane()->font(), FontConversion::toQFont(chosen));
    QCOMPARE(first->localPane()->font(),
             before == first->remotePane()->font() ? first->localPane()->font() : first->localPane()->font());
    QVERIFY(first->localPane()->font() != FontConversion::toQFont(chosen)); // other open windows keep theirs
    QVERIFY(m_profile->store().readString("Windows", "Local font", QString()).startsWith("-30,"));
    // The new colour is stored and used by windows opened later; this one keeps its own.
    QVERIFY(second->localPane()->palette().color(QPalette::Text) != FontConversion::toQColor(0x0000FF));
    CTalkConversation* third = open();
    QCOMPARE(third->localPane()->font(), FontConversion::toQFont(chosen));
    QCOMPARE(third->localPane()->palette().color(QPalette::Text), FontConversion::toQColor(0x0000FF));
    // Cancel restores the stored record.
    m_boxes->nextFont.reset();
    m_boxes->nextFontColour = 0x00FF00;
    third->OnFontsLocal();
    QCOMPARE(m_app->settings().look.localFont, chosen);
    QCOMPARE(m_app->settings().look.localText, 0x0000FFu);
}

void TestConversationWindow::menuCommands() {
    CTalkConversation* w = open();
    QPointer<CTalkConversation> guard(w);
    QVERIFY(w->start());
    auto item = [&](const QString& menu, const QString& text) -> QAction* {
        for (QAction* a : w->findChild<QMenuBar*>()->actions())
            if (a->text() == menu)
                for (QAction* i : a->menu()->actions())
                    if (i->text() == text)
                        return i;
        return nullptr;
    };
    item("&Help", "&About")->trigger(); // returns at once; the box opens from the event loop
    QCOMPARE(m_app->aboutBoxes, 0);
    QTRY_COMPARE(m_app->aboutBoxes, 1);
    item("&File", "&Close")->trigger();
    QTRY_VERIFY(guard.isNull());
    QTRY_COMPARE(m_remote->types().last(), int(DELETE));
}

void TestConversationWindow::windowListAndRobot() {
    CTalkConversation* w = open(0, false);
    QPointer<QObject> interactive(w);
    QVERIFY(w->start());
    QCOMPARE(m_app->talkWindows().size(), 1);
    QCOMPARE(m_app->talkWindows()[0]->remoteUser(), QStringLiteral("bob"));
    QVERIFY(w->windowFlags() & Qt::Tool);
    CTalkConversation* robot = open(1, false);
    QVERIFY(robot->start());
    QVERIFY(!robot->isVisible());
    QCOMPARE(m_app->talkWindows().size(), 1); // robots are not listed
    w->EndConversation();
    QTRY_VERIFY(interactive.isNull());
    QCOMPARE(m_app->talkWindows().size(), 0);
}

void TestConversationWindow::minimiseHidesWithoutTaskbarButton() {
    CTalkConversation* w = open(0, false);
    w->showMinimized();
    QTRY_VERIFY(!w->isVisible());
    w->restoreToFront();
    QVERIFY(w->isVisible());
    QVERIFY(!w->isMinimized());
}

QTEST_MAIN(TestConversationWindow)
#include "tst_conversationwindow.moc"
