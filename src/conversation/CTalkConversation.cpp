// The conversation window: building it, driving the engine, the menu commands and the keyboard rules.
#include "conversation/CTalkConversation.h"

#include "config/Settings.h"
#include "conversation/ConversationEngine.h"
#include "conversation/LocalPane.h"
#include "conversation/RemotePane.h"
#include "conversation/RemoteSpeech.h"
#include "platform/AppContext.h"
#include "platform/ShownText.h"
#include "platform/gui/DesktopSpeech.h"
#include "platform/gui/FontConversion.h"
#include "platform/gui/NotificationSound.h"
#include "platform/gui/PaneSplitter.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

CTalkConversation::CTalkConversation(AppContext& context, int mode, const QString& host, const WireName& user,
                                     bool taskbar, QWidget* owner)
    : QDialog(owner), m_context(context), m_mode(mode == 1 ? 1 : 0), m_taskbar(taskbar), m_host(host), m_user(user),
      m_placement(context.store(), PLACEMENT_NAME) {
    // A top-level window of its own; without a task-bar button when the setting says so.
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                            Qt::WindowCloseButtonHint;
    if (!m_taskbar)
        flags |= Qt::Tool;
    setWindowFlags(flags);
    setWindowTitle(QString::fromLatin1("Murmelo"));
    setSizeGripEnabled(false);
    m_look = context.settings().look;

    m_engine = new ConversationEngine(context, m_mode, host, user);
    m_engine->setBoxOwner(this);
    connect(m_engine, &ConversationEngine::statusChanged, this,
            [this](const QString& t) { m_statusLabel->setText(t); });
    connect(m_engine, &ConversationEngine::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title);
        nameRemotePane(); // the peer may answer by another name than the one called
    });
    connect(m_engine, &ConversationEngine::connectedToPeer, this, &CTalkConversation::onConnected);
    connect(m_engine, &ConversationEngine::remoteEdits, this, [this](const RemoteEdits& edits) {
        m_remotePane->ShowReceived(edits);
        if (m_speech && QAccessible::isActive())
            m_speech->take(edits);
    });
    connect(m_engine, &ConversationEngine::localTextSet, this, [this](const QString& text) {
        m_settingLocalText = true;
        m_localPane->setPlainText(text);
        m_settingLocalText = false;
    });
    connect(m_engine, &ConversationEngine::peerClosed, this, &CTalkConversation::onPeerClosed);
    connect(m_engine, &ConversationEngine::released, this, &CTalkConversation::onReleased);

    buildWidgets();
    buildMenu();
    if (m_mode == 0) {
        // A screen reader does not read changes of a pane without the focus: the peer's text is spoken.
        // Each window speaks as its own owner, with its own budget; closing it silences it.
        const auto owner = quintptr(this);
        m_speech = new RemoteSpeech([owner](const QString& text) { DesktopSpeech::say(owner, text); }, this);
        applyLook();
        place();
        if (!m_taskbar)
            m_context.addTalkWindow(this);
        show();
        raise();
        activateWindow();
    }
}

CTalkConversation::~CTalkConversation() {
    m_context.removeTalkWindow(this);
    if (m_speech)
        DesktopSpeech::cancel(quintptr(this));
    // A window destroyed from outside (the program quitting) still ends its conversation properly.
    if (m_engine && !m_engine->isReleased()) {
        m_engine->disconnect(this);
        m_engine->EndConversation();
    }
}

bool CTalkConversation::start() {
    QPointer<CTalkConversation> self(this);
    const bool ok = m_engine && m_engine->start();
    return ok && self && !m_released;
}

void CTalkConversation::buildWidgets() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    layout->setMenuBar(m_menuBar);
    m_client = new QWidget(this);
    layout->addWidget(m_client);
    m_client->installEventFilter(this);

    m_remotePane = new RemotePane(m_client);
    m_remotePane->setObjectName(QStringLiteral("remotePane"));
    m_localPane = new LocalPane(m_client);
    m_localPane->setObjectName(QStringLiteral("localPane"));
    m_localPane->setAccessibleName(QStringLiteral("Your text"));
    nameRemotePane();
    m_localPane->setEnabled(false);
    m_remotePane->viewport()->installEventFilter(this);
    m_localPane->viewport()->installEventFilter(this);
    connect(m_localPane->document(), &QTextDocument::contentsChange, this, &CTalkConversation::onLocalContentsChange);
    connect(m_localPane, &LocalPane::editCharTyped, this, [this](char c) {
        if (m_engine)
            m_engine->localEditChar(c);
    });

    m_splitter = new PaneSplitter(SPLITTER_MARGIN, m_client);
    m_splitter->onDrag = [this](int y) { dragSplitterTo(y); };

    m_statusBar = new QStatusBar(m_client);
    m_statusBar->setSizeGripEnabled(true);
    m_statusLabel = new QLabel(m_statusBar);
    m_statusLabel->setTextFormat(Qt::PlainText); // host names come from users and the network
    m_statusLabel->setObjectName(QStringLiteral("statusText"));
    m_statusBar->addWidget(m_statusLabel, 1);
}

void CTalkConversation::buildMenu() {
    QMenu* file = m_menuBar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Close"), this, &CTalkConversation::EndConversation);
    QMenu* fonts = m_menuBar->addMenu(QStringLiteral("&Fonts"));
    fonts->addAction(QStringLiteral("&Local"), this, &CTalkConversation::OnFontsLocal);
    fonts->addAction(QStringLiteral("&Remote"), this, &CTalkConversation::OnFontsRemote);
    QMenu* help = m_menuBar->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&About"), this, &CTalkConversation::OnAbout);
}

void CTalkConversation::applyLook() {
    auto paint = [](QPlainTextEdit* pane, std::uint32_t text, std::uint32_t back) {
        QPalette p = pane->palette();
        p.setColor(QPalette::Base, FontConversion::toQColor(back));
        p.setColor(QPalette::Text, FontConversion::toQColor(text));
        pane->setPalette(p);
    };
    paint(m_localPane, m_look.localText, m_look.localBack);
    paint(m_remotePane, m_look.remoteText, m_look.remoteBack);
    m_localPane->setFont(FontConversion::toQFont(m_context.settings().look.localFont));
    m_remotePane->setFont(FontConversion::toQFont(m_context.settings().look.remoteFont));
}

int CTalkConversation::splitterPosition() const {
    return m_splitter->position();
}
double CTalkConversation::splitterRatio() const {
    return m_splitter->ratio();
}

void CTalkConversation::nameRemotePane() {
    m_remotePane->setAccessibleName(QStringLiteral("Text from ") + ShownText::caretForm(remoteUser()) +
                                    QStringLiteral(" at ") + ShownText::caretForm(m_host));
}

QString CTalkConversation::statusText() const {
    return m_statusLabel->text();
}
QString CTalkConversation::remoteUser() const {
    return m_engine ? m_engine->remoteUser() : m_user.text;
}
QString CTalkConversation::remoteHost() const {
    return m_host;
}

void CTalkConversation::restoreToFront() {
    showNormal();
    raise();
    activateWindow();
}

// The local pane's changes go to the peer: what changed, from where, to the end of the text.
void CTalkConversation::onLocalContentsChange(int position, int removed, int added) {
    Q_UNUSED(removed);
    Q_UNUSED(added);
    if (m_settingLocalText || !m_engine)
        return;
    QTextCursor c(m_localPane->document());
    c.setPosition(position);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    QPointer<CTalkConversation> self(this);
    m_engine->SendTypedText(position, c.selectedText());
}

void CTalkConversation::onConnected() {
    m_localPane->setEnabled(true);
    m_localPane->setFocus();
}

void CTalkConversation::onPeerClosed() {
    PlayBeep();
    m_localPane->setReadOnly(true);
}

void CTalkConversation::onReleased() {
    m_released = true;
    if (m_speech)
        DesktopSpeech::cancel(quintptr(this));
    m_context.removeTalkWindow(this);
    hide();
    deleteLater();
}

void CTalkConversation::EndConversation() {
    if (m_engine && !m_engine->isReleased())
        m_engine->EndConversation();
    else
        onReleased();
}

void CTalkConversation::OnFontsLocal() {
    QPointer<CTalkConversation> self(this);
    Settings& s = m_context.settings();
    if (ChooseWindowFont(s.look, true, this))
        WriteFontRecord(m_context.store(), FontRecords::LOCAL_FONT, s.look.localFont, s.look);
    else
        ReadFontRecord(m_context.store(), FontRecords::LOCAL_FONT, s.look.localFont, s.look);
    if (self)
        m_localPane->setFont(FontConversion::toQFont(s.look.localFont));
}

void CTalkConversation::OnFontsRemote() {
    QPointer<CTalkConversation> self(this);
    Settings& s = m_context.settings();
    if (ChooseWindowFont(s.look, false, this))
        WriteFontRecord(m_context.store(), FontRecords::REMOTE_FONT, s.look.remoteFont, s.look);
    else
        ReadFontRecord(m_context.store(), FontRecords::REMOTE_FONT, s.look.remoteFont, s.look);
    if (self)
        m_remotePane->setFont(FontConversion::toQFont(s.look.remoteFont));
}

void CTalkConversation::OnAbout() {
    // Posted, as the tray's command: the About box waits in its own loop, which must not run inside this
    // window's menu handler (the window may be gone when it returns).
    AppContext* context = &m_context;
    QTimer::singleShot(0, qApp, [context] { context->showAbout(); });
}

void CTalkConversation::closeEvent(QCloseEvent* event) {
    event->ignore();
    EndConversation();
}

void CTalkConversation::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape never closes the window
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTalkConversation::reject() {
    // Reached by Escape: the window stays. The close box and File/Close end the conversation instead.
}

bool CTalkConversation::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize) {
        if (!isMinimized())
            layOut();
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        // A right click shows no menu and does nothing else either.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
