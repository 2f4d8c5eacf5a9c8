// What a screen reader finds in each window: every control has a name, and each window is a window.
#include "app/CAboutBox.h"
#include "conversation/CHostUserDialog.h"
#include "conversation/CPersonDialog.h"
#include "conversation/CTalkConversation.h"
#include "conversation/RemotePane.h"
#include "customize/CMyPropertySheet.h"
#include "customize/CustomizePage.h"
#include "customize/LabelTree.h"
#include "daemon/CRequestPrompt.h"
#include "locate/CLocateWindow.h"
#include "platform/LoginName.h"
#include "robot/CMessageMonitor.h"

#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The roles a user acts on or reads from, which a screen reader announces by name.
const QList<QAccessible::Role> CONTROLS{QAccessible::PushButton,   QAccessible::CheckBox, QAccessible::RadioButton,
                                        QAccessible::EditableText, QAccessible::ComboBox, QAccessible::List,
                                        QAccessible::Table,        QAccessible::Tree,     QAccessible::PageTab,
                                        QAccessible::SpinBox,      QAccessible::Slider,   QAccessible::MenuItem};
const QList<QAccessible::Role> CONTAINERS{QAccessible::List, QAccessible::Table, QAccessible::Tree};

// The controls under `iface` without a name, as "role object-name".
void collectUnnamed(QAccessibleInterface* iface, QStringList& out) {
    const QAccessible::Role role = iface->role();
    if (CONTROLS.contains(role) && iface->text(QAccessible::Name).trimmed().isEmpty())
        out << QString::number(role) + QLatin1Char(' ') + (iface->object() ? iface->object()->objectName() : "");
    if (CONTAINERS.contains(role)) // rows and cells: named by their text
        return;
    for (int i = 0; i < iface->childCount(); ++i)
        if (QAccessibleInterface* child = iface->child(i))
            collectUnnamed(child, out);
}

} // namespace

class TestAccessibleNames : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyControlNamed_data();
    void everyControlNamed();
    void remotePaneNamesThePeer();
    void comboBoxReadByItsName_data();
    void comboBoxReadByItsName();
    void buttonsOfAPageReadApart();
    void labelEditorsNamed();

private:
    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<FakeAppContext> m_app;
    QPointer<QWidget> m_window;
};

using Opener = std::function<QWidget*(AppContext&)>;
Q_DECLARE_METATYPE(Opener)

void TestAccessibleNames::init() {
    LoginName::setRawOverride(QStringLiteral("tester"));
    m_profile = std::make_unique<TempProfile>();
    m_profile->store().writeInt("About", "Version", 141);
    m_boxes = std::make_unique<ScriptedMessageBoxes>();
    m_app = std::make_unique<FakeAppContext>(m_profile->store());
    m_app->settings().LoadSettings(m_profile->store());
}

void TestAccessibleNames::cleanup() {
    delete m_window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_app.reset();
    m_boxes.reset();
    m_profile.reset();
}

void TestAccessibleNames::everyControlNamed_data() {
    QTest::addColumn<Opener>("open");
    const WireName bob = WireName::received(QByteArrayLiteral("bob"));
    QTest::newRow("prompt") << Opener(
        [bob](AppContext& c) -> QWidget* { return new CRequestPrompt(c, nullptr, 0, QStringLiteral("host"), bob, 0); });
    QTest::newRow("conversation") << Opener(
        [bob](AppContext& c) -> QWidget* { return new CTalkConversation(c, 0, QStringLiteral("host"), bob, true); });
    QTest::newRow("host and user") << Opener([](AppContext& c) -> QWidget* { return new CHostUserDialog(c); });
    QTest::newRow("person") << Opener([](AppContext& c) -> QWidget* { return new CPersonDialog(c); });
    QTest::newRow("monitor") << Opener([](AppContext& c) -> QWidget* { return new CMessageMonitor(c); });
    QTest::newRow("customize") << Opener([](AppContext& c) -> QWidget* { return new CMyPropertySheet(c, 0); });
    QTest::newRow("locate") << Opener(
        [](AppContext& c) -> QWidget* { return new CLocateWindow(c, false, QStringLiteral("Ann")); });
    QTest::newRow("about") << Opener([](AppContext&) -> QWidget* { return new CAboutBox; });
}

void TestAccessibleNames::everyControlNamed() {
    QFETCH(Opener, open);
    m_window = open(*m_app);
    m_window->show();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(m_window);
    QVERIFY(iface);
    QVERIFY2(iface->role() == QAccessible::Window || iface->role() == QAccessible::Dialog,
             qPrintable(QString::number(int(iface->role()))));
    QStringList unnamed;
    collectUnnamed(iface, unnamed);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

// The name says whose text the pane holds, in caret form as every name from the network is shown.
void TestAccessibleNames::remotePaneNamesThePeer() {
    auto* w = new CTalkConversation(*m_app, 0, QStringLiteral("h\x1b"),
                                    WireName::received(QByteArrayLiteral("b\x07ob")), true);
    m_window = w;
    QCOMPARE(w->remotePane()->accessibleName(), QStringLiteral("Text from b^Gob at h^["));
}

// A combo box is announced by its name (its label), and what it holds is its value.
void TestAccessibleNames::comboBoxReadByItsName_data() {
    QTest::addColumn<Opener>("open");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("name");
    QTest::newRow("host") << Opener([](AppContext& c) -> QWidget* { return new CHostUserDialog(c); }) << "host"
                          << "Host";
    QTest::newRow("user") << Opener([](AppContext& c) -> QWidget* { return new CHostUserDialog(c); }) << "user"
                          << "User";
    QTest::newRow("person") << Opener([](AppContext& c) -> QWidget* { return new CPersonDialog(c); }) << QString()
                            << "Person";
}

void TestAccessibleNames::comboBoxReadByItsName() {
    QFETCH(Opener, open);
    QFETCH(QString, box);
    QFETCH(QString, name);
    m_window = open(*m_app);
    m_window->show();
    auto* combo = box.isEmpty() ? m_window->findChild<QComboBox*>() : m_window->findChild<QComboBox*>(box);
    QVERIFY(combo);
    combo->setEnabled(true);
    combo->setEditText(QStringLiteral("alpha"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(combo);
    QCOMPARE(iface->role(), QAccessible::ComboBox);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("alpha"));
    QCOMPARE(iface->childCount(), 2);
    QCOMPARE(iface->child(1)->object(), combo->lineEdit());
    QCOMPARE(iface->indexOfChild(iface->child(0)), 0);
}

// Buttons of one page that read alike ("Local window" for a font and for a colour) are named apart.
void TestAccessibleNames::buttonsOfAPageReadApart() {
    auto* sheet = new CMyPropertySheet(*m_app, 0);
    m_window = sheet;
    sheet->show();
    for (int page = 0; page < CMyPropertySheet::PAGE_COUNT; ++page) {
        QStringList names;
        for (QPushButton* button : sheet->page(page)->findChildren<QPushButton*>()) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
            const QString name = iface->text(QAccessible::Name);
            QVERIFY2(!names.contains(name), qPrintable(QStringLiteral("page %1: %2").arg(page).arg(name)));
            names << name;
        }
    }
    QCOMPARE(
        QAccessible::queryAccessibleInterface(sheet->findChild<QPushButton*>("remoteBack"))->text(QAccessible::Name),
        QStringLiteral("Remote window background colour"));
}

// The field in which a tree's label is edited says what the label is.
void TestAccessibleNames::labelEditorsNamed() {
    auto* sheet = new CMyPropertySheet(*m_app, 0);
    m_window = sheet;
    sheet->show();
    auto editorName = [](LabelTree* tree, QTreeWidgetItem* item) {
        tree->commitEdit();
        tree->setCurrentItem(item);
        if (!tree->startEdit(item))
            return QStringLiteral("(not edited)");
        return QAccessible::queryAccessibleInterface(tree->editor())->text(QAccessible::Name);
    };
    auto* people = sheet->findChild<LabelTree*>(QStringLiteral("peopleTree"));
    QVERIFY(people);
    sheet->findChild<QPushButton*>(QStringLiteral("addButton"))->click();
    QTreeWidgetItem* person = people->topLevelItem(people->topLevelItemCount() - 1);
    QCOMPARE(editorName(people, person), QStringLiteral("Person or group name"));
    QCOMPARE(editorName(people, person->child(0)), QStringLiteral("User name"));
    QCOMPARE(editorName(people, person->child(0)->child(0)), QStringLiteral("Host name or address"));
    people->commitEdit();
    sheet->setActivePage(2);
    auto* rules = sheet->findChild<LabelTree*>(QStringLiteral("actionTree"));
    QVERIFY(rules);
    for (int heading : {1, 2}) {
        auto* entry = new QTreeWidgetItem(QStringList{QStringLiteral("entry")});
        entry->setFlags(entry->flags() | Qt::ItemIsEditable);
        rules->topLevelItem(heading)->addChild(entry);
    }
    QCOMPARE(editorName(rules, rules->topLevelItem(1)->child(0)), QStringLiteral("Caller's user name"));
    QCOMPARE(editorName(rules, rules->topLevelItem(2)->child(0)), QStringLiteral("Caller's host"));
    rules->commitEdit();
}

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessiblenames.moc"
