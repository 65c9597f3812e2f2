// SPDX-License-Identifier: MIT
#include "ZoneFinder.h"
#include "net/dns/message/DnsPacket.h"
#include "net/dns/message/DnsWire.h"

#include <algorithm>
#include <cstring>

namespace net {

namespace {

constexpr std::uint16_t TypeA = 1;
constexpr std::uint16_t TypeNs = 2;
constexpr std::uint16_t TypeCname = 5;
constexpr std::uint16_t TypeSoa = 6;
constexpr std::uint16_t TypeAaaa = 28;
constexpr std::uint16_t TypeDnskey = 48;
constexpr int MaxLabels = 127;

QByteArray lowerName(const std::optional<QString>& text) {
    return text ? text->toLower().toLatin1() : QByteArray();
}

// "www.example.com." and every name above it, up to the root.
QList<QByteArray> selfAndAncestors(const QByteArray& name) {
    QList<QByteArray> names;
    QByteArray rest = name;
    while (rest != "." && !rest.isEmpty() && names.size() < MaxLabels) {
        names.append(rest);
        rest = rest.mid(rest.indexOf('.') + 1);
    }
    names.append(".");
    return names;
}

// The names in the rdata of a section's records of one type owned by owner (NS targets).
QList<QByteArray> targetNames(const QByteArray& packet, const QList<WireRecord>& records,
                              std::uint16_t type, const QByteArray& owner) {
    QList<QByteArray> names;
    for (const WireRecord& record : records) {
        if (record.type != type || lowerName(nameText(packet, record.ownerOffset)) != owner)
            continue;
        const QByteArray target = lowerName(nameText(packet, record.rdataOffset));
        if (!target.isEmpty() && !names.contains(target))
            names.append(target);
    }
    return names;
}

std::optional<platform::HostAddress> addressOf(const QByteArray& packet, const WireRecord& record) {
    if (record.type == TypeA && record.rdataLength == 4) {
        std::uint32_t networkOrder = 0;
        std::memcpy(&networkOrder, packet.constData() + record.rdataOffset, 4);
        return platform::HostAddress::ipv4(networkOrder);
    }
    if (record.type == TypeAaaa && record.rdataLength == 16) {
        platform::HostAddress address;
        address.family = AF_INET6;
        std::memcpy(address.bytes.data(), packet.constData() + record.rdataOffset, 16);
        return address;
    }
    return std::nullopt;
}

// Why a resolver's answer holds nothing to use.
QString failureOf(const DnsAnswer& answer) {
    if (answer.error != 0)
        return answer.whyBogus;
    if (answer.nxdomain)
        return QStringLiteral("no such name (NXDOMAIN)");
    if (answer.rcode != 0)
        return QStringLiteral("the resolver answered %1").arg(rcodeName(answer.rcode));
    return {};
}

} // namespace

ZoneFinder::ZoneFinder() {
    m_resolver.onDone = [this] { answered(); };
    m_delegation.onProgress = [this](qsizetype, qsizetype) { delegationAnswered(); };
    m_delegation.onDone = [this] { delegationAnswered(); };
}

QString ZoneFinder::find(const ResolverSettings& settings, const QByteArray& name) {
    stop();
    m_found = {};
    m_parentServers.clear();
    m_leftOut.clear();
    m_name = name.toLower();
    if (!m_name.endsWith('.'))
        m_name += '.';
    const QString error = m_resolver.open(settings);
    if (!error.isEmpty())
        return error;
    m_step = Step::Apex;
    m_apexCandidates = selfAndAncestors(m_name);
    if (onStatus)
        onStatus(QStringLiteral("Finding the zone of ") + QString::fromLatin1(m_name));
    QList<ResolverQuestion> questions;
    for (const QByteArray& candidate : m_apexCandidates)
        questions.append({candidate, TypeSoa});
    m_resolver.ask(questions);
    return {};
}

void ZoneFinder::stop() {
    m_resolver.stop();
    m_delegation.stop();
}

void ZoneFinder::answered() {
    switch (m_step) {
    case Step::Apex: foundApex(); break;
    case Step::Sets: foundSets(); break;
    case Step::ParentAddresses: askDelegation(); break;
    case Step::Delegation: break; // asked directly, see delegationAnswered()
    case Step::Addresses: foundAddresses(); break;
    }
}

void ZoneFinder::foundApex() {
    const QList<DnsAnswer>& answers = m_resolver.answers();
    QString why;
    for (qsizetype i = 0; i < answers.size() && i < m_apexCandidates.size(); ++i) {
        const QByteArray& candidate = m_apexCandidates[i];
        const QByteArray& packet = answers[i].packet;
        const std::optional<WireMessage> message = readWireMessage(packet);
        const bool apex =
            message &&
            std::any_of(message->answer.begin(), message->answer.end(),
                        [&](const WireRecord& record) {
                            return record.type == TypeSoa &&
                                   lowerName(nameText(packet, record.ownerOffset)) == candidate;
                        });
        if (!apex) {
            if (why.isEmpty())
                why = failureOf(answers[i]);
        } else if (m_found.zone.isEmpty()) {
            m_found.zone = candidate;
        } else {
            m_found.parent = candidate;
            break;
        }
    }
    if (m_found.zone.isEmpty()) {
        finish(QStringLiteral("No zone was found for %1%2")
                   .arg(QString::fromLatin1(m_name),
                        why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        return;
    }
    if (onStatus)
        onStatus(QStringLiteral("Finding the name servers of ") +
                 QString::fromLatin1(m_found.zone));
    m_step = Step::Sets;
    QList<ResolverQuestion> questions{{m_found.zone, TypeNs}, {m_found.zone, TypeDnskey}};
    if (!m_found.parent.isEmpty())
        questions.append({m_found.parent, TypeNs});
    m_resolver.ask(questions);
}

void ZoneFinder::foundSets() {
    const QList<DnsAnswer> answers = m_resolver.answers();
    const DnsAnswer& zoneNs = answers[0];
    if (const std::optional<WireMessage> message = readWireMessage(zoneNs.packet))
        for (const QByteArray& name :
             targetNames(zoneNs.packet, message->answer, TypeNs, m_found.zone))
            if (NameServerAddresses* each = server(name))
                each->inZone = true;
    if (m_found.servers.isEmpty()) {
        const QString why = failureOf(zoneNs);
        finish(QStringLiteral("The zone %1 names no name servers%2")
                   .arg(QString::fromLatin1(m_found.zone),
                        why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        return;
    }
    m_found.keys = answers[1].packet;
    m_found.keysSecure = answers[1].secure;
    if (m_found.parent.isEmpty()) {
        m_found.delegationProblem = QStringLiteral("the root has no parent");
        lookUpAddresses();
        return;
    }
    const DnsAnswer& parentNs = answers[2];
    if (const std::optional<WireMessage> message = readWireMessage(parentNs.packet))
        m_parentServers = targetNames(parentNs.packet, message->answer, TypeNs, m_found.parent);
    m_parentServers = m_parentServers.first(std::min(m_parentServers.size(), MaxNames));
    if (m_parentServers.isEmpty()) {
        m_found.delegationProblem = QStringLiteral("the parent's name servers were not found");
        lookUpAddresses();
        return;
    }
    m_step = Step::ParentAddresses;
    QList<ResolverQuestion> questions;
    for (const QByteArray& name : m_parentServers)
        questions << ResolverQuestion{name, TypeA} << ResolverQuestion{name, TypeAaaa};
    m_resolver.ask(questions);
}

void ZoneFinder::askDelegation() {
    QList<BatchJob> jobs;
    for (const DnsAnswer& answer : m_resolver.answers()) {
        const std::optional<WireMessage> message = readWireMessage(answer.packet);
        if (!message)
            continue;
        for (const WireRecord& record : message->answer) {
            const std::optional<platform::HostAddress> address = addressOf(answer.packet, record);
            if (address && jobs.size() < DelegationAsked &&
                std::none_of(jobs.begin(), jobs.end(),
                             [&](const BatchJob& job) { return job.address == *address; }))
                jobs.append({*address, 53, {m_found.zone, TypeNs, false, false}});
        }
    }
    if (jobs.isEmpty()) {
        m_found.delegationProblem = QStringLiteral("the parent's name servers have no address");
        lookUpAddresses();
        return;
    }
    if (onStatus)
        onStatus(QStringLiteral("Asking the parent %1 for the delegation of %2")
                     .arg(QString::fromLatin1(m_found.parent), QString::fromLatin1(m_found.zone)));
    m_step = Step::Delegation;
    m_delegation.start(jobs, m_delegationTimeoutMs);
}

void ZoneFinder::delegationAnswered() {
    // The first referral that comes is the delegation; the others are not waited for.
    bool servesZone = false;
    QString refusal;
    for (const DirectAnswer& answer : m_delegation.answers()) {
        if (answer.outcome != DirectAnswer::Answered)
            continue;
        const std::optional<WireMessage> message = readWireMessage(answer.packet);
        if (!message)
            continue;
        const bool authoritative = (message->flags & 0x0400) != 0;
        const QList<QByteArray> names =
            targetNames(answer.packet, message->authority, TypeNs, m_found.zone);
        if (message->rcode != 0 || names.isEmpty() || authoritative) {
            servesZone = servesZone || (authoritative && message->rcode == 0);
            if (message->rcode != 0)
                refusal = rcodeName(message->rcode);
            continue;
        }
        m_delegation.stop();
        m_found.delegationSeen = true;
        for (const QByteArray& name : names)
            if (NameServerAddresses* each = server(name))
                each->atParent = true;
        for (const WireRecord& record : message->additional) {
            const QByteArray owner = lowerName(nameText(answer.packet, record.ownerOffset));
            const std::optional<platform::HostAddress> address = addressOf(answer.packet, record);
            NameServerAddresses* each = names.contains(owner) ? server(owner) : nullptr;
            if (address && each && !each->glue.contains(*address))
                each->glue.append(*address);
        }
        lookUpAddresses();
        return;
    }
    if (m_delegation.running())
        return;
    m_found.delegationProblem =
        servesZone ? QStringLiteral("the parent's servers serve the zone too, so its delegation "
                                    "cannot be seen apart")
        : !refusal.isEmpty() ? QStringLiteral("the parent's servers answered %1").arg(refusal)
                             : QStringLiteral("the parent's servers did not answer");
    lookUpAddresses();
}

void ZoneFinder::lookUpAddresses() {
    m_step = Step::Addresses;
    if (onStatus)
        onStatus(m_found.servers.size() == 1
                     ? QStringLiteral("Finding the address of the name server")
                     : QStringLiteral("Finding the addresses of %1 name servers")
                           .arg(m_found.servers.size()));
    QList<ResolverQuestion> questions;
    for (const NameServerAddresses& each : m_found.servers)
        questions << ResolverQuestion{each.name, TypeA} << ResolverQuestion{each.name, TypeAaaa};
    m_resolver.ask(questions);
}

void ZoneFinder::foundAddresses() {
    const QList<DnsAnswer>& answers = m_resolver.answers();
    for (qsizetype i = 0; i < m_found.servers.size() && 2 * i + 1 < answers.size(); ++i) {
        NameServerAddresses& each = m_found.servers[i];
        QString why;
        for (const DnsAnswer& answer : {answers[2 * i], answers[2 * i + 1]}) {
            if (const std::optional<WireMessage> message = readWireMessage(answer.packet)) {
                for (const WireRecord& record : message->answer)
                    if (const auto address = addressOf(answer.packet, record);
                        address && !each.addresses.contains(*address))
                        each.addresses.append(*address);
                const QList<QByteArray> alias =
                    targetNames(answer.packet, message->answer, TypeCname, each.name);
                if (!alias.isEmpty())
                    each.aliasOf = alias.first();
            }
            if (why.isEmpty())
                why = failureOf(answer);
        }
        if (each.addresses.isEmpty())
            each.problem = why.isEmpty() ? QStringLiteral("no A or AAAA records") : why;
    }
    std::sort(
        m_found.servers.begin(), m_found.servers.end(),
        [](const NameServerAddresses& a, const NameServerAddresses& b) { return a.name < b.name; });
    finish();
}

void ZoneFinder::finish(const QString& error) {
    m_found.error = error;
    m_resolver.stop();
    m_delegation.stop();
    if (onDone)
        onDone(m_found); // may start another search: nothing of this one is touched after
}

NameServerAddresses* ZoneFinder::server(const QByteArray& name) {
    for (NameServerAddresses& each : m_found.servers)
        if (each.name == name)
            return &each;
    if (m_found.servers.size() >= MaxNames) {
        m_leftOut.insert(name);
        m_found.namesLeftOut = m_leftOut.size();
        return nullptr;
    }
    m_found.servers.append({name, {}, {}, {}, false, false, {}});
    return &m_found.servers.last();
}

} // namespace net
