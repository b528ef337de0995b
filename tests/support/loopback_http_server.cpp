#include "support/loopback_http_server.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <stdexcept>

namespace kiebitz::test {

namespace {

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

QByteArray head(const LoopbackHttpServer::Response& r, qint64 bodySize)
{
    QByteArray h = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason(r.status) + "\r\n";
    h += "Content-Type: text/html\r\n";
    h += "Content-Length: " + QByteArray::number(bodySize) + "\r\n";
    h += "Connection: close\r\n";
    for (const QByteArray& line : r.headerLines)
        h += line + "\r\n";
    return h + "\r\n";
}

}  // namespace

QByteArray LoopbackHttpServer::Request::headerLine(const QByteArray& name) const
{
    for (const QByteArray& line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line;
    }
    return {};
}

QByteArray LoopbackHttpServer::Request::header(const QByteArray& name) const
{
    QByteArray line = headerLine(name);
    if (line.isEmpty())
        return {};
    line = line.mid(line.indexOf(':') + 1);
    return line.startsWith(' ') ? line.mid(1) : line;
}

LoopbackHttpServer::LoopbackHttpServer()
{
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("loopback server cannot listen: " + m_server.errorString().toStdString());
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_server.close();
    const auto sockets = m_server.findChildren<QTcpSocket*>();
    for (QTcpSocket* s : sockets) {
        s->disconnect();
        s->abort();
        delete s;
    }
}

QString LoopbackHttpServer::url(const QString& pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port()) + pathAndQuery;
}

int LoopbackHttpServer::requestCount(const QByteArray& pathAndQuery) const
{
    int n = 0;
    for (const Request& r : m_requests)
        n += r.target == pathAndQuery;
    return n;
}

quint16 LoopbackHttpServer::refusedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("cannot find a free port");
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(&m_server);
        m_pending[socket] = {};
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { onReadable(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackHttpServer::onReadable(QTcpSocket* socket)
{
    if (!m_pending.contains(socket)) {
        socket->readAll();  // one request per connection; later bytes are ignored
        return;
    }
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    m_pending.remove(socket);

    Request request;
    QList<QByteArray> cleaned;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        cleaned << line;
    }
    const QList<QByteArray> requestLine = cleaned.value(0).split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    request.headerLines = cleaned.mid(1);
    m_requests.push_back(request);

    Response response;
    response.status = 404;
    const auto it = m_routes.constFind(request.target);
    if (it != m_routes.constEnd())
        response = *it;
    answer(socket, response);
}

void LoopbackHttpServer::answer(QTcpSocket* socket, const Response& response)
{
    if (response.kind == Response::Kind::NeverAnswer)
        return;
    if (response.headDelayMs > 0) {
        QPointer<QTcpSocket> guard(socket);
        Response now = response;
        now.headDelayMs = 0;
        QTimer::singleShot(response.headDelayMs, &m_server, [this, guard, now] {
            if (guard && guard->state() == QAbstractSocket::ConnectedState)
                answer(guard, now);
        });
        return;
    }
    if (response.generatedBodySize > 0) {
        socket->write(head(response, response.generatedBodySize));
        const qint64 total = response.generatedBodySize;
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket,
                         [this, socket, total] { pumpGenerated(socket, total); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, total] {
            if (m_generatedSent < total)
                m_closedEarly = true;
        });
        pumpGenerated(socket, total);
        return;
    }
    if (!response.pieces.empty()) {
        qint64 size = 0;
        for (const Piece& p : response.pieces)
            size += p.bytes.size();
        socket->write(head(response, size));
        socket->flush();
        sendPieces(socket, response.pieces, 0);
        return;
    }
    socket->write(head(response, response.body.size()) + response.body);
    socket->disconnectFromHost();  // after the buffered bytes are out
}

void LoopbackHttpServer::sendPieces(QTcpSocket* socket, std::vector<Piece> pieces, std::size_t next)
{
    if (next >= pieces.size()) {
        socket->disconnectFromHost();
        return;
    }
    const int delay = pieces[next].delayMs;
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(delay, &m_server, [this, guard, pieces = std::move(pieces), next]() mutable {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
            return;
        if (pieces[next].beforeSend)
            pieces[next].beforeSend();
        guard->write(pieces[next].bytes);
        guard->flush();
        sendPieces(guard, std::move(pieces), next + 1);
    });
}

void LoopbackHttpServer::pumpGenerated(QTcpSocket* socket, qint64 total)
{
    // Keep a modest amount in flight, so that what was sent tells how much
    // the client took before it closed.
    constexpr qint64 kBlock = 16 * 1024;
    while (socket->state() == QAbstractSocket::ConnectedState && m_generatedSent < total &&
           socket->bytesToWrite() < kBlock) {
        const qint64 n = std::min(kBlock, total - m_generatedSent);
        socket->write(QByteArray(n, 'x'));
        m_generatedSent += n;
    }
    if (m_generatedSent >= total && socket->bytesToWrite() == 0)
        socket->disconnectFromHost();
}

}  // namespace kiebitz::test
