#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests of the network code. It
// runs on the test's own event loop, records every request as received and
// answers each path with a scripted response: all at once, in timed pieces,
// a large generated body, or never.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <functional>
#include <vector>

class QTcpSocket;

namespace kiebitz::test {

class LoopbackHttpServer {
public:
    struct Piece {
        int delayMs = 0;  // after the previous piece (or the head)
        QByteArray bytes;
        std::function<void()> beforeSend;  // runs just before the piece goes out
    };

    struct Response {
        enum class Kind { Answer, NeverAnswer };
        Kind kind = Kind::Answer;
        int status = 200;
        int headDelayMs = 0;            // the head waits this long after the request
        QList<QByteArray> headerLines;  // extra "Name: value" lines
        QByteArray body;                // sent with the head, unless pieces or generated
        std::vector<Piece> pieces;      // body in pieces after the head
        qint64 generatedBodySize = 0;   // a body of this many bytes, written as the client takes it
    };

    struct Request {
        QByteArray method;
        QByteArray target;              // path and query
        QList<QByteArray> headerLines;  // as received, without CR LF
        // Value of the first header `name` (case-insensitive), exactly as
        // sent after "Name:" and one blank; empty when absent.
        QByteArray header(const QByteArray& name) const;
        // The whole header line, e.g. "User-Agent: x"; empty when absent.
        QByteArray headerLine(const QByteArray& name) const;
    };

    LoopbackHttpServer();  // listens on 127.0.0.1, port chosen by the system
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    quint16 port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:<port>" followed by `pathAndQuery`.
    QString url(const QString& pathAndQuery) const;

    // Paths without a route get 404 with an empty body.
    void route(const QByteArray& pathAndQuery, Response response) { m_routes[pathAndQuery] = std::move(response); }

    const std::vector<Request>& requests() const { return m_requests; }
    int requestCount(const QByteArray& pathAndQuery) const;

    // Body bytes written for generated bodies, and whether a client closed
    // such a connection before the body was complete.
    qint64 generatedBytesSent() const { return m_generatedSent; }
    bool clientClosedEarly() const { return m_closedEarly; }

    // A port on 127.0.0.1 on which nothing listens (connections are refused).
    static quint16 refusedPort();

private:
    void accept();
    void onReadable(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Response& response);
    void sendPieces(QTcpSocket* socket, std::vector<Piece> pieces, std::size_t next);
    void pumpGenerated(QTcpSocket* socket, qint64 total);

    QTcpServer m_server;
    QMap<QByteArray, Response> m_routes;
    QMap<QTcpSocket*, QByteArray> m_pending;  // request bytes until the head is complete
    std::vector<Request> m_requests;
    qint64 m_generatedSent = 0;
    bool m_closedEarly = false;
};

}  // namespace kiebitz::test
