// SPDX-License-Identifier: MIT
#pragma once
// The program's dialog templates, in dialog units.

#include "platform/DialogTemplate.h"

namespace res {

enum DialogId : int {
    DLG_ADDRBOOK = 200,
    DLG_FINGER = 201,
    DLG_ABOUT = 202,
    DLG_FINDTEXT = 203,
    DLG_WHOIS = 204,
    DLG_DNSINFO = 206,
    DLG_DNSRECORDS = 207,
    DLG_COMPARESERVERS = 208, // the servers a DNS records query asks side by side
    DLG_MAIL = 209,           // a domain's mail checked end to end
    DLG_INPUT = 32514,        // one-line input: a prompt, an edit field, OK and Cancel
};

// Control ids.
enum ControlId : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDC_ADDRBOOK_LIST = 201,
    IDC_ADDRBOOK_NOTES = 202,
    IDC_ADDRBOOK_NEW = 203,
    IDC_ADDRBOOK_DELETE = 204,
    IDC_ADDRBOOK_FINGER = 205,
    IDC_FIND_TEXT = 301,
    IDC_FIND_CASE = 302,
    IDC_FIND_WHOLEWORD = 303,
    IDC_FIND_FORWARD = 304,
    IDC_FIND_BACKWARD = 305,
    IDC_FIND_FROMCURSOR = 306,
    IDC_FIND_ENTIRESCOPE = 307,
    IDC_DNS_HOSTNAME = 101,
    IDC_DNS_ALIASES = 102,
    IDC_DNS_ADDRESS = 103,
    IDC_DNS_ALLADDRESSES = 104, // every address of the host, IPv4 and IPv6
    IDC_FINGER_ADDRESS = 25001,
    IDC_FINGER_FULLINFO = 25002,
    IDC_WHOIS_QUERY = 25100,
    IDC_WHOIS_SERVER = 25101,
    IDC_WHOIS_DELETE = 25102,
    IDC_WHOIS_AUTOMATIC = 25103, // the root registry chooses the server
    IDC_WHOIS_FOLLOW = 25104,    // answers that refer on are followed
    IDC_RECORDS_NAME = 25200,
    IDC_RECORDS_TYPE = 25201,
    IDC_RECORDS_SERVER = 25202,
    IDC_RECORDS_DNSSEC = 25203,
    IDC_RECORDS_DELETE = 25204,
    IDC_RECORDS_ANCHORS = 25205,
    IDC_RECORDS_BROWSE = 25206,
    IDC_RECORDS_COMPARE = 25207,
    IDC_RECORDS_CHAIN = 25208,
    IDC_COMPARE_LIST = 25300,
    IDC_MAIL_DOMAIN = 25400,
    IDC_MAIL_SELECTORS = 25401,
    IDC_MAIL_SERVER = 25402,
    IDC_INPUT_PROMPT = 4091,
    IDC_INPUT_TEXT = 4092,
    IDC_ABOUT_ICON = 4093,
};

const platform::DialogTemplate& dialogTemplate(int id);

} // namespace res
