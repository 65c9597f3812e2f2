// SPDX-License-Identifier: MIT
#pragma once
// Where the program keeps "vintrel.ini" and "addrbook.adb": beside the executable while that
// directory is writable (a portable copy), otherwise in the per-user configuration directory.
// An installed copy (one in a "bin" directory, such as /usr/bin) always uses the latter, even
// when it runs as a user who could write to that directory.

#include <QString>

namespace platform {

// The directory of a program file, with a trailing '/'; empty (the current directory) for a
// path without a directory part.
QString directoryOfProgram(const QString& programPath);

// The directory of the running executable, with a trailing '/'.
QString programDirectory();

// $XDG_CONFIG_HOME/vintrel/ or ~/.config/vintrel/, with a trailing '/'.
QString userConfigDirectory();

// Whether programDir is an installation's bin directory rather than a folder of its own.
bool isInstalledCopy(const QString& programDir);

// programDir for a portable copy that can write there, else userConfigDirectory() (created
// when missing).
QString dataDirectory(const QString& programDir);

} // namespace platform
