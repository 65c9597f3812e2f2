// SPDX-License-Identifier: MIT
#include "MailModel.h"
#include "MailRecords.h"

namespace net {

namespace {

QByteArray keyOf(const QByteArray& name, std::uint16_t type) {
    return mailName(name) + ' ' + QByteArray::number(type);
}

} // namespace

const DnsAnswer* MailAnswers::find(const QByteArray& name, std::uint16_t type) const {
    const auto found = m_answers.constFind(keyOf(name, type));
    return found == m_answers.constEnd() ? nullptr : &*found;
}

const DnsAnswer* MailAnswers::need(const QByteArray& name, std::uint16_t type,
                                   QList<MailQuestion>& wanted) const {
    const DnsAnswer* answer = find(name, type);
    if (!answer && !wanted.contains(MailQuestion{mailName(name), type}))
        wanted.append({mailName(name), type});
    return answer;
}

void MailAnswers::insert(const DnsAnswer& answer) {
    m_answers.insert(keyOf(answer.name, answer.type), answer);
}

QString verdictWord(MailVerdict verdict) {
    switch (verdict) {
    case MailVerdict::Pass: return QStringLiteral("pass");
    case MailVerdict::Warning: return QStringLiteral("warning");
    case MailVerdict::Fail: return QStringLiteral("fail");
    case MailVerdict::NotPublished: return QStringLiteral("not published");
    }
    return {};
}

bool MailReport::faults() const {
    for (const MailSummaryLine& line : summary)
        if (line.verdict == MailVerdict::Fail)
            return true;
    return false;
}

} // namespace net
