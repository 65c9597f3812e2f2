// SPDX-License-Identifier: MIT
#pragma once
// Points a query engine at the test's own world: every service at one loopback port, and a
// resolver that answers without the network.

#include "LoopbackServer.h"
#include "net/engine/QueryEngine.h"

// Every service look-up of engine answers with server's port.
void routeServicesTo(net::QueryEngine& engine, const LoopbackServer& server);

// Every name resolves to 127.0.0.1 with the alias "alias." + name, except "nowhere.test"
// (host not found); "slow.test" answers after 400 ms. Addresses reverse to "localhost".
platform::Resolver loopbackResolver();

// Moves the test into a network of its own (as root), its loopback up; false where that cannot
// be made. Servers may then take any port of any loopback address.
bool enterOwnNetwork();

// Moves the test into a network of its own (as root), where the addresses of 198.51.100.0/24
// stand for the public Internet and are this host's. False where that cannot be made.
bool enterNetworkWithPublicAddresses();
