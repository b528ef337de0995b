#include "settings/keys.h"

#include "core/text.h"
#include "platform/settings_store.h"

#include <QDir>
#include <QFileInfo>

namespace kiebitz::settings {

QString defaultSoundFile(const QString& soundFolder)
{
    return soundFolder + QDir::separator() + QStringLiteral("drum.wav");
}

std::int16_t readInt16(const platform::SettingsStore& store, const QString& key, std::int16_t fallback)
{
    const QString text = store.get(kApp, kSection, key, QString::number(fallback));
    return core::toInt16(text).value_or(fallback);
}

SettingsCopies loadSettingsCopies(const platform::SettingsStore& store, const QString& soundFolder,
                                  const QString& programFolder)
{
    SettingsCopies c;
    c.msgonsync = readInt16(store, key::msgonsync, 1);
    c.synconstart = readInt16(store, key::synconstart, 0);
    c.warnton = readInt16(store, key::warnton, 1);
    c.warntonsek = readInt16(store, key::warntonsek, 60);
    const QString fallback = defaultSoundFile(soundFolder);
    c.soundfile = store.get(kApp, kSection, key::soundfile, fallback);

    const QString installDir = store.get(kApp, kSection, key::InstallDir, QString());
    const bool oldDefault = (!programFolder.isEmpty() && c.soundfile == defaultSoundFile(programFolder)) ||
                            (!installDir.isEmpty() && c.soundfile == defaultSoundFile(installDir));
    if (oldDefault && !QFileInfo::exists(c.soundfile))
        c.soundfile = fallback;
    return c;
}

void ensureInstallDir(platform::SettingsStore& store, const QString& programFolder)
{
    if (store.get(kApp, kSection, key::InstallDir, QString()).isEmpty())
        store.save(kApp, kSection, key::InstallDir, programFolder);
}

void storeInstallDir(platform::SettingsStore& store, const QString& programFolder)
{
    store.save(kApp, kSection, key::InstallDir, programFolder);
}

}  // namespace kiebitz::settings
