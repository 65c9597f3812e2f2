// SPDX-License-Identifier: MIT
#include "DomainPolicies.h"
#include "MailRecords.h"
#include "MailText.h"

#include <QSslKey>

#include <algorithm>
#include <cctype>

#include <libpsl.h>

namespace net {

namespace {

using Tags = QList<std::pair<QByteArray, QByteArray>>;

// "v=DMARC1; p=none" as its tags, in order; names in lower case, values trimmed.
Tags tagList(const QByteArray& text) {
    Tags tags;
    for (const QByteArray& part : text.split(';')) {
        const qsizetype equals = part.indexOf('=');
        if (part.trimmed().isEmpty())
            continue;
        if (equals < 0)
            tags.append({part.trimmed().toLower(), QByteArray()});
        else
            tags.append({part.left(equals).trimmed().toLower(), part.mid(equals + 1).trimmed()});
    }
    return tags;
}

QByteArray tag(const Tags& tags, const QByteArray& name, const QByteArray& otherwise = {}) {
    for (const auto& [key, value] : tags)
        if (key == name)
            return value;
    return otherwise;
}

bool hasTag(const Tags& tags, const QByteArray& name) {
    for (const auto& entry : tags)
        if (entry.first == name)
            return true;
    return false;
}

// The TXT records at name that start with version ("v=DMARC1"), each as a record line.
QList<QByteArray> versioned(const DnsAnswer& answer, const QByteArray& version) {
    QList<QByteArray> found;
    for (const QByteArray& text : mailrecords::txt(answer)) {
        const Tags tags = tagList(text);
        if (!tags.isEmpty() && tags.first().first == "v" && tags.first().second == version)
            found.append(text);
    }
    return found;
}

void addRecords(MailCheck& check, const QByteArray& owner, const QList<QByteArray>& texts) {
    for (const QByteArray& text : texts)
        check.records.append(recordLine(owner, QStringLiteral("TXT"), quotedText(text)));
}

// Reads the records at name; false (with check judged) when they cannot be, or not yet.
bool readVersioned(MailCheck& check, const MailAnswers& answers, MailWanted& wanted,
                   const QByteArray& name, const QByteArray& version, QList<QByteArray>& found) {
    const DnsAnswer* answer = answers.need(name, mailrecords::Txt, wanted);
    if (!answer) {
        check.verdict = MailVerdict::Warning;
        check.reason = QStringLiteral("%1 could not be read in time").arg(shownName(name));
        return false;
    }
    if (const QString failed = mailrecords::failure(*answer); !failed.isEmpty()) {
        check.verdict = MailVerdict::Fail;
        check.reason = QStringLiteral("%1 could not be read: %2").arg(shownName(name), failed);
        return false;
    }
    found = versioned(*answer, version);
    addRecords(check, name, found);
    return true;
}

const psl_ctx_t* publicSuffixes() {
    // Debian's publicsuffix data when it is there (kept current by the package), or the
    // library's own copy.
    static const psl_ctx_t* list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

} // namespace

QByteArray organisationalDomain(const QByteArray& name) {
    const QByteArray bare = mailName(name).chopped(1);
    const psl_ctx_t* list = publicSuffixes();
    const char* registrable = list ? psl_registrable_domain(list, bare.constData()) : nullptr;
    return registrable ? mailName(registrable) : mailName(name);
}

DmarcJudgement checkDmarc(const QByteArray& domain, const MailAnswers& answers,
                          MailWanted& wanted) {
    DmarcJudgement result;
    MailCheck& check = result.check;
    check.name = QStringLiteral("DMARC");
    QByteArray at = "_dmarc." + domain;
    QList<QByteArray> records;
    if (!readVersioned(check, answers, wanted, at, "DMARC1", records))
        return result;
    const QByteArray organisation = organisationalDomain(domain);
    QByteArray policyDomain = domain;
    if (records.isEmpty() && organisation != domain) {
        at = "_dmarc." + organisation;
        policyDomain = organisation;
        if (!readVersioned(check, answers, wanted, at, "DMARC1", records))
            return result;
        if (!records.isEmpty())
            check.details.append(QStringLiteral("Found at the organisational domain %1")
                                     .arg(shownName(organisation)));
    }
    if (records.isEmpty()) {
        check.judge(MailVerdict::NotPublished,
                    QStringLiteral("No DMARC record at %1").arg(shownName("_dmarc." + domain)));
        return result;
    }
    if (records.size() > 1) {
        result.policy = DmarcJudgement::Invalid;
        check.judge(
            MailVerdict::Fail,
            QStringLiteral("%1 DMARC records; receivers take none of them").arg(records.size()));
        return result;
    }
    const Tags tags = tagList(records.first());
    const QByteArray p = tag(tags, "p");
    const auto policyOf = [](const QByteArray& value) {
        return value == "reject"       ? DmarcJudgement::Reject
               : value == "quarantine" ? DmarcJudgement::Quarantine
               : value == "none"       ? DmarcJudgement::None
                                       : DmarcJudgement::Invalid;
    };
    QStringList problems;
    if (!hasTag(tags, "p"))
        problems.append(QStringLiteral("it has no p tag"));
    else if (policyOf(p) == DmarcJudgement::Invalid)
        problems.append(QStringLiteral("p=%1 is no policy").arg(QString::fromLatin1(p)));
    if (hasTag(tags, "sp") && policyOf(tag(tags, "sp")) == DmarcJudgement::Invalid)
        problems.append(
            QStringLiteral("sp=%1 is no policy").arg(QString::fromLatin1(tag(tags, "sp"))));
    bool pctValid = false;
    const int pct = tag(tags, "pct", "100").toInt(&pctValid);
    if (!pctValid || pct < 0 || pct > 100)
        problems.append(
            QStringLiteral("pct=%1 is not 0 to 100").arg(QString::fromLatin1(tag(tags, "pct"))));
    for (const QByteArray& alignment : {QByteArray("adkim"), QByteArray("aspf")})
        if (const QByteArray value = tag(tags, alignment, "r"); value != "r" && value != "s")
            problems.append(QStringLiteral("%1=%2 is neither r nor s")
                                .arg(QString::fromLatin1(alignment), QString::fromLatin1(value)));
    QStringList unauthorised;
    for (const QByteArray& kind : {QByteArray("rua"), QByteArray("ruf")}) {
        for (QByteArray uri : tag(tags, kind).split(',')) {
            uri = uri.trimmed();
            if (uri.isEmpty())
                continue;
            if (!uri.toLower().startsWith("mailto:") || !uri.contains('@')) {
                problems.append(QStringLiteral("%1 address %2 is no mailto: address")
                                    .arg(QString::fromLatin1(kind), QString::fromLatin1(uri)));
                continue;
            }
            QByteArray target = uri.mid(uri.lastIndexOf('@') + 1);
            if (const qsizetype bang = target.indexOf('!'); bang >= 0)
                target.truncate(bang);
            target = mailName(target);
            if (organisationalDomain(target) == organisation)
                continue;
            const QByteArray authorisation = policyDomain.chopped(1) + "._report._dmarc." + target;
            MailCheck scratch;
            QList<QByteArray> grants;
            if (!readVersioned(scratch, answers, wanted, authorisation, "DMARC1", grants))
                continue;
            addRecords(check, authorisation, grants);
            if (grants.isEmpty())
                unauthorised.append(QString::fromLatin1(uri));
        }
    }
    result.policy = problems.isEmpty() ? policyOf(p) : DmarcJudgement::Invalid;
    if (!problems.isEmpty()) {
        check.judge(MailVerdict::Fail, QStringLiteral("The record is not valid: ") +
                                           problems.join(QStringLiteral("; ")));
    } else if (result.policy == DmarcJudgement::None) {
        check.judge(
            MailVerdict::Warning,
            QStringLiteral("p=none only asks for reports; mail that fails DMARC is delivered"));
    } else if (pct < 100) {
        check.judge(MailVerdict::Warning, QStringLiteral("p=%1 applies to %2% of failing mail only")
                                              .arg(QString::fromLatin1(p))
                                              .arg(pct));
    } else if (!unauthorised.isEmpty()) {
        check.judge(
            MailVerdict::Warning,
            QStringLiteral("Reports to %1 are not authorised by that domain, so they are not sent")
                .arg(unauthorised.join(QStringLiteral(", "))));
    } else {
        check.judge(MailVerdict::Pass,
                    QStringLiteral("p=%1: mail that fails DMARC is %2")
                        .arg(QString::fromLatin1(p), result.policy == DmarcJudgement::Reject
                                                         ? QStringLiteral("rejected")
                                                         : QStringLiteral("quarantined")));
    }
    return result;
}

MailCheck checkDkim(const QByteArray& domain, const QByteArray& selector,
                    const MailAnswers& answers, MailWanted& wanted) {
    MailCheck check;
    check.name = QStringLiteral("DKIM ") + QString::fromLatin1(selector);
    const QByteArray at = mailName(selector + "._domainkey." + domain);
    const DnsAnswer* answer = answers.need(at, mailrecords::Txt, wanted);
    if (!answer) {
        check.judge(MailVerdict::Warning,
                    QStringLiteral("%1 could not be read in time").arg(shownName(at)));
        return check;
    }
    if (const QString failed = mailrecords::failure(*answer); !failed.isEmpty()) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("%1 could not be read: %2").arg(shownName(at), failed));
        return check;
    }
    const QList<QByteArray> texts = mailrecords::txt(*answer);
    addRecords(check, at, texts);
    if (texts.isEmpty()) {
        check.judge(MailVerdict::NotPublished,
                    QStringLiteral("No key record at %1").arg(shownName(at)));
        return check;
    }
    if (texts.size() > 1) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("%1 key records at one selector; a verifier cannot tell which "
                                   "one signs")
                        .arg(texts.size()));
        return check;
    }
    const Tags tags = tagList(texts.first());
    if (hasTag(tags, "v") && (tags.first().first != "v" || tag(tags, "v") != "DKIM1")) {
        check.judge(MailVerdict::Fail, QStringLiteral("v= must come first and be DKIM1"));
        return check;
    }
    const QByteArray type = tag(tags, "k", "rsa").toLower();
    if (!hasTag(tags, "p")) {
        check.judge(MailVerdict::Fail, QStringLiteral("The record has no key (no p tag)"));
        return check;
    }
    QByteArray encoded = tag(tags, "p");
    encoded.replace(' ', "");
    if (encoded.isEmpty()) {
        check.judge(MailVerdict::Fail, QStringLiteral("The key is revoked (p is empty)"));
        return check;
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        check.judge(MailVerdict::Fail, QStringLiteral("The key is not valid base64"));
        return check;
    }
    const bool testing = tag(tags, "t").split(':').contains("y");
    int bits = 0;
    if (type == "rsa") {
        const QSslKey key(decoded.decoded, QSsl::Rsa, QSsl::Der, QSsl::PublicKey);
        bits = key.isNull() ? 0 : key.length();
    } else if (type == "ed25519") {
        bits = decoded.decoded.size() == 32 ? 256 : 0;
    } else {
        check.judge(
            MailVerdict::Fail,
            QStringLiteral("k=%1 is no key type a verifier knows").arg(QString::fromLatin1(type)));
        return check;
    }
    if (bits == 0) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("p holds no %1 public key").arg(QString::fromLatin1(type)));
        return check;
    }
    check.details.append(QStringLiteral("Key: %1, %2 bits%3")
                             .arg(QString::fromLatin1(type))
                             .arg(bits)
                             .arg(testing ? QStringLiteral(", testing (t=y)") : QString()));
    if (type == "rsa" && bits < 1024)
        check.judge(
            MailVerdict::Fail,
            QStringLiteral("A %1-bit RSA key; verifiers refuse keys under 1024 bits").arg(bits));
    else if (type == "rsa" && bits < 2048)
        check.judge(MailVerdict::Warning,
                    QStringLiteral("A %1-bit RSA key; 2048 bits is the norm now").arg(bits));
    else if (testing)
        check.judge(
            MailVerdict::Warning,
            QStringLiteral("The key is in testing mode (t=y): verifiers may treat signed mail as "
                           "unsigned"));
    else
        check.judge(
            MailVerdict::Pass,
            QStringLiteral("A valid %1 key of %2 bits").arg(QString::fromLatin1(type)).arg(bits));
    return check;
}

MtaStsPolicy parseMtaStsPolicy(const QByteArray& body) {
    MtaStsPolicy policy;
    QString version;
    for (QByteArray line : body.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            policy.problem =
                QStringLiteral("a line is not \"key: value\": %1").arg(quotedText(line.left(80)));
            return policy;
        }
        const QByteArray key = line.left(colon).trimmed();
        const QString value = QString::fromLatin1(line.mid(colon + 1).trimmed());
        if (key == "version")
            version = value;
        else if (key == "mode")
            policy.mode = value;
        else if (key == "mx")
            policy.mx.append(value.toLower());
        else if (key == "max_age") {
            bool number = false;
            policy.maxAge = value.toLongLong(&number);
            if (!number)
                policy.maxAge = -1;
        }
    }
    if (version != QLatin1String("STSv1"))
        policy.problem = QStringLiteral("version is not STSv1");
    else if (policy.mode != QLatin1String("enforce") && policy.mode != QLatin1String("testing") &&
             policy.mode != QLatin1String("none"))
        policy.problem = QStringLiteral("mode is not enforce, testing or none");
    else if (policy.maxAge < 0 || policy.maxAge > 31557600)
        policy.problem = QStringLiteral("max_age is not 0 to 31557600 seconds");
    else if (policy.mx.isEmpty() && policy.mode != QLatin1String("none"))
        policy.problem = QStringLiteral("it names no mx");
    return policy;
}

bool mtaStsCovers(const QString& pattern, const QByteArray& host) {
    QString name = QString::fromLatin1(host).toLower();
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    QString wanted = pattern.toLower();
    if (wanted.endsWith(QLatin1Char('.')))
        wanted.chop(1);
    if (!wanted.startsWith(QLatin1String("*.")))
        return name == wanted;
    // A wildcard stands for exactly one label.
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot > 0 && name.mid(dot) == wanted.mid(1);
}

MtaStsJudgement checkMtaSts(const QByteArray& domain, const MailAnswers& answers,
                            const PolicyFetch& fetch, const QList<QByteArray>& mxHosts,
                            MailWanted& wanted) {
    MtaStsJudgement result;
    MailCheck& check = result.check;
    check.name = QStringLiteral("MTA-STS");
    QList<QByteArray> records;
    if (!readVersioned(check, answers, wanted, "_mta-sts." + domain, "STSv1", records))
        return result;
    if (records.isEmpty()) {
        check.judge(MailVerdict::NotPublished, QStringLiteral("No MTA-STS record"));
        return result;
    }
    if (records.size() > 1) {
        check.judge(
            MailVerdict::Fail,
            QStringLiteral("%1 MTA-STS records; senders take none of them").arg(records.size()));
        return result;
    }
    const QByteArray id = tag(tagList(records.first()), "id");
    if (id.isEmpty() || id.size() > 32 ||
        std::any_of(id.begin(), id.end(), [](char c) { return !std::isalnum(std::uint8_t(c)); })) {
        check.judge(MailVerdict::Fail, QStringLiteral("The record's id is not 1 to 32 letters "
                                                      "and digits"));
        return result;
    }
    result.published = true;
    if (!fetch.asked) {
        check.judge(MailVerdict::Warning, QStringLiteral("The policy was not fetched"));
        return result;
    }
    check.details.append(QStringLiteral("Policy: ") + fetch.url);
    if (!fetch.error.isEmpty()) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("The policy could not be fetched: ") + fetch.error);
        return result;
    }
    if (fetch.tooLarge) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("The policy is larger than %1 KiB").arg(MaxPolicyBytes / 1024));
        return result;
    }
    if (fetch.status != 200) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("The policy's server answered HTTP %1").arg(fetch.status));
        return result;
    }
    for (const QByteArray& line : fetch.body.split('\n'))
        if (!line.trimmed().isEmpty() && check.details.size() < 40)
            check.details.append(QStringLiteral("  ") +
                                 quotedText(line.trimmed()).mid(1).chopped(1));
    result.policy = parseMtaStsPolicy(fetch.body);
    const MtaStsPolicy& policy = result.policy;
    if (!policy.problem.isEmpty()) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("The policy is not valid: ") + policy.problem);
        return result;
    }
    QStringList uncovered;
    for (const QByteArray& host : mxHosts)
        if (std::none_of(policy.mx.begin(), policy.mx.end(),
                         [&](const QString& pattern) { return mtaStsCovers(pattern, host); }))
            uncovered.append(shownName(host));
    if (!uncovered.isEmpty() && policy.mode != QLatin1String("none")) {
        check.judge(
            policy.mode == QLatin1String("enforce") ? MailVerdict::Fail : MailVerdict::Warning,
            QStringLiteral("The policy's mx lines do not cover %1, so senders that enforce it "
                           "cannot deliver there")
                .arg(uncovered.join(QStringLiteral(", "))));
        return result;
    }
    if (policy.mode == QLatin1String("enforce")) {
        result.enforced = true;
        check.judge(MailVerdict::Pass,
                    QStringLiteral("Enforced for %1 day(s); it covers every MX host")
                        .arg(policy.maxAge / 86400));
    } else {
        check.judge(MailVerdict::Warning,
                    QStringLiteral("mode: %1: senders report failures but deliver anyway")
                        .arg(policy.mode));
    }
    return result;
}

MailCheck checkTlsRpt(const QByteArray& domain, const MailAnswers& answers, MailWanted& wanted) {
    MailCheck check;
    check.name = QStringLiteral("TLS-RPT");
    QList<QByteArray> records;
    if (!readVersioned(check, answers, wanted, "_smtp._tls." + domain, "TLSRPTv1", records))
        return check;
    if (records.isEmpty()) {
        check.judge(MailVerdict::NotPublished,
                    QStringLiteral("No TLS-RPT record: senders cannot report failed TLS"));
        return check;
    }
    if (records.size() > 1) {
        check.judge(
            MailVerdict::Fail,
            QStringLiteral("%1 TLS-RPT records; senders take none of them").arg(records.size()));
        return check;
    }
    const QByteArray rua = tag(tagList(records.first()), "rua");
    const QList<QByteArray> uris = rua.split(',');
    const bool valid = !rua.isEmpty() && std::all_of(uris.begin(), uris.end(), [](QByteArray uri) {
        uri = uri.trimmed().toLower();
        return (uri.startsWith("mailto:") && uri.contains('@')) || uri.startsWith("https://");
    });
    if (valid)
        check.judge(MailVerdict::Pass,
                    QStringLiteral("Reports of failed TLS go to %1").arg(QString::fromLatin1(rua)));
    else
        check.judge(MailVerdict::Fail, QStringLiteral("rua names no mailto: or https: address"));
    return check;
}

} // namespace net
