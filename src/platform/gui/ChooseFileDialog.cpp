// Choosing a file in a folder that exists.
#include "platform/gui/ChooseFileDialog.h"

#include "platform/gui/OwnerBlock.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

ChooseFileDialog::ChooseFileDialog(QWidget* parent, const QString& title, const QString& nameFilter)
    : QFileDialog(parent, title, QString(), nameFilter) {
    // Qt's own dialog on every desktop: a native one would match the filter's "*.WAV" by case and leave out
    // "bell.wav", and could not be kept from blocking the other windows.
    setOption(QFileDialog::DontUseNativeDialog);
    setFilter(QFileDialog::filter() & ~QDir::CaseSensitive);
    setAcceptMode(QFileDialog::AcceptOpen);
    // The suffix (setDefaultSuffix) is added to a name typed without one before its folder is looked at.
    setFileMode(QFileDialog::AnyFile);
}

QString ChooseFileDialog::missingFolderText(const QString& folder) {
    return QStringLiteral("%1\nThis folder does not exist. Check the path and try again.")
        .arg(QDir::toNativeSeparators(folder));
}

void ChooseFileDialog::accept() {
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QFileInfo chosen(files.constFirst());
        if (!chosen.isDir() && !chosen.dir().exists()) {
            QMessageBox box(QMessageBox::Warning, windowTitle(), missingFolderText(chosen.path()), QMessageBox::Ok,
                            this);
            OwnerBlock::wait(&box, this);
            return;
        }
    }
    QFileDialog::accept();
}
