#pragma once

#include "platform/http_control.h"

#include <QMap>
#include <QString>

#include <algorithm>
#include <functional>
#include <vector>

namespace kiebitz::test {

// A transfer control without a network: each request is answered from
// `answers` (empty for an address it does not know) over two doEvents()
// calls: the first reports state 7 (left out when `reportsReceiving` is
// false), the second runs `duringWait` (standing in for the events a real
// wait lets through while the answer arrives: timer ticks, clicks, time
// passing) and completes the request with state 12.
class FakeHttpControl : public platform::HttpControl {
public:
    struct Request {
        QString url;
        QString headers;
    };

    void execute(const QString& url, const QString& extraHeaders) override
    {
        requests.push_back({url, extraHeaders});
        m_body = answers.value(url);
        m_executing = true;
        m_receiving = false;
        notifyState(Requesting);
    }
    bool stillExecuting() const override { return m_executing; }
    void cancel() override
    {
        if (!m_executing)
            return;
        m_executing = false;
        m_body.clear();
        notifyState(Error);
    }
    void doEvents() override
    {
        if (!m_executing)
            return;
        if (!m_receiving) {
            m_receiving = true;
            if (reportsReceiving)
                notifyState(ReceivingResponse);
            return;
        }
        if (duringWait)
            duringWait();
        m_executing = false;
        notifyState(ResponseCompleted);
    }
    QString getChunk(qsizetype maxChars) override { return m_body.left(std::min(maxChars, kMaxBodyChars)); }

    QMap<QString, QString> answers;
    std::vector<Request> requests;
    std::function<void()> duringWait;
    bool reportsReceiving = true;  // false: no state 7 for the answer

private:
    QString m_body;
    bool m_executing = false;
    bool m_receiving = false;
};

}  // namespace kiebitz::test
