// SPDX-License-Identifier: MIT
#include "HelpResource.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must stand outside any namespace.
static void registerHelp() {
    Q_INIT_RESOURCE(help);
}

namespace res {

void initHelpResource() {
    registerHelp();
}

} // namespace res
