// Accessible names for controls made of several parts, whose inner parts a screen reader announces too.
#pragma once

class QComboBox;
class QString;

namespace AccessibleNames {
// Names an editable combo box, its edit field and its drop-down list.
void nameComboBox(QComboBox* box, const QString& name);
} // namespace AccessibleNames
