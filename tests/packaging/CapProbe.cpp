// A plugin of the user's own for the privilege check: Qt loads it from the plugin path the environment names, and it
// writes its process's capability lines (/proc/self/status) to the file $ZUNO_CAPPROBE_OUT names.
#include <QFile>
#include <QGenericPlugin>

class CapProbe : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "capprobe.json")
public:
    QObject* create(const QString&, const QString&) override {
        QFile status(QStringLiteral("/proc/self/status"));
        QFile out(qEnvironmentVariable("ZUNO_CAPPROBE_OUT"));
        if (status.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("Cap") || line.startsWith("NoNewPrivs"))
                    out.write(line + '\n');
        return new QObject(this);
    }
};

#include "CapProbe.moc"
