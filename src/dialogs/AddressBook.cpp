// SPDX-License-Identifier: MIT
#include "AddressBook.h"
#include "DNS_Dialog.h"
#include "StoredList.h"
#include "platform/MessageBox.h"
#include "resources/DialogTemplates.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace dialogs {

AddressBook::AddressBook(QWidget* parent, int resourceId, const QString& dataDirectory,
                         QString* handBack)
    : Base_Dialog(parent, resourceId), m_path(dataDirectory + fileName()), m_handBack(handBack),
      m_list(control<QListWidget>(res::IDC_ADDRBOOK_LIST)),
      m_notes(control<QPlainTextEdit>(res::IDC_ADDRBOOK_NOTES)) {
    askNewAddress = [this](QString* address) {
        InputDialog input(parentWidget(), QStringLiteral("New address"),
                          QStringLiteral("Enter new address"), AddressBufferSize - 1);
        if (input.exec() != res::IDOK)
            return false;
        *address = fieldText(input.text());
        return true;
    };
    connect(control<QPushButton>(res::IDC_ADDRBOOK_NEW), &QPushButton::clicked, this,
            &AddressBook::New);
    connect(control<QPushButton>(res::IDC_ADDRBOOK_DELETE), &QPushButton::clicked, this,
            &AddressBook::Delete);
    connect(control<QPushButton>(res::IDC_ADDRBOOK_FINGER), &QPushButton::clicked, this,
            &AddressBook::Finger);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &AddressBook::Finger);
    connect(m_list, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem*, QListWidgetItem* previous) {
                // Notes typed for the entry that was selected belong to it, even when the
                // selection moves without the notes box losing the focus first.
                if (previous)
                    CommitNotes(previous->text());
                SelectionChanged();
            });
    connect(m_notes, &QPlainTextEdit::textChanged, this, &AddressBook::limitNotes);
    m_notes->installEventFilter(this);
    m_list->installEventFilter(this);
    m_list->setFocus();
}

void AddressBook::SetupWindow() {
    loadBook();
    m_list->setFocus();
}

namespace {

bool sortsBefore(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

// What a book that cannot be read is, for a message: "is larger than ...", "cannot be read".
QString whyUnreadable(const AddressBookContent& content) {
    return content.tooLarge ? QStringLiteral("is larger than the %1 MiB a book may hold")
                                  .arg(MaxFileSize / (1024 * 1024))
                            : QStringLiteral("cannot be read");
}

} // namespace

void AddressBook::loadBook() {
    const AddressBookContent content = loadAddressBook(m_path);
    m_loadedStamp = content.stamp;
    m_unreadable = content.unreadable;
    const ListedRecords listed = listRecords(content.records);
    if (m_unreadable)
        platform::messageBox(
            this,
            QStringLiteral("The address book %1 %2.\nIt is left as it is, and changes made now "
                           "cannot be saved.")
                .arg(QDir::toNativeSeparators(m_path), whyUnreadable(content)),
            QStringLiteral("File Error"), QMessageBox::Warning);
    else if (content.unreadBytes > 0 || listed.unlisted > 0)
        keepOriginal(content, listed.unlisted);
    QStringList addresses;
    addresses.reserve(listed.records.size());
    for (const InfoBlock& record : listed.records) {
        m_records.insert(record.address, record);
        addresses.append(record.address);
    }
    // One sort and one insertion, in the order adding each at its sorted place would give.
    std::stable_sort(addresses.begin(), addresses.end(), sortsBefore);
    QSignalBlocker quiet(m_list);
    m_list->addItems(addresses);
    const int selected = content.selected;
    // Set even when nothing is selected: the list would otherwise make its first entry current
    // when it first takes the focus, which is no choice of the user's.
    m_list->setCurrentRow(-1);
    if (selected >= 0 && selected < m_list->count()) {
        m_list->setCurrentRow(selected);
        m_settingNotes = true;
        m_notes->setPlainText(recordOf(selectedAddress())->notes);
        m_settingNotes = false;
    }
}

void AddressBook::keepOriginal(const AddressBookContent& content, int unlisted) {
    // Whatever the list cannot hold as it stands, the file as it was is kept beside the book
    // before anything can replace it, under a name no older copy has. Without a copy the book
    // is not saved at all.
    const QString copy = keepCopy(m_path, content.bytes);
    if (copy.isEmpty())
        m_unreadable = true;
    const QString path = QDir::toNativeSeparators(m_path);
    QString message;
    if (content.overLimit)
        message += QStringLiteral("The address book %1 holds more than %2 entries: the %3 bytes "
                                  "after the first %2 are not loaded.\n")
                       .arg(path)
                       .arg(MaxRecords)
                       .arg(content.unreadBytes);
    else if (content.unreadBytes > 0)
        message += QStringLiteral("The address book %1 is damaged: %2 bytes at its end could not "
                                  "be read.\n")
                       .arg(path)
                       .arg(content.unreadBytes);
    if (unlisted > 0)
        message += QStringLiteral("%1 entries of the address book %2 have no address or the "
                                  "address of another entry; their notes are joined to that "
                                  "entry where they fit.\n")
                       .arg(unlisted)
                       .arg(path);
    message += copy.isEmpty()
                   ? QStringLiteral("No copy of it could be made, so changes made now cannot be "
                                    "saved.")
                   : QStringLiteral("The file as it was is kept as %1.")
                         .arg(QDir::toNativeSeparators(copy));
    platform::messageBox(this, message, QStringLiteral("File Error"), QMessageBox::Warning);
}

InfoBlock* AddressBook::recordOf(const QString& address) {
    auto found = m_records.find(address);
    return found == m_records.end() || address.isEmpty() ? nullptr : &*found;
}

int AddressBook::insertSorted(const QString& address) {
    // After every entry that sorts before it or equal to it.
    int low = 0;
    int high = m_list->count();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (sortsBefore(address, m_list->item(mid)->text()))
            high = mid;
        else
            low = mid + 1;
    }
    m_list->insertItem(low, address);
    return low;
}

void AddressBook::edited(const QString& address) {
    m_changed = true;
    m_edited.insert(address);
    m_deleted.remove(address);
}

QString AddressBook::selectedAddress() const {
    const QListWidgetItem* item = m_list->currentItem();
    return item && m_list->currentRow() >= 0 ? item->text() : QString();
}

void AddressBook::SelectionChanged() {
    m_settingNotes = true;
    if (m_list->currentRow() < 0) {
        m_notes->setPlainText(QString());
    } else {
        InfoBlock* record = recordOf(selectedAddress());
        m_notes->setPlainText(record ? record->notes : QString());
        m_changed = true;
    }
    m_settingNotes = false;
}

void AddressBook::CommitNotes(const QString& address) {
    if (!m_notes->document()->isModified() || address.isEmpty())
        return; // typing with nothing selected is never stored
    InfoBlock* record = recordOf(address);
    if (!record)
        return;
    const QString notes = notesFromBytes(notesBytes(m_notes->toPlainText()));
    m_notes->document()->setModified(false);
    if (notes == record->notes) {
        m_changed = true; // typed and typed back: nothing to encode anew
        return;
    }
    record->notes = notes;
    record->original.clear();
    edited(address);
}

namespace {

// The bytes notes take in the file: UTF-8, each line end written as CR LF.
qsizetype storedNotesSize(const QString& notes) {
    return notes.toUtf8().size() + notes.count(QLatin1Char('\n'));
}

} // namespace

void AddressBook::limitNotes() {
    // The notes hold at most 249 bytes in the file. An edit that would go past that is refused
    // whole, as a full field refuses a keystroke; notes read from a file that are longer
    // already may still shrink.
    const QString text = m_notes->toPlainText();
    const qsizetype size = storedNotesSize(text);
    if (m_settingNotes || size <= NotesBufferSize - 1 || size < storedNotesSize(m_acceptedNotes)) {
        m_acceptedNotes = text;
        return;
    }
    QApplication::beep();
    // The caret goes back to where the refused text would have started.
    const qsizetype caret =
        m_notes->textCursor().position() - (text.size() - m_acceptedNotes.size());
    const bool modified = m_notes->document()->isModified();
    m_settingNotes = true;
    m_notes->setPlainText(m_acceptedNotes);
    QTextCursor cursor = m_notes->textCursor();
    cursor.setPosition(int(std::clamp<qsizetype>(caret, 0, m_acceptedNotes.size())));
    m_notes->setTextCursor(cursor);
    m_notes->document()->setModified(modified);
    m_settingNotes = false;
}

void AddressBook::New() {
    QString address;
    if (!askNewAddress(&address) || address.isEmpty()) {
        activateWindow();
        return;
    }
    if (recordOf(address)) {
        QApplication::beep();
        platform::messageBox(this,
                             QStringLiteral("Address %1 is already in address book").arg(address),
                             QStringLiteral("Warning"), QMessageBox::Warning);
        activateWindow();
        return;
    }
    m_records.insert(address, InfoBlock{address, QString(), QByteArray()});
    edited(address);
    const int row = insertSorted(address);
    m_list->setCurrentRow(row); // shows the new, empty notes
    activateWindow();
    m_notes->setFocus();
}

void AddressBook::Delete() {
    int row = m_list->currentRow();
    if (row < 0)
        return;
    const QString address = m_list->item(row)->text();
    if (!askQuestion(this, deleteQuestion(address)))
        return;
    m_changed = true;
    m_records.remove(address);
    m_edited.remove(address);
    m_deleted.insert(address);
    {
        QSignalBlocker quiet(m_list);
        delete m_list->takeItem(row);
        if (row == m_list->count())
            --row;
        m_list->setCurrentRow(row);
    }
    SelectionChanged();
}

void AddressBook::Finger() {
    if (m_handBack)
        *m_handBack = selectedAddress();
    done(FingerResult);
}

bool AddressBook::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_notes && event->type() == QEvent::FocusOut)
        CommitNotes(selectedAddress());
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            done(res::IDOK);
            return true;
        }
    }
    return Base_Dialog::eventFilter(watched, event);
}

void AddressBook::done(int result) {
    if (!m_closed) {
        m_closed = true;
        if (result == res::IDCANCEL) {
            m_changed = false;
        } else {
            // Notes still being typed belong to the selected entry.
            CommitNotes(selectedAddress());
            if (m_changed && !saveBook() && !m_toldNotSaved)
                platform::messageBox(
                    this, QStringLiteral("Unable to save the address book\n%1").arg(m_path),
                    QStringLiteral("File Error"), QMessageBox::Warning);
        }
    }
    Base_Dialog::done(result);
}

bool AddressBook::saveBook() {
    if (m_unreadable)
        return false;
    int selectedRow = -1;
    const QList<InfoBlock> records = recordsToSave(selectedAddress(), &selectedRow);
    if (m_unreadable)
        return false; // a book changed meanwhile that could not be kept aside is not replaced
    return saveAddressBook(m_path, records, selectedRow);
}

QList<InfoBlock> AddressBook::recordsToSave(const QString& selected, int* selectedRow) {
    QList<InfoBlock> records;
    const AddressBookContent now = loadAddressBook(m_path);
    if (now.unreadable) {
        // What stands at the path now cannot be read back (it grew past the limit, or was
        // replaced by something that is no book): whatever it holds, it is not written over.
        m_unreadable = true;
        m_toldNotSaved = true;
        platform::messageBox(
            this,
            QStringLiteral("Unable to save the address book\n%1\nAnother program changed it, "
                           "and it %2 now: it is left as it is, and the changes made here are "
                           "not saved.")
                .arg(QDir::toNativeSeparators(m_path), whyUnreadable(now)),
            QStringLiteral("File Error"), QMessageBox::Warning);
        return {};
    }
    if (now.stamp == m_loadedStamp) {
        // Nobody else changed the file: the list is the book.
        records.reserve(m_list->count());
        for (int row = 0; row < m_list->count(); ++row)
            records.append(m_records.value(m_list->item(row)->text()));
        *selectedRow = m_list->currentRow();
        return records;
    }
    // Another program wrote the book meanwhile: its entries stay, and this opening's own
    // additions, edits and deletions are laid over them (they win on the same address). What
    // the list cannot show of it is treated as when a book is opened: joined where it can be,
    // the file as it was kept aside, the user told.
    const ListedRecords listed = listRecords(now.records);
    if (now.unreadBytes > 0 || listed.unlisted > 0)
        keepOriginal(now, listed.unlisted);
    QHash<QString, qsizetype> at;
    for (const InfoBlock& record : listed.records) {
        if (m_deleted.contains(record.address))
            continue;
        at.insert(record.address, records.size());
        records.append(record);
    }
    for (const QString& address : std::as_const(m_edited)) {
        const InfoBlock& mine = m_records[address];
        if (at.contains(address))
            records[at.value(address)] = mine;
        else
            records.append(mine);
    }
    std::stable_sort(records.begin(), records.end(), [](const InfoBlock& a, const InfoBlock& b) {
        return sortsBefore(a.address, b.address);
    });
    *selectedRow = -1;
    for (qsizetype i = 0; i < records.size() && !selected.isEmpty(); ++i)
        if (records[i].address == selected)
            *selectedRow = int(i);
    return records;
}

} // namespace dialogs
