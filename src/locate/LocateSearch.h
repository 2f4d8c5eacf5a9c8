// One search for a person: the engine driven by its socket, its timer and its name look-ups.
//
// One search for a person: the engine's rows driven by a UDP socket of its own, the redial timer and
// the asynchronous name and address look-ups. It lives as long as its window and is deleted with it.
#pragma once

#include "config/Bounds.h"
#include "locate/LocateEngine.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

class AppContext;
class QHostInfo;
class QUdpSocket;

class LocateSearch : public QObject {
    Q_OBJECT
public:
    // Reads the person's query plan from the address book; nothing is sent before start().
    LocateSearch(AppContext& context, bool urgent, const QString& person, QObject* parent = nullptr);
    ~LocateSearch() override;

    // The box to show for the plan ("No aliases" / "No hosts"), or empty.
    QString planProblem() const { return m_planProblem; }
    // Starts the redial timer and runs the first query cycle.
    void start();
    // One pass of probes over the rows.
    void RunQueryCycle();
    // Ends all activity (socket, timer, look-ups); the rows stay readable.
    void stop();
    bool stopped() const { return m_stopped; }

    const LocateEngine& engine() const { return m_engine; }
    quint16 localPort() const;
    int pendingAddressLookups() const { return int(m_addressLookups.size()); }
    // Replies that matched no waiting row and were dropped because too many look-ups were under way.
    int droppedStrays() const { return m_droppedStrays; }

    // Bounds on what the network can make a search hold.
    static constexpr qint64 MAX_DATAGRAM = 84;
    static constexpr qint64 MIN_REPLY = 24;

signals:
    void titleChanged(const QString& title);
    void rowChanged(int row);
    // The replies single out a callee (auto-connect); emitted once, after which the search has stopped.
    void talkRequested(int row);

private:
    void sendProbe(int row, const QString& dotted);
    void readDatagrams();
    void nameLookedUp(int row, const QHostInfo& info);
    void addressLookedUp(int id, const QHostInfo& info);
    void handleReply(int row, const QByteArray& reply);

    AppContext& m_context;
    QString m_planProblem;
    LocateEngine m_engine;
    std::unique_ptr<QUdpSocket> m_socket;
    QTimer m_redial;
    QHash<int, int> m_nameLookups;                      // look-up id -> row
    QHash<int, QByteArray> m_addressLookups;            // look-up id -> the reply waiting for its sender's name
    QHash<quint32, QHostAddress> m_localAddressTowards; // per cycle: the probe's own address toward a host
    std::string m_loginName;                            // read once per cycle
    int m_droppedStrays = 0;
    bool m_stopped = false;
};
