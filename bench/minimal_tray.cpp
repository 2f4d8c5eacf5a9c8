// The yardstick for Murmelo's own figures: the least a Qt Widgets tray program that answers on a UDP
// port can be. Shows a tray icon, binds UDP port 518 and echoes every datagram.
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QUdpSocket>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::blue);
    QSystemTrayIcon icon{QIcon(pixmap)};
    QMenu menu;
    menu.addAction(QStringLiteral("&Exit"), &app, &QApplication::quit);
    icon.setContextMenu(&menu);
    icon.show();
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 518))
        return 1;
    QObject::connect(&socket, &QUdpSocket::readyRead, [&socket] {
        while (socket.hasPendingDatagrams()) {
            QHostAddress from;
            quint16 port = 0;
            QByteArray d(int(socket.pendingDatagramSize()), 0);
            socket.readDatagram(d.data(), d.size(), &from, &port);
            socket.writeDatagram(d.left(24), from, port);
        }
    });
    return app.exec();
}
