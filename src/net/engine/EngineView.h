// SPDX-License-Identifier: MIT
#pragma once

#include "Transcript.h"

#include <QByteArrayView>
#include <QString>

namespace net {

// How much of an answer a call got.
enum class Answer {
    None,    // a refusal, a time-out, a host not found, a bogus DNSSEC verdict
    Whole,   // an answer (an NXDOMAIN is one)
    Partial, // some, then a failure: a later hop of a chain, or a break after data came
    Differs, // the servers compared answered, and their answers differ
    Faults,  // a check ran to its end and found a fault
};

// How a call ended: how much of an answer came, and the status text it ended with.
struct CallOutcome {
    Answer answer = Answer::None;
    QString status;
    bool answered() const { return answer != Answer::None; }
};

// What the query engine needs of the window it reports to. The output window implements it;
// tests use a recording stand-in.
class EngineView {
public:
    virtual ~EngineView() = default;

    virtual void setStatusText(const QString& text) = 0;
    // false: a call is running (hints held back); true: idle again.
    virtual void setCallIdle(bool idle) = 0;
    // The caption: the title alone for an empty suffix, else title, ": " and the suffix.
    virtual void setCaptionSuffix(const QString& suffix) = 0;
    // Empties the text and makes the caption plain, as the Clear command does.
    virtual void clearText() = 0;
    // Adds text the call writes itself (a referral line, an answer written out) at the end of
    // the text, whatever the user has selected.
    virtual void appendText(const QString& text) = 0;
    // The reply of an exchange as the server sends it: replyStarted before its first block,
    // replyReceived after every read (an empty block when a read found nothing more), and
    // replyEnded once the server has closed. Turning bytes into text is the view's business.
    virtual void replyStarted() = 0;
    virtual void replyReceived(QByteArrayView bytes) = 0;
    virtual void replyEnded() = 0;
    virtual void refreshCaret() = 0;
    virtual void setWaitCursor(bool wait) = 0;
    // The call is over (once per call, after its last status text).
    virtual void callEnded(const CallOutcome& outcome) { Q_UNUSED(outcome); }
    // A query that was refused before any call began (an invalid address): why, said once.
    virtual void startRefused(const QString& why) { Q_UNUSED(why); }
    // Where the rooms keep a record of the call; none for a window.
    virtual Transcript* transcript() { return nullptr; }
};

} // namespace net
