#pragma once

#include <QString>

class QWidget;

namespace kiebitz::platform {

// The desktop's file-open dialog, modal to `owner`.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    // Full path of the file the user picked, or "" when the dialog was
    // cancelled. `filter` is a name followed by patterns in brackets, as in
    // "Wave Files (*.wav)"; `folder` is the folder the dialog opens in.
    virtual QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& folder) = 0;
};

}  // namespace kiebitz::platform
