#include "TestHttpServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace kx::test {

TestHttpServer::TestHttpServer()
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

QUrl TestHttpServer::unreachableUrl(const QString& path)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path));
}

void TestHttpServer::serve(QTcpSocket* socket)
{
    QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("request", buffer);
        return;
    }
    socket->setProperty("request", QByteArray());
    const QList<QByteArray> first = buffer.left(buffer.indexOf("\r\n")).split(' ');
    const QString path = first.size() >= 2 ? QString::fromLatin1(first[1]) : QString();
    requested << path;

    const auto it = m_routes.constFind(path);
    const Response response = it != m_routes.constEnd() ? *it : Response{"not found", "text/plain", 404, -1, false};
    const QByteArray reason = response.status == 200 ? "OK" : response.status == 302 ? "Found" : "Not Found";
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason + "\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    if (!response.location.isEmpty())
        head += "Location: " + response.location + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    if (response.trickleMs > 0) {
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body = response.body] {
            if (*sent == body.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
        });
        timer->start(response.trickleMs);
        return;
    }
    socket->write(response.dropAfter >= 0 ? response.body.left(response.dropAfter) : response.body);
    if (!response.stall)
        socket->disconnectFromHost();
}

}  // namespace kx::test
