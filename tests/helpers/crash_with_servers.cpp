// SPDX-License-Identifier: MIT
// Starts the DNS tests' servers, prints the folder they run in, and crashes: what a test that
// fails hard leaves behind is what this leaves behind.
#include "DnsTestServer.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    DnsTestServer servers;
    if (!servers.running())
        return 1;
    std::printf("%s\n", qPrintable(servers.path(QString())));
    std::fflush(stdout);
    std::abort();
}
