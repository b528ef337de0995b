#pragma once

#include "platform/http_control.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

class QNetworkReply;

namespace kiebitz::platform {

// The transfer control on Qt Network. Each request has a time-out of its own
// (from start to the last byte); a request that times out, cannot connect or
// breaks off ends with an empty answer. An answer with an HTTP error status
// still counts as an answer, as the server sent it. Only the first
// kMaxBodyChars bytes of a body are kept; once they are in, the transfer is
// broken off and the request ends.
class HttpControlQt : public HttpControl {
public:
    static constexpr int kDefaultTimeoutMs = 60'000;

    explicit HttpControlQt(int timeoutMs = kDefaultTimeoutMs);
    ~HttpControlQt() override;
    HttpControlQt(const HttpControlQt&) = delete;
    HttpControlQt& operator=(const HttpControlQt&) = delete;

    void execute(const QString& url, const QString& extraHeaders) override;
    bool stillExecuting() const override { return m_executing; }
    void cancel() override;
    void doEvents() override;
    QString getChunk(qsizetype maxChars) override;

    // Body bytes held at the moment.
    qsizetype keptBytes() const { return m_body.size(); }

private:
    void onResponseBegins(QNetworkReply* reply);
    void onReadyRead(QNetworkReply* reply);
    void onFinished(QNetworkReply* reply);
    void keepBody(QNetworkReply* reply);
    // Ends the running request; `answered` keeps the body, otherwise the
    // answer becomes empty.
    void complete(bool answered);

    QNetworkAccessManager m_manager;
    QTimer m_deadline;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    bool m_executing = false;
    bool m_receiving = false;
};

}  // namespace kiebitz::platform
