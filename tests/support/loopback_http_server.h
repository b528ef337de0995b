#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests of the network code. It
// runs on the test's own event loop, records every request as received and
// answers each path with a scripted response: all at once, in timed pieces,
// a large generated body, or never. One request per connection.

#include <QtNetwork>

#include <stdexcept>

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
        int headDelayMs = 0;                 // the head waits this long after the request
        QList<QByteArray> headerLines = {};  // extra "Name: value" lines
        QByteArray body = {};                // sent with the head, before any pieces
        std::vector<Piece> pieces = {};      // body in pieces after the head
        qint64 generatedBodySize = 0;        // a body of this many bytes, written as the client takes it
    };
    struct Request {
        QByteArray method, target;      // target: path and query
        QList<QByteArray> headerLines;  // as received, without CR LF
        // The whole header line, e.g. "User-Agent: x"; empty when absent.
        QByteArray headerLine(const QByteArray& name) const
        {
            for (const QByteArray& line : headerLines)
                if (line.indexOf(':') > 0 &&
                    line.left(line.indexOf(':')).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                    return line;
            return {};
        }
        // Value of the first header `name` (case-insensitive), exactly as
        // sent after "Name:" and one blank; empty when absent.
        QByteArray header(const QByteArray& name) const
        {
            const QByteArray value = headerLine(name).mid(headerLine(name).indexOf(':') + 1);
            return value.startsWith(' ') ? value.mid(1) : value;
        }
    };

    // Listens on 127.0.0.1, on a port chosen by the system.
    LoopbackHttpServer()
    {
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            throw std::runtime_error("the loopback server cannot listen");
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, head = QByteArray()]() mutable {
                    if (head.endsWith("\r\n\r\n"))
                        return void(s->readAll());  // the request was read; later bytes are ignored
                    head += s->readAll();
                    if (const qsizetype end = head.indexOf("\r\n\r\n"); end >= 0)
                        request(s, head = head.left(end + 4));
                });
        });
    }

    // "http://127.0.0.1:<port>" followed by `pathAndQuery`.
    QString url(const QString& pathAndQuery) const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()) + pathAndQuery;
    }
    // Paths without a route get 404 with an empty body.
    void route(const QByteArray& pathAndQuery, Response response) { m_routes[pathAndQuery] = std::move(response); }
    const std::vector<Request>& requests() const { return m_requests; }
    int requestCount(const QByteArray& pathAndQuery) const
    {
        return int(std::count_if(m_requests.begin(), m_requests.end(),
                                 [&](const Request& r) { return r.target == pathAndQuery; }));
    }
    // Body bytes written for generated bodies, and whether a client closed
    // such a connection before the body was complete.
    qint64 generatedBytesSent() const { return m_generatedSent; }
    bool clientClosedEarly() const { return m_closedEarly; }

    // A port on 127.0.0.1 on which nothing listens (connections are refused).
    static quint16 refusedPort()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            throw std::runtime_error("no free port");
        return probe.serverPort();
    }

private:
    void request(QTcpSocket* s, const QByteArray& head)
    {
        QList<QByteArray> lines = head.chopped(4).replace("\r\n", "\n").split('\n');
        const QList<QByteArray> first = lines.takeFirst().split(' ');
        m_requests.push_back({first.value(0), first.value(1), lines});
        const Response r = m_routes.value(first.value(1), Response{.status = 404});
        if (r.kind == Response::Kind::NeverAnswer)
            return;
        QTimer::singleShot(r.headDelayMs, s, [this, s, r] {
            if (s->state() != QAbstractSocket::ConnectedState)
                return;
            qint64 size = r.body.size() + r.generatedBodySize;
            for (const Piece& p : r.pieces)
                size += p.bytes.size();
            QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + (r.status == 200 ? " OK" : " Error") +
                              "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(size) +
                              "\r\nConnection: close\r\n";
            for (const QByteArray& line : r.headerLines)
                head += line + "\r\n";
            s->write(head + "\r\n" + r.body);
            if (r.generatedBodySize == 0)
                return send(s, r.pieces, 0);
            // A modest amount in flight, so that what was sent tells how much
            // the client took before it closed.
            const auto pump = [this, s, total = r.generatedBodySize] {
                while (s->state() == QAbstractSocket::ConnectedState && m_generatedSent < total &&
                       s->bytesToWrite() < 16384)
                    m_generatedSent += s->write(QByteArray(std::min<qint64>(16384, total - m_generatedSent), 'x'));
                if (m_generatedSent >= total && s->bytesToWrite() == 0)
                    s->disconnectFromHost();
            };
            QObject::connect(s, &QTcpSocket::bytesWritten, s, pump);
            QObject::connect(s, &QTcpSocket::disconnected, s,
                             [this, total = r.generatedBodySize] { m_closedEarly |= m_generatedSent < total; });
            pump();
        });
    }
    void send(QTcpSocket* s, const std::vector<Piece>& pieces, std::size_t next)
    {
        if (next == pieces.size())
            return s->disconnectFromHost();  // after the buffered bytes are out
        QTimer::singleShot(pieces[next].delayMs, s, [this, s, pieces, next] {
            if (s->state() != QAbstractSocket::ConnectedState)
                return;
            if (pieces[next].beforeSend)
                pieces[next].beforeSend();
            s->write(pieces[next].bytes);
            s->flush();
            send(s, pieces, next + 1);
        });
    }

    QMap<QByteArray, Response> m_routes;
    std::vector<Request> m_requests;
    qint64 m_generatedSent = 0;
    bool m_closedEarly = false;
    QTcpServer m_server;  // last: its connections end before the records they write to
};

}  // namespace kiebitz::test
