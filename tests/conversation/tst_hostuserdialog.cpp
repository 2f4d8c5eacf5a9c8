// The host-and-user dialog: its histories, the enabling of the User box and "&Talk", and the call it makes.
#include "config/Settings.h"
#include "conversation/CHostUserDialog.h"

#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

struct Call {
    int mode;
    QString host;
    QString user;
    bool operator==(const Call&) const = default;
};

QStringList listOf(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestHostUserDialog : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<FakeAppContext> m_app;
    QList<Call> m_calls;

    ProfileStore& store() { return m_profile->store(); }

    QStringList history(const QString& section, const QString& format) {
        return CHostUserDialog::ReadHistory(store(), section, format);
    }
    QStringList hosts() { return history(CHostUserDialog::HOSTS, CHostUserDialog::HOST_FORMAT); }
    QStringList users() { return history(CHostUserDialog::USERS, CHostUserDialog::USER_FORMAT); }

    void writeHosts(const QStringList& entries) {
        for (int i = 0; i < entries.size(); ++i)
            store().writeString(CHostUserDialog::HOSTS, CHostUserDialog::HOST_FORMAT.arg(i), entries[i]);
    }

    // Opens a dialog as the tray does, types the host and the user, and presses "&Talk".
    void call(const QString& host, const QString& user = {}) {
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        QVERIFY(dialog);
        dialog->hostBox()->clearEditText();
        QTest::keyClicks(dialog->hostBox()->lineEdit(), host);
        dialog->userBox()->clearEditText();
        QTest::keyClicks(dialog->userBox()->lineEdit(), user);
        QVERIFY(dialog->talkButton()->isEnabled());
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        flushDeletes();
        QVERIFY(!dialog);
    }

private slots:
    void init() {
        m_profile = std::make_unique<TempProfile>();
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_app = std::make_unique<FakeAppContext>(store());
        m_app->settings().LoadSettings(store());
        m_calls.clear();
        m_app->onConversation = [this](const FakeAppContext::Conversation& c) -> QObject* {
            m_calls << Call{c.mode, c.host, c.user.text};
            return nullptr;
        };
    }

    void cleanup() {
        QList<QPointer<CHostUserDialog>> open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CHostUserDialog*>(w))
                open << d;
        qDeleteAll(open);
        m_app.reset();
        m_boxes.reset();
        m_profile.reset();
    }

    void opensAsTheTalkToDialog() {
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Talk to..."));
        QCOMPARE(dialog->talkButton()->text(), QStringLiteral("&Talk"));
        QVERIFY(dialog->talkButton()->isDefault());
        QCOMPARE(dialog->findChild<QPushButton*>("cancel")->text(), QStringLiteral("&Cancel"));
        QStringList labels;
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            labels << label->text();
        labels.sort();
        QCOMPARE(labels, (QStringList{"Host:", "User:"}));
        QCOMPARE(dialog->hostBox()->lineEdit()->maxLength(), 256);
        QCOMPARE(dialog->userBox()->lineEdit()->maxLength(), 256);
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        // Several may be open at once.
        QPointer<CHostUserDialog> second = CHostUserDialog::openNew(*m_app);
        QVERIFY(second && second != dialog && dialog->isVisible());
    }

    void emptyHistoriesDisableUserAndTalk() {
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        QCOMPARE(dialog->hostBox()->count(), 0);
        QVERIFY(!dialog->userBox()->isEnabled());
        QVERIFY(!dialog->talkButton()->isEnabled());
        QTest::keyClicks(dialog->hostBox()->lineEdit(), "h");
        QVERIFY(dialog->userBox()->isEnabled());
        QVERIFY(dialog->talkButton()->isEnabled());
        QTest::keyClicks(dialog->userBox()->lineEdit(), "anna");
        // Emptying the host empties and disables the user again.
        QTest::keyClick(dialog->hostBox()->lineEdit(), Qt::Key_Backspace);
        QVERIFY(!dialog->userBox()->isEnabled());
        QVERIFY(!dialog->talkButton()->isEnabled());
        QCOMPARE(dialog->userBox()->currentText(), QString());
        // Enter with no host sends nothing.
        QTest::keyClick(dialog->hostBox()->lineEdit(), Qt::Key_Return);
        QVERIFY(m_calls.isEmpty());
        QVERIFY(dialog);
    }

    void historiesOpenMostRecentFirst() {
        writeHosts({"alpha", "beta", "gamma"});
        store().writeString("Users", "user0", "anna");
        store().writeString("Users", "user1", "bob");
        store().writeString("Users", "user3", "lost"); // after a gap: not read
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        QCOMPARE(listOf(dialog->hostBox()), (QStringList{"gamma", "beta", "alpha"}));
        QCOMPARE(listOf(dialog->userBox()), (QStringList{"bob", "anna"}));
        QCOMPARE(dialog->hostBox()->currentText(), QStringLiteral("gamma"));
        QCOMPARE(dialog->userBox()->currentText(), QStringLiteral("bob"));
        QVERIFY(dialog->userBox()->isEnabled());
        QVERIFY(dialog->talkButton()->isEnabled());
        // Picking from the list is a host too.
        dialog->hostBox()->setCurrentIndex(2);
        QCOMPARE(dialog->hostBox()->currentText(), QStringLiteral("alpha"));
        QVERIFY(dialog->talkButton()->isEnabled());
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QCOMPARE(m_calls, (QList<Call>{{0, "alpha", "bob"}}));
    }

    void callingAgainMovesToTop() {
        m_app->settings().movetotop = 1;
        call("alpha");
        call("beta");
        call("gamma");
        call("alpha");
        QCOMPARE(store().readString("Hosts", "host0"), QStringLiteral("beta"));
        QCOMPARE(store().readString("Hosts", "host1"), QStringLiteral("gamma"));
        QCOMPARE(store().readString("Hosts", "host2"), QStringLiteral("alpha"));
        QVERIFY(!store().contains("Hosts", "host3"));
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        QCOMPARE(listOf(dialog->hostBox()), (QStringList{"alpha", "gamma", "beta"}));
        QCOMPARE(m_calls.size(), 4);
        QCOMPARE(m_calls.last(), (Call{0, "alpha", ""}));
    }

    void letterCaseAndMoveToTop_data() {
        QTest::addColumn<int>("movetotop");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("on, moves and keeps the typed case")
            << 1 << QStringList{"alpha", "beta"} << "Alpha" << QStringList{"beta", "Alpha"};
        QTest::newRow("on, already the most recent")
            << 1 << QStringList{"beta", "alpha"} << "ALPHA" << QStringList{"beta", "ALPHA"};
        QTest::newRow("off, nothing changes")
            << 0 << QStringList{"alpha", "beta"} << "Alpha" << QStringList{"alpha", "beta"};
        QTest::newRow("off, a new host is still added")
            << 0 << QStringList{"alpha", "beta"} << "delta" << QStringList{"alpha", "beta", "delta"};
        QTest::newRow("on, a new host is added")
            << 1 << QStringList{"alpha"} << "alphabet" << QStringList{"alpha", "alphabet"};
    }
    void letterCaseAndMoveToTop() {
        QFETCH(int, movetotop);
        QFETCH(QStringList, before);
        QFETCH(QString, typed);
        QFETCH(QStringList, after);
        m_app->settings().movetotop = movetotop;
        writeHosts(before);
        const quint64 generation = store().generation();
        call(typed);
        QCOMPARE(hosts(), after);
        if (after == before)
            QCOMPARE(store().generation(), generation); // nothing written at all
        QCOMPARE(m_calls, (QList<Call>{{0, typed, ""}}));
    }

    void emptyUserIsNotRememberedButCalled() {
        store().writeString("Users", "user0", "anna");
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        dialog->hostBox()->setEditText("localhost");
        dialog->userBox()->clearEditText();
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QCOMPARE(m_calls, (QList<Call>{{0, "localhost", ""}}));
        QCOMPARE(users(), QStringList{"anna"});
        QCOMPARE(hosts(), QStringList{"localhost"});
        call("localhost", "bob");
        QCOMPARE(users(), (QStringList{"anna", "bob"}));
        QCOMPARE(m_calls.last(), (Call{0, "localhost", "bob"}));
    }

    void twoOpenDialogsKeepBothHosts() {
        QPointer<CHostUserDialog> first = CHostUserDialog::openNew(*m_app);
        QPointer<CHostUserDialog> second = CHostUserDialog::openNew(*m_app);
        first->hostBox()->setEditText("alpha");
        second->hostBox()->setEditText("beta");
        QTest::mouseClick(first->talkButton(), Qt::LeftButton);
        QTest::mouseClick(second->talkButton(), Qt::LeftButton);
        QCOMPARE(hosts(), (QStringList{"alpha", "beta"}));
    }

    void textsAreLimitedTo256Characters() {
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        QTest::keyClicks(dialog->hostBox()->lineEdit(), QString(300, u'h'));
        QTest::keyClicks(dialog->userBox()->lineEdit(), QString(300, u'u'));
        QCOMPARE(dialog->hostBox()->currentText().size(), 256);
        QCOMPARE(dialog->userBox()->currentText().size(), 256);
        QTest::mouseClick(dialog->talkButton(), Qt::LeftButton);
        QCOMPARE(m_calls.first().host.size(), 256);
        QCOMPARE(hosts().first().size(), 256);
    }

    void cancelCallsNobodyAndRemembersNothing() {
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        dialog->hostBox()->setEditText("alpha");
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
        flushDeletes();
        QVERIFY(!dialog);
        QVERIFY(m_calls.isEmpty());
        QVERIFY(hosts().isEmpty());
    }

    void enterPressesTalk_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("typed"); // appended to the preselected host
        QTest::addColumn<bool>("inUserBox");
        QTest::newRow("typed host") << QStringList{} << "localhost" << false;
        // The box completes inline from its list and would keep the key for itself.
        QTest::newRow("host from the list") << QStringList{"localhost"} << "" << false;
        QTest::newRow("prefix of a listed host") << QStringList{"localhost"} << "" << true;
    }
    void enterPressesTalk() {
        QFETCH(QStringList, before);
        QFETCH(QString, typed);
        QFETCH(bool, inUserBox);
        writeHosts(before);
        QPointer<CHostUserDialog> dialog = CHostUserDialog::openNew(*m_app);
        if (inUserBox) {
            dialog->hostBox()->clearEditText();
            QTest::keyClicks(dialog->hostBox()->lineEdit(), "local");
        }
        QTest::keyClicks(dialog->hostBox()->lineEdit(), typed);
        QTest::keyClick(inUserBox ? dialog->userBox() : dialog->hostBox(), Qt::Key_Return);
        flushDeletes();
        QVERIFY(!dialog);
        QCOMPARE(m_calls.size(), 1);
        QVERIFY(m_calls.first().host.startsWith("local"));
        // The typed host went into the history, not into the list as a second entry.
        QCOMPARE(hosts().size(), 1);
    }
};

QTEST_MAIN(TestHostUserDialog)
#include "tst_hostuserdialog.moc"
