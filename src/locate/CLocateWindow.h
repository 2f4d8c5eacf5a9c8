// The locate window: the window of one search for a person.
//
// The locate window: the visible face of one search. Lists every (alias, host) pair of the person with
// what its talk daemon answered; Enter or a double click calls the selected row, Escape or the close box
// ends the search. The window owns itself and its search and is deleted when it closes.
#pragma once

#include "platform/WireName.h"
#include "platform/gui/WindowPlacement.h"

#include <QDialog>
#include <QPointer>

class AppContext;
class LocateSearch;
class QTreeWidget;

class CLocateWindow : public QDialog {
    Q_OBJECT
public:
    CLocateWindow(AppContext& context, bool urgent, const QString& person);
    ~CLocateWindow() override;

    // Places and shows the window, shows the plan's box if it has one, and runs the first query cycle.
    void start();

    // The OK action: calls the selected row when its state allows it.
    void TalkToSelection();
    // Hides the window, starts an interactive conversation with the row's host and user (through the context), and
    // closes.
    void TalkToRow(int row);

    LocateSearch& search() { return *m_search; }
    QTreeWidget* list() const { return m_list; }

    // The placement's keys in "Windows": "Locate left", ..., "Locate bottom" (the outer frame).
    inline static const QString PLACEMENT_NAME = QStringLiteral("Locate");
    static constexpr int LIST_COLOUR = 0xD2E6E6; // RGB(210, 230, 230)

    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateRow(int row);
    void placeFirstTime();
    void savePlacement();
    void finish();

    AppContext& m_context;
    LocateSearch* m_search = nullptr;
    QTreeWidget* m_list = nullptr;
    bool m_firstPlacement = true;
    bool m_finished = false;
    WindowPlacement m_placement;
};
