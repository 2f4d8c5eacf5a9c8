// The "Talk to..." dialog by host and user name (the old connect style).
//
// "Talk to..." by host and user name (the old connect style): two editable boxes with their histories
// (sections "Hosts" and "Users"), and a conversation started directly on "&Talk". Modeless; several may be
// open at once; each deletes itself when it closes.
#pragma once

#include <QDialog>

class AppContext;
class ProfileStore;
class Settings;
class QComboBox;
class QPushButton;

class CHostUserDialog : public QDialog {
    Q_OBJECT
public:
    static inline const QString HOSTS = QStringLiteral("Hosts");
    static inline const QString USERS = QStringLiteral("Users");
    static inline const QString HOST_FORMAT = QStringLiteral("host%1");
    static inline const QString USER_FORMAT = QStringLiteral("user%1");
    static constexpr int TEXT_LIMIT = 256;

    explicit CHostUserDialog(AppContext& context, QWidget* parent = nullptr);

    // Opens a new dialog for the tray's "&Talk", owned by the context's owner window.
    static CHostUserDialog* openNew(AppContext& context);

    // A history from index 0 until the first missing or empty value (index 0 is the oldest).
    static QStringList ReadHistory(const ProfileStore& store, const QString& section, const QString& format);
    // Files `text` into a history: appended as the most recent entry when it is not there yet (letter case
    // ignored); when it is and `movetotop` is set, moved to the most recent place, stored as typed.
    static void UpdateHistory(ProfileStore& store, const QString& section, const QString& format, const QString& text,
                              bool movetotop);

    QComboBox* hostBox() const { return m_host; }
    QComboBox* userBox() const { return m_user; }
    QPushButton* talkButton() const { return m_talk; }

    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillFromHistory(QComboBox* box, const QString& section, const QString& format);
    void onHostChanged();

    AppContext& m_context;
    ProfileStore& m_store;
    const Settings& m_settings;
    QComboBox* m_host;
    QComboBox* m_user;
    QPushButton* m_talk;
    QPushButton* m_cancel;
};
