// SPDX-License-Identifier: MIT
#include "DialogTemplates.h"

#include <QHash>

namespace res {

using platform::ControlKind;
using platform::DialogTemplate;
using K = platform::ControlKind;
using platform::Centered;
using platform::GroupStart;
using platform::ReadOnly;
using platform::Sorted;
using platform::TabStop;

namespace {

const DialogTemplate fingerDialog{
    DLG_FINGER,
    "Finger",
    "MS Sans Serif",
    8,
    {198, 79},
    {
        {IDC_FINGER_ADDRESS, K::ComboDropDown, "", {9, 16, 180, 70}, Sorted | TabStop},
        {IDOK, K::DefPushButton, "F&inger", {127, 59, 50, 13}, TabStop},
        {IDCANCEL, K::PushButton, "&Cancel", {20, 59, 50, 13}, TabStop},
        {IDC_FINGER_FULLINFO, K::CheckBox, " Full user info", {69, 36, 60, 12}, TabStop},
        {-1, K::EtchedFrame, "Frame1", {0, 0, 198, 79}},
        {-1, K::EtchedFrame, "Frame2", {4, 8, 189, 45}},
        {-1, K::Label, "Address in form: user@host or host:", {38, 4, 115, 8}, Centered},
    }};

const DialogTemplate aboutDialog{
    DLG_ABOUT,
    "About Vintrel",
    "MS Sans Serif",
    8,
    {165, 94},
    {
        {IDC_ABOUT_ICON, K::Icon, "", {8, 8, 20, 20}},
        {-1, K::Label, "32bit", {6, 32, 26, 8}, Centered},
        {-1, K::Label, "Vintrel v" VINTREL_VERSION, {34, 10, 124, 8}, Centered},
        {-1, K::Label, "Finger, WhoIs and DNS look-up", {34, 22, 124, 8}, Centered},
        {-1, K::Label, "Contact: the Vintrel developers", {34, 44, 124, 8}, Centered},
        {-1, K::Label, "Free software under the MIT licence", {34, 56, 124, 8}, Centered},
        {IDOK, K::DefPushButton, "OK", {57, 72, 50, 14}, TabStop},
    }};

const DialogTemplate whoisDialog{
    DLG_WHOIS,
    "WhoIs query",
    "MS Sans Serif",
    8,
    {227, 104},
    {
        {IDC_WHOIS_QUERY, K::Edit, "", {56, 13, 160, 12}, TabStop},
        {-1, K::Label, "Query string:", {8, 15, 42, 8}},
        {IDC_WHOIS_SERVER, K::ComboDropDown, "", {56, 34, 161, 50}, TabStop},
        {-1, K::Label, "WhoIs server:", {8, 37, 47, 8}},
        {IDC_WHOIS_AUTOMATIC, K::CheckBox, "Au&tomatic server", {56, 53, 80, 12}, TabStop},
        {IDC_WHOIS_FOLLOW, K::CheckBox, "&Follow referrals", {140, 53, 76, 12}, TabStop},
        {IDOK, K::DefPushButton, "&WhoIs", {168, 81, 48, 14}, TabStop},
        {IDCANCEL, K::PushButton, "&Cancel", {10, 81, 49, 14}, TabStop},
        {-1, K::EtchedFrame, "", {0, 0, 227, 104}},
        {IDC_WHOIS_DELETE, K::PushButton, "&Delete", {91, 81, 49, 14}, TabStop},
        {-1, K::EtchedFrame, "", {4, 6, 219, 64}},
        {-1, K::EtchedFrame, "", {4, 76, 219, 24}},
    }};

const DialogTemplate dnsRecordsDialog{
    DLG_DNSRECORDS,
    "DNS records",
    "MS Sans Serif",
    8,
    {227, 136},
    {
        {-1, K::Label, "&Name:", {8, 15, 46, 8}},
        {IDC_RECORDS_NAME, K::ComboDropDown, "", {56, 13, 161, 120}, TabStop},
        {-1, K::Label, "&Type:", {8, 33, 46, 8}},
        {IDC_RECORDS_TYPE, K::ComboDropDown, "", {56, 31, 70, 120}, TabStop},
        {-1, K::Label, "&Server:", {8, 51, 46, 8}},
        {IDC_RECORDS_SERVER, K::ComboDropDown, "", {56, 49, 161, 60}, TabStop},
        {IDC_RECORDS_DNSSEC, K::CheckBox, "Check DNSSE&C", {56, 67, 80, 12}, TabStop},
        {IDC_RECORDS_COMPARE, K::PushButton, "Co&mpare...", {172, 66, 45, 14}, TabStop},
        {-1, K::Label, "Trust &anchors:", {8, 85, 46, 8}},
        {IDC_RECORDS_ANCHORS, K::Edit, "", {56, 83, 113, 12}, TabStop},
        {IDC_RECORDS_BROWSE, K::PushButton, "&Browse...", {172, 82, 45, 14}, TabStop},
        {IDCANCEL, K::PushButton, "Cancel", {10, 113, 49, 14}, TabStop},
        {IDC_RECORDS_DELETE, K::PushButton, "&Delete", {62, 113, 49, 14}, TabStop},
        {IDC_RECORDS_CHAIN, K::PushButton, "C&hain", {114, 113, 49, 14}, TabStop},
        {IDOK, K::DefPushButton, "&Look up", {168, 113, 48, 14}, TabStop},
        {-1, K::EtchedFrame, "", {0, 0, 227, 136}},
        {-1, K::EtchedFrame, "", {4, 6, 219, 96}},
        {-1, K::EtchedFrame, "", {4, 108, 219, 24}},
    }};

const DialogTemplate mailDialog{
    DLG_MAIL,
    "Mail",
    "MS Sans Serif",
    8,
    {227, 96},
    {
        {-1, K::Label, "&Domain:", {8, 15, 46, 8}},
        {IDC_MAIL_DOMAIN, K::ComboDropDown, "", {56, 13, 161, 120}, TabStop},
        {-1, K::Label, "DKIM &selectors:", {8, 33, 46, 8}},
        {IDC_MAIL_SELECTORS, K::Edit, "", {56, 31, 161, 12}, TabStop},
        {-1, K::Label, "&Server:", {8, 51, 46, 8}},
        {IDC_MAIL_SERVER, K::ComboDropDown, "", {56, 49, 161, 60}, TabStop},
        {IDCANCEL, K::PushButton, "Cancel", {114, 73, 49, 14}, TabStop},
        {IDOK, K::DefPushButton, "&Check", {168, 73, 48, 14}, TabStop},
        {-1, K::EtchedFrame, "", {0, 0, 227, 96}},
        {-1, K::EtchedFrame, "", {4, 6, 219, 62}},
    }};

const DialogTemplate compareServersDialog{
    DLG_COMPARESERVERS,
    "Compare servers",
    "MS Sans Serif",
    8,
    {190, 128},
    {
        {-1, K::Label, "&Ask these servers side by side:", {8, 6, 174, 8}},
        {IDC_COMPARE_LIST, K::CheckList, "", {8, 17, 174, 82}, TabStop},
        {IDOK, K::DefPushButton, "OK", {76, 106, 50, 14}, TabStop},
        {IDCANCEL, K::PushButton, "Cancel", {132, 106, 50, 14}, TabStop},
    }};

const DialogTemplate dnsInfoDialog{
    DLG_DNSINFO,
    "DNS info",
    "MS Sans Serif",
    8,
    {190, 140},
    {
        {IDOK, K::DefPushButton, "OK", {73, 121, 50, 14}, TabStop},
        {-1, K::WhiteFrame, "", {0, 0, 190, 140}},
        {-1, K::Label, "Host name:", {8, 11, 38, 8}},
        {IDC_DNS_HOSTNAME, K::Edit, "", {49, 9, 134, 12}, ReadOnly | TabStop},
        {-1, K::Label, "Alias(es):", {8, 33, 32, 8}},
        {IDC_DNS_ALIASES, K::ComboDropList, "", {49, 30, 135, 50}, TabStop},
        {-1, K::Label, "IP address:", {8, 54, 38, 8}},
        {IDC_DNS_ADDRESS, K::Edit, "", {49, 52, 134, 12}, ReadOnly | TabStop},
        {-1, K::Label, "All:", {8, 72, 38, 8}},
        {IDC_DNS_ALLADDRESSES, K::ListBox, "", {49, 70, 134, 42}, TabStop},
        {-1, K::EtchedFrame, "", {2, 4, 185, 111}},
    }};

const DialogTemplate addressBookDialog{
    DLG_ADDRBOOK,
    "Address Book",
    "MS Sans Serif",
    8,
    {242, 171},
    {
        {-1, K::GroupBox, "Address(es)", {6, 3, 230, 71}},
        {IDC_ADDRBOOK_LIST, K::ListBox, "", {11, 12, 219, 63}, Sorted | TabStop},
        {-1, K::GroupBox, "Notes", {6, 77, 230, 63}},
        {IDC_ADDRBOOK_NOTES, K::MultiLineEdit, "", {11, 86, 220, 50}, TabStop},
        {IDC_ADDRBOOK_NEW, K::PushButton, "&New", {11, 150, 37, 13}, TabStop},
        {IDC_ADDRBOOK_DELETE, K::PushButton, "&Delete", {58, 150, 37, 13}, TabStop},
        {IDC_ADDRBOOK_FINGER, K::PushButton, "&Finger", {103, 150, 37, 13}, TabStop},
        {IDOK, K::PushButton, "&OK", {149, 150, 37, 13}, TabStop},
        {IDCANCEL, K::PushButton, "&Cancel", {194, 150, 37, 13}, TabStop},
        {-1, K::EtchedFrame, "", {6, 144, 138, 23}},
        {-1, K::EtchedFrame, "", {144, 144, 92, 23}},
        {-1, K::EtchedFrame, "", {0, 0, 242, 171}},
    }};

const DialogTemplate findTextDialog{
    DLG_FINDTEXT,
    "Find Text",
    "MS Sans Serif",
    8,
    {244, 79},
    {
        {IDC_FIND_TEXT, K::Edit, "", {53, 8, 180, 12}, TabStop},
        {-1, K::Label, "&Text to find:", {9, 10, 40, 8}},
        {IDOK, K::DefPushButton, "Find", {198, 36, 40, 14}, TabStop},
        {IDCANCEL, K::PushButton, "Cancel", {198, 57, 40, 14}, TabStop},
        {-1, K::EtchedFrame, "", {5, 37, 67, 34}},
        {-1, K::EtchedFrame, "", {78, 37, 51, 34}},
        {-1, K::EtchedFrame, "", {135, 37, 58, 34}},
        {IDC_FIND_FORWARD, K::RadioButton, "Forwar&d", {81, 40, 43, 12}, GroupStart | TabStop},
        {IDC_FIND_BACKWARD, K::RadioButton, "&Backward", {81, 56, 46, 12}, TabStop},
        {IDC_FIND_FROMCURSOR,
         K::RadioButton,
         "&From cursor",
         {138, 40, 53, 12},
         GroupStart | TabStop},
        {IDC_FIND_ENTIRESCOPE, K::RadioButton, "&Entire scope", {138, 56, 53, 12}, TabStop},
        {IDC_FIND_CASE, K::CheckBox, "&Case sensitive", {10, 39, 59, 12}, TabStop},
        {IDC_FIND_WHOLEWORD, K::CheckBox, "&Whole word", {10, 56, 54, 12}, TabStop},
        {-1, K::Label, "Options:", {7, 27, 30, 8}},
        {-1, K::Label, "Directions:", {79, 27, 36, 8}},
        {-1, K::Label, "Origin:", {136, 27, 24, 8}},
        {-1, K::EtchedFrame, "", {6, 4, 232, 20}},
        {-1, K::EtchedFrame, "", {0, 0, 244, 78}},
    }};

const DialogTemplate inputDialog{DLG_INPUT,
                                 "",
                                 "MS Sans Serif",
                                 8,
                                 {180, 62},
                                 {
                                     {IDC_INPUT_PROMPT, K::Label, "", {6, 6, 168, 8}},
                                     {IDC_INPUT_TEXT, K::Edit, "", {6, 17, 168, 12}, TabStop},
                                     {IDOK, K::DefPushButton, "OK", {36, 40, 50, 14}, TabStop},
                                     {IDCANCEL, K::PushButton, "Cancel", {94, 40, 50, 14}, TabStop},
                                 }};

} // namespace

const DialogTemplate& dialogTemplate(int id) {
    static const QHash<int, const DialogTemplate*> templates = {
        {DLG_FINGER, &fingerDialog},
        {DLG_ABOUT, &aboutDialog},
        {DLG_WHOIS, &whoisDialog},
        {DLG_DNSINFO, &dnsInfoDialog},
        {DLG_INPUT, &inputDialog},
        {DLG_ADDRBOOK, &addressBookDialog},
        {DLG_FINDTEXT, &findTextDialog},
        {DLG_DNSRECORDS, &dnsRecordsDialog},
        {DLG_COMPARESERVERS, &compareServersDialog},
        {DLG_MAIL, &mailDialog},
    };
    return *templates.value(id, &aboutDialog);
}

} // namespace res
