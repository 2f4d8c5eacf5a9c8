// The host-and-user dialog and its histories.
#include "conversation/CHostUserDialog.h"

#include "config/Settings.h"
#include "platform/AppContext.h"
#include "platform/ProfileStore.h"
#include "platform/WireName.h"
#include "platform/gui/AccessibleNames.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/ReturnPressesButton.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QComboBox* makeHistoryBox(QWidget* parent, const QString& name, const QString& accessibleName) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    // The list is the stored history; what is typed reaches it only through the history on "&Talk".
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(24);
    box->lineEdit()->setMaxLength(CHostUserDialog::TEXT_LIMIT);
    AccessibleNames::nameComboBox(box, accessibleName);
    return box;
}

} // namespace

CHostUserDialog::CHostUserDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_store(context.store()), m_settings(context.settings()) {
    setObjectName(QStringLiteral("hostUserDialog"));
    setWindowTitle(QStringLiteral("Talk to..."));
    setAttribute(Qt::WA_DeleteOnClose);

    m_host = makeHistoryBox(this, QStringLiteral("host"), QStringLiteral("Host"));
    m_user = makeHistoryBox(this, QStringLiteral("user"), QStringLiteral("User"));
    m_talk = new QPushButton(QStringLiteral("&Talk"), this);
    m_talk->setObjectName(QStringLiteral("talk"));
    m_talk->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Host:"), m_host);
    form->addRow(QStringLiteral("User:"), m_user);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_talk);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* top = new QHBoxLayout(this);
    top->addLayout(form, 1);
    top->addLayout(buttons);
    // Not resizable: the size its controls ask for.
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_talk, &QPushButton::clicked, this, &QDialog::accept);
    ReturnPressesButton::install(m_host, m_talk);
    ReturnPressesButton::install(m_user, m_talk);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Most recent first; the first entry of each list is selected.
    fillFromHistory(m_user, USERS, USER_FORMAT);
    fillFromHistory(m_host, HOSTS, HOST_FORMAT);
    // A user name can be typed, and the dialog sent, only once there is a host.
    onHostChanged();

    connect(m_host, &QComboBox::currentIndexChanged, this, &CHostUserDialog::onHostChanged);
    connect(m_host, &QComboBox::editTextChanged, this, &CHostUserDialog::onHostChanged);
    m_host->installEventFilter(this);
    m_host->lineEdit()->installEventFilter(this);
    m_host->setFocus();
}

CHostUserDialog* CHostUserDialog::openNew(AppContext& context) {
    auto* dialog = new CHostUserDialog(context, context.ownerWindow());
    dialog->adjustSize();
    const QRect desktop = Desktop::rect();
    dialog->move(desktop.center() - dialog->rect().center());
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

QStringList CHostUserDialog::ReadHistory(const ProfileStore& store, const QString& section, const QString& format) {
    QStringList entries;
    for (int i = 0;; ++i) {
        const QString value = store.readString(section, format.arg(i));
        if (value.isEmpty())
            break;
        entries << value;
    }
    return entries;
}

void CHostUserDialog::UpdateHistory(ProfileStore& store, const QString& section, const QString& format,
                                    const QString& text, bool movetotop) {
    // Read afresh: another of these dialogs may have filed an entry since this one opened, and counting
    // from a stale length would overwrite it.
    const QStringList history = ReadHistory(store, section, format);
    const int n = int(history.size());
    int found = -1;
    for (int i = 0; i < n; ++i) {
        if (history[i].compare(text, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    if (found < 0) {
        store.writeString(section, format.arg(n), text);
    } else if (movetotop) {
        for (int k = found + 1; k <= n - 1; ++k)
            store.writeString(section, format.arg(k - 1), history[k]);
        store.writeString(section, format.arg(n - 1), text);
    }
    store.flush();
}

void CHostUserDialog::fillFromHistory(QComboBox* box, const QString& section, const QString& format) {
    for (const QString& entry : ReadHistory(m_store, section, format))
        box->insertItem(0, entry);
    if (box->count() > 0)
        box->setCurrentIndex(0);
}

void CHostUserDialog::onHostChanged() {
    const bool haveHost = !m_host->currentText().isEmpty();
    if (!haveHost)
        m_user->setEditText(QString());
    m_user->setEnabled(haveHost);
    m_talk->setEnabled(haveHost);
}

bool CHostUserDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == m_host || watched == m_host->lineEdit()))
        onHostChanged();
    return QDialog::eventFilter(watched, event);
}

void CHostUserDialog::accept() {
    const QString host = m_host->currentText();
    const QString user = m_user->currentText();
    // Enter with no host: the Talk button is disabled, so nothing is sent.
    if (host.isEmpty())
        return;
    if (!user.isEmpty())
        UpdateHistory(m_store, USERS, USER_FORMAT, user, m_settings.movetotop == 1);
    UpdateHistory(m_store, HOSTS, HOST_FORMAT, host, m_settings.movetotop == 1);
    hide();
    // The conversation may run a message box; this dialog may be gone when it returns.
    QPointer<CHostUserDialog> self(this);
    m_context.startConversation(0, host, WireName::typed(user));
    if (self)
        QDialog::accept();
}

void CHostUserDialog::reject() {
    hide();
    QDialog::reject();
}
