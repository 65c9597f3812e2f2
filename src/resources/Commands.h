// SPDX-License-Identifier: MIT
#pragma once
// Command identifiers shared by the menu, the accelerators, the tool bar and the hint texts.

namespace res {

enum Command : int {
    CM_NONE = 0,
    CM_SAVEAS = 101,
    CM_EXIT = 102,
    CM_PRINT = 103,
    CM_FINGER = 104,
    CM_CANCEL = 107,
    CM_ABOUT = 108,
    CM_FONT = 109,
    CM_HISTORY = 110,
    CM_SELECTALL = 111,
    CM_ADDRBOOK = 112,
    CM_PRINTSETUP = 113,
    CM_FINDTEXT = 114,
    CM_CLEAR = 115,
    CM_WHOIS = 116,
    CM_DNS = 117,
    CM_HELPUSING = 118,
    CM_HELPINDEX = 119,
    CM_DNSRECORDS = 120,
    CM_MAIL = 121,
    CM_APPEXIT = 24310, // the accelerator's exit command
    CM_EDITCOPY = 24323,
};

} // namespace res
