// The conversation window's placement, its layout and the boundary between the panes.
#include "conversation/CTalkConversation.h"

#include "conversation/LocalPane.h"
#include "conversation/RemotePane.h"
#include "conversation/SplitterHandle.h"
#include "platform/AppContext.h"
#include "platform/ProfileStore.h"
#include "platform/gui/Desktop.h"

#include <QLayout>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

namespace {
const QString KEY_LEFT = QStringLiteral("Tinst left");
const QString KEY_TOP = QStringLiteral("Tinst top");
const QString KEY_RIGHT = QStringLiteral("Tinst right");
const QString KEY_BOTTOM = QStringLiteral("Tinst bottom");
const QString KEY_SPLITTER = QStringLiteral("Tinst splitter");
} // namespace

// Where the window was last, or the middle three fifths of the desktop.
void CTalkConversation::place() {
    const QRect desktop = Desktop::rect();
    const int dx = (desktop.x() + desktop.width()) / 5;
    const int dy = (desktop.y() + desktop.height()) / 5;
    ProfileStore& store = m_context.store();
    const int left = store.readCoordinate(PLACEMENT_SECTION, KEY_LEFT, dx);
    const int top = store.readCoordinate(PLACEMENT_SECTION, KEY_TOP, dy);
    const int right = store.readCoordinate(PLACEMENT_SECTION, KEY_RIGHT, 4 * dx);
    const int bottom = store.readCoordinate(PLACEMENT_SECTION, KEY_BOTTOM, 4 * dy);
    m_splitter = store.readCoordinate(PLACEMENT_SECTION, KEY_SPLITTER, (bottom - top - STATUS_HEIGHT) / 2);
    m_ratio = 0.0;
    setGeometry(left, top, right - left, bottom - top);
    m_placed = true;
    layout()->activate();
    layOut();
    limitSplitter();
    layOut();
}

void CTalkConversation::layOut() {
    const int w = m_client->width();
    const int h = m_client->height();
    if (m_ratio != 0.0)
        m_splitter = int((h - STATUS_HEIGHT) * m_ratio);
    m_statusBar->setGeometry(0, h - STATUS_HEIGHT, w, STATUS_HEIGHT);
    m_remotePane->setGeometry(0, 0, w, m_splitter);
    m_localPane->setGeometry(0, m_splitter, w, h - m_splitter - STATUS_HEIGHT);
    m_handle->setGeometry(0, m_splitter - SplitterHandle::REACH, w, 2 * SplitterHandle::REACH + 1);
    m_handle->raise();
    savePlacement();
}

// The boundary keeps 13 pixels of remote pane and 13 of local pane above the status line.
void CTalkConversation::limitSplitter() {
    const int h = m_client->height();
    m_splitter = std::max(m_splitter, SPLITTER_TOP_MARGIN);
    m_splitter = std::min(m_splitter, h - SPLITTER_BOTTOM_MARGIN);
    if (h > STATUS_HEIGHT)
        m_ratio = double(m_splitter) / double(h - STATUS_HEIGHT);
}

void CTalkConversation::dragSplitterTo(int y) {
    m_splitter = y;
    limitSplitter();
    QScrollBar* bar = m_remotePane->verticalScrollBar();
    const int scroll = bar->value();
    m_remotePane->setUpdatesEnabled(false);
    m_localPane->setUpdatesEnabled(false);
    layOut();
    m_remotePane->setUpdatesEnabled(true);
    m_localPane->setUpdatesEnabled(true);
    bar->setValue(scroll);
}

// A maximised or minimised window leaves the stored placement alone.
void CTalkConversation::savePlacement() {
    if (!m_placed || m_mode != 0 || isMaximized() || isMinimized() || m_released)
        return;
    const QRect g = geometry();
    ProfileStore& store = m_context.store();
    store.writeInt(PLACEMENT_SECTION, KEY_SPLITTER, m_splitter);
    store.writeInt(PLACEMENT_SECTION, KEY_LEFT, g.x());
    store.writeInt(PLACEMENT_SECTION, KEY_RIGHT, g.x() + g.width());
    store.writeInt(PLACEMENT_SECTION, KEY_TOP, g.y());
    store.writeInt(PLACEMENT_SECTION, KEY_BOTTOM, g.y() + g.height());
}

void CTalkConversation::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!isMinimized())
        savePlacement();
}

void CTalkConversation::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !m_taskbar) {
        // Without a task-bar button a minimised window could not be found again: hide it; the tray's
        // Windows menu brings it back.
        QTimer::singleShot(0, this, [this] {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            hide();
        });
    }
}
