// Accessible names for controls made of several parts, whose inner parts a screen reader announces too.
#pragma once

class QComboBox;
class QString;

namespace AccessibleNames {
// Names an editable combo box, its edit field and its drop-down list; a screen reader announces the box by that
// name and reads what it holds as its value.
void nameComboBox(QComboBox* box, const QString& name);
} // namespace AccessibleNames
