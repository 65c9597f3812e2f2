// SPDX-License-Identifier: MIT
#pragma once
// One place in front of the platform's accessibility bridge where the program's filters look at
// each event before a screen reader gets it: a filter may drop an event, or hold it and hand it
// on later through pass().

#include <functional>

class QAccessibleEvent;

namespace app {

class AccessibleEventFilter {
public:
    // True when the filter took the event (dropped it, or holds it to pass it on later).
    using Filter = std::function<bool(QAccessibleEvent*)>;

    // Adds a filter; the first one added also installs the handler.
    static void add(Filter filter);
    // Hands an event to the screen readers, past every filter.
    static void pass(QAccessibleEvent* event);
};

} // namespace app
