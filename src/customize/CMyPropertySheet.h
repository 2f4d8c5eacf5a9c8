// The Customize sheet: the five pages that edit the settings, with OK and Cancel.
//
// The Customize sheet: five pages in a tab widget, OK and Cancel. It edits the context's settings
// record in place; OK writes the store (and, for pages shown, the address book and the caller rules),
// Cancel re-reads it. Leaving a page with a refused value switches back to it with the field selected.
//
// A page opens with the focus on its first control. Escape never cancels the sheet, wherever the focus is in it;
// only Cancel and the close box do.
//
// Keys and left button presses meant for the active page pass through the page's preTranslate() before
// any widget gets them, the editors of tree labels included, and before a press moves the focus.
#pragma once

#include <QDialog>

#include <array>

class AppContext;
class CustomizePage;
class QTabWidget;
class QPushButton;

class CMyPropertySheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int PAGE_COUNT = 5;

    // Opens on `page` (the People page when it is out of range).
    CMyPropertySheet(AppContext& context, int page, QWidget* parent = nullptr);
    ~CMyPropertySheet() override;

    QTabWidget* tabs() const { return m_tabs; }
    CustomizePage* page(int index) const { return m_pages.at(index); }
    CustomizePage* activePage() const;
    void setActivePage(int index);
    bool uninstalled() const { return m_uninstalled; }

    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnCurrentChanged(int index);
    void OnUninstalled();
    void focusFirstControl();

    AppContext& m_context;
    QTabWidget* m_tabs;
    std::array<CustomizePage*, PAGE_COUNT> m_pages{};
    QPushButton* m_ok;
    int m_current = -1;
    bool m_switchingBack = false;
    bool m_uninstalled = false;
};
