// The accessible interface of a named combo box.
#include "platform/gui/NamedComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

namespace {

// The property that marks a combo box as named by the program.
constexpr const char* NAMED = "murmeloNamedComboBox";

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* box = qobject_cast<QComboBox*>(object);
    if (box && box->property(NAMED).toBool())
        return new NamedComboBoxAccessible(box);
    return nullptr;
}

} // namespace

NamedComboBoxAccessible::NamedComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

void NamedComboBoxAccessible::install(QComboBox* box) {
    // Factories installed later are asked first: this one comes before Qt's own.
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
    box->setProperty(NAMED, true);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
    if (iface && !dynamic_cast<NamedComboBoxAccessible*>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

QComboBox* NamedComboBoxAccessible::box() const {
    return static_cast<QComboBox*>(widget());
}

QString NamedComboBoxAccessible::text(QAccessible::Text t) const {
    const QString held = box()->isEditable() ? box()->lineEdit()->text() : box()->currentText();
    switch (t) {
    case QAccessible::Name:
        return box()->accessibleName().isEmpty() ? held : box()->accessibleName();
    case QAccessible::Value:
        return held;
    default:
        return QAccessibleWidget::text(t);
    }
}

int NamedComboBoxAccessible::childCount() const {
    return box()->isEditable() ? 2 : 1;
}

QAccessibleInterface* NamedComboBoxAccessible::child(int index) const {
    if (index == 0)
        return QAccessible::queryAccessibleInterface(box()->view());
    if (index == 1 && box()->isEditable())
        return QAccessible::queryAccessibleInterface(box()->lineEdit());
    return nullptr;
}

int NamedComboBoxAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (child->object() == box()->view())
        return 0;
    if (box()->isEditable() && child->object() == box()->lineEdit())
        return 1;
    return -1;
}

QAccessibleInterface* NamedComboBoxAccessible::childAt(int x, int y) const {
    if (box()->isEditable() && box()->lineEdit()->rect().contains(box()->lineEdit()->mapFromGlobal(QPoint(x, y))))
        return child(1);
    return nullptr;
}

QStringList NamedComboBoxAccessible::actionNames() const {
    return {showMenuAction(), pressAction()};
}

void NamedComboBoxAccessible::doAction(const QString& actionName) {
    if (actionName != showMenuAction() && actionName != pressAction())
        return;
    if (box()->view()->isVisible())
        box()->hidePopup();
    else
        box()->showPopup();
}
