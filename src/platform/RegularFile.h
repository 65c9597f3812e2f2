// SPDX-License-Identifier: MIT
#pragma once
// Reads a whole file only when it is a regular file of at most a given size. The check is made
// on the opened file itself (opened without waiting, so a FIFO cannot hold the window), so a
// FIFO, a device or a folder swapped in after a look at the path is refused all the same, and
// no file can make the program read more than the cap.

#include "SafeSave.h"

#include <QByteArray>
#include <QString>

namespace platform {

struct RegularFile {
    enum Status { Read, Missing, NotRegularFile, TooLarge, Unreadable };
    Status status = Missing;
    QByteArray bytes;
    qint64 modified = 0; // milliseconds since the epoch
    bool ok() const { return status == Read; }
};

// FollowLinks reads what a link points to; ReplaceLinks (the program's own files) refuses a
// link, as a save would replace it.
RegularFile readRegularFile(const QString& path, qint64 maxBytes,
                            LinkPolicy links = LinkPolicy::FollowLinks);

} // namespace platform
