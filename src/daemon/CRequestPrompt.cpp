// The incoming request prompt.
#include "daemon/CRequestPrompt.h"

#include "app/AppIcons.h"
#include "app/CTalkApp.h"
#include "config/CallerRules.h"
#include "daemon/CTalkDaemon.h"
#include "platform/ShownText.h"
#include "robot/NotificationSound.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

CRequestPrompt::Starter& starter() {
    static CRequestPrompt::Starter s;
    return s;
}

// The message list is full: the robot takes no call, and a call rings as if the robot were off.
bool messageBoxFull() {
    CTalkApp* app = CTalkApp::instance();
    return app && app->core().messages().isFull();
}

} // namespace

void CRequestPrompt::setStarter(Starter s) {
    starter() = std::move(s);
}

QObject* CRequestPrompt::start(int mode, const QString& host, const WireName& user) {
    if (starter())
        return starter()(mode, host, user);
    CTalkApp* app = CTalkApp::instance();
    return app ? app->StartConversation(mode, host, user) : nullptr;
}

CRequestPrompt::CRequestPrompt(int action, const QString& host, const WireName& name, int robotDelay, QWidget* owner)
    : QDialog(owner, Qt::Dialog), m_action(action), m_host(host), m_name(name) {
    setObjectName(QStringLiteral("requestPrompt"));
    setWindowTitle(TITLE);
    setWindowIcon(AppIcons::application());

    CTalkApp* app = CTalkApp::instance();
    m_daemon = app ? app->daemon() : nullptr;
    if (m_daemon) {
        m_daemon->AddPrompt(this, m_name.text, m_host);
        connect(m_daemon, &CTalkDaemon::closePrompts, this, [this](const QString& n, const QString& h) {
            if (CallerRules::equalsIgnoringAsciiCase(n, m_name.text) && CallerRules::equalsIgnoringAsciiCase(h, m_host))
                ignoreCall();
        });
    }

    auto* layout = new QVBoxLayout(this);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* frameLayout = new QVBoxLayout(frame);
    m_callerText = new QLabel(frame);
    m_callerText->setObjectName(QStringLiteral("callerText"));
    // Names and hosts come from the network: never rendered as rich text.
    m_callerText->setTextFormat(Qt::PlainText);
    m_callerText->setAlignment(Qt::AlignCenter);
    frameLayout->addWidget(m_callerText);
    layout->addWidget(frame);
    auto* question = new QLabel(QStringLiteral("Would you..."), this);
    layout->addWidget(question);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* talk = buttons->addButton(QStringLiteral("&Talk"), QDialogButtonBox::AcceptRole);
    talk->setObjectName(QStringLiteral("talkButton"));
    talk->setDefault(true);
    QPushButton* ignore = buttons->addButton(QStringLiteral("&Ignore"), QDialogButtonBox::RejectRole);
    ignore->setObjectName(QStringLiteral("ignoreButton"));
    connect(talk, &QPushButton::clicked, this, &CRequestPrompt::acceptCall);
    connect(ignore, &QPushButton::clicked, this, &CRequestPrompt::ignoreCall);
    layout->addWidget(buttons);

    m_robotTimer.setSingleShot(true);
    connect(&m_robotTimer, &QTimer::timeout, this, &CRequestPrompt::robotDelayElapsed);

    const bool robotOn = app && app->core().robotTakesCalls();
    if (robotOn) {
        // The robot takes every call at once: no sound, no window.
        QMetaObject::invokeMethod(
            this, [this] { startByItself(1); }, Qt::QueuedConnection);
        return;
    }
    // Nobody answers within the robot delay: the robot takes the call. With a full message box no delay runs out.
    if (!messageBoxFull())
        m_robotTimer.start(robotDelay * 1000);
    if (app)
        PlayNotificationSound(app->settings());
    if (m_action == ACTION_CONNECT) {
        QMetaObject::invokeMethod(
            this, [this] { startByItself(0); }, Qt::QueuedConnection);
        return;
    }
    showToUser();
}

void CRequestPrompt::showToUser() {
    m_callerText->setText(callerText());
    show();
    raise();
    activateWindow();
}

CRequestPrompt::~CRequestPrompt() {
    if (m_daemon) {
        m_daemon->autoConversations().cancel(this);
        m_daemon->RemovePrompt(this);
    }
}

QString CRequestPrompt::callerText() const {
    return ShownText::caretForm(m_name.text) + QStringLiteral(" at ") + ShownText::caretForm(m_host);
}

void CRequestPrompt::acceptCall() {
    if (m_done)
        return;
    CTalkApp* app = CTalkApp::instance();
    const int mode = app && app->core().robotTakesCalls() ? 1 : 0;
    m_robotTimer.stop();
    finish();
    start(mode, m_host, m_name);
}

void CRequestPrompt::ignoreCall() {
    if (m_done)
        return;
    m_robotTimer.stop();
    finish();
}

void CRequestPrompt::reject() {
    ignoreCall();
}

void CRequestPrompt::robotDelayElapsed() {
    if (!m_waiting && !messageBoxFull())
        startByItself(1);
}

void CRequestPrompt::ringAsIfRobotOff() {
    if (isVisible())
        return;
    if (CTalkApp* app = CTalkApp::instance()) {
        if (!app->settings().playsound)
            PlayBeep();
        PlayNotificationSound(app->settings());
    }
    showToUser();
}

void CRequestPrompt::startByItself(int mode) {
    if (m_done || m_waiting)
        return;
    m_robotTimer.stop();
    // The message box filled up since the robot was meant to take the call (other robots hold places).
    if (mode == 1 && messageBoxFull()) {
        ringAsIfRobotOff();
        return;
    }
    if (!m_daemon) {
        finish();
        start(mode, m_host, m_name);
        return;
    }
    // Bounded: a prompt that would start one conversation too many stays as it is until one ends.
    m_waiting = true;
    const QPointer<CRequestPrompt> self(this);
    const QString host = m_host;
    const WireName name = m_name;
    m_daemon->autoConversations().request(this, m_host, [self, mode, host, name]() -> QObject* {
        if (!self || self->m_done)
            return nullptr;
        self->m_waiting = false;
        if (mode == 1 && messageBoxFull()) {
            self->ringAsIfRobotOff();
            return nullptr;
        }
        self->finish();
        return start(mode, host, name);
    });
}

void CRequestPrompt::finish() {
    m_done = true;
    if (m_daemon) {
        m_daemon->autoConversations().cancel(this);
        // Off the list at once: the caller's next announcement may ring again.
        m_daemon->RemovePrompt(this);
    }
    hide();
    deleteLater();
}
