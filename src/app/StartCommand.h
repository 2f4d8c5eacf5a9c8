// What a start of the program asks for: its one command-line option, and the word that carries it to a running copy.
//
// The desktop entry's actions start the program with one option each; a start that finds a copy running hands the
// command over as one word on the local socket (SingleInstance). Both sides go through this table alone.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class StartCommand {
public:
    // None: no option was given (a plain start; handed to a running copy it means Talk). RobotOn and RobotOff set
    // the running talk-robot switch, as the tray menu's "Talk &robot" toggles it.
    enum Command { None, Talk, Messages, Customize, Quit, RobotOn, RobotOff };

    // The arguments after the program's name: none, or exactly one of the options; anything else is a usage error
    // (nullopt). Qt's own options (-platform, -style...) are not the program's and are refused like any other.
    static std::optional<Command> fromArguments(const QStringList& arguments);
    // The word a running copy received, without its line end: one of the fixed words, exactly, or nothing.
    static std::optional<Command> fromWord(const QByteArray& word);
    // The word for a command (None goes as Talk).
    static QByteArray word(Command command);
    // The usage line for the given program name.
    static QString usage(const QString& program);
};
