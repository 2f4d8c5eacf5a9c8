// Storing and restoring a window's place.
#include "platform/gui/WindowPlacement.h"

#include "platform/ProfileStore.h"

#include <QWidget>

#include <algorithm>

WindowPlacement::WindowPlacement(ProfileStore& store, const QString& name, Frame frame)
    : m_store(store), m_name(name), m_frame(frame) {}

QString WindowPlacement::key(const char* side) const {
    return QStringLiteral("%1 %2").arg(m_name, QLatin1String(side));
}

QRect WindowPlacement::stored(const QRect& fallback) const {
    const int left = m_store.readCoordinate(SECTION, key("left"), fallback.x());
    const int top = m_store.readCoordinate(SECTION, key("top"), fallback.y());
    const int right = m_store.readCoordinate(SECTION, key("right"), fallback.x() + fallback.width());
    const int bottom = m_store.readCoordinate(SECTION, key("bottom"), fallback.y() + fallback.height());
    return QRect(left, top, std::max(1, right - left), std::max(1, bottom - top));
}

int WindowPlacement::storedSplitter(int fallback) const {
    return m_store.readCoordinate(SECTION, key("splitter"), fallback);
}

void WindowPlacement::restore(QWidget& window, const QRect& rect) {
    if (m_frame == Frame::Client) {
        window.setGeometry(rect);
        return;
    }
    // move() places the frame; the frame's size is known only once the window is shown.
    m_pendingOuter = rect.size();
    window.move(rect.topLeft());
    window.resize(rect.size());
}

bool WindowPlacement::shown(QWidget& window) {
    if (!m_pendingOuter.isValid())
        return false;
    const QSize frameExtra = window.frameGeometry().size() - window.size();
    const QSize client = m_pendingOuter - frameExtra;
    m_pendingOuter = QSize();
    if (frameExtra != QSize(0, 0) && client.isValid())
        window.resize(client);
    return true;
}

bool WindowPlacement::save(const QWidget& window) {
    if (window.isMaximized() || window.isMinimized())
        return false;
    const QRect r = m_frame == Frame::Client ? window.geometry() : window.frameGeometry();
    m_store.writeInt(SECTION, key("left"), r.x());
    m_store.writeInt(SECTION, key("top"), r.y());
    m_store.writeInt(SECTION, key("right"), r.x() + r.width());
    m_store.writeInt(SECTION, key("bottom"), r.y() + r.height());
    return true;
}

void WindowPlacement::saveSplitter(int position) {
    m_store.writeInt(SECTION, key("splitter"), position);
}
