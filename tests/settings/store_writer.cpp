// Saves <prefix><i> = i for i < count into a settings store folder, for the
// test of a writer killed at each file step; a damaged store is repaired by
// the first save. Usage: store_writer <folder> <prefix> <count>
#include "platform/linux/settings_store_qsettings.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    kiebitz::platform::SettingsStoreQSettings store(args.value(1));
    bool saved = args.size() == 4;
    for (int i = 0; i < args.value(3).toInt(); ++i)
        saved = store.save("Auktionswerk", "Kiebitz", args[2] + QString::number(i), QString::number(i)) && saved;
    return saved ? 0 : 1;
}
