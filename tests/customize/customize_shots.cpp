// Not a test: opens the Customize sheet over a temporary profile with sample data, for screenshots and
// for trying the sheet by hand under a real display.
//   customize_shots <folder>        saves customize-<page>.png of every page into <folder>
//   customize_shots --show <page>   opens the sheet on <page> and prints the stored settings after it closes
#include "SheetFixture.h"

#include "config/AddressBook.h"
#include "config/CallerRules.h"
#include "config/Settings.h"
#include "customize/CMyPPp.h"
#include "customize/CPPac.h"
#include "customize/LabelTree.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: customize_shots <folder> | --show <page>\n";
        return 2;
    }
    SheetFixture f;
    SavePeopleTree(f.store(), {{"Me (sample)", {{"root", {"127.0.0.1", "localhost"}}, {"guest", {"127.0.0.1"}}}},
                               {"Ann", {{"ann", {"10.77.0.2", "#10.77.0.10 20"}}}}});
    SaveCallerRules(f.store(), {ACTION_POPUP, {{"guest", ACTION_REFUSE}, {"ann", ACTION_CONNECT}}, {{"10.77.0.9", 2}}});
    f.settings().fullname = "Ann Example";
    f.settings().playsound = 1;
    f.settings().sound = "/usr/share/sounds/ring.wav";
    f.settings().saveinfile = 1;
    f.settings().SaveSettings(f.store());
    f.store().flush();

    if (args[1] == "--show") {
        const int page = args.size() > 2 ? args[2].toInt() : 1;
        // Waits until the user closes the sheet, as the tray's command does.
        CMyPropertySheet* sheet = f.open(page);
        QEventLoop loop;
        QObject::connect(sheet, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec();
        f.store().flush();
        QFile file(f.profile->path());
        if (file.open(QIODevice::ReadOnly))
            QTextStream(stdout) << file.readAll();
        return 0;
    }

    static const char* const names[] = {"people", "general", "action", "appearance", "robot"};
    for (int page = 0; page < CMyPropertySheet::PAGE_COUNT; ++page) {
        CMyPropertySheet* sheet = f.open(page);
        if (page == CMyPPp::INDEX) {
            auto* tree = static_cast<CMyPPp*>(sheet->page(page))->tree();
            tree->expandAll();
            tree->setCurrentItem(tree->topLevelItem(1)->child(0));
        } else if (page == CPPac::INDEX) {
            auto* action = static_cast<CPPac*>(sheet->page(page));
            action->tree()->expandAll();
            action->tree()->setCurrentItem(action->callerHeading()->child(1));
        }
        QTest::qWait(300);
        const QString path = QStringLiteral("%1/customize-%2.png").arg(args[1], QString::fromLatin1(names[page]));
        if (!sheet->grab().save(path))
            QTextStream(stderr) << "cannot write " << path << "\n";
        sheet->reject();
        delete sheet;
    }
    return 0;
}
