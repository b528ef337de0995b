#pragma once

// Where the program finds its files and keeps its error log.

#include <QString>

namespace kiebitz::platform {

// Name of the default warning sound, in the data folder.
inline const QString kDefaultSoundName = QStringLiteral("drum.wav");

struct ProgramFolders {
    QString program;  // the folder that holds the program file
    QString data;     // the default warning sound
    QString log;      // the error log
};

// A program whose folder holds the default warning sound (a build folder,
// or any folder the program was copied to with its files) keeps everything
// there. An installed program, whose files lie in `installedData` (relative
// to the program folder, e.g. "../share/kiebitz"), reads them from there and
// keeps the error log in the per-user state folder: `stateHome`/kiebitz, with
// `stateHome` from $XDG_STATE_HOME, or `home`/.local/state where that is
// unset or not absolute (the XDG base directory rules).
ProgramFolders programFolders(const QString& program, const QString& installedData, const QString& stateHome,
                              const QString& home);

// The same for the running program and its environment.
ProgramFolders runningProgramFolders();

}  // namespace kiebitz::platform
