// Appearance page.
#include "customize/CPPap.h"

#include "config/FontRecords.h"
#include "config/Settings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Two buttons of each group read "Local window" and "Remote window": the name says which group too.
QPushButton* button(const QString& text, const QString& name, const QString& accessibleName, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAccessibleName(accessibleName);
    b->setAutoDefault(false);
    return b;
}

} // namespace

CPPap::CPPap(Settings& settings, ProfileStore& store, QWidget* parent) : CustomizePage(INDEX, settings, store, parent) {
    setObjectName(QStringLiteral("CPPap"));

    auto* fonts = new QGroupBox(QStringLiteral("Choose fonts:"), this);
    auto* localFont =
        button(QStringLiteral("Local window"), QStringLiteral("localFont"), QStringLiteral("Local window font"), fonts);
    auto* remoteFont = button(QStringLiteral("Remote window"), QStringLiteral("remoteFont"),
                              QStringLiteral("Remote window font"), fonts);
    auto* fontRow = new QHBoxLayout(fonts);
    fontRow->addWidget(localFont);
    fontRow->addWidget(remoteFont);

    auto* colours = new QGroupBox(QStringLiteral("Alter background colors:"), this);
    auto* localBack = button(QStringLiteral("Local window"), QStringLiteral("localBack"),
                             QStringLiteral("Local window background colour"), colours);
    auto* remoteBack = button(QStringLiteral("Remote window"), QStringLiteral("remoteBack"),
                              QStringLiteral("Remote window background colour"), colours);
    auto* colourRow = new QHBoxLayout(colours);
    colourRow->addWidget(localBack);
    colourRow->addWidget(remoteBack);

    m_topmostlocate = new QCheckBox(QStringLiteral("L&ocate dialog always on top."), this);
    m_topmostlocate->setObjectName(QStringLiteral("topmostlocate"));
    m_taskbar = new QCheckBox(QStringLiteral("&Use taskbar buttons for talk dialogs."), this);
    m_taskbar->setObjectName(QStringLiteral("taskbar"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts);
    layout->addWidget(colours);
    layout->addWidget(m_topmostlocate);
    layout->addWidget(m_taskbar);
    layout->addStretch(1);

    connect(localFont, &QPushButton::clicked, this, [this] { OnFont(true); });
    connect(remoteFont, &QPushButton::clicked, this, [this] { OnFont(false); });
    connect(localBack, &QPushButton::clicked, this, [this] { OnBackground(true); });
    connect(remoteBack, &QPushButton::clicked, this, [this] { OnBackground(false); });
}

void CPPap::refresh() {
    m_topmostlocate->setChecked(m_settings.topmostlocate != 0);
    m_taskbar->setChecked(m_settings.taskbar != 0);
}

bool CPPap::commit(bool) {
    m_settings.topmostlocate = m_topmostlocate->isChecked() ? 1 : 0;
    m_settings.taskbar = m_taskbar->isChecked() ? 1 : 0;
    return true;
}

void CPPap::OnFont(bool localPane) {
    QPointer<CPPap> self(this);
    ConversationLook& look = m_settings.look;
    if (ChooseWindowFont(look, localPane, this) || !self)
        return;
    // Re-reading the font re-reads the colour record too: unsaved colour choices are undone as well.
    ReadFontRecord(m_store, localPane ? FontRecords::LOCAL_FONT : FontRecords::REMOTE_FONT,
                   localPane ? look.localFont : look.remoteFont, look);
}

void CPPap::OnBackground(bool localPane) {
    ConversationLook& look = m_settings.look;
    ChooseWindowColour(localPane ? look.localBack : look.remoteBack, this);
}
