// The person dialog.
#include "conversation/CPersonDialog.h"

#include "config/AddressBook.h"
#include "config/Settings.h"
#include "platform/AppContext.h"
#include "platform/ProfileStore.h"
#include "platform/gui/AccessibleNames.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/ReturnPressesButton.h"
#include "platform/gui/WindowPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

CPersonDialog::CPersonDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_store(context.store()), m_settings(context.settings()) {
    setObjectName(QStringLiteral("personDialog"));
    setWindowTitle(QStringLiteral("Talk to..."));
    setAttribute(Qt::WA_DeleteOnClose);

    m_person = new QComboBox(this);
    m_person->setObjectName(QStringLiteral("person"));
    m_person->setEditable(true);
    m_person->setInsertPolicy(QComboBox::NoInsert);
    m_person->setMinimumContentsLength(24);
    m_person->lineEdit()->setMaxLength(TEXT_LIMIT);
    AccessibleNames::nameComboBox(m_person, QStringLiteral("Person"));
    m_urgent = new QCheckBox(QStringLiteral("&Urgent!"), this);
    m_urgent->setObjectName(QStringLiteral("urgent"));
    m_talk = new QPushButton(QStringLiteral("&Talk"), this);
    m_talk->setObjectName(QStringLiteral("talk"));
    m_talk->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_person, 0, 0);
    grid->addWidget(m_talk, 0, 1);
    grid->addWidget(m_urgent, 1, 0);
    grid->addWidget(m_cancel, 1, 1);
    grid->setColumnStretch(0, 1);
    // Not resizable: the size its controls ask for.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_talk, &QPushButton::clicked, this, &QDialog::accept);
    ReturnPressesButton::install(m_person, m_talk);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The top person first; the empty entry stays last.
    const QStringList persons = ListPersonsTopFirst(m_store);
    m_person->addItems(persons);
    m_person->addItem(QString());
    m_person->setCurrentIndex(persons.isEmpty() ? -1 : 0);
    if (persons.isEmpty())
        m_person->setEditText(QString());
    m_urgent->setChecked(m_settings.urgency != 0);
    m_person->setFocus();
}

CPersonDialog* CPersonDialog::openNew(AppContext& context) {
    ProfileStore& store = context.store();
    const int x = store.readCoordinate(POSITION_SECTION, POSITION_X, NOT_STORED);
    const int y = store.readCoordinate(POSITION_SECTION, POSITION_Y, NOT_STORED);
    auto* dialog = new CPersonDialog(context, context.ownerWindow());
    dialog->adjustSize();
    if (x != NOT_STORED)
        dialog->move(x, y);
    else
        dialog->move(Desktop::rect().center() - dialog->rect().center());
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

void CPersonDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // Only moves of the shown window in its normal state: the placement before it is shown is not the user's. Where
    // the platform reports no position, the stored one is kept.
    if (!isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) ||
        !WindowPlacement::reportsPosition(QGuiApplication::platformName()))
        return;
    m_store.writeInt(POSITION_SECTION, POSITION_X, pos().x());
    m_store.writeInt(POSITION_SECTION, POSITION_Y, pos().y());
}

void CPersonDialog::accept() {
    const QString typed = m_person->currentText();
    const bool urgent = m_urgent->isChecked();
    // The book as it is now, not as it was when the dialog opened: another dialog may have moved a person
    // since, and a stale position would overwrite someone else's entry.
    const QStringList persons = ListPersonsTopFirst(m_store);
    int pos = -1;
    for (int i = 0; !typed.isEmpty() && i < persons.size(); ++i) {
        if (persons[i].compare(typed, Qt::CaseInsensitive) == 0) {
            pos = i;
            break;
        }
    }
    QPointer<CPersonDialog> self(this);
    if (pos >= 0) {
        // The book keeps the person's aliases under the name as stored, and the store tells letter case
        // apart: so the stored spelling is the one that moves to the top and that the search looks for.
        const QString person = persons[pos];
        if (m_settings.movetotop == 1)
            MovePersonToTop(m_store, pos, person);
        hide();
        m_context.StartLocate(urgent, person);
        if (self)
            QDialog::accept();
        return;
    }
    // Not a person of the book: let the user add it on the People page, then ask again.
    AppContext& context = m_context;
    QDialog::accept();
    // A sheet that was open already stays open: no fresh dialog until it closes.
    if (context.OpenCustomizeSheet(0))
        openNew(context);
}

void CPersonDialog::reject() {
    hide();
    QDialog::reject();
}
