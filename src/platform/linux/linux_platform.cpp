#include "platform/linux/linux_platform.h"

#include "platform/linux/atspi_pages.h"
#include "platform/linux/file_dialog_qt.h"
#include "platform/linux/lazy_http_control.h"
#include "platform/linux/lazy_sound.h"
#include "platform/linux/message_box_qt.h"
#include "platform/linux/pointer_qt.h"
#include "platform/linux/program_folders.h"
#include "platform/linux/settings_store_qsettings.h"
#include "platform/linux/shell_open_qt.h"
#include "platform/linux/system_clock_linux.h"
#include "platform/linux/time_zone_posix.h"
#include "platform/linux/window_flash_x11.h"
#include "platform/linux/window_list_session.h"

#include <QCoreApplication>

namespace kiebitz::platform {

struct LinuxPlatform::Parts {
    SystemClockLinux clock;
    LazySound sound{programModule(QCoreApplication::applicationDirPath(), kSoundModuleName)};
    WindowFlashX11 flash;
    MessageBoxQt messages;
    SettingsStoreQSettings settings;
    LazyHttpControl http{programModule(QCoreApplication::applicationDirPath(), kHttpModuleName)};
    FileDialogQt fileDialog;
    PointerQt pointer;
    ShellOpenQt shell;
    TimeZonePosix timeZone;
    WindowListSession windows;
    AtspiBus atspi;
    AtspiShellWindows browsers{atspi};
    AtspiDdeClient dde{atspi};
    AtspiAccessibilitySwitch accessibility{atspi};
};

LinuxPlatform::LinuxPlatform() : m_parts(std::make_unique<Parts>())
{
    m_platform.clock = &m_parts->clock;
    m_platform.sound = &m_parts->sound;
    m_platform.flash = &m_parts->flash;
    m_platform.messages = &m_parts->messages;
    m_platform.settings = &m_parts->settings;
    m_platform.windows = &m_parts->windows;
    m_platform.shellWindows = &m_parts->browsers;
    m_platform.dde = &m_parts->dde;
    m_platform.accessibility = &m_parts->accessibility;
    m_platform.http = &m_parts->http;
    m_platform.fileDialog = &m_parts->fileDialog;
    m_platform.pointer = &m_parts->pointer;
    m_platform.shell = &m_parts->shell;
    m_platform.timeZone = &m_parts->timeZone;
    const ProgramFolders folders = runningProgramFolders();
    m_platform.programFolder = folders.program;
    m_platform.dataFolder = folders.data;
    m_platform.logFolder = folders.log;
}

LinuxPlatform::~LinuxPlatform() = default;

}  // namespace kiebitz::platform
