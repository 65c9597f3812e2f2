#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace app {

namespace {

const char* const description =
    "Finger, WhoIs and DNS look-up.\n\n"
    "Without arguments Vintrel opens its window. A query given on the command line starts\n"
    "as soon as the window is shown, as if it had been typed into its dialog:\n"
    "  vintrel alice@example.org                 finger (user@host, or a host alone)\n"
    "  vintrel --whois example.org --server whois.iana.org\n"
    "  vintrel --dns example.org";

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
                                    QStringLiteral("The WhoIs server to ask (with --whois)."),
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
        result.output = why + QStringLiteral("\n\n") + parser.helpText();
        return result;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
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
    const QStringList positional = parser.positionalArguments();
    const int queries =
        int(!positional.isEmpty()) + int(parser.isSet(whois)) + int(parser.isSet(dns));
    if (positional.size() > 1)
        return fail(QStringLiteral("Only one finger address can be given."));
    if (queries > 1)
        return fail(QStringLiteral("Only one query can be given."));
    if (parser.isSet(whois) != parser.isSet(server))
        return fail(QStringLiteral("--whois and --server go together."));
    if ((parser.isSet(whois) &&
         (parser.value(whois).isEmpty() || parser.value(server).isEmpty())) ||
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

} // namespace app
