// Mapping of Qt socket errors to Windows Sockets numbers.
#include "platform/SocketErrors.h"

namespace SocketErrors {

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
