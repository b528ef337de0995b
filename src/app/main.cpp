// Kiebitz: countdown to the end of an online auction.
#include "app/kiebitz_main.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/qt_translations.h"

#include <QApplication>

namespace {

// On a Wayland desktop that also offers Xwayland the widgets use it, unless
// the user chose a Qt platform: a Wayland client cannot put its window at
// the stored position. True when QT_QPA_PLATFORM was set for that.
bool chooseXwayland()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    return qputenv("QT_QPA_PLATFORM", "xcb;wayland");
}

}  // namespace

int main(int argc, char** argv)
{
    const bool xwayland = chooseXwayland();
    QApplication app(argc, argv);
    // Programs started from here, such as the browser, choose for themselves.
    if (xwayland)
        qunsetenv("QT_QPA_PLATFORM");
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
