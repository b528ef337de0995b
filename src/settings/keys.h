#pragma once

// Where the program keeps its per-user values, their keys and defaults, and
// the in-memory copies of the five user settings.

#include <QString>

#include <cstdint>

namespace kiebitz::platform {
class SettingsStore;
}

namespace kiebitz::settings {

inline const QString kApp = QStringLiteral("Auktionswerk");
inline const QString kSection = QStringLiteral("Kiebitz");

namespace key {
inline const QString InstallDir = QStringLiteral("InstallDir");
inline const QString msgonsync = QStringLiteral("msgonsync");
inline const QString synconstart = QStringLiteral("synconstart");
inline const QString warnton = QStringLiteral("warnton");
inline const QString warntonsek = QStringLiteral("warntonsek");
inline const QString soundfile = QStringLiteral("soundfile");
inline const QString Left = QStringLiteral("Left");
inline const QString Top = QStringLiteral("Top");
inline const QString Width = QStringLiteral("Width");
inline const QString Height = QStringLiteral("Height");
inline const QString WindowState = QStringLiteral("WindowState");
// The answer to the offer to let browsers list their pages: "1" yes, "0" no.
inline const QString seitenliste = QStringLiteral("seitenliste");
}  // namespace key

// Copies of the user settings the running program works with.
struct SettingsCopies {
    std::int16_t msgonsync = 1;
    std::int16_t synconstart = 0;
    std::int16_t warnton = 1;
    std::int16_t warntonsek = 60;
    QString soundfile;
};

// The folder of the default warning sound followed by its name.
QString defaultSoundFile(const QString& soundFolder);

// An integer key as a 16-bit value; text that is not a whole number in the
// 16-bit range (after rounding) gives `fallback`.
std::int16_t readInt16(const platform::SettingsStore& store, const QString& key, std::int16_t fallback);

// Reads the five user settings with their defaults; the default warning
// sound lies in `soundFolder`. A stored sound file that was the default
// beside the program (`programFolder` or the stored InstallDir) and is gone,
// as after moving from a build folder to an installed program, reads as the
// default.
SettingsCopies loadSettingsCopies(const platform::SettingsStore& store, const QString& soundFolder,
                                  const QString& programFolder = {});

// Start: stores the program folder as InstallDir when none is stored yet.
void ensureInstallDir(platform::SettingsStore& store, const QString& programFolder);
// Exit: stores the program folder as InstallDir.
void storeInstallDir(platform::SettingsStore& store, const QString& programFolder);

}  // namespace kiebitz::settings
