// SPDX-License-Identifier: MIT
#include "DnsLibrary.h"

#include <dlfcn.h>

namespace net {

namespace {

struct Loaded {
    DnsLibrary functions;
    const char* missing = nullptr;

    Loaded() {
        // The names the headers were built against (set by the build from the libraries found),
        // loaded by that exact name: no other file is tried. Neither is ever unloaded.
        void* unbound = dlopen(VINTREL_UNBOUND_SONAME, RTLD_NOW | RTLD_LOCAL);
        void* ldns = dlopen(VINTREL_LDNS_SONAME, RTLD_NOW | RTLD_LOCAL);
        bool complete = true;
#define VINTREL_RESOLVE(library, name)                                                             \
    functions.name =                                                                               \
        library ? reinterpret_cast<decltype(functions.name)>(dlsym(library, #name)) : nullptr;     \
    complete = complete && functions.name;
#define VINTREL_FROM_UNBOUND(name) VINTREL_RESOLVE(unbound, name)
#define VINTREL_FROM_LDNS(name) VINTREL_RESOLVE(ldns, name)
        VINTREL_UNBOUND_FUNCTIONS(VINTREL_FROM_UNBOUND)
        if (!complete)
            missing = VINTREL_UNBOUND_SONAME;
        VINTREL_LDNS_FUNCTIONS(VINTREL_FROM_LDNS)
        if (!complete && !missing)
            missing = VINTREL_LDNS_SONAME;
        // From the crypto library ldns is linked with (dlsym searches its dependencies too).
        if (ldns)
            functions.threadStop = reinterpret_cast<void (*)()>(dlsym(ldns, "OPENSSL_thread_stop"));
#undef VINTREL_FROM_LDNS
#undef VINTREL_FROM_UNBOUND
#undef VINTREL_RESOLVE
    }
};

const Loaded& loaded() {
    static const Loaded library;
    return library;
}

} // namespace

const DnsLibrary* DnsLibrary::get() {
    return loaded().missing ? nullptr : &loaded().functions;
}

void DnsLibrary::releaseThreadState() {
    if (const DnsLibrary* dns = get(); dns && dns->threadStop)
        dns->threadStop();
}

const char* DnsLibrary::missing() {
    return loaded().missing;
}

} // namespace net
