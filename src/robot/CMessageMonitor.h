// The message monitor: the window that lists the robot messages and acts on them.
//
// The message monitor: the robot messages as a table of sender, receipt date and receipt time, the text of
// the selected one in a pane below, and a context menu to call back, save to the message container file and
// delete. A top-level window with its own task-bar button; at most one is open (the shell keeps it).
// Its placement and the height of the table are kept in "Windows" ("Msgmon left", ..., "Msgmon splitter").
#pragma once

#include "platform/gui/ReceivedTextView.h"
#include "platform/gui/WindowPlacement.h"
#include "robot/RobotMessage.h"

#include <QWidget>

class AppContext;
class PaneSplitter;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

class CMessageMonitor : public QWidget {
    Q_OBJECT
public:
    enum Command {
        CMD_DELETE = 32790,
        CMD_SAVE = 32791,
        CMD_SAVE_AND_DELETE = 32792,
        CMD_DELETE_ALL = 32793,
        CMD_SAVE_ALL = 32794,
        CMD_SAVE_AND_DELETE_ALL = 32795,
        CMD_CALLBACK = 32796,
        CMD_CLOSE_AND_CALLBACK = 32797,
    };
    static inline const QString TITLE = QStringLiteral("Murmelo: message monitor");
    // The placement's keys in "Windows": "Msgmon left", ..., "Msgmon splitter"; the rectangle is the outer frame, as
    // the locate window keeps it.
    static inline const QString PLACEMENT_NAME = QStringLiteral("Msgmon");
    // Neither the table nor the text pane gets lower than this (pixels).
    static constexpr int SPLITTER_MARGIN = 34;

    // Reads the placement, lists every message of the context's list and follows it from then on. Not shown.
    explicit CMessageMonitor(AppContext& context);
    ~CMessageMonitor() override;

    // Shows the window and brings it to the foreground (restoring it when minimised).
    void bringToFront();

    // Appends a row for a message.
    void AddRow(const RobotMessage& message);
    // Carries out a context-menu command.
    void OnCommand(int command);
    // The context menu as it would open now; null while no row has ever been added since the table was
    // last emptied.
    QMenu* createContextMenu();

    // Moves the splitter as a drag to client y does.
    void dragSplitterTo(int y);

    QTreeWidget* table() const { return m_table; }
    ReceivedTextView* textPane() const { return m_text; }
    QWidget* splitterGrip() const;
    int rowCounter() const { return m_rowCounter; }
    int splitterPosition() const;
    double splitterRatio() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutChildren();
    void savePlacement();
    void applyTextColour();
    void showSelectedMessage();
    void onContextMenu(const QPoint& pos);
    QTreeWidgetItem* selectedRow() const;
    const RobotMessage* selectedMessage() const;
    bool saveSelected();
    void deleteSelected();
    void deleteAll();
    void callback();

    AppContext* m_context;
    QTreeWidget* m_table;
    ReceivedTextView* m_text;
    PaneSplitter* m_splitter;
    WindowPlacement m_placement;
    int m_rowCounter = 0;
};
