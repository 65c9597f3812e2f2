// SPDX-License-Identifier: MIT
#include "SafeSave.h"

#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SaveOutcome saveWholeFile(const QString& path, const QByteArray& bytes, bool inPlaceFallback) {
    QSaveFile file(path);
    file.setDirectWriteFallback(inPlaceFallback);
    // Unbuffered, so that a write the disk refuses fails here: a buffered tail would only be
    // written when the file is committed, and that failure goes unreported.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return SaveOutcome::OpenFailed;
    struct stat written {};
    const bool reachedDisk = file.write(bytes) == bytes.size() && file.flush() &&
                             ::fsync(file.handle()) == 0 && ::fstat(file.handle(), &written) == 0 &&
                             written.st_size == bytes.size();
    if (!reachedDisk) {
        file.cancelWriting(); // the old file stays as it was
        return SaveOutcome::WriteFailed;
    }
    return file.commit() ? SaveOutcome::Saved : SaveOutcome::WriteFailed;
}

} // namespace platform
