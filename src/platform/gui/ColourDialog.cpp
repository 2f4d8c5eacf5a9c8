// The colour dialog: each call starts from the colour it edits.
#include "platform/gui/ColourDialog.h"

#include <QColorDialog>

namespace ColourDialog {

QColor choose(const QColor& current, QWidget* parent, const QString& title) {
    // QColorDialog keeps its custom colours for the whole process and stores them for the next one: a colour
    // picked for one pane would be offered for every other one.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, QColor(Qt::white));
    return QColorDialog::getColor(current, parent, title);
}

} // namespace ColourDialog
