// The keys that move the focus out of a text pane whose Tab types a tab.
//
// Control+Tab moves the focus on to the next control of the window, Control+Shift+Tab back, as in Qt's own tab
// widgets and most desktop programs; Tab itself stays the pane's (a conversation sends it as talk does).
#pragma once

class QKeyEvent;

class FocusKeys {
public:
    // 1 for Control+Tab, -1 for Control+Shift+Tab, 0 for any other key.
    static int step(const QKeyEvent& event);
};
