#include "platform/linux/shell_open_qt.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace kiebitz::platform {

QUrl ShellOpenQt::toUrl(const QString& target)
{
    const QString trimmed = target.trimmed();
    if (trimmed.isEmpty())
        return {};
    // A scheme needs two letters at least, so "C:\x" is no address.
    const QUrl address(trimmed, QUrl::StrictMode);
    if (address.isValid() && address.scheme().size() > 1)
        return address;
    return QUrl::fromLocalFile(QFileInfo(QDir::current(), trimmed).absoluteFilePath());
}

bool ShellOpenQt::open(const QString& target)
{
    const QUrl url = toUrl(target);
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace kiebitz::platform
