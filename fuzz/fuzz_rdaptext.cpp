// SPDX-License-Identifier: MIT
// The RDAP JSON-to-text renderer on any bytes: no crash, either text or an error, no value can
// bring its own line end, and the text never grows past a small multiple of the answer.
#include "net/rdap/RdapText.h"
#include "net/rdap/RdapWriter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const net::RdapText rendered = net::rdapToText(bytes);
    if (!rendered.error.isEmpty() && !rendered.text.isEmpty())
        std::abort();
    if (rendered.text.contains(QLatin1Char('\r')))
        std::abort();
    // The last line that says the rest is not shown may pass the capacity a little.
    if (rendered.text.size() > net::RdapWriter::capacityFor(bytes.size()) + 200)
        std::abort();
    return 0;
}
