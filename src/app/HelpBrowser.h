// SPDX-License-Identifier: MIT
#pragma once
// The help page as a keyboard and a screen reader use it: a caret the arrow keys move line by
// line, Tab stepping through the links and Return following one. A link reached or followed is
// said aloud (the page itself does not speak when Tab selects a link or a topic is scrolled to),
// and a followed link puts the caret on its topic, where reading goes on.

#include <QTextBrowser>

namespace app {

class CallAnnouncer;

class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    // Links reached and topics followed are said through the announcer.
    HelpBrowser(CallAnnouncer* announcer, QWidget* parent = nullptr);

    // Follows a source as setSource() does, then puts the caret on its topic.
    void doSetSource(const QUrl& url, QTextDocument::ResourceType type) override;

    // Where a named anchor starts in the page; -1 when the page has none by that name.
    int anchorPosition(const QString& name) const;
    // The text of the layout line that holds a position.
    QString lineAt(int position) const;

protected:
    bool focusNextPrevChild(bool next) override;

signals:
    // A link the keyboard reached, as a status bar shows it ("Files link").
    void linkReached(const QString& text);

private:
    // The text of the link the selection covers, as Tab selects one; empty for anything else.
    QString selectedLink() const;
    void sayLinkReached();

    CallAnnouncer* m_announcer;
};

} // namespace app
