#include "platform/linux/file_dialog_qt.h"

#include <QFileDialog>

namespace kiebitz::platform {

QString FileDialogQt::openFile(QWidget* owner, const QString& title, const QString& filter, const QString& folder)
{
    // Read-only files are offered like any other; the program only plays them.
    return QFileDialog::getOpenFileName(owner, title, folder, filter);
}

}  // namespace kiebitz::platform
