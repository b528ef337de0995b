#pragma once

#include "platform/shell_open.h"

#include <QStringList>

namespace kiebitz::test {

// Records what would have been opened; answers with `result`.
class RecordingShellOpen : public platform::ShellOpen {
public:
    bool open(const QString& target) override
    {
        opened << target;
        return result;
    }
    QStringList opened;
    bool result = true;
};

}  // namespace kiebitz::test
