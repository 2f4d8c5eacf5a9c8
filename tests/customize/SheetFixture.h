// What the Customize tests share: a temporary profile, scripted boxes, a fake shell, a private autostart
// folder, and a sheet opened on a page, shown without blocking.
#pragma once

#include "customize/CMyPropertySheet.h"
#include "customize/CustomizePage.h"

#include "EnvironmentOverride.h"
#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QAbstractButton>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <memory>

class SheetFixture {
public:
    SheetFixture() {
        profile = std::make_unique<TempProfile>();
        profile->store().writeInt(QStringLiteral("About"), QStringLiteral("Version"), 141);
        boxes = std::make_unique<ScriptedMessageBoxes>();
        app = std::make_unique<FakeAppContext>(profile->store());
        app->settings().LoadSettings(profile->store());
    }

    ~SheetFixture() {
        delete sheet;
        app.reset();
        boxes.reset();
        profile.reset();
    }

    QString configDir() const { return m_config.path(); }
    Settings& settings() { return app->settings(); }
    ProfileStore& store() { return profile->store(); }

    CMyPropertySheet* open(int page) {
        sheet = new CMyPropertySheet(*app, page);
        sheet->show();
        if (!QTest::qWaitForWindowExposed(sheet))
            qWarning("the sheet was not exposed");
        return sheet;
    }

    template <class T> T* child(const char* name) const {
        T* w = sheet->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qWarning("no child %s", name);
        return w;
    }

    // A named widget of one page.
    template <class T> T* onPage(int page, const char* name) const {
        T* w = sheet->page(page)->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qWarning("no %s on page %d", name, page);
        return w;
    }

    // A left press and release where a user would click: on the window, so the page sees it first.
    void clickOnWindow(QWidget* widget) {
        const QPoint pos = widget->mapTo(sheet, widget->rect().center());
        QTest::mouseClick(sheet->windowHandle(), Qt::LeftButton, {}, pos);
    }

    std::unique_ptr<TempProfile> profile;
    std::unique_ptr<ScriptedMessageBoxes> boxes;
    std::unique_ptr<FakeAppContext> app;
    QPointer<CMyPropertySheet> sheet;

private:
    // Uninstall removes the autostart entry: never the real user's.
    QTemporaryDir m_config;
    EnvironmentOverride m_configHome{"XDG_CONFIG_HOME", QFile::encodeName(m_config.path())};
};
