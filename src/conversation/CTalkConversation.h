// A conversation window: the view of one conversation (ConversationEngine) with its two panes.
//
// A conversation window: the remote pane above, the local pane below, a draggable boundary between them and
// a one-part status line at the bottom. The connection logic is ConversationEngine's; this window shows it.
// Robot conversations have the same window, never shown.
#pragma once

#include "config/FontRecords.h"
#include "conversation/ConversationEngine.h"
#include "platform/TalkWindowEntry.h"
#include "platform/WireName.h"
#include "platform/gui/WindowPlacement.h"

#include <QDialog>
#include <QPointer>
#include <QRect>

#include <optional>

class AppContext;
class LocalPane;
class PaneSplitter;
class QLabel;
class QMenuBar;
class QStatusBar;
class RemotePane;
class RemoteSpeech;

class CTalkConversation : public QDialog, public TalkWindowEntry {
    Q_OBJECT
public:
    // The status line's least height; a taller font makes it taller (statusHeight).
    static constexpr int STATUS_HEIGHT = 16;
    // Neither pane gets lower than this (pixels).
    static constexpr int SPLITTER_MARGIN = 13;
    // The placement's keys in "Windows": "Tinst left", ..., "Tinst splitter".
    inline static const QString PLACEMENT_NAME = QStringLiteral("Tinst");

    // Builds the window (shown at once when interactive); start() makes the first request.
    CTalkConversation(AppContext& context, int mode, const QString& host, const WireName& user, bool taskbar,
                      QWidget* owner = nullptr);
    ~CTalkConversation() override;

    // Starts the conversation; false when it failed at once (the window is then on its way out).
    bool start();

    ConversationEngine* engine() const { return m_engine; }
    LocalPane* localPane() const { return m_localPane; }
    RemotePane* remotePane() const { return m_remotePane; }
    QString statusText() const;
    int splitterPosition() const;
    double splitterRatio() const;
    QWidget* clientArea() const { return m_client; }
    // The status line's height: STATUS_HEIGHT, or more where the status text needs it.
    int statusHeight() const;

    // Moves the boundary to `y` (client coordinates), limits it and lays out, as a drag does.
    void dragSplitterTo(int y);

    // TalkWindowEntry
    QString remoteUser() const override;
    QString remoteHost() const override;
    void restoreToFront() override;

    // The menu commands.
    void OnFontsLocal();
    void OnFontsRemote();
    void OnAbout();
    void EndConversation();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWidgets();
    void buildMenu();
    void nameRemotePane();
    void applyLook();
    void place();
    void layOut();
    int paneSpan() const;
    void savePlacement();
    void onLocalContentsChange(int position, int removed, int added);
    void onConnected();
    void onPeerClosed();
    void onReleased();

    AppContext& m_context;
    const int m_mode;
    const bool m_taskbar;
    QPointer<ConversationEngine> m_engine;
    QString m_host;
    WireName m_user;

    QMenuBar* m_menuBar = nullptr;
    QWidget* m_client = nullptr;
    RemotePane* m_remotePane = nullptr;
    LocalPane* m_localPane = nullptr;
    PaneSplitter* m_splitter = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_statusLabel = nullptr;
    RemoteSpeech* m_speech = nullptr; // interactive conversations only: nobody watches a robot's

    ConversationLook m_look; // the colours and fonts this window was created with
    WindowPlacement m_placement;
    bool m_placed = false;
    // Where the window opened when it made way for another conversation window (see place()).
    std::optional<QRect> m_cascadedPlace;
    bool m_settingLocalText = false;
    bool m_released = false;
};
