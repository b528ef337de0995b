#include "platform/linux/settings_store_qsettings.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSettings>
#include <QTemporaryFile>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kiebitz::platform {

namespace {

std::unique_ptr<QSettings> open(const QString& baseFolder, const QString& app)
{
    if (baseFolder.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, app);
    return std::make_unique<QSettings>(QDir(baseFolder).filePath(app + QStringLiteral(".conf")),
                                       QSettings::NativeFormat);
}

// A stored value as text; values written by hand as lists still read.
std::optional<QString> asText(const QVariant& v)
{
    if (!v.isValid())
        return std::nullopt;
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    if (!v.canConvert<QString>())
        return std::nullopt;
    return v.toString();
}

struct Parsed {
    bool damaged = false;
    std::vector<std::pair<QString, QString>> readable;
};

// Parses a copy of the store file. QSettings keeps parsed files in a
// process-wide cache and reports a parse error only when it really reads
// the file, so the check reads a copy under a name never used before.
Parsed parseCopy(const QString& fileName)
{
    Parsed result;
    QFile original(fileName);
    if (!original.exists() || !original.open(QIODevice::ReadOnly))
        return result;
    QTemporaryFile copy(QDir::temp().filePath(QStringLiteral("kiebitz-settings-XXXXXX.conf")));
    if (!copy.open())
        return result;
    copy.write(original.readAll());
    copy.close();
    QSettings parsed(copy.fileName(), QSettings::IniFormat);
    const QStringList keys = parsed.allKeys();
    result.damaged = parsed.status() == QSettings::FormatError;
    if (result.damaged) {
        for (const QString& key : keys) {
            if (const auto text = asText(parsed.value(key)))
                result.readable.emplace_back(key, *text);
        }
    }
    return result;
}

// Depending on the damage, QSettings may leave a file it cannot parse
// untouched on every later write, so one damaged file could lose every
// later change. The damaged file is kept beside the store as
// "<name>.damaged"; what could still be read from it goes into a fresh
// file. This runs under the store's own lock file, so that two instances
// repairing at once do not race.
void moveDamagedFileAside(const QString& baseFolder, const QString& app)
{
    Parsed parsed;
    {
        const QString fileName = open(baseFolder, app)->fileName();
        QLockFile lock(fileName + QStringLiteral(".lock"));
        if (!lock.lock())
            return;
        // Check again under the lock: another instance may have repaired it.
        parsed = parseCopy(fileName);
        if (!parsed.damaged)
            return;
        const QString aside = fileName + QStringLiteral(".damaged");
        QFile::remove(aside);
        if (!QFile::rename(fileName, aside))
            return;
    }
    auto fresh = open(baseFolder, app);
    for (const auto& [key, text] : parsed.readable) {
        if (!fresh->contains(key))
            fresh->setValue(key, text);
    }
    fresh->sync();
}

}  // namespace

SettingsStoreQSettings::SettingsStoreQSettings(QString baseFolder) : m_baseFolder(std::move(baseFolder)) {}

QString SettingsStoreQSettings::get(const QString& app, const QString& section, const QString& key,
                                    const QString& defaultValue) const
{
    auto s = open(m_baseFolder, app);
    s->beginGroup(section);
    return asText(s->value(key)).value_or(defaultValue);
}

bool SettingsStoreQSettings::save(const QString& app, const QString& section, const QString& key,
                                  const QString& value)
{
    if (parseCopy(open(m_baseFolder, app)->fileName()).damaged)
        moveDamagedFileAside(m_baseFolder, app);
    auto s = open(m_baseFolder, app);
    s->beginGroup(section);
    s->setValue(key, value);
    s->endGroup();
    s->sync();
    return s->status() == QSettings::NoError;
}

}  // namespace kiebitz::platform
