#pragma once

#include <QString>

namespace kiebitz::platform {

// Per-user store of text values addressed by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `defaultValue` when the key was never written.
    virtual QString get(const QString& app, const QString& section, const QString& key,
                        const QString& defaultValue) const = 0;
    // Creates or replaces the value; returns false when it could not be stored.
    virtual bool save(const QString& app, const QString& section, const QString& key, const QString& value) = 0;
};

}  // namespace kiebitz::platform
