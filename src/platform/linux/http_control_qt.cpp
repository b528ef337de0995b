#include "platform/linux/http_control_qt.h"

#include "core/text.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace kiebitz::platform {

namespace {

// "Name: value" lines, each ended by CR LF (a bare LF is taken as well). The
// value is sent as written after the colon and its leading blanks, trailing
// blanks included.
void addHeaderLines(QNetworkRequest& request, const QString& lines)
{
    for (QString line : lines.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            continue;
        const QString name = line.left(colon).trimmed();
        QString value = line.mid(colon + 1);
        while (value.startsWith(u' ') || value.startsWith(u'\t'))
            value.remove(0, 1);
        if (!name.isEmpty())
            request.setRawHeader(core::toAnsi(name), core::toAnsi(value));
    }
}

// The status codes with a Location that Qt's redirect policy follows.
bool isFollowedRedirect(const QNetworkReply* reply)
{
    switch (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()) {
    case 301:
    case 302:
    case 303:
    case 305:
    case 307:
    case 308:
        return reply->hasRawHeader("Location");
    default:
        return false;
    }
}

}  // namespace

HttpControlQt::HttpControlQt(int timeoutMs)
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(timeoutMs);
    QObject::connect(&m_deadline, &QTimer::timeout, &m_deadline, [this] {
        if (m_executing)
            complete(false);
    });
}

HttpControlQt::~HttpControlQt()
{
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply = nullptr;
        reply->abort();
        delete reply;
    }
}

void HttpControlQt::execute(const QString& url, const QString& extraHeaders)
{
    if (m_executing)
        complete(false);
    m_body.clear();
    m_receiving = false;
    m_executing = true;

    QNetworkRequest request{QUrl(url)};
    addHeaderLines(request, extraHeaders);
    QNetworkReply* reply = m_manager.get(request);
    m_reply = reply;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this, reply] { onResponseBegins(reply); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, reply] { onReadyRead(reply); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] { onFinished(reply); });
    m_deadline.start();
    notifyState(Requesting);
}

void HttpControlQt::cancel()
{
    if (m_executing)
        complete(false);
}

void HttpControlQt::doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

QString HttpControlQt::getChunk(qsizetype maxChars)
{
    const qsizetype n = std::clamp<qsizetype>(maxChars, 0, kMaxBodyChars);
    return core::fromAnsi(m_body.left(n));
}

void HttpControlQt::onResponseBegins(QNetworkReply* reply)
{
    if (reply != m_reply || m_receiving)
        return;
    // Qt reports the head of a redirect that it goes on to follow as well;
    // the answer begins only with the head of the final response. A redirect
    // that Qt does not follow after all is taken as the answer when the
    // request finishes.
    if (isFollowedRedirect(reply))
        return;
    m_receiving = true;
    notifyState(ReceivingResponse);
}

void HttpControlQt::onReadyRead(QNetworkReply* reply)
{
    onResponseBegins(reply);
    if (reply != m_reply)
        return;
    keepBody(reply);
    if (m_body.size() >= kMaxBodyChars)
        complete(true);  // all that will be read is in; the rest is not fetched
}

void HttpControlQt::onFinished(QNetworkReply* reply)
{
    if (reply != m_reply)
        return;
    keepBody(reply);
    // Errors below 100 are transport failures (refused, host not found,
    // closed early, ...); above, the server answered with an error status.
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
                          (reply->error() == QNetworkReply::NoError || reply->error() >= 100);
    // A redirect that was not followed is the answer after all.
    if (answered && !m_receiving) {
        m_receiving = true;
        notifyState(ReceivingResponse);
    }
    complete(answered);
}

void HttpControlQt::keepBody(QNetworkReply* reply)
{
    const qsizetype room = kMaxBodyChars - m_body.size();
    if (room > 0)
        m_body += reply->read(room);
}

void HttpControlQt::complete(bool answered)
{
    m_deadline.stop();
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply = nullptr;  // its signals from here on are ignored
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
    if (!answered)
        m_body.clear();
    m_executing = false;
    notifyState(answered ? ResponseCompleted : Error);
}

}  // namespace kiebitz::platform
