// SPDX-License-Identifier: MIT
#include "HostLookup.h"
#include "WinsockErrors.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <set>
#include <thread>
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
    if (host->h_addrtype == AF_INET && host->h_length == 4) {
        for (char** addr = host->h_addr_list; addr && *addr; ++addr) {
            std::uint32_t ip = 0;
            memcpy(&ip, *addr, 4);
            if (!answer.entry.addresses.contains(ip))
                answer.entry.addresses.append(ip);
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

} // namespace

Resolver Resolver::system() {
    Resolver r;
    r.byName = [](const QByteArray& name) {
        return resolveWith([&](hostent* e, char* buf, size_t len, hostent** res, int* err) {
            return gethostbyname_r(name.constData(), e, buf, len, res, err);
        });
    };
    r.byAddress = [](std::uint32_t address) {
        return resolveWith([&](hostent* e, char* buf, size_t len, hostent** res, int* err) {
            return gethostbyaddr_r(&address, sizeof address, AF_INET, e, buf, len, res, err);
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

HANDLE_T AsyncHostLookup::getHostByName(int message, const QByteArray& name) {
    auto byName = m_resolver.byName;
    return start(message, [byName, name] { return byName(name); });
}

HANDLE_T AsyncHostLookup::getHostByAddr(int message, std::uint32_t addressNetworkOrder) {
    auto byAddress = m_resolver.byAddress;
    return start(message,
                 [byAddress, addressNetworkOrder] { return byAddress(addressNetworkOrder); });
}

HANDLE_T AsyncHostLookup::start(int message, std::function<LookupAnswer()> work) {
    const HANDLE_T handle = nextHandle();
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->outstanding.insert(handle);
    }
    std::shared_ptr<Shared> shared = m_shared;
    try {
        std::thread([shared, handle, message, work = std::move(work)] {
            LookupAnswer answer = work();
            std::lock_guard lock(shared->mutex);
            if (!shared->receiver || shared->outstanding.erase(handle) == 0)
                return;
            QCoreApplication::postEvent(
                shared->receiver,
                new HostLookupEvent(message, handle, answer.error, std::move(answer.entry)));
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(m_shared->mutex);
        m_shared->outstanding.erase(handle);
        WSASetLastError(WSAENOBUFS);
        return 0;
    }
    return handle;
}

bool AsyncHostLookup::cancel(HANDLE_T handle) {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->outstanding.erase(handle) != 0;
}

} // namespace platform
