// SPDX-License-Identifier: MIT
#pragma once
// A scroll bar tells screen readers each change of its value; while an answer streams in, the
// answer's bar changes with every frame, sixty events a second that a screen reader has to
// read through before anything the user asked for. Each bar's changes go out at most every
// quarter second, the last value always.

namespace app {

class ScrollValueThrottle {
public:
    static void install();
};

} // namespace app
