#pragma once

// The facilities of the desktop the program uses, passed to every part that
// needs one. The program owns the implementations; this only refers to them.

#include <QString>

namespace kiebitz::platform {

class AccessibilitySwitch;
class DdeClient;
class FileDialog;
class HttpControl;
class MessageBox;
class Pointer;
class SettingsStore;
class ShellOpen;
class ShellWindows;
class Sound;
class SystemClock;
class TimeZone;
class WindowFlash;
class WindowList;

struct Platform {
    SystemClock* clock = nullptr;
    Sound* sound = nullptr;
    WindowFlash* flash = nullptr;
    MessageBox* messages = nullptr;
    SettingsStore* settings = nullptr;
    WindowList* windows = nullptr;
    ShellWindows* shellWindows = nullptr;  // browser pages by window
    DdeClient* dde = nullptr;
    AccessibilitySwitch* accessibility = nullptr;  // browsers list their pages only while it is on
    HttpControl* http = nullptr;
    FileDialog* fileDialog = nullptr;
    Pointer* pointer = nullptr;
    ShellOpen* shell = nullptr;
    TimeZone* timeZone = nullptr;
    // Folder that holds the program file (InstallDir).
    QString programFolder;
    // Folder of the default warning sound; empty: the program folder.
    QString dataFolder;
    // Folder of the error log; empty: the program folder. Any other folder is
    // per-user and made when the log is first written.
    QString logFolder;
};

inline QString dataFolderOf(const Platform& p) { return p.dataFolder.isEmpty() ? p.programFolder : p.dataFolder; }
inline QString logFolderOf(const Platform& p) { return p.logFolder.isEmpty() ? p.programFolder : p.logFolder; }

}  // namespace kiebitz::platform
