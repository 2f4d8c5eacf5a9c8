// Talk robot page.
#include "customize/CPPtr.h"

#include "config/Settings.h"
#include "customize/SpinEdit.h"
#include "platform/MessageBoxService.h"
#include "platform/gui/FontConversion.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

CPPtr::CPPtr(Settings& settings, ProfileStore& store, QWidget* parent) : CustomizePage(INDEX, settings, store, parent) {
    setObjectName(QStringLiteral("CPPtr"));

    m_talkrobotmode = new QCheckBox(QStringLiteral("&Enabled on startup."), this);
    m_talkrobotmode->setObjectName(QStringLiteral("talkrobotmode"));
    auto* textLabel = new QLabel(QStringLiteral("Talk robot text:"), this);
    m_autotext = new QPlainTextEdit(this);
    m_autotext->setObjectName(QStringLiteral("autotext"));
    m_autotext->setTabChangesFocus(true); // the greeting needs no tabs; the keyboard must get past it
    textLabel->setBuddy(m_autotext);

    auto* delayLabel = new QLabel(QStringLiteral("Activate &local talk robot on no answer during"), this);
    m_ltra = new SpinEdit(this);
    m_ltra->setObjectName(QStringLiteral("ltra"));
    m_ltra->setMinimumWidth(60);
    delayLabel->setBuddy(m_ltra);
    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(delayLabel);
    delayRow->addWidget(m_ltra);
    delayRow->addWidget(new QLabel(QStringLiteral("seconds"), this));
    delayRow->addStretch(1);

    m_saveinfile = new QCheckBox(QStringLiteral("Copy &messages to:"), this);
    m_saveinfile->setObjectName(QStringLiteral("saveinfile"));
    m_msgfile = new QLineEdit(this);
    m_msgfile->setObjectName(QStringLiteral("msgfile"));
    m_msgfile->setAccessibleName(QStringLiteral("Message copy file"));
    // Only "&Browse" changes the container's name.
    m_msgfile->setReadOnly(true);
    m_msgfile->setEnabled(false);
    m_browse = new QPushButton(QStringLiteral("&Browse"), this);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setAutoDefault(false);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_saveinfile);
    fileRow->addWidget(m_msgfile, 1);
    fileRow->addWidget(m_browse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_talkrobotmode);
    layout->addWidget(textLabel);
    layout->addWidget(m_autotext, 1);
    layout->addLayout(delayRow);
    layout->addLayout(fileRow);

    connect(m_talkrobotmode, &QCheckBox::clicked, this, [this] { commit(false); });
    connect(m_saveinfile, &QCheckBox::clicked, this, &CPPtr::OnCopyMessages);
    connect(m_browse, &QPushButton::clicked, this, &CPPtr::OnBrowse);
}

QString CPPtr::toStored(const QString& shown) {
    QString text = shown;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

QString CPPtr::toShown(const QString& stored) {
    QString text = stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void CPPtr::initialise() {
    m_ltra->setRange(Settings::LTRA_MIN, Settings::LTRA_MAX);
    dressText();
    refresh();
    OnCopyMessages();
}

void CPPtr::showEvent(QShowEvent* event) {
    // The Appearance page may have changed the remote font or colours since the page was last shown.
    dressText();
    CustomizePage::showEvent(event);
}

void CPPtr::dressText() {
    const ConversationLook& look = m_settings.look;
    m_autotext->setFont(FontConversion::toQFont(look.remoteFont));
    QPalette palette = m_autotext->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, FontConversion::toQColor(look.remoteBack));
        palette.setColor(group, QPalette::Text, FontConversion::toQColor(look.remoteText));
    }
    m_autotext->setPalette(palette);
}

void CPPtr::refresh() {
    m_talkrobotmode->setChecked(m_settings.talkrobotmode != 0);
    if (toStored(m_autotext->toPlainText()) != m_settings.autotext)
        m_autotext->setPlainText(toShown(m_settings.autotext));
    m_ltra->setValue(m_settings.ltra);
    m_saveinfile->setChecked(m_settings.saveinfile != 0);
    m_msgfile->setText(m_settings.msgfile);
}

bool CPPtr::commit(bool validate) {
    m_settings.talkrobotmode = m_talkrobotmode->isChecked() ? 1 : 0;
    m_settings.autotext = toStored(m_autotext->toPlainText());
    if (!commitInteger(m_ltra, Settings::LTRA_MIN, Settings::LTRA_MAX, m_settings.ltra, validate))
        return false;
    m_settings.saveinfile = m_saveinfile->isChecked() ? 1 : 0;
    m_settings.msgfile = m_msgfile->text();
    return true;
}

void CPPtr::OnCopyMessages() {
    commit(false);
    m_browse->setEnabled(m_settings.saveinfile != 0);
}

void CPPtr::OnBrowse() {
    commit(false);
    QPointer<CPPtr> self(this);
    QString path;
    if (!MessageBoxService::instance().chooseOpenFile(path, QStringLiteral("Murmelo: choose message container."),
                                                      QStringLiteral("Murmelo message container files (*.TXT)"),
                                                      QStringLiteral("txt"), this) ||
        !self)
        return;
    m_settings.msgfile = path;
    refresh();
}
