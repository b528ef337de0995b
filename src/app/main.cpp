// Kiebitz: countdown to the end of an online auction.
#include "app/kiebitz_main.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/qt_translations.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kiebitz"));
    QApplication::setOrganizationName(QStringLiteral("Auktionswerk"));
    QApplication::setApplicationVersion(kiebitz::core::versionText());
    // Ties the windows to the desktop entry (Wayland app id, task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral(KIEBITZ_APP_ID));
    // Without them Qt's dialogs stay English; the program goes on either way.
    kiebitz::platform::installGermanQtTranslations();

    kiebitz::platform::LinuxPlatform linuxPlatform;
    kiebitz::app::ProgramState state;
    const auto form = kiebitz::app::Main(linuxPlatform.platform(), state);
    return QApplication::exec();
}
