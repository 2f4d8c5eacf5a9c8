// The incoming request prompt.
#include "daemon/CRequestPrompt.h"

#include "config/CallerRules.h"
#include "config/Settings.h"
#include "daemon/CTalkDaemon.h"
#include "platform/AppContext.h"
#include "platform/ShownText.h"
#include "platform/gui/FocusGuard.h"
#include "platform/gui/NotificationSound.h"
#include "robot/RobotMessageList.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

bool CRequestPrompt::messageBoxFull() const {
    return m_context.messages().isFull();
}

CRequestPrompt::CRequestPrompt(AppContext& context, CTalkDaemon* daemon, int action, const QString& host,
                               const WireName& name, int robotDelay, QWidget* owner)
    : QDialog(owner, Qt::Dialog), m_context(context), m_action(action), m_host(host), m_name(name), m_daemon(daemon) {
    setObjectName(QStringLiteral("requestPrompt"));
    setWindowTitle(TITLE);

    if (m_daemon) {
        m_daemon->AddPrompt(this, m_name.text, m_host);
        connect(m_daemon, &CTalkDaemon::closePrompts, this, [this](const QString& n, const QString& h) {
            if (CallerRules::equalsIgnoringAsciiCase(n, m_name.text) && CallerRules::equalsIgnoringAsciiCase(h, m_host))
                ignoreCall();
        });
    }

    // The body: the program's icon at the left, beside the framed caller text and the question.
    auto* layout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    // The window's icon: the program's own, which every window of the program wears.
    icon->setPixmap(windowIcon().pixmap(QSize(iconSize, iconSize), devicePixelRatio()));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    body->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("callerFrame"));
    frame->setFrameShape(QFrame::StyledPanel);
    auto* frameLayout = new QVBoxLayout(frame);
    m_callerText = new QLabel(frame);
    m_callerText->setObjectName(QStringLiteral("callerText"));
    // Names and hosts come from the network: never rendered as rich text.
    m_callerText->setTextFormat(Qt::PlainText);
    m_callerText->setAlignment(Qt::AlignCenter);
    frameLayout->addWidget(m_callerText);
    text->addWidget(frame);
    auto* question = new QLabel(QStringLiteral("Would you..."), this);
    question->setObjectName(QStringLiteral("question"));
    text->addWidget(question);
    body->addLayout(text, 1);
    layout->addLayout(body);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* talk = buttons->addButton(QStringLiteral("&Talk"), QDialogButtonBox::AcceptRole);
    talk->setObjectName(QStringLiteral("talkButton"));
    talk->setDefault(true);
    QPushButton* ignore = buttons->addButton(QStringLiteral("&Ignore"), QDialogButtonBox::RejectRole);
    ignore->setObjectName(QStringLiteral("ignoreButton"));
    connect(talk, &QPushButton::clicked, this, &CRequestPrompt::acceptCall);
    connect(ignore, &QPushButton::clicked, this, &CRequestPrompt::ignoreCall);
    layout->addWidget(buttons);
    // As large as its contents and no larger: a tiling window manager (sway) floats a window of fixed size instead of
    // giving a two-line question half the screen.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_robotTimer.setSingleShot(true);
    connect(&m_robotTimer, &QTimer::timeout, this, &CRequestPrompt::robotDelayElapsed);

    const bool robotOn = m_context.messages().robotTakesCalls(m_context.robotSwitch());
    if (robotOn) {
        // The robot takes every call at once: no sound, no window.
        QMetaObject::invokeMethod(
            this, [this] { startByItself(1); }, Qt::QueuedConnection);
        return;
    }
    // Nobody answers within the robot delay: the robot takes the call. With a full message box no delay runs out.
    if (!messageBoxFull())
        m_robotTimer.start(robotDelay * 1000);
    PlayNotificationSound(m_context.settings());
    if (m_action == ACTION_CONNECT) {
        QMetaObject::invokeMethod(
            this, [this] { startByItself(0); }, Qt::QueuedConnection);
        return;
    }
    showToUser();
}

void CRequestPrompt::showToUser() {
    m_callerText->setText(callerText());
    m_callerText->setAccessibleName(TITLE + QLatin1Char(' ') + callerText());
    // A call comes whenever it comes: the user typing into another window must never answer it by a key.
    FocusGuard::show(this);
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
    const int mode = m_context.messages().robotTakesCalls(m_context.robotSwitch()) ? 1 : 0;
    m_robotTimer.stop();
    finish();
    m_context.startConversation(mode, m_host, m_name);
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
    if (!m_context.settings().playsound)
        PlayBeep();
    PlayNotificationSound(m_context.settings());
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
        m_context.startConversation(mode, m_host, m_name);
        return;
    }
    // Bounded: a prompt that would start one conversation too many stays as it is until one ends.
    m_waiting = true;
    const QPointer<CRequestPrompt> self(this);
    AppContext* context = &m_context;
    const QString host = m_host;
    const WireName name = m_name;
    m_daemon->autoConversations().request(this, m_host, [self, context, mode, host, name]() -> QObject* {
        if (!self || self->m_done)
            return nullptr;
        self->m_waiting = false;
        if (mode == 1 && self->messageBoxFull()) {
            self->ringAsIfRobotOff();
            return nullptr;
        }
        self->finish();
        return context->startConversation(mode, host, name);
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
