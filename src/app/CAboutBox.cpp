// About box.
#include "app/CAboutBox.h"

#include "app/AppIcons.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("Murmelo"));

    auto* frame = new QGroupBox(QStringLiteral("About"), this);
    auto* icon = new QLabel(frame);
    icon->setPixmap(AppIcons::application().pixmap(48, 48));
    auto* credit = new QLabel(QStringLiteral("Murmelo talks with the users of Unix systems, character by character.\n"
                                             "Made by the Murmelo team."),
                              frame);
    auto* version = new QLabel(QString::fromLatin1(VERSION_LINE), frame);
    version->setObjectName(QStringLiteral("versionLine"));
    auto* texts = new QVBoxLayout;
    texts->addWidget(credit);
    texts->addWidget(version);
    auto* inner = new QHBoxLayout(frame);
    inner->addWidget(icon, 0, Qt::AlignTop);
    inner->addLayout(texts);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
