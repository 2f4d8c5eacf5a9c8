// Where a window was last: its rectangle and pane boundary, saved and restored.
//
// Where a window was last: its rectangle, kept in the profile's "Windows" section as "<name> left",
// "<name> top", "<name> right" and "<name> bottom" (right and bottom one past the window), and the position of
// its pane boundary as "<name> splitter". The rectangle is the client area or the outer frame, the same one
// saved and restored, or the window would drift by a title bar per run. Only a window in its normal state is
// saved: a maximised, full-screen or minimised one leaves what is stored alone.
//
// Window managers make this harder than it looks. One frames a window some time after the window is shown, so the
// frame, and with it the client size of an outer rectangle, is known only at a later move. One may maximise a
// window by moving and sizing it first and telling the new state after: the saves of those moves are taken back
// when the state arrives. Where the platform reports no window position (Wayland), the stored position is kept and
// only the size saved.
//
// A size the window system imposed is not the user's choice. Qt tells no tiled state, and a window manager's resize
// looks the same whether the user dragged a border or a tiling compositor laid the window out; what tells them apart
// is when it comes. The window system places and sizes a window as it shows it, within SETTLE_MS of its showing
// (sway tiles it just after it is mapped); no user finds and drags a border that fast. So when the window's size at
// the end of that time differs from the one restored (a tile, a screen too small for it), the size was imposed: the
// window keeps the stored size for as long as it is open (a tiled window's later sizes are the compositor's too),
// the position is still saved where the platform reports it, and the pane boundary is saved scaled to the stored
// height. The owner says when the window is shown (shown()).
#pragma once

#include <QMargins>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class ProfileStore;
class QWidget;

class WindowPlacement {
public:
    enum class Frame { Client, Outer };
    static inline const QString SECTION = QStringLiteral("Windows");

    WindowPlacement(ProfileStore& store, const QString& name, Frame frame = Frame::Client);

    // The stored rectangle (at least one pixel each way); a side that is not stored is the fallback's.
    QRect stored(const QRect& fallback) const;
    int storedSplitter(int fallback) const;

    // Puts the window on `rect`. An outer rectangle's client size is known only once the window is framed: the
    // first save after that sizes the client area to it.
    void restore(QWidget& window, const QRect& rect);
    // Writes the window's rectangle, and the pane boundary when given, unless the window is maximised, full screen
    // or minimised (false then); the restored size stands for an imposed one. Called on every move, resize and
    // layout, and when the state changes.
    bool save(QWidget& window, std::optional<int> splitter = std::nullopt);
    // The same with the frame around the window as the window manager has drawn it (null before it is framed).
    bool save(QWidget& window, const QMargins& frame, std::optional<int> splitter = std::nullopt);
    // Called when the window's state has changed. Into maximised or full screen, once the window spans the screen's
    // free area: the saves of the moves and resizes that took it there, each at its new place or size, are taken
    // back.
    void stateChanged(const QWidget& window);

    // True once, for the layout of the size restoring an outer rectangle gave the client area when the frame
    // became known (the resize may arrive later than the save that made it): what lies in the window keeps its pixel
    // places then (a pane boundary as stored), rather than its share of the height.
    bool takeFraming(const QWidget& window);
    // The window is being shown: the window system's answer to its size comes within SETTLE_MS from now.
    void shown();
    static constexpr int SETTLE_MS = 2000;
    // Whether the window system imposed the window's size (see above).
    bool sizeImposed() const { return m_sizeImposed; }
    // Tests: the monotonic clock, in milliseconds (empty: the system's).
    static void setClock(std::function<qint64()> clock);

    // Whether windows of the platform have a position that the program learns (not so under Wayland, nor on the
    // platforms that show one full-screen window without a window manager).
    static bool reportsPosition(const QString& platformName);
    // Where a new window meant for `wanted` opens while windows of its kind are open at `open`: as long as it would
    // lie exactly over one of them (the same position), one `step` lower and to the right.
    static QRect cascaded(QRect wanted, const std::vector<QRect>& open, int step);
    // The platform whose windows are placed: QGuiApplication::platformName() unless a test says otherwise.
    void setPlatformName(const QString& platformName);

private:
    struct Placed {
        QRect rect;
        std::optional<int> splitter;
        bool imposed = false; // written with the restored size
        bool operator==(const Placed&) const = default;
    };
    // Saves kept to be taken back; a maximising window manager makes two or three.
    static constexpr std::size_t KEPT_SAVES = 16;

    QString key(const char* side) const;
    QRect rectOf(const QWidget& window, const QMargins& frame) const;
    // Notes whether the window system gave the window a size of its own as it showed it.
    void noteImposedSize(const QSize& size);
    void write(const Placed& placed);

    ProfileStore& m_store;
    const QString m_name;
    const Frame m_frame;
    bool m_positionReported;
    QRect m_restored;                // where restore() put the window: the position kept when none is reported
    QSize m_pendingOuter;            // the outer size to reach once the frame is known
    QSize m_framedClient;            // the client size that reaches the outer size, until its layout takes it
    std::optional<qint64> m_shownAt; // when the window was last shown (the clock's milliseconds)
    bool m_sizeImposed = false;      // its size came from the window system as it showed it
    std::vector<Placed> m_saves;     // what the latest saves wrote, the latest last
};
