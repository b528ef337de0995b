#pragma once

#include "platform/file_dialog.h"

namespace kiebitz::platform {

// The file-open dialog of Qt (the desktop's own dialog where a platform
// theme provides one).
class FileDialogQt : public FileDialog {
public:
    QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& folder) override;
};

}  // namespace kiebitz::platform
