#pragma once

#include "platform/shell_open.h"

#include <QStringList>

namespace kiebitz::test {

// Records what would have been opened.
class RecordingShellOpen : public platform::ShellOpen {
public:
    bool open(const QString& target) override
    {
        opened << target;
        return true;
    }
    QStringList opened;
};

}  // namespace kiebitz::test
