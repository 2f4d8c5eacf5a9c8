// Mapping of errno and Qt socket errors to Windows Sockets numbers.
#include "platform/SocketErrors.h"

#include <cerrno>

namespace SocketErrors {

int fromErrno(int err) {
    switch (err) {
    case EINTR:
        return WSAEINTR;
    case EACCES:
    case EPERM:
        return WSAEACCES;
    case EFAULT:
        return WSAEFAULT;
    case EINVAL:
        return WSAEINVAL;
    case EMFILE:
    case ENFILE:
        return WSAEMFILE;
    case EAGAIN:
        return WSAEWOULDBLOCK;
    case EMSGSIZE:
        return WSAEMSGSIZE;
    case EADDRINUSE:
        return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
        return WSAEADDRNOTAVAIL;
    case ENETDOWN:
        return WSAENETDOWN;
    case ENETUNREACH:
        return WSAENETUNREACH;
    case ECONNABORTED:
        return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
        return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
        return WSAENOBUFS;
    case ENOTCONN:
        return WSAENOTCONN;
    case ETIMEDOUT:
        return WSAETIMEDOUT;
    case ECONNREFUSED:
        return WSAECONNREFUSED;
    case EHOSTUNREACH:
        return WSAEHOSTUNREACH;
    default:
        return 10000 + err;
    }
}

int fromQt(QAbstractSocket::SocketError error, const QString& errorString) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return WSAECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError:
        // Qt reports a reset and an orderly close alike; only the text tells them apart.
        return errorString.contains(QLatin1String("reset"), Qt::CaseInsensitive) ? WSAECONNRESET : WSAECONNABORTED;
    case QAbstractSocket::HostNotFoundError:
        return WSAHOST_NOT_FOUND;
    case QAbstractSocket::SocketAccessError:
        return WSAEACCES;
    case QAbstractSocket::SocketResourceError:
        return WSAEMFILE;
    case QAbstractSocket::SocketTimeoutError:
        return WSAETIMEDOUT;
    case QAbstractSocket::DatagramTooLargeError:
        return WSAEMSGSIZE;
    case QAbstractSocket::NetworkError:
        if (errorString.contains(QLatin1String("unreachable"), Qt::CaseInsensitive))
            return WSAENETUNREACH;
        return WSAENETDOWN;
    case QAbstractSocket::AddressInUseError:
        return WSAEADDRINUSE;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return WSAEADDRNOTAVAIL;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return WSAEINVAL;
    case QAbstractSocket::TemporaryError:
        return WSAEWOULDBLOCK;
    case QAbstractSocket::OperationError:
        return WSAEINVAL;
    default:
        return WSAEFAULT;
    }
}

} // namespace SocketErrors
