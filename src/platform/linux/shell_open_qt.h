#pragma once

#include "platform/shell_open.h"

#include <QUrl>

namespace kiebitz::platform {

// Hands the target to the desktop's URL handlers (xdg-open and the portal);
// no command line is ever formed from it.
class ShellOpenQt : public ShellOpen {
public:
    bool open(const QString& target) override;

    // What `target` becomes: an address with its scheme as it stands, any
    // other text a local file (relative to the working directory); invalid
    // for an empty or blank target.
    static QUrl toUrl(const QString& target);
};

}  // namespace kiebitz::platform
