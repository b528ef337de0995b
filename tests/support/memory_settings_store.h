#pragma once

#include "platform/settings_store.h"

#include <QMap>
#include <QStringList>

namespace kiebitz::test {

// Keys are "app/section/key".
class MemorySettingsStore : public platform::SettingsStore {
public:
    QString get(const QString& app, const QString& section, const QString& key,
                const QString& defaultValue) const override
    {
        return values.value(path(app, section, key), defaultValue);
    }
    bool save(const QString& app, const QString& section, const QString& key, const QString& value) override
    {
        writes << key;
        if (refused.contains(key))
            return false;
        values[path(app, section, key)] = value;
        return true;
    }
    static QString path(const QString& app, const QString& section, const QString& key)
    {
        return app + u'/' + section + u'/' + key;
    }
    QMap<QString, QString> values;
    QStringList writes;   // every key asked to be saved, kept or not
    QStringList refused;  // keys the store fails to keep
};

}  // namespace kiebitz::test
