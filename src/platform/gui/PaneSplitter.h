// The draggable boundary between two panes, with its limits.
//
// The boundary between an upper and a lower pane, and the handle the mouse drags: a strip of its own between the
// panes, so that a click in either pane always reaches the pane. It keeps the boundary's position (pixels from
// the top of the area it divides: the upper pane's height), at least a margin from either edge, and the share of
// the area above it, which a resized area keeps. The lower pane starts below the handle.
#pragma once

#include <QWidget>

#include <functional>

class PaneSplitter : public QWidget {
    Q_OBJECT
public:
    // The handle's height in pixels: the strip between the panes where the north-south cursor shows and a drag
    // starts.
    static constexpr int HANDLE_HEIGHT = 6;

    // `margin`: the least distance of the boundary from either edge of the area.
    PaneSplitter(int margin, QWidget* parent);

    int position() const { return m_position; }
    // Where the lower pane starts: below the handle.
    int lowerTop() const { return m_position + HANDLE_HEIGHT; }
    // The share of the area above the boundary; 0 until the first limit().
    double ratio() const { return m_ratio; }
    // A position as stored or dragged to; limit() keeps it within the margins.
    void setPosition(int y) { m_position = y; }
    // Keeps the position at least the margin from both edges of an area `span` high (the lower edge wins when the
    // area is too small for both) and takes the ratio from it.
    void limit(int span);
    // The area is now `span` high: the position follows the ratio (once there is one).
    void follow(int span);
    // Lays the handle across the area's `width`, between the panes.
    void placeStrip(int width);

    // Called while dragging with the position the boundary is dragged to, in the parent's coordinates: the
    // cursor's vertical position less where in the handle it was grabbed.
    std::function<void(int)> onDrag;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const int m_margin;
    int m_position = 0;
    double m_ratio = 0.0;
    bool m_dragging = false;
    int m_grab = 0;
};
