// Windows Sockets error numbers, so that every quoted socket error reads the same on every system.
#pragma once

#include <QAbstractSocket>

namespace SocketErrors {

constexpr int WSAEINTR = 10004;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSAHOST_NOT_FOUND = 11001;

// From the system's own error number of a socket call: errno on Linux, WSAGetLastError() on Windows.
int fromSystem(int err);
// From Qt's socket error, with the error text to tell a reset from an orderly close.
int fromQt(QAbstractSocket::SocketError error, const QString& errorString = {});

} // namespace SocketErrors
