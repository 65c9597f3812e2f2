// SPDX-License-Identifier: MIT
#include "FindCommand.h"
#include "TMyDecoratedFrame.h"
#include "platform/MessageBox.h"
#include "resources/DialogTemplates.h"
#include "view/TFingWnd.h"
#include "view/TextSearch.h"

namespace app {

void FindCommand::findText() {
    dialogs::FindDlg dialog(&m_frame, res::DLG_FINDTEXT, &m_buffer);
    if (dialog.exec() != res::IDOK)
        return;
    search();
}

bool FindCommand::search() {
    view::SearchOptions options;
    options.caseSensitive = m_buffer.caseSensitive != 0;
    options.wholeWord = m_buffer.wholeWord != 0;
    options.backward = m_buffer.backward != 0;

    // Over the entire scope the search starts at an end of the text: backward at its very end,
    // so a match in a last line without a line break is found too. From the cursor it starts
    // after the selection forward and before it backward, so repeated searches step on.
    qsizetype start = 0;
    if (m_buffer.entireScope == 0)
        start = options.backward ? m_window.selectionStart() : m_window.selectionEnd();
    else if (options.backward)
        start = m_window.buffer().size();

    const view::TextBuffer& text = m_window.buffer();
    const qsizetype found =
        view::findText(text.range(0, text.size()), m_buffer.text, start, options);
    if (found >= 0) {
        m_window.setSelection(found, found + m_buffer.text.size());
        m_window.ensureVisible(found, found + m_buffer.text.size());
        return true;
    }
    if (m_buffer.text.isEmpty())
        return false;
    const qsizetype caret = options.backward ? m_window.selectionStart() : m_window.selectionEnd();
    m_window.setSelection(caret, caret);
    platform::messageBox(&m_frame, QStringLiteral("Text not found"),
                         QStringLiteral("Find text message box"), QMessageBox::Warning);
    return false;
}

} // namespace app
