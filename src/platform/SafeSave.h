// SPDX-License-Identifier: MIT
#pragma once
// Writes a whole file so that it is either replaced by every one of the new bytes or left as it
// was: the bytes go to a temporary file beside it, are forced to the disk and their size
// checked before the temporary file takes the old one's place. A full disk therefore fails the
// save instead of leaving an empty or cut file that looks saved. The new file keeps the old
// one's permission bits (and its owner and group, where the process may set them); a new file
// gets the permissions given, less the umask.
//
// What stands at the path is checked again just before the rename, so something swapped in
// while the program worked (a link to a device, a FIFO) is never written over:
//  - FollowLinks (the user's own files): a link is followed to a regular file, which is
//    replaced and the link kept; a link to anything else, a dangling link, a FIFO or a device
//    is refused.
//  - ReplaceLinks (the program's own cache): the name itself is replaced, a link included,
//    and nothing a link points to is ever touched.
//
// With inPlaceFallback, a file whose folder cannot take the temporary file is written over in
// place (the same checks apply, but a failure then can leave it damaged).

#include <QByteArray>
#include <QString>

#include <QString>
#include <functional>

namespace platform {

enum class SaveOutcome { Saved, OpenFailed, WriteFailed, NotRegularFile };
enum class LinkPolicy { FollowLinks, ReplaceLinks };

struct SaveOptions {
    LinkPolicy links = LinkPolicy::FollowLinks;
    bool inPlaceFallback = false;
    unsigned newFileMode = 0666; // before the umask
    // Runs once the bytes are written, before the last look at the path: where a test swaps
    // something in, as another program could.
    std::function<void()> beforeLastLook = {};
};

SaveOutcome saveWholeFile(const QString& path, const QByteArray& bytes,
                          const SaveOptions& options = {});

} // namespace platform
