// The hidden main window that owns the tray icon and the tray menu.
//
// The hidden main window: owns the tray icon and its menu, and blinks the icon while robot messages wait. Its tip
// says so while the message list is full (the robot takes no calls then).
#pragma once

#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

class CTalkApp;
class QAction;
class QMenu;

class CTrayWindow : public QWidget {
    Q_OBJECT
public:
    // Command ids of the tray menu, kept as the actions' data.
    enum Command {
        CMD_CUSTOMIZE = 32774,
        CMD_TALK = 32775,
        CMD_EXIT = 32776,
        CMD_ABOUT = 32777,
        CMD_ROBOT = 32780,
        CMD_MESSAGES = 32781,
        CMD_WINDOW_FIRST = 32782,
    };
    static constexpr int BLINK_PERIOD_MS = 500;
    static inline const QString TIP = QStringLiteral("Murmelo");
    static inline const QString TIP_FULL = QStringLiteral("Murmelo: the message box is full");

    explicit CTrayWindow(CTalkApp& app);
    ~CTrayWindow() override;

    // Shows the icon; where the desktop has no tray, says so (tellNoTray).
    void showIcon();
    // The notice that no tray is available and how to reach the program without one. Shown once for the account:
    // the profile keeps that it was (NO_TRAY_SECTION, NO_TRAY_TOLD), and Uninstall removes that with the rest.
    void tellNoTray();
    static inline const QString NO_TRAY_SECTION = QStringLiteral("Desktop");
    static inline const QString NO_TRAY_TOLD = QStringLiteral("No tray told");
    static inline const QString NO_TRAY_TEXT =
        QStringLiteral("No system tray is available on this desktop. Murmelo keeps running and answers talk "
                       "requests; its icon appears as soon as a tray does.\n\n"
                       "To place a call, start Murmelo again from the desktop's menu. Right-click its entry in the "
                       "menu or dock for Talk, Messages, Customize, Talk robot on, Talk robot off and Exit.\n\n"
                       "This notice is not shown again.");
    void hideIcon();
    QSystemTrayIcon* trayIcon() const { return m_icon; }
    QMenu* menu() const { return m_menu; }

    // Builds the menu as it is about to show (also what tests call); a menu that is up to date stays as it is.
    void buildMenu();
    // The program's state changed (messages waiting or not, conversations listed, the robot switch): the menu
    // follows it at once unless it is open.
    void updateMenu();
    // Carries out one menu command.
    void OnCommand(int command);

    // Starts the blinking (the robot message filer does when the list was empty).
    void startBlinking();
    bool isBlinking() const { return m_blinkTimer.isActive(); }
    // Which icon the tray shows now: 128 or 163.
    int currentIconId() const { return m_currentIcon; }
    // One tick of the blink timer.
    void blinkTick();

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    // Shows the menu where the pointer is (a StatusNotifier host that asks the program to show its menu).
    void popUpMenu();
    void setIconId(int id);
    QAction* addCommand(QMenu* menu, const QString& text, int command);
    // What the menu's entries depend on.
    QStringList menuState() const;

    CTalkApp& m_app;
    QSystemTrayIcon* m_icon;
    QMenu* m_menu;
    QStringList m_menuState;
    QTimer m_blinkTimer;
    QTimer m_singleClick;
    // Made once: the tray sets one of them twice a second while messages wait, and a QIcon made afresh
    // from its file each time leaves cached pixmaps behind.
    const QIcon m_icon128;
    const QIcon m_icon163;
    int m_blinkIcon = 163;
    int m_currentIcon = 128;
    // The Exit question is on screen.
    bool m_askingToExit = false;
};
