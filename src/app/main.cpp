// Kiebitz: countdown to the end of an online auction.
#include "app/kiebitz_main.h"
#include "platform/linux/linux_platform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kiebitz"));
    QApplication::setOrganizationName(QStringLiteral("Auktionswerk"));
    QApplication::setApplicationVersion(kiebitz::core::versionText());

    kiebitz::platform::LinuxPlatform linuxPlatform;
    kiebitz::app::ProgramState state;
    const auto form = kiebitz::app::Main(linuxPlatform.platform(), state);
    return QApplication::exec();
}
