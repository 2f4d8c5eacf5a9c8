// Dragging the pane boundary.
#include "conversation/SplitterHandle.h"

#include <QMouseEvent>

SplitterHandle::SplitterHandle(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SizeVerCursor);
    setAttribute(Qt::WA_NoSystemBackground);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void SplitterHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = true;
    event->accept();
}

void SplitterHandle::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton) && onDrag)
        onDrag(mapToParent(event->position().toPoint()).y());
    event->accept();
}

void SplitterHandle::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    event->accept();
}
