// Which IPv4 address this machine has toward another host, and whether an address is this machine's.
#pragma once

#include <QHostAddress>
#include <QList>

namespace LocalAddress {

// The address this machine uses to reach `peer` (the local address of a UDP socket connected to it);
// when that cannot be had, the first IPv4 address of the local host's name if it is known by now
// (OwnHostAddress: never waited for); else 127.0.0.1. Never blocks.
QHostAddress towards(const QHostAddress& peer);
// The system's choice of local address for a datagram to an IPv4 `peer` (a UDP socket connected to it, which sends
// nothing); null when there is none.
QHostAddress routeTowards(const QHostAddress& peer);

// Starts looking up the local host's own name in the background, so that its address is known when needed.
void lookUpHostName();

// True for a loopback address and for an address of one of this machine's interfaces.
bool isOwnAddress(const QHostAddress& address);

// Whether what came from `from` came from the host at `host`: the same IPv4 address or, for a host that is this
// machine, the address this machine reaches it from (a program here that was called at 127.0.1.1, the address the
// host name gives, answers and connects from 127.0.0.1).
bool isSameHost(const QHostAddress& from, const QHostAddress& host);

// The first IPv4 address of a list (look-ups may list IPv6 addresses first).
QHostAddress firstIPv4(const QList<QHostAddress>& addresses);

// A dotted IPv4 address given as text ("10.0.0.1"); null for anything else, host names included.
QHostAddress parseDotted(const QString& text);

} // namespace LocalAddress
