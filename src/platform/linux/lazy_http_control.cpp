#include "platform/linux/lazy_http_control.h"

#include <QCoreApplication>

namespace kiebitz::platform {

LazyHttpControl::LazyHttpControl(QString moduleFile)
    : m_http(std::move(moduleFile), "kiebitz_make_http_control", "no web requests, the clock is not set")
{}

void LazyHttpControl::execute(const QString& url, const QString& extraHeaders)
{
    const bool first = !m_http.made();
    HttpControl* http = m_http.get();
    if (!http) {
        notifyState(Requesting);
        notifyState(Error);
        return;
    }
    if (first)
        http->setStateHandler([this](std::int16_t state) { notifyState(state); });
    http->execute(url, extraHeaders);
}

bool LazyHttpControl::stillExecuting() const
{
    const HttpControl* http = m_http.made();
    return http && http->stillExecuting();
}

void LazyHttpControl::cancel()
{
    if (HttpControl* http = m_http.made())
        http->cancel();
}

void LazyHttpControl::doEvents()
{
    if (HttpControl* http = m_http.made())
        http->doEvents();
    else
        QCoreApplication::processEvents();  // no request to wait for
}

QString LazyHttpControl::getChunk(qsizetype maxChars)
{
    if (HttpControl* http = m_http.made())
        return http->getChunk(maxChars);
    return {};
}

}  // namespace kiebitz::platform
