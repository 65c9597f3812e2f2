// SPDX-License-Identifier: MIT
#include "TextCommands.h"
#include "TMyDecoratedFrame.h"
#include "platform/DialogTemplate.h"
#include "platform/MessageBox.h"
#include "platform/SafeSave.h"
#include "view/TFingWnd.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>

#include <algorithm>
#include <memory>
#include <utility>

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

namespace {

const QString AllFilesFilter = QStringLiteral("All files (*.*)");

// "All files (*.*)" means every file, as it always has on the desktop it comes from; the
// dialog would take "*.*" literally and hide names without a dot, and would rename the typed
// file to "name.*". Once the filter is chosen, the list is shown unfiltered and the name the
// user had is given back.
void allFilesMatchEveryName(QFileDialog& dialog) {
    auto* fileName = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!fileName || !model)
        return;
    auto names = std::make_shared<std::pair<QString, QString>>(); // before last, last
    QObject::connect(fileName, &QLineEdit::textChanged, &dialog, [names](const QString& text) {
        names->first = std::exchange(names->second, text);
    });
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [fileName, model, names](const QString& filter) {
                         if (filter != AllFilesFilter)
                             return;
                         model->setNameFilters({QStringLiteral("*")});
                         if (names->second.endsWith(QStringLiteral(".*")))
                             fileName->setText(names->first);
                     });
}

} // namespace

void TextCommands::saveAs() {
    // The dialog matches names without regard to case, so "*.TXT" finds "report.txt" too.
    QFileDialog dialog(&m_frame, QString(), QString(),
                       QStringLiteral("Text files (*.TXT);;") + AllFilesFilter);
    dialog.setObjectName(QStringLiteral("saveAsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("TXT"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    allFilesMatchEveryName(dialog);
    platform::nameFieldsByTheirBuddies(dialog);
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
    // The text is encoded a slice at a time, never widened whole; a slice does not end between
    // the two halves of a surrogate pair.
    constexpr qsizetype SliceLength = 1024 * 1024;
    QByteArray bytes;
    bytes.reserve(text.size() + 1);
    QString scratch;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype n = std::min(SliceLength, text.size() - from);
        if (from + n < text.size() && text.at(from + n - 1).isHighSurrogate())
            --n;
        bytes += text.slice(from, n, scratch).toUtf8();
        from += n;
    }
    bytes += '\n';
    platform::SaveOptions options;
    options.inPlaceFallback = true;
    switch (platform::saveWholeFile(path, bytes, options)) {
    case platform::SaveOutcome::Saved: return SaveResult::Saved;
    case platform::SaveOutcome::OpenFailed:
    case platform::SaveOutcome::NotRegularFile: return SaveResult::OpenFailed;
    case platform::SaveOutcome::WriteFailed: break;
    }
    return SaveResult::WriteFailed;
}

bool TextCommands::replacedInPlace(const QString& path) {
    const QFileInfo target(path);
    return target.exists() && !QFileInfo(target.absolutePath()).isWritable();
}

namespace {

// Whether two fonts show the same: same resolved family, size, weight and style.
bool sameFace(const QFont& a, const QFont& b) {
    const QFontInfo x(a);
    const QFontInfo y(b);
    return x.family() == y.family() && x.pixelSize() == y.pixelSize() && x.weight() == y.weight() &&
           x.italic() == y.italic() && a.underline() == b.underline() &&
           a.strikeOut() == b.strikeOut();
}

} // namespace

void TextCommands::chooseFont() {
    // The dialog opens on the font the window really shows: the stored face may be a name this
    // system lacks ("Fixedsys"), which the dialog would replace by some other font.
    const QFont inUse = m_window.font();
    QFontDialog dialog(inUse, &m_frame);
    dialog.setObjectName(QStringLiteral("fontDialog"));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    platform::nameFieldsByTheirBuddies(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // OK on the font already in use keeps the stored logical font as it is.
    const QFont chosen = dialog.selectedFont();
    if (sameFace(chosen, inUse))
        return;
    m_frame.setWindowFont(platform::logFontFromFont(chosen));
}

} // namespace app
