#pragma once

#include "platform/settings_store.h"

namespace kiebitz::platform {

// Settings in the INI files QSettings writes on Linux: one file per
// application name in the XDG config folder ("~/.config/<app>.conf", with
// the folders of XDG_CONFIG_DIRS read after it), one [section] per section.
// The file is read and written here directly rather than through QSettings,
// because QSettings turns bytes that are not UTF-8 into U+FFFD on its next
// write and lets one broken line (an unclosed quote, a half [section]
// header) swallow or re-file every key after it.
//
// Reading is line by line: a broken line is skipped and never takes the
// lines around it along. Values are unescaped as QSettings writes them, so
// its files read as before. Bytes of a value that do not form UTF-8 read as
// the Latin-1 characters of those bytes; a value saved back unchanged keeps
// its line exactly as it was.
//
// Writing changes only the line of the key (or adds one); every other line
// stays byte for byte. The new file is written completely beside the old
// one and renamed over it (QSaveFile), under "<file>.lock" (QLockFile, the
// lock QSettings takes too), so a crash leaves the old or the new store and
// two instances never lose each other's keys. A save that finds broken
// lines first keeps a copy of the file as "<file>.damaged" (then
// ".damaged.1", ... – an earlier copy is never replaced) and drops them.
// `baseFolder` redirects the file, for tests.
class SettingsStoreQSettings : public SettingsStore {
public:
    explicit SettingsStoreQSettings(QString baseFolder = {});
    QString get(const QString& app, const QString& section, const QString& key,
                const QString& defaultValue) const override;
    bool save(const QString& app, const QString& section, const QString& key, const QString& value) override;

private:
    QString m_baseFolder;
};

}  // namespace kiebitz::platform
