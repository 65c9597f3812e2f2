// SPDX-License-Identifier: MIT
#include "Services.h"

#include <netdb.h>
#include <vector>

namespace platform {

std::optional<std::uint16_t> getServicePort(const QByteArray& service, const QByteArray& protocol) {
    std::vector<char> buffer(1024);
    servent entry{};
    servent* result = nullptr;
    while (getservbyname_r(service.constData(), protocol.constData(), &entry, buffer.data(),
                           buffer.size(), &result) == ERANGE &&
           buffer.size() < (1u << 16))
        buffer.resize(buffer.size() * 2);
    if (!result)
        return std::nullopt;
    return static_cast<std::uint16_t>(result->s_port);
}

} // namespace platform
