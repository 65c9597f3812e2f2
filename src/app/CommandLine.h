// SPDX-License-Identifier: MIT
#pragma once
// The command line: --help, --version, and a query to start once the window is shown:
//   vintrel [user@]host                       a finger query
//   vintrel finger://host/user                the same as a link (also finger://host and
//                                             finger:user@host), as a browser hands it over
//   vintrel --whois QUERY --server SERVER     a WhoIs query
//   vintrel --dns HOST                        a DNS look-up
//   vintrel --records NAME [--type TYPE] [--resolver SERVER] [--trust-anchor FILE]
//                                             DNS records
//   vintrel --records NAME --compare [--resolver SERVER]...
//                                             every authoritative server, or the resolvers
//                                             side by side, compared
//   vintrel --chain NAME [--type TYPE] [--resolver SERVER] [--trust-anchor FILE]
//           [--picture FILE.svg|FILE.png]     the chain of trust, checked link by link (with
//                                             --picture drawn into the file, no window)
//   vintrel --mail DOMAIN [--selector NAME]... [--resolver SERVER] [--trust-anchor FILE]
//                                             the domain's mail checked end to end
//   ... --stdout | --json                     the answer on standard output, no window
// Qt's own options (-style, -platform, -display, -reverse, ...) are taken by the application
// object before this parse sees the arguments. A malformed command line is refused with one
// line saying what is wrong, a hint to --help, and exit status 2.

#include <QString>
#include <QStringList>

namespace app {

struct StartQuery {
    enum class Kind { None, Finger, Whois, Dns, Records };
    Kind kind = Kind::None;
    QString text;   // the address, the WhoIs query, or the host
    QString server; // WhoIs: the server; DNS records: the resolver (several: ", " between)
    QString type;   // DNS records
    QStringList trustAnchors; // DNS records
    // DNS records: every authoritative server compared (found through the resolver), or the
    // resolvers side by side when several are given
    bool compare = false;
    // DNS records: the chain of trust of the name and one type instead of the records, and
    // where it is drawn (.svg or .png; empty: not drawn)
    bool chain = false;
    QString picture = {};
    // DNS records: the domain's mail checked end to end instead, with these DKIM selectors
    bool mail = false;
    QStringList selectors = {};
    // The text's own bytes, when the argument was not UTF-8 (the text then holds U+FFFD where
    // they were): sent as they are, as a typed query is sent as typed.
    QByteArray textBytes = {};
    QByteArray bytes() const { return textBytes.isEmpty() ? text.toUtf8() : textBytes; }

    // DNS records: the server the records dialog is given, and the resolver every
    // authoritative server is found through (empty: the system's).
    QString recordsServer() const;
    QString foundThrough() const;
};

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    StartQuery query;
    // The query is answered on standard output, as text or as one JSON document, without a
    // window.
    bool toStdout = false;
    bool json = false;
    QString output; // the help or version text, or the error and the usage

    // arguments as main receives them, the program name first.
    static CommandLine parse(const QStringList& arguments);
    // Whether argv asks for help or the version, or for an answer on standard output: none of
    // them needs a display, and so no window system.
    static bool asksForText(int argc, char** argv);
    // The arguments without the options every Qt program with a window takes (-platform xcb,
    // -style fusion, -display :1, -reverse, ...), for a run that opens no window: they are
    // taken there as they are with one, and mean nothing.
    static QStringList withoutWindowOptions(const QStringList& arguments);
    // The bytes of the argument that reads as text (a whole argument, or the value of an
    // --option=value), or none when no argument does; argv as main() got it.
    static QByteArray argumentBytes(int argc, const char* const* argv, const QString& text);
};

} // namespace app
