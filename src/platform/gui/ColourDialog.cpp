// The colour dialog: each call starts from the colour it edits.
#include "platform/gui/ColourDialog.h"

#include "platform/gui/OwnerBlock.h"

#include <QColorDialog>

namespace ColourDialog {

QColor choose(const QColor& current, QWidget* parent, const QString& title) {
    // QColorDialog keeps its custom colours for the whole process and stores them for the next one: a colour
    // picked for one pane would be offered for every other one.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, QColor(Qt::white));
    QColorDialog dialog(current, parent);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    // Blocks the window it was opened from alone (a ringing caller's prompt still answers).
    if (OwnerBlock::wait(&dialog, parent) != QDialog::Accepted)
        return QColor();
    return dialog.selectedColor();
}

} // namespace ColourDialog
