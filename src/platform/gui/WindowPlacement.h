// Where a window was last: its rectangle and pane boundary, saved and restored.
//
// Where a window was last: its rectangle, kept in the profile's "Windows" section as "<name> left",
// "<name> top", "<name> right" and "<name> bottom" (right and bottom one past the window), and the position of
// its pane boundary as "<name> splitter". The rectangle is the client area or the outer frame, the same one
// saved and restored, or the window would drift by a title bar per run. A maximised or minimised window
// leaves what is stored alone.
#pragma once

#include <QRect>
#include <QString>

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

    // Puts the window on `rect`. An outer frame is known only once the window is shown: shown() then takes it
    // off the client size.
    void restore(QWidget& window, const QRect& rect);
    // Called from the window's showEvent; true the first time after restore().
    bool shown(QWidget& window);
    // Writes the window's rectangle unless it is maximised or minimised (false then).
    bool save(const QWidget& window);
    void saveSplitter(int position);

private:
    QString key(const char* side) const;

    ProfileStore& m_store;
    const QString m_name;
    const Frame m_frame;
    QSize m_pendingOuter; // the outer size to reach once the frame is known
};
