#pragma once

#include "platform/dde_client.h"

namespace kiebitz::platform {

// The X11 desktop has no conversation in which a browser names its current
// page, so every request goes unanswered, as one to a browser that does not
// run.
class NoDdeClient : public DdeClient {
public:
    std::optional<QString> request(const QString&, const QString&, const QString&) override { return std::nullopt; }
};

}  // namespace kiebitz::platform
