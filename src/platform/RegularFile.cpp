// SPDX-License-Identifier: MIT
#include "RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

RegularFile readRegularFile(const QString& path, qint64 maxBytes, LinkPolicy links) {
    RegularFile file;
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY |
                      (links == LinkPolicy::ReplaceLinks ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        file.status = errno == ENOENT ? RegularFile::Missing
                      : errno == ELOOP ? RegularFile::NotRegularFile
                                       : RegularFile::Unreadable;
        // A dangling link is something at the path, not an absent file.
        struct stat entry {};
        if (errno == ENOENT && ::lstat(QFile::encodeName(path).constData(), &entry) == 0)
            file.status = RegularFile::NotRegularFile;
        return file;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
        file.status = RegularFile::Unreadable;
    } else if (!S_ISREG(opened.st_mode)) {
        file.status = RegularFile::NotRegularFile;
    } else if (opened.st_size > maxBytes) {
        file.status = RegularFile::TooLarge;
    } else {
        file.modified = qint64(opened.st_mtim.tv_sec) * 1000 + opened.st_mtim.tv_nsec / 1000000;
        // The size fstat gave is where reading starts; a file that grows meanwhile is read on
        // only up to one byte past the cap, which tells that it is too large.
        const qint64 limit = maxBytes + 1;
        file.bytes.resize(qsizetype(std::min<qint64>(opened.st_size + 1, limit)));
        qsizetype got = 0;
        file.status = RegularFile::Read;
        for (;;) {
            if (got == file.bytes.size()) {
                if (got >= limit)
                    break;
                file.bytes.resize(qsizetype(std::min<qint64>(got + 65536, limit)));
            }
            const ssize_t n = ::read(fd, file.bytes.data() + got, size_t(file.bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                file.status = RegularFile::Unreadable;
            if (n <= 0)
                break;
            got += n;
        }
        file.bytes.resize(got);
        if (file.status == RegularFile::Read && got > maxBytes)
            file.status = RegularFile::TooLarge;
        if (file.status != RegularFile::Read)
            file.bytes.clear();
    }
    ::close(fd);
    return file;
}

} // namespace platform
