#include "platform/linux/settings_store_qsettings.h"

#include <QDir>
#include <QSettings>

#include <memory>

namespace kiebitz::platform {

namespace {

std::unique_ptr<QSettings> open(const QString& baseFolder, const QString& app)
{
    if (baseFolder.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, app);
    return std::make_unique<QSettings>(QDir(baseFolder).filePath(app + QStringLiteral(".conf")),
                                       QSettings::NativeFormat);
}

}  // namespace

SettingsStoreQSettings::SettingsStoreQSettings(QString baseFolder) : m_baseFolder(std::move(baseFolder)) {}

QString SettingsStoreQSettings::get(const QString& app, const QString& section, const QString& key,
                                    const QString& defaultValue) const
{
    auto s = open(m_baseFolder, app);
    s->beginGroup(section);
    const QVariant v = s->value(key);
    if (!v.isValid())
        return defaultValue;
    // A value written by hand as a list or number still reads as text.
    return v.canConvert<QString>() ? v.toString() : defaultValue;
}

bool SettingsStoreQSettings::save(const QString& app, const QString& section, const QString& key,
                                  const QString& value)
{
    auto s = open(m_baseFolder, app);
    s->beginGroup(section);
    s->setValue(key, value);
    s->endGroup();
    s->sync();
    return s->status() == QSettings::NoError;
}

}  // namespace kiebitz::platform
