// A headless host for the talk daemon, for interoperability tests and the load benchmark.
//
//   daemonhost [--port N] [--login NAME] [--profile FILE] [--ltra S] [--robot]
//
// Binds the daemon, prints "READY <port>" (or "FAILED <code> <text>" and exits 1) and then one line per event:
// "RING <action> <host> <name> <delay>", "CLOSE <name> <host>", "ERROR <text>". Rings open stand-in prompts that
// close as a real prompt would: on the caller's DELETE, or after the robot delay. On stdin, "status" prints
// "STATUS table=<n> prompts=<n> lastid=<n> dropped=<n>" (replies a full send buffer dropped) and "quit" ends the
// program.
#include "daemon/CTalkDaemon.h"
#include "platform/LoginName.h"
#include "platform/ProfileStore.h"

#include "FakeAppContext.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString oneLine(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String(" | "));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&args](const char* name, const QString& fallback) {
        const int i = args.indexOf(QLatin1String(name));
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
    };

    QTemporaryDir dir;
    const QString profilePath = option("--profile", dir.filePath(QStringLiteral("ZUNO.conf")));
    if (args.contains(QLatin1String("--login")))
        LoginName::setRawOverride(option("--login", {}));
    ProfileStore store(profilePath);
    FakeAppContext core(store);
    core.settings().LoadSettings(store);
    if (args.contains(QLatin1String("--ltra")))
        core.settings().ltra = option("--ltra", QStringLiteral("7")).toInt();
    core.setRobotSwitch(args.contains(QLatin1String("--robot")) ? 1 : 0);
    core.setDaemonPort(quint16(option("--port", QStringLiteral("518")).toUInt()));

    CTalkDaemon daemon(core);
    if (!daemon.start()) {
        say(QStringLiteral("FAILED %1 %2").arg(QString::number(daemon.startErrorCode()), oneLine(daemon.startError())));
        return 1;
    }

    QObject prompts;
    QObject::connect(
        &daemon, &CTalkDaemon::ring, &prompts, [&](int action, const QString& host, const WireName& caller, int delay) {
            const QString& name = caller.text;
            say(QStringLiteral("RING %1 %2 %3 %4").arg(QString::number(action), host, name, QString::number(delay)));
            auto* prompt = new QObject(&prompts);
            prompt->setProperty("name", name);
            prompt->setProperty("host", host);
            daemon.AddPrompt(prompt, name, host);
            QObject::connect(prompt, &QObject::destroyed, &daemon, [&daemon, prompt] { daemon.RemovePrompt(prompt); });
            // Nobody answers: the robot takes the call after the delay, and the prompt goes.
            QTimer::singleShot(delay * 1000, prompt, [prompt] { prompt->deleteLater(); });
        });
    QObject::connect(&daemon, &CTalkDaemon::closePrompts, &prompts, [&](const QString& name, const QString& host) {
        say(QStringLiteral("CLOSE %1 %2").arg(name, host));
        for (QObject* p : prompts.children())
            if (p->property("name").toString().compare(name, Qt::CaseInsensitive) == 0 &&
                p->property("host").toString() == host)
                delete p;
    });
    QObject::connect(&daemon, &CTalkDaemon::errorOccurred, &app,
                     [](const QString& text) { say(QStringLiteral("ERROR ") + oneLine(text)); });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[256];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        line[n] = 0;
        const QByteArray command = QByteArray(line).trimmed();
        if (command.startsWith("status"))
            say(QStringLiteral("STATUS table=%1 prompts=%2 lastid=%3 dropped=%4")
                    .arg(daemon.table().size())
                    .arg(daemon.promptCount())
                    .arg(daemon.table().lastId())
                    .arg(daemon.droppedReplies()));
        else if (command.startsWith("quit"))
            QCoreApplication::quit();
    });

    say(QStringLiteral("READY %1").arg(daemon.localPort()));
    return app.exec();
}
