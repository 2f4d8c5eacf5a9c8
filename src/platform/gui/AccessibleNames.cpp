// Accessible names for controls made of several parts.
#include "platform/gui/AccessibleNames.h"

#include "platform/gui/NamedComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

void AccessibleNames::nameComboBox(QComboBox* box, const QString& name) {
    box->setAccessibleName(name);
    if (box->lineEdit())
        box->lineEdit()->setAccessibleName(name);
    box->view()->setAccessibleName(name);
    // The box itself is announced by that name too, not by what it holds.
    NamedComboBoxAccessible::install(box);
}
