// The start options and the words that carry them to a running copy: one table for both.
#include "app/StartCommand.h"

#include <QTest>

class TestStartCommand : public QObject {
    Q_OBJECT
private slots:
    void options_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("command"); // -1: the usage line, exit 2
        QTest::newRow("none: a plain start") << QStringList() << int(StartCommand::None);
        QTest::newRow("talk") << QStringList{"--talk"} << int(StartCommand::Talk);
        QTest::newRow("messages") << QStringList{"--messages"} << int(StartCommand::Messages);
        QTest::newRow("customize") << QStringList{"--customize"} << int(StartCommand::Customize);
        QTest::newRow("quit") << QStringList{"--quit"} << int(StartCommand::Quit);
        QTest::newRow("robot on") << QStringList{"--robot-on"} << int(StartCommand::RobotOn);
        QTest::newRow("robot off") << QStringList{"--robot-off"} << int(StartCommand::RobotOff);
        QTest::newRow("robot with a separate word") << QStringList{"--robot", "on"} << -1;
        QTest::newRow("robot alone") << QStringList{"--robot"} << -1;
        QTest::newRow("two options") << QStringList{"--talk", "--quit"} << -1;
        QTest::newRow("one option twice") << QStringList{"--talk", "--talk"} << -1;
        QTest::newRow("unknown") << QStringList{"--help"} << -1;
        QTest::newRow("a word, not an option") << QStringList{"talk"} << -1;
        QTest::newRow("upper case") << QStringList{"--TALK"} << -1;
        QTest::newRow("empty") << QStringList{""} << -1;
        QTest::newRow("Qt's platform option") << QStringList{"-platform", "offscreen"} << -1;
        QTest::newRow("Qt's style option") << QStringList{"-style=fusion"} << -1;
    }
    void options() {
        QFETCH(QStringList, arguments);
        QFETCH(int, command);
        const std::optional<StartCommand::Command> parsed = StartCommand::fromArguments(arguments);
        QCOMPARE(parsed ? int(*parsed) : -1, command);
    }

    void words_data() {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<int>("command"); // -1: dropped
        QTest::newRow("talk") << QByteArray("talk") << int(StartCommand::Talk);
        QTest::newRow("messages") << QByteArray("messages") << int(StartCommand::Messages);
        QTest::newRow("customize") << QByteArray("customize") << int(StartCommand::Customize);
        QTest::newRow("quit") << QByteArray("quit") << int(StartCommand::Quit);
        QTest::newRow("robot on") << QByteArray("robot-on") << int(StartCommand::RobotOn);
        QTest::newRow("robot off") << QByteArray("robot-off") << int(StartCommand::RobotOff);
        QTest::newRow("robot, no state") << QByteArray("robot") << -1;
        QTest::newRow("upper case") << QByteArray("Talk") << -1;
        QTest::newRow("trailing space") << QByteArray("talk ") << -1;
        QTest::newRow("carriage return") << QByteArray("talk\r") << -1;
        QTest::newRow("option") << QByteArray("--talk") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("zero byte") << QByteArray("talk\0", 5) << -1;
    }
    void words() {
        QFETCH(QByteArray, word);
        QFETCH(int, command);
        const std::optional<StartCommand::Command> heard = StartCommand::fromWord(word);
        QCOMPARE(heard ? int(*heard) : -1, command);
        if (heard)
            QCOMPARE(StartCommand::word(*heard), word);
    }

    void aStartWithoutOptionHandsOverTalk() { QCOMPARE(StartCommand::word(StartCommand::None), QByteArray("talk")); }
};

QTEST_GUILESS_MAIN(TestStartCommand)
#include "tst_startcommand.moc"
