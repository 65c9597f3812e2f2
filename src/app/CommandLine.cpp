// SPDX-License-Identifier: MIT
#include "CommandLine.h"

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
    "  vintrel --whois example.org               WhoIs, the server found automatically\n"
    "  vintrel --whois example.org --server whois.iana.org\n"
    "  vintrel --dns example.org";

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
                                    QStringLiteral("The WhoIs server to ask (with --whois); "
                                                   "without it the server is found for you."),
                                    QStringLiteral("server"));
    const QCommandLineOption dns(QStringLiteral("dns"),
                                 QStringLiteral("Looks up <host> in the DNS."),
                                 QStringLiteral("host"));
    parser.addOptions({help, version, whois, server, dns});
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
    for (const QCommandLineOption* single : {&whois, &server, &dns})
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
    }
    const int queries =
        int(!positional.isEmpty()) + int(parser.isSet(whois)) + int(parser.isSet(dns));
    if (positional.size() > 1)
        return fail(QStringLiteral("Only one finger address can be given."));
    if (queries > 1)
        return fail(QStringLiteral("Only one query can be given."));
    if (parser.isSet(server) && !parser.isSet(whois))
        return fail(QStringLiteral("--server goes with --whois."));
    if ((parser.isSet(whois) && (parser.value(whois).isEmpty() ||
                                 (parser.isSet(server) && parser.value(server).isEmpty()))) ||
        (parser.isSet(dns) && parser.value(dns).isEmpty()) ||
        (!positional.isEmpty() && positional.first().isEmpty()))
        return fail(QStringLiteral("A query cannot be empty."));

    if (!positional.isEmpty())
        result.query = {StartQuery::Kind::Finger, positional.first(), {}};
    else if (parser.isSet(whois))
        result.query = {StartQuery::Kind::Whois, parser.value(whois), parser.value(server)};
    else if (parser.isSet(dns))
        result.query = {StartQuery::Kind::Dns, parser.value(dns), {}};
    return result;
}

bool CommandLine::asksForText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--")
            break;
        if (argument == "-h" || argument == "--help" || argument == "-v" || argument == "--version")
            return true;
    }
    return false;
}

} // namespace app
