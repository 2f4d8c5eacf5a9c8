// General page.
#include "customize/CPPse.h"

#include "config/Settings.h"
#include "customize/SpinEdit.h"
#include "customize/UninstallProgram.h"
#include "platform/AppContext.h"
#include "platform/MessageBoxService.h"
#include "robot/RobotMessageList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CPPse::CPPse(AppContext& context, QWidget* parent)
    : CustomizePage(INDEX, context.settings(), context.store(), parent), m_context(context) {
    setObjectName(QStringLiteral("CPPse"));

    auto* nameLabel = new QLabel(QStringLiteral("Your full name:"), this);
    m_fullname = new QLineEdit(this);
    m_fullname->setObjectName(QStringLiteral("fullname"));
    nameLabel->setBuddy(m_fullname);

    auto* style = new QGroupBox(QStringLiteral("Connect style:"), this);
    m_old = new QRadioButton(QStringLiteral("O&ld"), style);
    m_old->setObjectName(QStringLiteral("styleOld"));
    m_new = new QRadioButton(QStringLiteral("Ne&w"), style);
    m_new->setObjectName(QStringLiteral("styleNew"));
    m_showlookup = new QCheckBox(QStringLiteral("&Auto connect to found user."), style);
    m_showlookup->setObjectName(QStringLiteral("showlookup"));
    m_talktotop = new QCheckBox(QStringLiteral("&Talk to top user in list."), style);
    m_talktotop->setObjectName(QStringLiteral("talktotop"));
    auto* styleLayout = new QGridLayout(style);
    styleLayout->addWidget(m_old, 0, 0);
    styleLayout->addWidget(m_new, 1, 0);
    styleLayout->addWidget(m_showlookup, 0, 1);
    styleLayout->addWidget(m_talktotop, 1, 1);
    styleLayout->setColumnStretch(1, 1);

    m_urgency = new QCheckBox(QStringLiteral("Default urgenc&y state."), this);
    m_urgency->setObjectName(QStringLiteral("urgency"));
    m_movetotop = new QCheckBox(QStringLiteral("Mo&ve last used callee to top."), this);
    m_movetotop->setObjectName(QStringLiteral("movetotop"));

    auto* redialLabel = new QLabel(QStringLiteral("Locate re&dial interval:"), this);
    m_autowrap = new SpinEdit(this);
    m_autowrap->setObjectName(QStringLiteral("autowrap"));
    m_autowrap->setMinimumWidth(60);
    redialLabel->setBuddy(m_autowrap);
    auto* redial = new QHBoxLayout;
    redial->addWidget(redialLabel);
    redial->addWidget(m_autowrap);
    redial->addWidget(new QLabel(QStringLiteral("seconds."), this));
    redial->addStretch(1);

    auto* uninstallBox = new QGroupBox(this);
    m_uninstall = new QPushButton(QStringLiteral("&Uninstall."), uninstallBox);
    m_uninstall->setObjectName(QStringLiteral("uninstall"));
    m_uninstall->setAutoDefault(false);
    auto* uninstallLayout = new QHBoxLayout(uninstallBox);
    uninstallLayout->addWidget(m_uninstall);
    auto* uninstallText =
        new QLabel(QStringLiteral("Press this button to uninstall and exit the program."), uninstallBox);
    uninstallText->setWordWrap(true);
    uninstallLayout->addWidget(uninstallText, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameLabel);
    layout->addWidget(m_fullname);
    layout->addWidget(style);
    layout->addWidget(m_urgency);
    layout->addWidget(m_movetotop);
    layout->addLayout(redial);
    layout->addStretch(1);
    layout->addWidget(uninstallBox);

    connect(m_old, &QRadioButton::clicked, this, &CPPse::OnConnectStyle);
    connect(m_new, &QRadioButton::clicked, this, &CPPse::OnConnectStyle);
    connect(m_urgency, &QCheckBox::clicked, this, [this] { commit(false); });
    connect(m_uninstall, &QPushButton::clicked, this, &CPPse::OnUninstall);
}

void CPPse::initialise() {
    m_autowrap->setRange(Settings::AUTOWRAP_MIN, Settings::AUTOWRAP_MAX);
    refresh();
    // Both options are offered when the page opens, whatever the style; only a style click changes that.
    m_showlookup->setEnabled(true);
    m_talktotop->setEnabled(true);
}

void CPPse::refresh() {
    m_fullname->setText(m_settings.fullname);
    m_old->setChecked(m_settings.newstyle == 0);
    m_new->setChecked(m_settings.newstyle == 1);
    m_showlookup->setChecked(m_settings.showlookup != 0);
    m_talktotop->setChecked(m_settings.talktotop != 0);
    m_urgency->setChecked(m_settings.urgency != 0);
    m_movetotop->setChecked(m_settings.movetotop != 0);
    m_autowrap->setValue(m_settings.autowrap);
}

bool CPPse::commit(bool validate) {
    m_settings.fullname = m_fullname->text();
    if (m_old->isChecked())
        m_settings.newstyle = 0;
    else if (m_new->isChecked())
        m_settings.newstyle = 1;
    m_settings.showlookup = m_showlookup->isChecked() ? 1 : 0;
    m_settings.talktotop = m_talktotop->isChecked() ? 1 : 0;
    m_settings.urgency = m_urgency->isChecked() ? 1 : 0;
    m_settings.movetotop = m_movetotop->isChecked() ? 1 : 0;
    return commitInteger(m_autowrap, Settings::AUTOWRAP_MIN, Settings::AUTOWRAP_MAX, m_settings.autowrap, validate);
}

void CPPse::OnConnectStyle() {
    commit(false);
    const bool newStyle = m_settings.newstyle == 1;
    if (!newStyle) {
        m_settings.showlookup = 0;
        m_settings.talktotop = 0;
    }
    m_showlookup->setEnabled(newStyle);
    m_talktotop->setEnabled(newStyle);
    if (!newStyle)
        refresh();
}

void CPPse::OnUninstall() {
    // The boxes run event loops: the page may be gone when they return, the shell is not.
    QPointer<CPPse> self(this);
    AppContext& app = m_context;
    MessageBoxService& boxes = MessageBoxService::instance();
    if (!app.messages().isEmpty()) {
        MessageBoxService::Request r;
        r.title = QString::fromLatin1(MessageBoxService::APPLICATION_TITLE);
        r.text = UninstallProgram::MESSAGES_WAIT;
        r.icon = MessageBoxService::Icon::Question;
        r.buttons = MessageBoxService::Yes | MessageBoxService::No;
        r.defaultButton = MessageBoxService::No;
        r.owner = this;
        if (boxes.ask(r) != MessageBoxService::Yes) {
            app.openMessageMonitor();
            return;
        }
        if (!self)
            return;
    }
    MessageBoxService::Request r;
    r.title = UninstallProgram::CAPTION;
    r.text = UninstallProgram::QUESTION;
    r.icon = MessageBoxService::Icon::Question;
    r.buttons = MessageBoxService::Yes | MessageBoxService::No;
    r.defaultButton = MessageBoxService::No;
    r.owner = this;
    if (boxes.ask(r) != MessageBoxService::Yes)
        return;
    // The program quits once the user has confirmed, whatever happened to the sheet meanwhile.
    UninstallProgram::removeEverything(app.store(), app.messageStore());
    if (self)
        emit uninstalled();
    app.requestQuit(0);
}
