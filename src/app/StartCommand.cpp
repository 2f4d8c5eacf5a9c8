// The program's options and their words on the local socket, from one table.
#include "app/StartCommand.h"

#include <iterator>

namespace {

struct Entry {
    StartCommand::Command command;
    const char* option;
    const char* word;
};

constexpr Entry TABLE[] = {
    {StartCommand::Talk, "--talk", "talk"},
    {StartCommand::Messages, "--messages", "messages"},
    {StartCommand::Customize, "--customize", "customize"},
    {StartCommand::Quit, "--quit", "quit"},
    {StartCommand::RobotOn, "--robot-on", "robot-on"},
    {StartCommand::RobotOff, "--robot-off", "robot-off"},
};

} // namespace

std::optional<StartCommand::Command> StartCommand::fromArguments(const QStringList& arguments) {
    if (arguments.isEmpty())
        return None;
    if (arguments.size() > 1)
        return std::nullopt;
    for (const Entry& entry : TABLE)
        if (arguments.first() == QLatin1String(entry.option))
            return entry.command;
    return std::nullopt;
}

std::optional<StartCommand::Command> StartCommand::fromWord(const QByteArray& word) {
    for (const Entry& entry : TABLE)
        if (word == entry.word)
            return entry.command;
    return std::nullopt;
}

QByteArray StartCommand::word(Command command) {
    for (const Entry& entry : TABLE)
        if (entry.command == command)
            return entry.word;
    return std::begin(TABLE)->word;
}

QString StartCommand::usage(const QString& program) {
    return QStringLiteral("usage: %1 [--talk | --messages | --customize | --robot-on | --robot-off | --quit]")
        .arg(program);
}
