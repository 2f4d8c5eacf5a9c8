// The "Talk to..." dialog by person of the address book (the new connect style).
//
// "Talk to..." by person (the new connect style): a person of the address book and the urgent flag; "&Talk"
// starts a search for the person. A name that is not in the book opens the People page of Customize, then a
// fresh dialog. Modeless; several may be open at once; each deletes itself when it closes. Its top-left
// corner is kept in "Windows" as "Pre x" and "Pre y".
#pragma once

#include <QDialog>

class AppContext;
class ProfileStore;
class QCheckBox;
class QComboBox;
class QPushButton;
class Settings;

class CPersonDialog : public QDialog {
    Q_OBJECT
public:
    static inline const QString POSITION_SECTION = QStringLiteral("Windows");
    static inline const QString POSITION_X = QStringLiteral("Pre x");
    static inline const QString POSITION_Y = QStringLiteral("Pre y");
    static constexpr int NOT_STORED = -10000;
    static constexpr int TEXT_LIMIT = 256;

    explicit CPersonDialog(AppContext& context, QWidget* parent = nullptr);

    // Opens a new dialog for the tray's "&Talk", owned by the context's owner window: where it was last moved
    // to, or centred on the screen the first time.
    static CPersonDialog* openNew(AppContext& context);

    QComboBox* personBox() const { return m_person; }
    QCheckBox* urgentBox() const { return m_urgent; }
    QPushButton* talkButton() const { return m_talk; }

    void accept() override;
    void reject() override;

protected:
    void moveEvent(QMoveEvent* event) override;

private:
    AppContext& m_context;
    ProfileStore& m_store;
    const Settings& m_settings;
    QComboBox* m_person;
    QCheckBox* m_urgent;
    QPushButton* m_talk;
    QPushButton* m_cancel;
};
