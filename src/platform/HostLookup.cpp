// SPDX-License-Identifier: MIT
#include "HostLookup.h"
#include "WinsockErrors.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <net/if.h>
#include <netdb.h>
#include <set>
#include <vector>

namespace platform {

struct AsyncHostLookup::Shared {
    std::mutex mutex;
    QObject* receiver = nullptr;    // null once the owner is gone
    std::set<HANDLE_T> outstanding; // requests whose reply is still wanted
};

namespace {

HANDLE_T nextHandle() {
    static std::atomic<HANDLE_T> counter{0};
    return ++counter;
}

LookupAnswer answerFrom(const hostent* host, int hostError) {
    LookupAnswer answer;
    // Only the result pointer tells success; h_errno may hold an older value.
    if (!host) {
        answer.error = wsaErrorFromHostError(hostError);
        return answer;
    }
    answer.entry.officialName = host->h_name ? QByteArray(host->h_name) : QByteArray();
    for (char** alias = host->h_aliases; alias && *alias; ++alias)
        answer.entry.aliases.append(QByteArray(*alias));
    const int length = host->h_addrtype == AF_INET ? 4 : host->h_addrtype == AF_INET6 ? 16 : 0;
    if (length > 0 && host->h_length == length) {
        for (char** addr = host->h_addr_list; addr && *addr; ++addr) {
            HostAddress address;
            address.family = host->h_addrtype;
            memcpy(address.bytes.data(), *addr, size_t(length));
            if (!answer.entry.addresses.contains(address))
                answer.entry.addresses.append(address);
        }
    }
    if (answer.entry.addresses.isEmpty())
        answer.error = WSANO_DATA;
    return answer;
}

// Runs a reentrant resolver call, growing its scratch buffer while it asks for more room.
template <typename Call> LookupAnswer resolveWith(Call call) {
    std::vector<char> buffer(2048);
    for (;;) {
        hostent entry{};
        hostent* result = nullptr;
        int hostError = 0;
        const int rc = call(&entry, buffer.data(), buffer.size(), &result, &hostError);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return answerFrom(rc == 0 ? result : nullptr, hostError);
    }
}

// getaddrinfo's failures in the four texts of the classic resolver.
int wsaErrorFromAddrInfo(int error) {
    switch (error) {
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return WSANO_DATA;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    default: return WSANO_RECOVERY;
    }
}

// Every IPv4 and IPv6 address of name, in the resolver's order (RFC 6724's preference), the
// canonical name as the official one. The classic look-up adds the aliases, which
// getaddrinfo does not report.
LookupAnswer lookUpName(const QByteArray& name) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_CANONNAME;
    addrinfo* list = nullptr;
    LookupAnswer answer;
    if (const int rc = getaddrinfo(name.constData(), nullptr, &hints, &list); rc != 0) {
        answer.error = wsaErrorFromAddrInfo(rc);
        return answer;
    }
    answer.entry.officialName = list->ai_canonname ? QByteArray(list->ai_canonname) : name;
    for (const addrinfo* at = list; at; at = at->ai_next) {
        HostAddress address;
        address.family = at->ai_family;
        if (at->ai_family == AF_INET && at->ai_addrlen >= sizeof(sockaddr_in))
            memcpy(address.bytes.data(),
                   &reinterpret_cast<const sockaddr_in*>(at->ai_addr)->sin_addr, 4);
        else if (at->ai_family == AF_INET6 && at->ai_addrlen >= sizeof(sockaddr_in6)) {
            const auto* v6 = reinterpret_cast<const sockaddr_in6*>(at->ai_addr);
            memcpy(address.bytes.data(), &v6->sin6_addr, 16);
            address.scopeId = v6->sin6_scope_id;
        }
        else
            continue;
        if (!answer.entry.addresses.contains(address))
            answer.entry.addresses.append(address);
    }
    freeaddrinfo(list);
    if (answer.entry.addresses.isEmpty())
        answer.error = WSANO_DATA;
    return answer;
}

// The aliases of name, which only the classic look-up reports.
QList<QByteArray> aliasesOf(const QByteArray& name) {
    const LookupAnswer classic =
        resolveWith([&](hostent* e, char* buf, size_t len, hostent** res, int* err) {
            return gethostbyname_r(name.constData(), e, buf, len, res, err);
        });
    return classic.error == 0 ? classic.entry.aliases : QList<QByteArray>();
}

// The threads look-ups run on: a bounded pool, as Qt's own host look-ups have, whose threads
// are joined when the program ends rather than left running detached.
QThreadPool& lookupThreads() {
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setMaxThreadCount(AsyncHostLookup::MaxThreads);
        return true;
    }();
    Q_UNUSED(configured);
    return pool;
}

} // namespace

HostAddress HostAddress::ipv4(std::uint32_t networkOrder) {
    HostAddress address;
    memcpy(address.bytes.data(), &networkOrder, 4);
    return address;
}

std::optional<HostAddress> HostAddress::parse(const QByteArray& text) {
    QByteArray bare = text;
    if (bare.startsWith('[') && bare.endsWith(']'))
        bare = bare.mid(1, bare.size() - 2);
    HostAddress address;
    if (bare.contains(':')) {
        address.family = AF_INET6;
        const qsizetype percent = bare.indexOf('%');
        if (percent >= 0) {
            const QByteArray zone = bare.mid(percent + 1);
            bool numeric = false;
            address.scopeId = zone.toUInt(&numeric);
            if (!numeric)
                address.scopeId = if_nametoindex(zone.constData());
            if (address.scopeId == 0)
                return std::nullopt;
            bare.truncate(percent);
        }
        if (inet_pton(AF_INET6, bare.constData(), address.bytes.data()) != 1)
            return std::nullopt;
        return address;
    }
    const in_addr_t v4 = ::inet_addr(bare.constData());
    if (v4 == INADDR_NONE || bare != text)
        return std::nullopt; // no brackets around an IPv4 address
    return ipv4(v4);
}

std::uint32_t HostAddress::ipv4NetworkOrder() const {
    std::uint32_t value = 0;
    memcpy(&value, bytes.data(), 4);
    return value;
}

QString HostAddress::text() const {
    char buffer[INET6_ADDRSTRLEN] = {};
    if (!inet_ntop(family, bytes.data(), buffer, sizeof buffer))
        return {};
    QString shown = QString::fromLatin1(buffer);
    if (family == AF_INET6 && scopeId != 0) {
        char name[IF_NAMESIZE] = {};
        shown += QLatin1Char('%') + (if_indextoname(scopeId, name) ? QString::fromLatin1(name)
                                                                   : QString::number(scopeId));
    }
    return shown;
}

bool HostAddress::isPublic() const {
    const std::uint8_t* b = bytes.data();
    if (family == AF_INET6) {
        static constexpr std::uint8_t mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        if (memcmp(b, mapped, 12) == 0) {
            HostAddress v4;
            memcpy(v4.bytes.data(), b + 12, 4);
            return v4.isPublic();
        }
        static constexpr std::uint8_t zero[15] = {};
        if (memcmp(b, zero, 15) == 0)
            return false;                        // :: and ::1
        return !((b[0] & 0xFE) == 0xFC ||        // fc00::/7, unique local
                 (b[0] == 0xFE && (b[1] & 0xC0) == 0x80) || // fe80::/10, link-local
                 b[0] == 0xFF);                  // multicast
    }
    return !(b[0] == 0 || b[0] == 10 || b[0] == 127 ||       // this network, private, loopback
             (b[0] == 100 && (b[1] & 0xC0) == 64) ||       // 100.64/10, shared
             (b[0] == 169 && b[1] == 254) ||                // link-local
             (b[0] == 172 && (b[1] & 0xF0) == 16) ||       // 172.16/12
             (b[0] == 192 && b[1] == 168) ||                // 192.168/16
             b[0] >= 224);                                  // multicast, reserved, broadcast
}

sockaddr_storage HostAddress::socketAddress(std::uint16_t portNetworkOrder,
                                            socklen_t* length) const {
    sockaddr_storage storage{};
    if (family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = portNetworkOrder;
        v6->sin6_scope_id = scopeId;
        memcpy(&v6->sin6_addr, bytes.data(), 16);
        *length = sizeof(sockaddr_in6);
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
        v4->sin_family = AF_INET;
        v4->sin_port = portNetworkOrder;
        memcpy(&v4->sin_addr, bytes.data(), 4);
        *length = sizeof(sockaddr_in);
    }
    return storage;
}

Resolver Resolver::system() {
    Resolver r;
    r.byName = lookUpName;
    r.aliases = aliasesOf;
    r.byAddress = [](const HostAddress& address) {
        const socklen_t length = address.family == AF_INET6 ? 16 : 4;
        return resolveWith([&](hostent* e, char* buf, size_t len, hostent** res, int* err) {
            return gethostbyaddr_r(address.bytes.data(), length, address.family, e, buf, len, res,
                                   err);
        });
    };
    return r;
}

AsyncHostLookup::AsyncHostLookup(QObject* receiver, Resolver resolver)
    : m_shared(std::make_shared<Shared>()), m_resolver(std::move(resolver)) {
    m_shared->receiver = receiver;
}

AsyncHostLookup::~AsyncHostLookup() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->receiver = nullptr;
    m_shared->outstanding.clear();
}

HANDLE_T AsyncHostLookup::getHostByName(int message, const QByteArray& name, bool withAliases) {
    auto byName = m_resolver.byName;
    auto aliases = withAliases ? m_resolver.aliases : nullptr;
    return start(message, [byName, aliases, name] {
        LookupAnswer answer = byName(name);
        if (aliases && answer.error == 0)
            answer.entry.aliases = aliases(name);
        return answer;
    });
}

HANDLE_T AsyncHostLookup::getHostByAddr(int message, const HostAddress& address) {
    auto byAddress = m_resolver.byAddress;
    return start(message, [byAddress, address] { return byAddress(address); });
}

HANDLE_T AsyncHostLookup::start(int message, std::function<LookupAnswer()> work) {
    const HANDLE_T handle = nextHandle();
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->outstanding.insert(handle);
    }
    std::shared_ptr<Shared> shared = m_shared;
    lookupThreads().start([shared, handle, message, work = std::move(work)] {
        LookupAnswer answer = work();
        std::lock_guard lock(shared->mutex);
        if (!shared->receiver || shared->outstanding.erase(handle) == 0)
            return;
        QCoreApplication::postEvent(
            shared->receiver,
            new HostLookupEvent(message, handle, answer.error, std::move(answer.entry)));
    });
    return handle;
}

bool AsyncHostLookup::cancel(HANDLE_T handle) {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->outstanding.erase(handle) != 0;
}

} // namespace platform
