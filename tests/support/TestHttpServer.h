#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

namespace kx::test {

// A small HTTP/1.1 server on 127.0.0.1 for the tests that fetch from the
// network: each path answers with its scripted response, any other path
// with 404. A response can be cut off after some bytes of its body while its
// header still announces the whole length, as a dropped connection does,
// sent one byte at a time as a slow server does, or be a redirect.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        QByteArray body;
        QByteArray contentType = "text/html; charset=utf-8";
        int status = 200;
        qint64 dropAfter = -1;  // body bytes sent before the connection closes
        bool stall = false;     // with dropAfter: keep the connection open instead
        QByteArray location{};  // a redirect's target (status 302)
        int trickleMs = 0;      // > 0: one body byte every so many milliseconds
    };
    // A redirect to `target`, absolute or relative to the path asked for.
    static Response redirect(const QByteArray& target) { return {{}, "text/plain", 302, -1, false, target}; }

    TestHttpServer();
    // The address of `path` ("/wbq.inf") on this server.
    QUrl url(const QString& path) const;
    void set(const QString& path, const Response& response) { m_routes[path] = response; }
    // An address on 127.0.0.1 that nobody listens on.
    static QUrl unreachableUrl(const QString& path);

    QStringList requested;

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QMap<QString, Response> m_routes;
};

}  // namespace kx::test
