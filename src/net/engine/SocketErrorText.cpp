// SPDX-License-Identifier: MIT
#include "SocketErrorText.h"

#include <QHash>

namespace net {

namespace {

const QHash<int, const char*>& errorTexts() {
    static const QHash<int, const char*> texts = {
        {10004, "Blocking call canceled"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Address fault error"},
        {10022, "Connection refused"},
        {10024, "Too many open files"},
        {10035, "Requested operation would block..."},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Protocol not available"},
        {10043, "Protocol not supported"},
        {10045, "Operation not supported"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported"},
        {10048, "Address already in use"},
        {10049, "Can't assign requested address"},
        {10050, "WinSock says the network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection on reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No more buffers left"},
        {10056, "You are already connected"},
        {10057, "You are not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references: can't splice"},
        {10060, "Timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote path"},
        {10091, "System not ready"},
        {10092, "Version not supported"},
        {10093, "Windows Sockets API not initialized"},
        {11001, "Host not found"},
        {11002, "Non-authoritative host not found"},
        {11003, "Non-recoverable recover"},
        {11004, "No data record of requested type"},
    };
    return texts;
}

} // namespace

QString SocketErrorText(int code) {
    const char* text = errorTexts().value(code, nullptr);
    if (text)
        return QString::fromLatin1(text);
    return QStringLiteral("Windows Sockets error: %1").arg(code);
}

} // namespace net
