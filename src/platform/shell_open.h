#pragma once

#include <QString>

namespace kiebitz::platform {

// The desktop's "open" action: shows an address (http://…, mailto:…) or a
// file in the handler the user chose for it, without waiting for it.
class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // False when the target is empty or no handler took it.
    virtual bool open(const QString& target) = 0;
};

}  // namespace kiebitz::platform
