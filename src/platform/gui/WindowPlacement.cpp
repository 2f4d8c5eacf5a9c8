// Storing and restoring a window's place.
#include "platform/gui/WindowPlacement.h"

#include "platform/MillisecondClock.h"

#include "platform/ProfileStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

MillisecondClock& timeSource() {
    static MillisecondClock instance;
    return instance;
}

qint64 now() {
    return timeSource().now();
}

constexpr Qt::WindowStates NOT_NORMAL = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;

QMargins frameOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

} // namespace

WindowPlacement::WindowPlacement(ProfileStore& store, const QString& name, Frame frame)
    : m_store(store), m_name(name), m_frame(frame),
      m_positionReported(reportsPosition(QGuiApplication::platformName())) {}

bool WindowPlacement::reportsPosition(const QString& platformName) {
    // Qt's plugins without window management: a window is where the compositor, or nobody, puts it.
    static const QStringList unplaced{QStringLiteral("eglfs"), QStringLiteral("linuxfb"),
                                      QStringLiteral("vkkhrdisplay")};
    return !platformName.startsWith(QLatin1String("wayland")) && !unplaced.contains(platformName);
}

QRect WindowPlacement::cascaded(QRect wanted, const std::vector<QRect>& open, int step) {
    step = std::max(step, 1);
    const auto coversOne = [&] {
        return std::any_of(open.begin(), open.end(), [&](const QRect& r) { return r.topLeft() == wanted.topLeft(); });
    };
    // Each step passes one window at most: the loop ends after open.size() steps.
    for (std::size_t i = 0; i < open.size() && coversOne(); ++i)
        wanted.translate(step, step);
    return wanted;
}

void WindowPlacement::setClock(std::function<qint64()> clock) {
    timeSource().set(std::move(clock));
}

void WindowPlacement::setPlatformName(const QString& platformName) {
    m_positionReported = reportsPosition(platformName);
}

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
    m_restored = rect;
    m_saves.clear();
    m_shownAt.reset();
    m_sizeImposed = false;
    if (m_frame == Frame::Client) {
        window.setGeometry(rect);
        return;
    }
    // move() places the frame; until the window is framed the client area stands for the whole.
    m_pendingOuter = rect.size();
    window.move(rect.topLeft());
    window.resize(rect.size());
}

QRect WindowPlacement::rectOf(const QWidget& window, const QMargins& frame) const {
    const QRect client = window.geometry();
    return m_frame == Frame::Client ? client : client.marginsAdded(frame);
}

bool WindowPlacement::save(QWidget& window, std::optional<int> splitter) {
    return save(window, frameOf(window), splitter);
}

bool WindowPlacement::save(QWidget& window, const QMargins& frame, std::optional<int> splitter) {
    if (window.windowState() & NOT_NORMAL)
        return false;
    if (m_pendingOuter.isValid() && !frame.isNull()) {
        // Framed now: the client area shrinks by the frame (its resize saves on the way).
        const QSize client = m_pendingOuter.shrunkBy(frame);
        m_pendingOuter = QSize();
        if (client.isValid()) {
            m_framedClient = client;
            window.resize(client);
        }
    }
    QRect rect = rectOf(window, frame);
    noteImposedSize(rect.size());
    if (!m_positionReported)
        rect.moveTopLeft(m_restored.topLeft());
    // Kept as the window was: a maximising window manager's saves are told apart by their sizes.
    const Placed placed{rect, splitter, m_sizeImposed};
    write(placed);
    if (m_saves.empty() || m_saves.back() != placed)
        m_saves.push_back(placed);
    if (m_saves.size() > KEPT_SAVES)
        m_saves.erase(m_saves.begin());
    return true;
}

bool WindowPlacement::takeFraming(const QWidget& window) {
    if (!m_framedClient.isValid() || window.size() != m_framedClient)
        return false;
    m_framedClient = QSize();
    return true;
}

void WindowPlacement::shown() {
    m_shownAt = now();
}

void WindowPlacement::noteImposedSize(const QSize& size) {
    // Decided by the last size the window had within SETTLE_MS of its showing: a window manager that passes through
    // other sizes on the way to the one restored (framing it) imposed nothing.
    if (m_shownAt && m_restored.isValid() && now() - *m_shownAt <= SETTLE_MS)
        m_sizeImposed = size != m_restored.size();
}

void WindowPlacement::stateChanged(const QWidget& window) {
    if (!(window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    // A window manager that moves and sizes the window before it tells the state made saves on the way there. Once
    // the frame spans the screen's free area (a manager that tells the state first has not moved it yet, and left
    // nothing to take back) they are taken back: those since the last save that had neither the new position nor
    // the new size. The oldest kept stays.
    const QMargins frame = frameOf(window);
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QSize outer = window.size().grownBy(frame);
    const QSize area = screen->availableGeometry().size();
    if (outer.width() < area.width() && outer.height() < area.height())
        return;
    const QRect now = rectOf(window, frame);
    const auto onTheWay = [&](const QRect& saved) {
        return saved.size() == now.size() || (m_positionReported && saved.topLeft() == now.topLeft());
    };
    std::size_t normal = m_saves.size();
    while (normal > 1 && onTheWay(m_saves[normal - 1].rect))
        --normal;
    if (normal == m_saves.size())
        return;
    m_saves.resize(normal);
    // Those sizes were the maximising, not the window system's placing.
    m_sizeImposed = m_saves.back().imposed;
    write(m_saves.back());
}

void WindowPlacement::write(const Placed& placed) {
    QRect r = placed.rect;
    std::optional<int> splitter = placed.splitter;
    if (placed.imposed && r.height() > 0) {
        // The stored size stays; the boundary keeps its share of the height in it.
        if (splitter)
            splitter = int(qint64(*splitter) * m_restored.height() / r.height());
        r.setSize(m_restored.size());
    }
    if (splitter)
        m_store.writeInt(SECTION, key("splitter"), *splitter);
    m_store.writeInt(SECTION, key("left"), r.x());
    m_store.writeInt(SECTION, key("top"), r.y());
    m_store.writeInt(SECTION, key("right"), r.x() + r.width());
    m_store.writeInt(SECTION, key("bottom"), r.y() + r.height());
}
