// SPDX-License-Identifier: MIT
#pragma once
// Gives the heap's free memory back to the system once a modal dialog has closed. Dialogs such
// as Save As build models, icons and caches that are freed when they close, but the C library
// keeps freed memory for later use unless asked to return it.

class QObject;

namespace platform {

// Watches every window of the application; owned by parent.
void trimHeapAfterModalDialogs(QObject* parent);

} // namespace platform
