// The General page of the Customize sheet: name, connect style, urgency, redial interval and Uninstall.
//
// The General page: the full name, the connect style with the two options it governs, the default
// urgency, moving the last callee to the top, the locate redial interval, and Uninstall.
#pragma once

#include "customize/CustomizePage.h"

class AppContext;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CPPse : public CustomizePage {
    Q_OBJECT
public:
    static constexpr int INDEX = 1;

    explicit CPPse(AppContext& context, QWidget* parent = nullptr);

    bool commit(bool validate) override;
    void refresh() override;

    // The "&Uninstall." button: asks, then removes everything and asks the program to quit.
    void OnUninstall();

signals:
    // Everything is removed; the sheet closes without saving or re-reading anything.
    void uninstalled();

protected:
    void initialise() override;

private:
    void OnConnectStyle();

    AppContext& m_context;
    QLineEdit* m_fullname;
    QRadioButton* m_old;
    QRadioButton* m_new;
    QCheckBox* m_showlookup;
    QCheckBox* m_talktotop;
    QCheckBox* m_urgency;
    QCheckBox* m_movetotop;
    SpinEdit* m_autowrap;
    QPushButton* m_uninstall;
};
