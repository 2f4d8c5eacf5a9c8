// The pane boundary: its limits, its share of the area, and dragging it.
#include "platform/gui/PaneSplitter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

PaneSplitter::PaneSplitter(int margin, QWidget* parent) : QWidget(parent), m_margin(margin) {
    setCursor(Qt::SizeVerCursor);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void PaneSplitter::limit(int span) {
    m_position = std::max(m_position, m_margin);
    m_position = std::min(m_position, span - m_margin);
    if (span > 0)
        m_ratio = double(m_position) / double(span);
}

void PaneSplitter::follow(int span) {
    if (m_ratio != 0.0)
        // A hair over the product, so that a ratio taken from a position gives that position back.
        m_position = int(std::floor(span * m_ratio + 1e-9));
}

void PaneSplitter::placeStrip(int width) {
    setGeometry(0, m_position, width, HANDLE_HEIGHT);
}

void PaneSplitter::paintEvent(QPaintEvent*) {
    // Drawn as the style draws a splitter's handle between panes stacked one above the other.
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawControl(QStyle::CE_Splitter, &option, &painter, this);
}

void PaneSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        // Where in the handle it was grabbed: a press that does not move leaves the boundary where it is.
        m_grab = event->position().toPoint().y();
    }
    event->accept();
}

void PaneSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton) && onDrag)
        onDrag(mapToParent(event->position().toPoint()).y() - m_grab);
    event->accept();
}

void PaneSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->accept();
}
