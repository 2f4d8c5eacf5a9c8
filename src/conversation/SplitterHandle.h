// The strip between the two panes of a conversation window that the mouse drags to move the boundary.
#pragma once

#include <QWidget>

#include <functional>

class SplitterHandle : public QWidget {
    Q_OBJECT
public:
    // Pixels either side of the boundary where the north-south cursor shows.
    static constexpr int REACH = 5;

    explicit SplitterHandle(QWidget* parent = nullptr);
    // Called with the cursor's vertical position in the parent's coordinates while dragging.
    std::function<void(int)> onDrag;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_dragging = false;
};
