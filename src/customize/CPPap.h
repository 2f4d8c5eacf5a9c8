// The Appearance page of the Customize sheet: the panes' fonts and colours and two window options.
//
// The Appearance page: the fonts and background colours of the two panes of conversation windows, and
// two window options. Changes reach conversation windows opened afterwards.
#pragma once

#include "customize/CustomizePage.h"

class QCheckBox;
class QPushButton;

class CPPap : public CustomizePage {
    Q_OBJECT
public:
    static constexpr int INDEX = 3;

    CPPap(Settings& settings, ProfileStore& store, QWidget* parent = nullptr);

    bool commit(bool validate) override;
    void refresh() override;

    void OnFont(bool localPane);
    void OnBackground(bool localPane);

private:
    QCheckBox* m_topmostlocate;
    QCheckBox* m_taskbar;
};
