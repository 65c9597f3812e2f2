// SPDX-License-Identifier: MIT
#pragma once
// The commands that act on the output window's text: Copy, Clear, Select All, Save As, Font.

#include <QString>

namespace view {
class TextBuffer;
class TFingWnd;
} // namespace view

namespace app {

class TMyDecoratedFrame;

class TextCommands {
public:
    TextCommands(TMyDecoratedFrame& frame, view::TFingWnd& window)
        : m_frame(frame), m_window(window) {}

    void copy();
    void clear();
    void selectAll();
    void saveAs();
    void chooseFont();

    // Writes every line of the text, each followed by a line end. A write that does not take
    // all its bytes (a full disk) cancels the save and leaves an existing file as it was.
    enum class SaveResult { Saved, OpenFailed, WriteFailed };
    static SaveResult saveText(const view::TextBuffer& text, const QString& path);
    // Whether saving to path must write over an existing file in place, because its folder
    // cannot take the temporary file that would replace it atomically.
    static bool replacedInPlace(const QString& path);

private:
    TMyDecoratedFrame& m_frame;
    view::TFingWnd& m_window;
};

} // namespace app
