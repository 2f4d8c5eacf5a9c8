// QMessageBox, the font chooser, QColorDialog and the file chooser behind the message-box service.
#include "platform/gui/QtMessageBoxService.h"

#include "platform/gui/ChooseFileDialog.h"
#include "platform/gui/ColourDialog.h"
#include "platform/gui/FocusGuard.h"
#include "platform/gui/FontChooser.h"
#include "platform/gui/FontConversion.h"
#include "platform/gui/OwnerBlock.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

QWidget* ownerWidget(QObject* owner) {
    return qobject_cast<QWidget*>(owner);
}

QMessageBox* makeBox(const MessageBoxService::Request& r) {
    QWidget* parent = ownerWidget(r.owner);
    auto* box = new QMessageBox(parent);
    box->setWindowTitle(r.title.isEmpty() ? QString::fromLatin1(MessageBoxService::APPLICATION_TITLE) : r.title);
    // Texts carry names from the network: never let Qt read them as HTML.
    box->setTextFormat(Qt::PlainText);
    box->setText(r.text);
    switch (r.icon) {
    case MessageBoxService::Icon::None:
        box->setIcon(QMessageBox::NoIcon);
        break;
    case MessageBoxService::Icon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case MessageBoxService::Icon::Question:
        box->setIcon(QMessageBox::Question);
        break;
    case MessageBoxService::Icon::Warning:
        box->setIcon(QMessageBox::Warning);
        break;
    case MessageBoxService::Icon::Stop:
        box->setIcon(QMessageBox::Critical);
        break;
    }
    QMessageBox::StandardButtons buttons;
    if (r.buttons & MessageBoxService::Ok)
        buttons |= QMessageBox::Ok;
    if (r.buttons & MessageBoxService::Cancel)
        buttons |= QMessageBox::Cancel;
    if (r.buttons & MessageBoxService::Yes)
        buttons |= QMessageBox::Yes;
    if (r.buttons & MessageBoxService::No)
        buttons |= QMessageBox::No;
    box->setStandardButtons(buttons ? buttons : QMessageBox::Ok);
    switch (r.defaultButton) {
    case MessageBoxService::Ok:
        box->setDefaultButton(QMessageBox::Ok);
        break;
    case MessageBoxService::Cancel:
        box->setDefaultButton(QMessageBox::Cancel);
        break;
    case MessageBoxService::Yes:
        box->setDefaultButton(QMessageBox::Yes);
        break;
    case MessageBoxService::No:
        box->setDefaultButton(QMessageBox::No);
        break;
    default:
        break;
    }
    // QMessageBox makes itself application-modal, and Qt's window modality would block every window the tray window
    // owns: a box blocks its own window alone (OwnerBlock), a box of the program (no window) blocks nothing.
    box->setWindowModality(Qt::NonModal);
    return box;
}

int toButton(int standard) {
    switch (standard) {
    case QMessageBox::Ok:
        return MessageBoxService::Ok;
    case QMessageBox::Cancel:
        return MessageBoxService::Cancel;
    case QMessageBox::Yes:
        return MessageBoxService::Yes;
    case QMessageBox::No:
        return MessageBoxService::No;
    default:
        return MessageBoxService::NoButton;
    }
}

} // namespace

int QtMessageBoxService::ask(const Request& request) {
    QPointer<QMessageBox> box = makeBox(request);
    const int result = OwnerBlock::wait(box, ownerWidget(request.owner));
    if (box)
        box->deleteLater();
    return toButton(result);
}

int QtMessageBoxService::notify(const Request& request, std::function<void(int)> done) {
    QMessageBox* box = makeBox(request);
    box->setAttribute(Qt::WA_DeleteOnClose);
    const int number = ++m_lastBox;
    m_shown.insert(number, box);
    QObject::connect(box, &QMessageBox::finished, box, [this, number, done](int result) {
        m_shown.remove(number);
        if (done)
            done(toButton(result));
    });
    OwnerBlock::blockWhileOpen(box, ownerWidget(request.owner));
    if (request.unbidden) {
        FocusGuard::show(box);
    } else {
        box->show();
        box->raise();
        box->activateWindow();
    }
    return number;
}

void QtMessageBoxService::replaceText(int box, const QString& text) {
    if (QMessageBox* shown = m_shown.value(box))
        shown->setText(text);
}

bool QtMessageBoxService::chooseFont(LogFont& font, quint32& textColour, QObject* owner) {
    QPointer<FontChooser> chooser = new FontChooser(font, textColour, ownerWidget(owner));
    const bool ok = OwnerBlock::wait(chooser, ownerWidget(owner)) == QDialog::Accepted;
    if (!chooser)
        return false;
    if (ok) {
        font = chooser->chosenFont();
        textColour = chooser->chosenColour();
    }
    delete chooser;
    return ok;
}

bool QtMessageBoxService::chooseColour(quint32& colour, QObject* owner) {
    const QColor chosen = ColourDialog::choose(FontConversion::toQColor(colour), ownerWidget(owner));
    if (!chosen.isValid())
        return false;
    colour = FontConversion::fromQColor(chosen);
    return true;
}

bool QtMessageBoxService::chooseOpenFile(QString& path, const QString& title, const QString& filter,
                                         const QString& defaultSuffix, QObject* owner) {
    ChooseFileDialog dialog(ownerWidget(owner), title, filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (OwnerBlock::wait(&dialog, ownerWidget(owner)) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = dialog.selectedFiles().constFirst();
    return true;
}
