#include "platform/linux/lazy_module.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace kiebitz::platform {

QString programModule(const QString& programFolder, const QString& name)
{
    const QDir program(programFolder);
    if (QFileInfo::exists(program.filePath(name)))
        return program.filePath(name);
    return QDir::cleanPath(program.filePath(QStringLiteral(KIEBITZ_MODULES_FROM_PROGRAM) + u'/' + name));
}

QFunctionPointer loadModuleFactory(const QString& file, const char* symbol, const char* without)
{
    // QLibrary would try other names too and report the last one tried.
    if (!QFileInfo::exists(file)) {
        qWarning("Kiebitz: %s: %s is missing", without, qPrintable(file));
        return nullptr;
    }
    QLibrary module(file);
    if (!module.load()) {
        qWarning("Kiebitz: %s: %s", without, qPrintable(module.errorString()));
        return nullptr;
    }
    const QFunctionPointer factory = module.resolve(symbol);
    if (!factory)
        qWarning("Kiebitz: %s: %s", without, qPrintable(module.errorString()));
    return factory;
}

}  // namespace kiebitz::platform
