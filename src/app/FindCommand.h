// SPDX-License-Identifier: MIT
#pragma once
// Find Text (F5): asks for the search settings in the Find Text dialog and runs one search over
// the output window's text. Enter in the dialog repeats the last search, so F5 and Enter step
// through the matches.

#include "dialogs/FindDlg.h"

namespace view {
class TFingWnd;
}

namespace app {

class TMyDecoratedFrame;

class FindCommand {
public:
    FindCommand(TMyDecoratedFrame& frame, view::TFingWnd& window)
        : m_frame(frame), m_window(window) {}

    void findText();
    // One search with the current settings; true when a match was selected.
    bool search();

    const dialogs::FindTransferBuffer& settings() const { return m_buffer; }

private:
    TMyDecoratedFrame& m_frame;
    view::TFingWnd& m_window;
    dialogs::FindTransferBuffer m_buffer; // FindTransferBuffer, for the run
};

} // namespace app
