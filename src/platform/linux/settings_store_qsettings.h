#pragma once

#include "platform/settings_store.h"

namespace kiebitz::platform {

// Settings on QSettings in the platform's usual per-user place (one file per
// application name, one group per section). QSettings writes the file
// through a temporary file and a rename under a lock file, so a crash or a
// full disk never leaves half a store and two instances never mix writes;
// each write re-reads the file under the lock, so changes of another
// instance to other keys are kept. A damaged file that QSettings cannot
// parse is kept aside as "<file>.damaged" and replaced on the next save.
// `baseFolder` redirects the files, for tests.
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
