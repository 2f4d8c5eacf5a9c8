// A network namespace of the test's own: named after a tag and the test's process id, its loopback up, and
// optionally joined to the test's namespace by a veth pair. Deleted with the object, the veth pair with it.
#pragma once

#include <QString>
#include <QStringList>

class NetNamespace {
public:
    // Creates the namespace "<tag><pid>"; see ok() and error().
    explicit NetNamespace(const QString& tag);
    ~NetNamespace();
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    // Joins it to the test's namespace: this side of the pair gets `here`, the namespace's side every address of
    // `there` (each "a.b.c.d/len"). Only addresses of the test's own subnets: nothing may leave the machine.
    bool link(const QString& here, const QStringList& there);

    bool ok() const { return m_error.isEmpty(); }
    // The first command that failed, with its output.
    QString error() const { return m_error; }
    QString name() const { return m_name; }

    // Runs a program to its end (10 s at most); false, with error() set, when it fails.
    bool run(const QStringList& command);

private:
    QString m_name;
    QString m_hostSide;
    QString m_error;
    bool m_created = false;
};
