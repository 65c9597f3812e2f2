// SPDX-License-Identifier: MIT
#include "SafeSave.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Where the bytes go: the file to replace and what stood there when the save began.
struct Target {
    QByteArray path;
    std::optional<struct stat> existing; // nothing: no file yet
};

// The file a save replaces, or nothing when what stands at the path must not be written over.
std::optional<Target> resolveTarget(const QByteArray& path, LinkPolicy links) {
    struct stat entry {};
    if (::lstat(path.constData(), &entry) != 0)
        return errno == ENOENT ? std::optional<Target>(Target{path, std::nullopt}) : std::nullopt;
    if (S_ISLNK(entry.st_mode)) {
        if (links == LinkPolicy::ReplaceLinks)
            return Target{path, std::nullopt}; // the link itself goes; its target is not ours
        char resolved[PATH_MAX];
        struct stat pointed {};
        if (!::realpath(path.constData(), resolved) || ::stat(resolved, &pointed) != 0 ||
            !S_ISREG(pointed.st_mode))
            return std::nullopt; // dangling, or a link to a FIFO, a device, a folder
        return Target{QByteArray(resolved), pointed};
    }
    if (!S_ISREG(entry.st_mode))
        return std::nullopt;
    return Target{path, entry};
}

bool sameFile(const std::optional<struct stat>& a, const std::optional<struct stat>& b) {
    if (!a || !b)
        return !a && !b;
    return a->st_dev == b->st_dev && a->st_ino == b->st_ino;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        left -= written;
    }
    struct stat after {};
    return ::fsync(fd) == 0 && ::fstat(fd, &after) == 0 && after.st_size == bytes.size();
}

// A new file beside target, created exclusively so nothing that appears under its name is
// ever followed; -1 with errno set when the folder cannot take one.
int createTemporary(const QByteArray& target, unsigned mode, QByteArray* name) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash >= 0 ? target.left(slash + 1) : QByteArray();
    const QByteArray base = target.mid(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + '.' + base + '.' +
                QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

SaveOutcome writeInPlace(const Target& target, const QByteArray& bytes) {
    const int fd = ::open(target.path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return SaveOutcome::OpenFailed;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return SaveOutcome::NotRegularFile;
    }
    const bool written = ::ftruncate(fd, 0) == 0 && writeAll(fd, bytes);
    ::close(fd);
    return written ? SaveOutcome::Saved : SaveOutcome::WriteFailed;
}

} // namespace

SaveOutcome saveWholeFile(const QString& path, const QByteArray& bytes,
                          const SaveOptions& options) {
    const QByteArray encoded = QFile::encodeName(path);
    const std::optional<Target> target = resolveTarget(encoded, options.links);
    if (!target)
        return SaveOutcome::NotRegularFile;

    QByteArray temporary;
    const int fd = createTemporary(target->path, options.newFileMode, &temporary);
    if (fd < 0) {
        const bool folderRefused = errno == EACCES || errno == EPERM || errno == EROFS;
        if (options.inPlaceFallback && folderRefused && target->existing)
            return writeInPlace(*target, bytes);
        return SaveOutcome::OpenFailed;
    }
    if (target->existing) {
        // The replacement looks like the file it replaces; an owner the process may not give
        // away stays the process's own.
        ::fchmod(fd, target->existing->st_mode & 07777);
        if (::fchown(fd, target->existing->st_uid, target->existing->st_gid) != 0 &&
            ::fchown(fd, uid_t(-1), target->existing->st_gid) != 0) {
            // Neither owner nor group could be given: the replacement is the process's own.
        }
    }
    const bool written = writeAll(fd, bytes);
    ::close(fd);
    const auto discard = [&](SaveOutcome outcome) {
        ::unlink(temporary.constData());
        return outcome;
    };
    if (!written)
        return discard(SaveOutcome::WriteFailed);

    // The path is looked at again at the last moment: whatever was swapped in meanwhile (a
    // link to a device, another file) is left alone rather than replaced.
    if (options.beforeLastLook)
        options.beforeLastLook();
    const std::optional<Target> now = resolveTarget(encoded, options.links);
    if (!now || now->path != target->path ||
        (target->existing && !sameFile(now->existing, target->existing)))
        return discard(SaveOutcome::NotRegularFile);
    if (::rename(temporary.constData(), target->path.constData()) != 0)
        return discard(SaveOutcome::WriteFailed);
    return SaveOutcome::Saved;
}

} // namespace platform
