#pragma once

#include <QString>

#include <optional>

namespace kiebitz::platform {

// A request-only conversation with another program that answers by name:
// one request of `item` on `topic` of the program `service`.
class DdeClient {
public:
    virtual ~DdeClient() = default;
    // The reply as text; empty when the program does not run, does not
    // answer in time or refuses the request.
    virtual std::optional<QString> request(const QString& service, const QString& topic, const QString& item) = 0;
};

}  // namespace kiebitz::platform
