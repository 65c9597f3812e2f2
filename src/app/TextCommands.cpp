#include "TextCommands.h"
#include "TMyDecoratedFrame.h"
#include "platform/MessageBox.h"
#include "view/TFingWnd.h"

#include <algorithm>

#include <QFileDialog>
#include <QFontDialog>
#include <QSaveFile>

namespace app {

void TextCommands::copy() {
    m_window.copy();
}

void TextCommands::clear() {
    m_window.clearCommand();
}

void TextCommands::selectAll() {
    m_window.selectAllText();
}

void TextCommands::saveAs() {
    QFileDialog dialog(&m_frame, QString(), QString(),
                       QStringLiteral("Text files (*.TXT *.txt);;All files (*)"));
    dialog.setObjectName(QStringLiteral("saveAsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("TXT"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    switch (saveText(m_window.buffer(), dialog.selectedFiles().constFirst())) {
    case SaveResult::Saved: break;
    case SaveResult::OpenFailed:
        platform::messageBox(&m_frame, QStringLiteral("Unable to open file"),
                             QStringLiteral("File Error"), QMessageBox::Warning);
        break;
    case SaveResult::WriteFailed:
        platform::messageBox(&m_frame, QStringLiteral("Unable to write file"),
                             QStringLiteral("File Error"), QMessageBox::Warning);
        break;
    }
}

TextCommands::SaveResult TextCommands::saveText(const view::TextBuffer& text, const QString& path) {
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return SaveResult::OpenFailed;
    // Every line ends in a line end, so a text that ends in a line break gets an empty last
    // line. Written in slices, so a large text is never copied whole.
    const QStringView all = text.text();
    constexpr qsizetype Slice = 1 << 20;
    for (qsizetype from = 0; from <= all.size();) {
        qsizetype to = std::min(all.size(), from + Slice);
        if (to < all.size() && all[to - 1].isHighSurrogate())
            --to; // keep a surrogate pair in one slice
        QByteArray bytes = all.sliced(from, to - from).toUtf8();
        if (to == all.size())
            bytes += '\n';
        if (file.write(bytes) != bytes.size()) {
            file.cancelWriting();
            return SaveResult::WriteFailed;
        }
        if (to == all.size())
            break;
        from = to;
    }
    return file.commit() ? SaveResult::Saved : SaveResult::WriteFailed;
}

void TextCommands::chooseFont() {
    QFontDialog dialog(platform::fontFromLogFont(m_frame.windowFont()), &m_frame);
    dialog.setObjectName(QStringLiteral("fontDialog"));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_frame.setWindowFont(platform::logFontFromFont(dialog.selectedFont()));
}

} // namespace app
