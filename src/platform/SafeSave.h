// SPDX-License-Identifier: MIT
#pragma once
// Writes a whole file so that it is either replaced by every one of the new bytes or left as it
// was: the bytes go to a temporary file beside it, unbuffered, are forced to the disk and their
// size checked before the temporary file takes the old one's place. A full disk therefore
// fails the save instead of leaving an empty or cut file that looks saved.
//
// With inPlaceFallback, a file whose folder cannot take the temporary file is written over in
// place (the same checks apply, but a failure then can leave it damaged).

#include <QByteArray>
#include <QString>

namespace platform {

enum class SaveOutcome { Saved, OpenFailed, WriteFailed };

SaveOutcome saveWholeFile(const QString& path, const QByteArray& bytes,
                          bool inPlaceFallback = false);

} // namespace platform
