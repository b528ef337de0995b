#pragma once

#include "platform/http_control.h"

#include <QMap>

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
    void execute(const QString& url, const QString&) override
    {
        requests.push_back(url);
        m_body = answers.value(url);
        m_calls = 2;
        notifyState(Requesting);
    }
    bool stillExecuting() const override { return m_calls > 0; }
    void cancel() override
    {
        if (std::exchange(m_calls, 0) == 0)
            return;
        m_body.clear();
        notifyState(Error);
    }
    void doEvents() override
    {
        if (m_calls == 2 && reportsReceiving)
            notifyState(ReceivingResponse);
        if (m_calls == 1 && duringWait)
            duringWait();
        if (m_calls > 0 && --m_calls == 0)
            notifyState(ResponseCompleted);
    }
    QString getChunk(qsizetype maxChars) override { return m_body.left(std::min(maxChars, kMaxBodyChars)); }

    QMap<QString, QString> answers;
    std::vector<QString> requests;  // the addresses asked for, in order
    std::function<void()> duringWait;
    bool reportsReceiving = true;

private:
    QString m_body;
    int m_calls = 0;  // doEvents() calls until the answer is complete
};

}  // namespace kiebitz::test
