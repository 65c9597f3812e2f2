// SPDX-License-Identifier: MIT
#pragma once
// SPF (RFC 7208) judged from the records read so far: exactly one record at the domain, its
// syntax, and its include/redirect tree walked with a receiver's limits (10 terms that need a
// DNS look-up, 2 look-ups that find nothing), loops and the term that passes a limit named,
// the "all" that decides what other servers get, and the address ranges it lets send,
// summarised. The names the tree needs next are added to wanted; the walk stops at the limit,
// so a tree of any size asks for at most the limit's look-ups.

#include "MailModel.h"

namespace net {

struct SpfJudgement {
    MailCheck check;
    bool usable = false; // a record that a receiver can evaluate, with an all that is not +all
};

SpfJudgement checkSpf(const QByteArray& domain, const MailAnswers& answers, MailWanted& wanted);

} // namespace net
