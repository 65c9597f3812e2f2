// SPDX-License-Identifier: MIT
#pragma once

namespace res {

// Registers the compiled-in help document (":/help/vintrel.html"). Resources in a static
// library are linked only when something names them; this does.
void initHelpResource();

} // namespace res
