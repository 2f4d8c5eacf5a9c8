// The conversation window's placement, its layout and the boundary between the panes.
#include "conversation/CTalkConversation.h"

#include "conversation/LocalPane.h"
#include "conversation/RemotePane.h"
#include "platform/AppContext.h"
#include "platform/ProfileStore.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/PaneSplitter.h"

#include <QApplication>
#include <QLayout>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

// The other conversation windows on screen (their client rectangles, as the placement stores them), and the height
// of a title bar: the top of the frame a window manager drew around one of them, else the style's.
std::vector<QRect> openConversations(const CTalkConversation& self, int& titleBar) {
    std::vector<QRect> places;
    titleBar = self.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &self);
    bool framed = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const auto* other = qobject_cast<const CTalkConversation*>(w);
        if (!other || other == &self || !other->isVisible())
            continue;
        places.push_back(other->geometry());
        const int top = other->windowHandle() ? other->windowHandle()->frameMargins().top() : 0;
        if (!framed && top > 0) {
            titleBar = top;
            framed = true;
        }
    }
    return places;
}

} // namespace

// Where the window was last, or the middle three fifths of the desktop; a title bar lower and to the right while a
// conversation window lies there already.
void CTalkConversation::place() {
    const QRect desktop = Desktop::rect();
    const int dx = (desktop.x() + desktop.width()) / 5;
    const int dy = (desktop.y() + desktop.height()) / 5;
    const QRect stored = m_placement.stored(QRect(dx, dy, 3 * dx, 3 * dy));
    int titleBar = 0;
    const std::vector<QRect> open = openConversations(*this, titleBar);
    const QRect rect = WindowPlacement::cascaded(stored, open, titleBar);
    if (rect != stored)
        m_cascadedPlace = rect;
    m_splitter->setPosition(m_placement.storedSplitter((rect.height() - STATUS_HEIGHT) / 2));
    m_placement.restore(*this, rect);
    m_placed = true;
    layout()->activate();
    layOut();
    m_splitter->limit(paneSpan());
    layOut();
}

// The panes share the client area above the status line.
int CTalkConversation::paneSpan() const {
    return m_client->height() - statusHeight();
}

// At least STATUS_HEIGHT, and as high as the status text needs with its descenders in the font of the desktop.
int CTalkConversation::statusHeight() const {
    return std::max(STATUS_HEIGHT, m_statusBar->sizeHint().height());
}

void CTalkConversation::layOut() {
    const int w = m_client->width();
    const int h = m_client->height();
    m_splitter->follow(paneSpan());
    const int y = m_splitter->position();
    const int status = statusHeight();
    m_statusBar->setGeometry(0, h - status, w, status);
    // The remote pane ends at the boundary; the handle lies between it and the local pane.
    const int lower = m_splitter->lowerTop();
    m_remotePane->setGeometry(0, 0, w, y);
    m_localPane->setGeometry(0, lower, w, std::max(h - lower - status, 0));
    m_splitter->placeStrip(w);
    savePlacement();
}

void CTalkConversation::dragSplitterTo(int y) {
    m_cascadedPlace.reset(); // the user's own change: saved
    m_splitter->setPosition(y);
    m_splitter->limit(paneSpan());
    QScrollBar* bar = m_remotePane->verticalScrollBar();
    const int scroll = bar->value();
    m_remotePane->setUpdatesEnabled(false);
    m_localPane->setUpdatesEnabled(false);
    layOut();
    m_remotePane->setUpdatesEnabled(true);
    m_localPane->setUpdatesEnabled(true);
    bar->setValue(scroll);
}

void CTalkConversation::savePlacement() {
    if (!m_placed || m_mode != 0 || m_released)
        return;
    // A cascaded window leaves the stored place to the window it made way for, until it is moved or sized.
    if (m_cascadedPlace) {
        if (geometry() == *m_cascadedPlace)
            return;
        m_cascadedPlace.reset();
    }
    m_placement.save(*this, m_splitter->position());
}

void CTalkConversation::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!isMinimized())
        savePlacement();
}

void CTalkConversation::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_placement.shown();
}

void CTalkConversation::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    m_placement.stateChanged(*this);
    savePlacement();
    if (isMinimized() && !m_taskbar) {
        // Without a task-bar button a minimised window could not be found again: hide it; the tray's
        // Windows menu brings it back.
        QTimer::singleShot(0, this, [this] {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            hide();
        });
    }
}
