// The draggable boundary between two panes, with its limits.
//
// The boundary between an upper and a lower pane, and the strip around it that the mouse drags. It keeps the
// boundary's position (pixels from the top of the area it divides), at least a margin from either edge, and
// the share of the area above it, which a resized area keeps.
#pragma once

#include <QWidget>

#include <functional>

class PaneSplitter : public QWidget {
    Q_OBJECT
public:
    // `margin`: the least height of either pane; `reach`: the pixels either side of the boundary where the
    // north-south cursor shows and a drag starts.
    PaneSplitter(int margin, int reach, QWidget* parent);

    int position() const { return m_position; }
    // The share of the area above the boundary; 0 until the first limit().
    double ratio() const { return m_ratio; }
    // A position as stored or dragged to; limit() keeps it within the margins.
    void setPosition(int y) { m_position = y; }
    // Keeps the position at least the margin from both edges of an area `span` high (the lower edge wins when the
    // area is too small for both) and takes the ratio from it.
    void limit(int span);
    // The area is now `span` high: the position follows the ratio (once there is one).
    void follow(int span);
    // Lays the strip across the area's `width` around the position, above the panes.
    void placeStrip(int width);

    // Called with the cursor's vertical position in the parent's coordinates while dragging.
    std::function<void(int)> onDrag;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const int m_margin;
    const int m_reach;
    int m_position = 0;
    double m_ratio = 0.0;
    bool m_dragging = false;
};
