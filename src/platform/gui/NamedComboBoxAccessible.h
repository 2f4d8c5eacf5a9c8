// What a screen reader is told about a combo box the program named: its name, and what it holds as its value.
//
// Qt names a combo box on Linux after what it holds and leaves its label to a relation, so a screen reader announces
// the talk-to dialog's host box as "alpha" where the user needs "Host". A combo box that AccessibleNames named gets
// this interface instead: its accessible name is its name, its value the text it holds; its parts (the list and,
// when editable, the edit field) and its action (open or close the list) are Qt's.
#pragma once

#include <QAccessibleWidget>

class QComboBox;

class NamedComboBoxAccessible : public QAccessibleWidget {
public:
    explicit NamedComboBoxAccessible(QComboBox* box);

    // Makes `box` speak through this interface from now on (an interface Qt made for it before is dropped).
    static void install(QComboBox* box);

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QComboBox* box() const;
};
