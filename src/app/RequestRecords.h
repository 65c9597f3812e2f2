// SPDX-License-Identifier: MIT
#pragma once
// The records that carry a query from the dialog in which it was typed to the query engine.
// Each lives for one command.

#include <QString>

// A finger query: "user@host", or a host alone.
struct AddrInfo {
    AddrInfo() = default;
    AddrInfo(QString text, int flag) : address(std::move(text)), fullInfo(flag) {}

    QString address;
    int fullInfo = 0; // 1 asks for full user information
};

// A WhoIs query: the server to ask and the query string; with automatic the root registry
// picks the server, and followReferrals goes on to the servers answers refer to.
struct WhoisInfo {
    QString server;
    QString query;
    bool automatic = false;
    bool followReferrals = false;
};
