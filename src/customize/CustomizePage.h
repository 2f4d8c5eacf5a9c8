// The base class of the Customize sheet's pages.
//
// What every page of the Customize sheet has in common. A page edits the application's settings record
// in place: commit() moves its controls into the settings fields, refresh() shows the fields. The sheet
// activates a page (which stores the page's index into `tab`), and on OK or Cancel calls every page that
// has been shown during this run of the sheet.
#pragma once

#include <QWidget>

class ProfileStore;
class QEvent;
class Settings;
class SpinEdit;

class CustomizePage : public QWidget {
    Q_OBJECT
public:
    CustomizePage(int index, Settings& settings, ProfileStore& store, QWidget* parent = nullptr);

    int pageIndex() const { return m_index; }
    bool wasShown() const { return m_shown; }

    // The page becomes the active one: `tab` takes its index first; the first time, it fills itself.
    void activate();

    // Moves the controls into the settings. With `validate`, a refused field shows its message, is
    // selected, and false is returned. Without it, a field that does not hold a valid value is left out.
    virtual bool commit(bool validate) = 0;
    // Shows the settings in the controls.
    virtual void refresh() = 0;
    // OK: the page's own saving before the settings store is written (address book, caller rules).
    virtual void saveExtra() {}
    // Cancel: throws away every edit of the settings record.
    void reload();

    // Key presses and left button presses meant for this page's widgets, before they get them (the
    // page's editor windows included). True swallows the event. The base swallows Escape, so that it
    // never cancels the sheet.
    virtual bool preTranslate(QWidget* target, QEvent* event);

protected:
    // Dialog initialisation, run when the page is shown for the first time.
    virtual void initialise() { refresh(); }

    // Commits an integer field: with `validate` a refused text is reported; without it, only a valid
    // value in range reaches the setting.
    bool commitInteger(SpinEdit* field, int min, int max, int& setting, bool validate);

    Settings& m_settings;
    ProfileStore& m_store;

private:
    int m_index;
    bool m_shown = false;
};
