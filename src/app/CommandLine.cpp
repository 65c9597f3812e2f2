// SPDX-License-Identifier: MIT
#include "CommandLine.h"
#include "net/dns/DnsLibrary.h"
#include "net/dns/records/DnsRequest.h"

#include "platform/HostEntry.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QUrl>

namespace app {

namespace {

const char* const description =
    "Finger, WhoIs and DNS look-up.\n\n"
    "Without arguments Vintrel opens its window. A query given on the command line starts\n"
    "as soon as the window is shown, as if it had been typed into its dialog:\n"
    "  vintrel alice@example.org                 finger (user@host, or a host alone)\n"
    "  vintrel finger://example.org/alice        the same, as a finger: link\n"
    "  vintrel finger:alice@example.org          the same\n"
    "  vintrel --whois example.org               WhoIs, the server found automatically\n"
    "  vintrel --whois example.org --server whois.iana.org\n"
    "  vintrel --whois \"entity GOVI-ARIN\"        RDAP: entity, nameserver, domains, ...\n"
    "  vintrel --dns example.org\n"
    "  vintrel --records example.org --type MX --resolver 9.9.9.9\n"
    "  vintrel --records www.example.org --type A --compare\n"
    "                                            every authoritative server, compared\n"
    "  vintrel --records example.org --compare --resolver 9.9.9.9 --resolver 1.1.1.1\n"
    "  vintrel --mail example.org --selector s1  the domain's mail checked end to end\n"
    "With --stdout the answer goes to standard output instead, with no window and no display\n"
    "needed, and the stages to standard error; --json prints one JSON document instead. The\n"
    "exit status is 0 when an answer came, 1 when none did, 2 for a malformed command line\n"
    "(an unknown --type or a --resolver that names no server among them), 3 for a partial\n"
    "answer (a referral failed after an answer, or data then a break), 4 when servers\n"
    "compared differ, 5 when standard output cannot be written, 6 when a mail check found a\n"
    "fault, 141 when its reader left:\n"
    "  vintrel --stdout --records example.org --type MX\n"
    "  vintrel --json --whois example.org | jq .\n"
    "Qt's own options (-style, -platform, -display, -reverse, ...) are taken as well.";

// A finger: link as the address it names: finger://host/user, finger://host and
// finger:user@host (RFC 1288's forms, and the one mail programs write). Empty when the link
// names no host.
QString addressOfFingerLink(const QString& link) {
    const QUrl url(link, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(QLatin1String("finger"), Qt::CaseInsensitive) != 0)
        return {};
    if (url.host().isEmpty()) {
        // finger:user@host: the address is the whole path.
        const QString address = url.path(QUrl::FullyDecoded);
        return address.contains(QLatin1Char('/')) ? QString() : address;
    }
    QString user = url.path(QUrl::FullyDecoded);
    if (user.startsWith(QLatin1Char('/')))
        user.remove(0, 1);
    if (user.isEmpty())
        user = url.userName(QUrl::FullyDecoded);
    if (user.contains(QLatin1Char('/')) || url.hasQuery() || url.hasFragment())
        return {};
    return user.isEmpty() ? url.host() : user + QLatin1Char('@') + url.host();
}

// Whether text is a link of some scheme ("http://...", "mailto:x@y"): a scheme name and a
// colon, followed by something other than a port number ("host:79" and "user@host:79" are
// finger addresses, as is an IPv6 address).
bool isLink(const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    if (colon <= 0 || (at >= 0 && at < colon) || !text[0].isLetter() ||
        platform::HostAddress::parse(text.toLatin1()))
        return false;
    for (qsizetype i = 0; i < colon; ++i)
        if (!text[i].isLetterOrNumber() && text[i] != u'+' && text[i] != u'-' && text[i] != u'.')
            return false;
    bool port = false;
    text.mid(colon + 1).toUInt(&port);
    return !port;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and exits."));
    const QCommandLineOption whois(QStringLiteral("whois"),
                                   QStringLiteral("Starts a WhoIs query for <query>."),
                                   QStringLiteral("query"));
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("The WhoIs server to ask (with --whois), or an "
                                                   "RDAP base URL (https://...); without it the "
                                                   "server is found for you."),
                                    QStringLiteral("server"));
    const QCommandLineOption dns(QStringLiteral("dns"),
                                 QStringLiteral("Looks up <host> in the DNS."),
                                 QStringLiteral("host"));
    const QCommandLineOption records(
        QStringLiteral("records"),
        QStringLiteral("Asks for the DNS records of <name> (or the PTR record of an address)."),
        QStringLiteral("name"));
    const QCommandLineOption type(
        QStringLiteral("type"),
        QStringLiteral("The record type (with --records): Common (the default), A, MX, TXT, "
                       "TYPE65, ..."),
        QStringLiteral("type"));
    const QCommandLineOption resolver(
        QStringLiteral("resolver"),
        QStringLiteral("The DNS server (with --records): \"System resolver\", \"Authoritative\", "
                       "an address or host with @port, or tls://address#name; more than once "
                       "with --compare."),
        QStringLiteral("server"));
    const QCommandLineOption compare(
        QStringLiteral("compare"),
        QStringLiteral("Compares servers (with --records): every authoritative server of the "
                       "name's zone, found through --resolver (or the system's); with several "
                       "--resolver options, those servers side by side."));
    const QCommandLineOption anchor(
        QStringLiteral("trust-anchor"),
        QStringLiteral("Checks DNSSEC against the trust anchors (DS or DNSKEY records) in <file> "
                       "instead of the root's, for every query of the run (with --records); may "
                       "be given more than once."),
        QStringLiteral("file"));
    const QCommandLineOption chain(
        QStringLiteral("chain"),
        QStringLiteral("Finds and checks the DNSSEC chain of trust of <name> (with --type, A "
                       "by default): every zone's DS records, keys and signatures from the "
                       "trust anchor down to the answer, and the first link that broke."),
        QStringLiteral("name"));
    const QCommandLineOption picture(
        QStringLiteral("picture"),
        QStringLiteral("Draws the chain of trust (with --chain) into <file>, an SVG or PNG "
                       "picture, without a window."),
        QStringLiteral("file"));
    const QCommandLineOption mail(
        QStringLiteral("mail"),
        QStringLiteral("Checks the mail of <domain> end to end: MX, SPF, DMARC, DKIM (with "
                       "--selector), MTA-STS, TLS-RPT, and each mail server on port 25 (STARTTLS, "
                       "its certificate, DANE); no mail is sent."),
        QStringLiteral("domain"));
    const QCommandLineOption selector(
        QStringLiteral("selector"),
        QStringLiteral("A DKIM selector whose key is checked (with --mail); may be given more "
                       "than once."),
        QStringLiteral("name"));
    const QCommandLineOption toStdout(
        QStringLiteral("stdout"),
        QStringLiteral("Answers the query on standard output, without a window: the answer as "
                       "the window shows it, the stages and the outcome on standard error."));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Answers the query with one JSON document on standard output (implies "
                       "--stdout)."));
    parser.addOptions({help, version, whois, server, dns, records, chain, picture, type, resolver,
                       compare, anchor, mail, selector, toStdout, json});
    parser.addPositionalArgument(QStringLiteral("address"),
                                 QStringLiteral("A finger query: user@host, or a host alone."),
                                 QStringLiteral("[address]"));

    CommandLine result;
    const auto fail = [&](const QString& why) {
        result.action = Action::Error;
        result.output =
            QStringLiteral("vintrel: %1\nTry 'vintrel --help' for more information.\n").arg(why);
        return result;
    };
    // Help and version answer even beside an option that is wrong.
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        result.action = Action::Help;
        result.output = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = Action::Version;
        result.output = QStringLiteral("Vintrel %1\n").arg(QCoreApplication::applicationVersion());
        return result;
    }
    if (!parsed)
        return fail(parser.errorText());
    for (const QCommandLineOption* single :
         {&whois, &server, &dns, &records, &chain, &picture, &type, &mail})
        if (parser.values(*single).size() > 1)
            return fail(
                QStringLiteral("--%1 is given more than once.").arg(single->names().first()));
    QStringList positional = parser.positionalArguments();
    if (positional.size() == 1 &&
        positional.first().startsWith(QLatin1String("finger:"), Qt::CaseInsensitive)) {
        const QString address = addressOfFingerLink(positional.first());
        if (address.isEmpty())
            return fail(QStringLiteral("%1 is not a finger link.").arg(positional.first()));
        positional.first() = address;
    } else if (positional.size() == 1 && isLink(positional.first())) {
        // A web address or any other link is no finger address.
        return fail(
            QStringLiteral("%1 is a link; only finger: links are taken.").arg(positional.first()));
    }
    const int queries = int(!positional.isEmpty()) + int(parser.isSet(whois)) +
                        int(parser.isSet(dns)) + int(parser.isSet(records)) +
                        int(parser.isSet(chain)) + int(parser.isSet(mail));
    if (positional.size() > 1)
        return fail(QStringLiteral("Only one finger address can be given."));
    if (queries > 1)
        return fail(QStringLiteral("Only one query can be given."));
    if (parser.isSet(server) && !parser.isSet(whois))
        return fail(QStringLiteral("--server goes with --whois."));
    if (parser.values(resolver).size() > 1 && !parser.isSet(compare))
        return fail(QStringLiteral("--resolver is given more than once without --compare."));
    for (const QCommandLineOption* withRecords : {&resolver, &anchor})
        if (parser.isSet(*withRecords) && !parser.isSet(records) && !parser.isSet(chain) &&
            !parser.isSet(mail))
            return fail(QStringLiteral("--%1 goes with --records, --chain or --mail.")
                            .arg(withRecords->names().first()));
    if (parser.isSet(type) && !parser.isSet(records) && !parser.isSet(chain))
        return fail(QStringLiteral("--type goes with --records or --chain."));
    if (parser.isSet(selector) && !parser.isSet(mail))
        return fail(QStringLiteral("--selector goes with --mail."));
    if (parser.isSet(compare) && !parser.isSet(records))
        return fail(QStringLiteral("--compare goes with --records."));
    if (parser.isSet(picture) && !parser.isSet(chain))
        return fail(QStringLiteral("--picture goes with --chain."));
    if (parser.isSet(picture) &&
        !parser.value(picture).endsWith(QLatin1String(".svg"), Qt::CaseInsensitive) &&
        !parser.value(picture).endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return fail(QStringLiteral("--picture needs a file name ending in .svg or .png."));
    if ((parser.isSet(records) && parser.value(records).isEmpty()) ||
        (parser.isSet(chain) && parser.value(chain).isEmpty()) ||
        (parser.isSet(mail) && parser.value(mail).isEmpty()))
        return fail(QStringLiteral("A query cannot be empty."));
    // A value no query can use is a fault of the command line, not a query without an answer.
    for (const QString& given : parser.values(resolver))
        if (const net::DnsServer named = net::DnsServer::parse(given); !named.error.isEmpty())
            return fail(named.error + QLatin1Char('.'));
    if (parser.isSet(type) && net::DnsLibrary::get() && !net::parseRecordTypes(parser.value(type)))
        return fail(QStringLiteral("Not a record type: %1 (a type's name, or TYPEnnn up to "
                                   "TYPE65535).")
                        .arg(parser.value(type)));
    result.json = parser.isSet(json);
    result.toStdout = parser.isSet(toStdout) || result.json || parser.isSet(picture);
    if (result.toStdout && queries == 0)
        return fail(QStringLiteral("--%1 goes with a query.")
                        .arg(result.json ? QStringLiteral("json") : QStringLiteral("stdout")));
    if ((parser.isSet(whois) && (parser.value(whois).isEmpty() ||
                                 (parser.isSet(server) && parser.value(server).isEmpty()))) ||
        (parser.isSet(dns) && parser.value(dns).isEmpty()) ||
        (!positional.isEmpty() && positional.first().isEmpty()))
        return fail(QStringLiteral("A query cannot be empty."));

    if (!positional.isEmpty())
        result.query = {StartQuery::Kind::Finger, positional.first(), {}, {}, {}};
    else if (parser.isSet(whois))
        result.query = {StartQuery::Kind::Whois, parser.value(whois), parser.value(server), {}, {}};
    else if (parser.isSet(dns))
        result.query = {StartQuery::Kind::Dns, parser.value(dns), {}, {}, {}};
    else if (parser.isSet(records))
        result.query = {StartQuery::Kind::Records,
                        parser.value(records),
                        parser.values(resolver).join(QStringLiteral(", ")),
                        parser.value(type),
                        parser.values(anchor),
                        parser.isSet(compare)};
    else if (parser.isSet(chain)) {
        result.query = {StartQuery::Kind::Records, parser.value(chain), parser.value(resolver),
                        parser.value(type).isEmpty() ? QStringLiteral("A") : parser.value(type),
                        parser.values(anchor)};
        result.query.chain = true;
        result.query.picture = parser.value(picture);
    } else if (parser.isSet(mail)) {
        result.query = {StartQuery::Kind::Records,
                        parser.value(mail),
                        parser.value(resolver),
                        {},
                        parser.values(anchor)};
        result.query.mail = true;
        result.query.selectors = parser.values(selector);
    }
    return result;
}

QString StartQuery::recordsServer() const {
    if (compare)
        return server.contains(QLatin1Char(',')) ? server : net::DnsServer::EveryText;
    return server.isEmpty() ? net::DnsServer::SystemText : server;
}

QString StartQuery::foundThrough() const {
    return compare && !server.contains(QLatin1Char(',')) ? server : QString();
}

QStringList CommandLine::withoutWindowOptions(const QStringList& arguments) {
    // QGuiApplication's, QApplication's and X11's options, with one dash or two.
    static const QStringList withValue = {QStringLiteral("platform"),
                                          QStringLiteral("platformpluginpath"),
                                          QStringLiteral("platformtheme"),
                                          QStringLiteral("plugin"),
                                          QStringLiteral("qwindowgeometry"),
                                          QStringLiteral("qwindowicon"),
                                          QStringLiteral("qwindowtitle"),
                                          QStringLiteral("session"),
                                          QStringLiteral("display"),
                                          QStringLiteral("geometry"),
                                          QStringLiteral("name"),
                                          QStringLiteral("title"),
                                          QStringLiteral("style"),
                                          QStringLiteral("stylesheet"),
                                          QStringLiteral("qmljsdebugger"),
                                          QStringLiteral("visual")};
    static const QStringList alone = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"),  QStringLiteral("dograb"),
                                      QStringLiteral("sync"),    QStringLiteral("cmap")};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) { // what follows is no option
            kept += arguments.mid(i);
            break;
        }
        if (i == 0 || !argument.startsWith(QLatin1Char('-'))) {
            kept.append(argument);
            continue;
        }
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const QString bare = equals < 0 ? name : name.left(equals);
        if (withValue.contains(bare)) {
            if (equals < 0)
                ++i; // its value follows
            continue;
        }
        if (!alone.contains(bare))
            kept.append(argument);
    }
    return kept;
}

bool CommandLine::asksForText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--")
            break;
        if (argument == "-h" || argument == "--help" || argument == "-v" ||
            argument == "--version" || argument == "--stdout" || argument == "--json" ||
            argument == "--picture" || argument.startsWith("--picture="))
            return true;
    }
    return false;
}

QByteArray CommandLine::argumentBytes(int argc, const char* const* argv, const QString& text) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (QString::fromLocal8Bit(argument) == text)
            return argument;
        const qsizetype equals = argument.indexOf('=');
        if (argument.startsWith("--") && equals > 0 &&
            QString::fromLocal8Bit(argument.mid(equals + 1)) == text)
            return argument.mid(equals + 1);
    }
    return {};
}

} // namespace app
