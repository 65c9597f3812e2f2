// SPDX-License-Identifier: MIT
#include "LocalPeer.h"

#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// The inode of the TCP socket bound to source and connected to destination, or 0.
unsigned inodeOf(Ipv4End source, Ipv4End destination) {
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return 0;
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    message.request.sdiag_family = AF_INET;
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~0U;
    message.request.id.idiag_sport = htons(source.port);
    message.request.id.idiag_dport = htons(destination.port);
    message.request.id.idiag_src[0] = htonl(source.address);
    message.request.id.idiag_dst[0] = htonl(destination.address);
    message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    unsigned inode = 0;
    if (::sendto(fd, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) == sizeof message) {
        alignas(nlmsghdr) char reply[8192];
        const ssize_t length = ::recv(fd, reply, sizeof reply, 0);
        if (length >= ssize_t(NLMSG_LENGTH(sizeof(inet_diag_msg)))) {
            const auto* header = reinterpret_cast<const nlmsghdr*>(reply);
            if (header->nlmsg_type == SOCK_DIAG_BY_FAMILY &&
                header->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg)) &&
                ssize_t(header->nlmsg_len) <= length) {
                inet_diag_msg diag;
                std::memcpy(&diag, NLMSG_DATA(header), sizeof diag);
                // The socket found must have both ends asked for, not just one of them.
                const bool same = diag.id.idiag_sport == htons(source.port) &&
                                  diag.id.idiag_dport == htons(destination.port) &&
                                  diag.id.idiag_src[0] == htonl(source.address) &&
                                  diag.id.idiag_dst[0] == htonl(destination.address);
                if (same)
                    inode = diag.idiag_inode;
            }
        }
    }
    ::close(fd);
    return inode;
}

} // namespace

bool isOwnConnection(Ipv4End local, Ipv4End peer) {
    const unsigned inode = inodeOf(peer, local);
    if (inode == 0)
        return false;
    const QByteArray wanted = "socket:[" + QByteArray::number(inode) + ']';
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& name : descriptors.entryList(QDir::Files | QDir::System)) {
        char target[64];
        const QByteArray path = QFile::encodeName(descriptors.filePath(name));
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length > 0 && QByteArrayView(target, length) == wanted)
            return true;
    }
    return false;
}

} // namespace platform
