#pragma once
// Where the program keeps "vintrel.ini" and "addrbook.adb": beside the executable while that
// directory is writable (a portable copy), otherwise in the per-user configuration directory.

#include <QString>

namespace platform {

// The directory of a program file, with a trailing '/'; empty (the current directory) for a
// path without a directory part.
QString directoryOfProgram(const QString& programPath);

// The directory of the running executable, with a trailing '/'.
QString programDirectory();

// $XDG_CONFIG_HOME/vintrel/ or ~/.config/vintrel/, with a trailing '/'.
QString userConfigDirectory();

// programDir when it can be written to, else userConfigDirectory() (created when missing).
QString dataDirectory(const QString& programDir);

} // namespace platform
