// SPDX-License-Identifier: MIT
#include "HelpBrowser.h"
#include "CallAnnouncer.h"
#include "HelpBrowserAccessible.h"

#include <QTextBlock>
#include <QTextLayout>

namespace app {

HelpBrowser::HelpBrowser(CallAnnouncer* announcer, QWidget* parent)
    : QTextBrowser(parent), m_announcer(announcer) {
    HelpBrowserAccessible::installFactory();
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
    setAccessibleName(QStringLiteral("Help"));
}

QString HelpBrowser::selectedLink() const {
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection())
        return {};
    // A cursor's format is that of the character before it.
    QTextCursor probe(document());
    probe.setPosition(selection.selectionStart() + 1);
    const QString href = probe.charFormat().anchorHref();
    probe.setPosition(selection.selectionEnd());
    if (href.isEmpty() || probe.charFormat().anchorHref() != href)
        return {};
    probe.setPosition(selection.selectionEnd() + 1);
    if (selection.selectionEnd() < document()->characterCount() - 1 &&
        probe.charFormat().anchorHref() == href)
        return {}; // part of a link only
    return selection.selectedText().simplified();
}

bool HelpBrowser::focusNextPrevChild(bool next) {
    // Tab moves to the next link inside the page (quietly: the selection it makes sends no
    // signal) until the last, and then on to the buttons.
    const bool onALink = QTextBrowser::focusNextPrevChild(next);
    if (onALink)
        sayLinkReached();
    return onALink;
}

void HelpBrowser::sayLinkReached() {
    const QString link = selectedLink();
    if (link.isEmpty())
        return;
    const QString said = link + QStringLiteral(" link");
    emit linkReached(said);
    m_announcer->announce(said);
}

void HelpBrowser::doSetSource(const QUrl& url, QTextDocument::ResourceType type) {
    QTextBrowser::doSetSource(url, type);
    const int position = url.hasFragment() ? anchorPosition(url.fragment()) : 0;
    if (position < 0)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(position);
    setTextCursor(cursor);
    ensureCursorVisible();
    // The topic's first line is where reading goes on; the caret's move alone is not spoken.
    m_announcer->announce(lineAt(position));
}

int HelpBrowser::anchorPosition(const QString& name) const {
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(name))
                return it.fragment().position();
    return -1;
}

QString HelpBrowser::lineAt(int position) const {
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid() || !block.layout())
        return {};
    const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
    if (!line.isValid())
        return block.text();
    return block.text().mid(line.textStart(), line.textLength()).trimmed();
}

} // namespace app
