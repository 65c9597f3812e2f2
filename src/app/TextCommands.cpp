#include "TextCommands.h"
#include "TMyDecoratedFrame.h"
#include "platform/MessageBox.h"
#include "view/TFingWnd.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QSaveFile>
#include <QTextBlock>

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
    switch (saveText(m_window, dialog.selectedFiles().constFirst())) {
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

TextCommands::SaveResult TextCommands::saveText(const QPlainTextEdit& text, const QString& path) {
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return SaveResult::OpenFailed;
    // Whole lines, each with a line end; a text that ends in a line break gets an empty last line.
    for (QTextBlock block = text.document()->begin(); block.isValid(); block = block.next()) {
        file.write(block.text().toUtf8());
        file.write("\n");
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
