#pragma once

#include "platform/http_control.h"
#include "platform/linux/lazy_module.h"

namespace kiebitz::platform {

// The transfer control from the module `moduleFile` (HttpControlQt), loaded
// by the first request; its states reach this control's handler. Without the
// module every request fails at once, as one to a host that cannot be
// reached: Requesting, then Error, and an empty answer.
class LazyHttpControl : public HttpControl {
public:
    explicit LazyHttpControl(QString moduleFile);
    void execute(const QString& url, const QString& extraHeaders) override;
    bool stillExecuting() const override;
    void cancel() override;
    void doEvents() override;
    QString getChunk(qsizetype maxChars) override;

private:
    ModuleFacility<HttpControl> m_http;
};

}  // namespace kiebitz::platform
