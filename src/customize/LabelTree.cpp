// Tree with editable labels.
#include "customize/LabelTree.h"

#include <QFocusEvent>
#include <QLineEdit>

LabelTree::LabelTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A click on the selected item or the edit key starts an edit, as in a tree with editable labels.
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

QLineEdit* LabelTree::editor() const {
    return m_editor;
}

QTreeWidgetItem* LabelTree::editedItem() const {
    return m_editIndex.isValid() ? itemFromIndex(m_editIndex) : nullptr;
}

int LabelTree::depthOf(const QTreeWidgetItem* item) {
    int depth = 0;
    for (; item; item = item->parent())
        ++depth;
    return depth;
}

bool LabelTree::startEdit(QTreeWidgetItem* item) {
    if (!item || isEditing())
        return false;
    scrollToItem(item);
    return edit(indexFromItem(item), QAbstractItemView::AllEditTriggers, nullptr);
}

bool LabelTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger != QAbstractItemView::NoEditTriggers && index.isValid()) {
        QTreeWidgetItem* item = itemFromIndex(index);
        if (m_mayEdit && !m_mayEdit(item))
            return false;
        if (isEditing())
            return false;
    }
    const bool started = QTreeWidget::edit(index, trigger, event);
    if (started && trigger != QAbstractItemView::NoEditTriggers) {
        if (auto* line = qobject_cast<QLineEdit*>(indexWidget(index))) {
            m_editor = line;
            m_editIndex = index;
            // A screen reader announces the field by this name when it takes the focus.
            line->setAccessibleName(m_editorName ? m_editorName(itemFromIndex(index)) : accessibleName());
            emit labelEditStarted(itemFromIndex(index));
        }
    }
    return started;
}

void LabelTree::commitEdit() {
    if (!m_editor)
        return;
    QWidget* editorWidget = m_editor;
    closeEditor(editorWidget, QAbstractItemDelegate::NoHint);
    setFocus(Qt::OtherFocusReason);
}

void LabelTree::closeEditor(QWidget* editorWidget, QAbstractItemDelegate::EndEditHint hint) {
    if (editorWidget && editorWidget == m_editor) {
        const QString text = m_editor->text();
        QTreeWidgetItem* item = editedItem();
        m_editor = nullptr;
        m_editIndex = QPersistentModelIndex();
        if (item)
            item->setText(0, text);
        QTreeWidget::closeEditor(editorWidget, hint);
        if (item)
            emit labelEditEnded(item, text);
        return;
    }
    QTreeWidget::closeEditor(editorWidget, hint);
}

void LabelTree::focusInEvent(QFocusEvent* event) {
    // The view makes its first item current when it gets the focus by the keyboard or from the sheet; the pages
    // show what the current item holds, and nothing is picked before the user picks it.
    if (currentIndex().isValid() || event->reason() == Qt::MouseFocusReason) {
        QTreeWidget::focusInEvent(event);
        return;
    }
    QFocusEvent quiet(event->type(), Qt::MouseFocusReason);
    QTreeWidget::focusInEvent(&quiet);
}
