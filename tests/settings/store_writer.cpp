// Writes keys into a settings store folder, for the tests of two processes
// writing the same store at once and of a writer killed at each file step
// (run under strace). Each round saves <prefix><i> = i and "shared" =
// <prefix>; a damaged store is repaired by the first save.
// Usage: store_writer <folder> <prefix> <count>
#include "platform/linux/settings_store_qsettings.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    kiebitz::platform::SettingsStoreQSettings store(args.at(1));
    const QString prefix = args.at(2);
    const int count = args.at(3).toInt();
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (!store.save(QStringLiteral("Auktionswerk"), QStringLiteral("Kiebitz"), prefix + QString::number(i),
                        QString::number(i)))
            ++failed;
        // A key both writers change, so that the writes really meet.
        store.save(QStringLiteral("Auktionswerk"), QStringLiteral("Kiebitz"), QStringLiteral("shared"), prefix);
    }
    if (failed)
        std::fprintf(stderr, "%d writes failed\n", failed);
    return failed ? 1 : 0;
}
