#include "platform/linux/program_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kiebitz::platform {

ProgramFolders programFolders(const QString& program, const QString& installedData, const QString& stateHome,
                              const QString& home)
{
    const QDir programDir(program);
    const QString data = QDir::cleanPath(programDir.filePath(installedData));
    // Files beside the program win; without installed files either, the
    // program keeps to its own folder as well.
    if (QFileInfo::exists(programDir.filePath(kDefaultSoundName)) ||
        !QFileInfo::exists(QDir(data).filePath(kDefaultSoundName)))
        return {program, program, program};

    // Installed: the program's folder may not be writable (/usr/bin).
    const QString userHome = home.isEmpty() ? QDir::homePath() : home;
    const QString base = QDir::isAbsolutePath(stateHome) ? stateHome : userHome + QStringLiteral("/.local/state");
    return {program, data, QDir::cleanPath(base + QStringLiteral("/kiebitz"))};
}

ProgramFolders runningProgramFolders()
{
    return programFolders(QCoreApplication::applicationDirPath(), QStringLiteral(KIEBITZ_DATA_FROM_PROGRAM),
                          qEnvironmentVariable("XDG_STATE_HOME"), qEnvironmentVariable("HOME"));
}

}  // namespace kiebitz::platform
