#pragma once

// The facilities of the desktop the program uses, passed to every part that
// needs one. The program owns the implementations; this only refers to them.
// No facility is ever missing: a new Platform refers to the null object of
// each (null_facilities.h), and whoever builds it replaces those the desktop
// has. So no part checks whether a facility is there.

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
    Platform();  // every facility its null object

    // Never null.
    SystemClock* clock;
    Sound* sound;
    WindowFlash* flash;
    MessageBox* messages;
    SettingsStore* settings;
    WindowList* windows;
    ShellWindows* shellWindows;  // browser pages by window
    DdeClient* dde;
    AccessibilitySwitch* accessibility;  // browsers list their pages only while it is on
    HttpControl* http;
    FileDialog* fileDialog;
    Pointer* pointer;
    ShellOpen* shell;
    TimeZone* timeZone;
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
