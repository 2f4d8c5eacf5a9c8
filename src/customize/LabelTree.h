// A tree widget whose item labels the user edits in place (the People and Action pages).
//
// A tree whose item labels the user edits in place, as the People and Action pages need it: the page
// decides which items may be edited, knows at any moment whether a label is being edited, and can end
// an edit taking the typed text. However an edit ends, the item's label becomes the edited text.
#pragma once

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeWidget>

#include <functional>

class LabelTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit LabelTree(QWidget* parent = nullptr);

    // Asked before an edit starts by any means (Enter, the view's own edit key, a click); false refuses.
    void setEditFilter(std::function<bool(QTreeWidgetItem*)> mayEdit) { m_mayEdit = std::move(mayEdit); }

    // The accessible name of the edit field for an item's label (by default the tree's own name).
    void setEditorName(std::function<QString(QTreeWidgetItem*)> name) { m_editorName = std::move(name); }

    bool isEditing() const { return m_editor != nullptr; }
    QLineEdit* editor() const;
    QTreeWidgetItem* editedItem() const;

    // Starts editing the item's label; false when refused.
    bool startEdit(QTreeWidgetItem* item);
    // Ends the edit under way: the typed text becomes the label and the focus returns to the tree.
    void commitEdit();

    // Depth of an item: 1 for a root item, 0 for none.
    static int depthOf(const QTreeWidgetItem* item);

signals:
    void labelEditStarted(QTreeWidgetItem* item);
    void labelEditEnded(QTreeWidgetItem* item, const QString& text);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    std::function<bool(QTreeWidgetItem*)> m_mayEdit;
    std::function<QString(QTreeWidgetItem*)> m_editorName;
    QPointer<QLineEdit> m_editor;
    QPersistentModelIndex m_editIndex;
};
