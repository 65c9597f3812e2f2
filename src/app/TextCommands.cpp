#include "TextCommands.h"
#include "TMyDecoratedFrame.h"
#include "platform/MessageBox.h"
#include "view/TFingWnd.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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
    // The dialog matches names without regard to case, so "*.TXT" finds "report.txt" too.
    QFileDialog dialog(&m_frame, QString(), QString(),
                       QStringLiteral("Text files (*.TXT);;All files (*.*)"));
    dialog.setObjectName(QStringLiteral("saveAsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("TXT"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    if (replacedInPlace(path)) {
        const auto answer = platform::messageBox(
            &m_frame,
            QStringLiteral("The folder of %1 cannot be written, so the file is written over in "
                           "place.\nIf writing fails, the file may be left damaged.\n\n"
                           "Save anyway?")
                .arg(QDir::toNativeSeparators(path)),
            QStringLiteral("Warning"), QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    switch (saveText(m_window.buffer(), path)) {
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
    // Every line ends in a line end, so a text that ends in a line break gets an empty last
    // line. The bytes go out in one write: where the file must be written over in place (its
    // folder cannot be written), that leaves the shortest time for a failure to damage it.
    const QByteArray bytes = (text.text() + QLatin1Char('\n')).toUtf8();
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return SaveResult::OpenFailed;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting(); // a full disk: an existing file stays as it was
        return SaveResult::WriteFailed;
    }
    return file.commit() ? SaveResult::Saved : SaveResult::WriteFailed;
}

bool TextCommands::replacedInPlace(const QString& path) {
    const QFileInfo target(path);
    return target.exists() && !QFileInfo(target.absolutePath()).isWritable();
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
