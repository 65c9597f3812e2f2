// SPDX-License-Identifier: MIT
#pragma once
// Host names as typed, made ready for the resolver and the request line: a name typed in
// Unicode becomes its ASCII form (IDNA 2008, UTS #46 non-transitional processing, NFC input,
// through libidn2), and an IPv6 address loses its brackets. A name that is ASCII already passes
// byte for byte.

#include <QByteArray>
#include <QString>

namespace net {

struct AsciiName {
    QByteArray name;
    QString error; // "Invalid international host name: ..." when the name cannot be converted
};

// A name that cannot be a host name once converted (an empty label, a label over 63 bytes, a
// name over 253, an "xn--" label that does not decode) is refused with the reason; an address
// or an empty name passes as it is.
AsciiName asciiHost(const QByteArray& typed);

// Why an ASCII name cannot be a host name, or empty when it can (a final dot allowed).
QString hostNameProblem(const QByteArray& ascii);
inline bool isValidHostName(const QByteArray& ascii) {
    return !ascii.isEmpty() && hostNameProblem(ascii).isEmpty();
}

// A finger address with every host converted: "user@host", "host", and the relay form
// "user@host1@host2", whose hosts are each converted.
AsciiName asciiFingerAddress(const QByteArray& typed);

// The Unicode form of a name with ASCII-encoded labels ("xn--..."), or the name itself.
QString unicodeHost(const QByteArray& ascii);

// A name for one line of text: each control character in it (a line feed typed into a name)
// is written as its DNS escape, "\010", as a DNS name is printed.
QString oneLineName(QStringView name);

} // namespace net
