// What a screen reader finds in each window: every control has a name, and each window is a window.
#include "app/CAboutBox.h"
#include "conversation/CHostUserDialog.h"
#include "conversation/CPersonDialog.h"
#include "conversation/CTalkConversation.h"
#include "conversation/RemotePane.h"
#include "customize/CMyPropertySheet.h"
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
    void readByWhatTheyAre();

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

// Controls that would read alike or by their value are read by what they are: a combo box by its label (what it
// holds is its value), the Appearance page's buttons with their group, a tree's label editor by what the label is.
void TestAccessibleNames::readByWhatTheyAre() {
    const auto name = [](QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); };
    m_window = new CHostUserDialog(*m_app);
    auto* host = m_window->findChild<QComboBox*>(QStringLiteral("host"));
    host->setEditText(QStringLiteral("alpha"));
    QCOMPARE(name(host), QStringLiteral("Host"));
    QCOMPARE(QAccessible::queryAccessibleInterface(host)->text(QAccessible::Value), QStringLiteral("alpha"));
    QCOMPARE(QAccessible::queryAccessibleInterface(host)->child(1)->object(), host->lineEdit());
    delete m_window;

    auto* sheet = new CMyPropertySheet(*m_app, 0);
    m_window = sheet;
    sheet->show();
    QStringList buttons;
    for (const char* button : {"localFont", "remoteFont", "localBack", "remoteBack"})
        buttons << name(sheet->findChild<QPushButton*>(QLatin1String(button)));
    QCOMPARE(buttons, (QStringList{"Local window font", "Remote window font", "Local window background colour",
                                   "Remote window background colour"}));
    QStringList editors;
    const auto edit = [&](LabelTree* tree, QTreeWidgetItem* item) {
        tree->commitEdit();
        editors << (tree->startEdit(item) ? name(tree->editor()) : QString());
    };
    auto* people = sheet->findChild<LabelTree*>(QStringLiteral("peopleTree"));
    sheet->findChild<QPushButton*>(QStringLiteral("addButton"))->click(); // a person, an alias and a host
    QTreeWidgetItem* person = people->topLevelItem(0);
    for (QTreeWidgetItem* item : {person, person->child(0), person->child(0)->child(0)})
        edit(people, item);
    people->commitEdit();
    sheet->setActivePage(2);
    auto* rules = sheet->findChild<LabelTree*>(QStringLiteral("actionTree"));
    for (int heading : {1, 2}) {
        auto* entry = new QTreeWidgetItem(rules->topLevelItem(heading), QStringList{QStringLiteral("entry")});
        entry->setFlags(entry->flags() | Qt::ItemIsEditable);
        edit(rules, entry);
    }
    rules->commitEdit();
    QCOMPARE(editors, (QStringList{"Person or group name", "User name", "Host name or address", "Caller's user name",
                                   "Caller's host"}));
}

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessiblenames.moc"
