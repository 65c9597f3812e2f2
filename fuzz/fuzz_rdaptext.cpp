// SPDX-License-Identifier: MIT
// The RDAP JSON-to-text renderer on any bytes: no crash, either text or an error, and no value
// can break a line of the text apart (every line has its label).
#include "net/RdapText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const net::RdapText rendered = net::rdapToText(bytes);
    if (!rendered.error.isEmpty() && !rendered.text.isEmpty())
        std::abort();
    if (rendered.text.contains(QLatin1Char('\r')))
        std::abort();
    for (QStringView line : QStringView(rendered.text).tokenize(u'\n', Qt::SkipEmptyParts))
        if (!line.contains(u':'))
            std::abort();
    return 0;
}
