// Shared by the message monitor's tests: a fake shell over a temporary profile, scripted boxes, calls
// recorded instead of made, and helpers that read the table, the list and the container file.
#pragma once

#include "platform/SystemTime.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/FontConversion.h"
#include "platform/gui/WindowPlacement.h"
#include "robot/CMessageMonitor.h"
#include "robot/StoreRobotMessage.h"

#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

namespace monitortest {

inline RobotMessage message(const QString& user, const QString& host, int ms,
                            const QString& text = QStringLiteral("hi")) {
    RobotMessage m;
    m.text = text;
    m.user = WireName::typed(user);
    m.host = host;
    m.receiptTime = SystemTime{1996, 12, 5, 20, 9, 5, 7, std::uint16_t(ms)};
    return m;
}

inline QStringList row(const QTreeWidget* table, int i) {
    const QTreeWidgetItem* item = table->topLevelItem(i);
    return {item->text(0), item->text(1), item->text(2)};
}

inline QStringList senders(const QTreeWidget* table) {
    QStringList out;
    for (int i = 0; i < table->topLevelItemCount(); ++i)
        out << table->topLevelItem(i)->text(0);
    return out;
}

inline QStringList listed(RobotMessageList& list) {
    QStringList out;
    for (const RobotMessage& m : list.messages())
        out << m.user.text;
    return out;
}

inline QStringList menuEntries(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

inline void select(QTreeWidget* table, int i) {
    const QRect r = table->visualItemRect(table->topLevelItem(i));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, r.center());
}

// The monitor's context menus on screen (a test that took "the first" would get whichever Qt lists first).
inline QList<QMenu*> visibleMonitorMenus() {
    QList<QMenu*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(w); menu && menu->objectName() == "monitorMenu" && menu->isVisible())
            out << menu;
    return out;
}

inline void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Each test class calls setUpCase, setUp and tearDown from its initTestCase, init and cleanup.
class MonitorTestBase : public QObject {
protected:
    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<FakeAppContext> m_app;
    QList<QStringList> m_calls;
    std::function<void()> m_duringCall;
    // The placement's clock.
    qint64 m_now = 0;

    ProfileStore& store() { return m_profile->store(); }
    RobotMessageList& list() { return m_app->messages(); }

    // A new monitor, shown as the shell shows it.
    CMessageMonitor* open() {
        auto* monitor = new CMessageMonitor(*m_app);
        monitor->bringToFront();
        // Settled on the screen: a size the test gives it from now on is the user's, not one the window system
        // imposed as it showed the window.
        m_now += WindowPlacement::SETTLE_MS + 1;
        return monitor;
    }
    void fill() {
        list().append(message("anna", "alpha", 1, "first\r\nline two"));
        list().append(message("bob", "beta", 2, "second"));
        list().append(message("carl", "gamma", 3, "third"));
    }
    QString containerText() {
        QFile f(m_app->settings().containerFileName());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QStringList containerSenders() {
        QStringList out;
        const auto matches = QRegularExpression(" -- Message from: (\\S+) at").globalMatch(containerText());
        for (auto it = matches; it.hasNext();)
            out << it.next().captured(1);
        return out;
    }

    void setUpCase() { Desktop::setOverride(QRect(0, 0, 1000, 800)); }

    void setUp() {
        WindowPlacement::setClock([this] { return m_now; });
        m_profile = std::make_unique<TempProfile>();
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_app = std::make_unique<FakeAppContext>(store());
        m_app->settings().LoadSettings(store());
        m_app->settings().msgfile = m_profile->dir() + QStringLiteral("/container.txt");
        m_calls.clear();
        m_duringCall = nullptr;
        m_app->onConversation = [this](const FakeAppContext::Conversation& c) -> QObject* {
            m_calls << QStringList{QString::number(c.mode), c.host, c.user.text};
            if (m_duringCall)
                m_duringCall();
            return nullptr;
        };
    }

    void tearDown() {
        m_app.reset(); // takes an open monitor with it (it goes with the message list)
        QVERIFY(visibleMonitorMenus().isEmpty());
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<CMessageMonitor*>(w));
        m_boxes.reset();
        m_profile.reset();
        LocalClock::setSource({}); // even when a test failed before it put the clock back
        WindowPlacement::setClock({});
    }
};

} // namespace monitortest
