// The colour dialog every colour choice of the program opens.
#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace ColourDialog {
// Asks for a colour, starting from `current` alone: the custom colours that an earlier call (or another program's
// dialog, which Qt shares them with) left are cleared first. Returns an invalid colour when the user cancelled.
QColor choose(const QColor& current, QWidget* parent, const QString& title = QString());
} // namespace ColourDialog
