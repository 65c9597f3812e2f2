#pragma once
// The commands that act on the output window's text: Copy, Clear, Select All, Save As, Font.

#include <QString>

class QPlainTextEdit;

namespace view {
class TFingWnd;
}

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

    // Writes every line of the text, each followed by a line end.
    enum class SaveResult { Saved, OpenFailed, WriteFailed };
    static SaveResult saveText(const QPlainTextEdit& text, const QString& path);

private:
    TMyDecoratedFrame& m_frame;
    view::TFingWnd& m_window;
};

} // namespace app
