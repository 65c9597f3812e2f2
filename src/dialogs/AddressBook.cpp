#include "AddressBook.h"
#include "DNS_Dialog.h"
#include "StoredList.h"
#include "platform/MessageBox.h"
#include "resources/DialogTemplates.h"

#include <QApplication>
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

void AddressBook::loadBook() {
    const AddressBookContent content = loadAddressBook(m_path);
    QSignalBlocker quiet(m_list);
    for (const InfoBlock& record : content.records) {
        // A record without an address, or a second one with the same text, cannot be shown.
        if (record.address.isEmpty() || recordOf(record.address))
            continue;
        m_slots.append(record);
        insertSorted(record.address);
    }
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

InfoBlock* AddressBook::recordOf(const QString& address) {
    for (InfoBlock& record : m_slots)
        if (!record.address.isEmpty() && record.address == address)
            return &record;
    return nullptr;
}

int AddressBook::insertSorted(const QString& address) {
    int row = 0;
    while (row < m_list->count() &&
           QString::compare(m_list->item(row)->text(), address, Qt::CaseInsensitive) <= 0)
        ++row;
    m_list->insertItem(row, address);
    return row;
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
    m_changed = true;
    record->notes = notesFromBytes(notesBytes(m_notes->toPlainText()));
    m_notes->document()->setModified(false);
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
    m_changed = true;
    // A free slot first; the store grows only when none is left.
    auto free = std::find_if(m_slots.begin(), m_slots.end(),
                             [](const InfoBlock& record) { return record.address.isEmpty(); });
    if (free == m_slots.end())
        free = m_slots.insert(m_slots.end(), InfoBlock{});
    free->address = address;
    free->notes.clear();
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
    const auto answer = platform::messageBox(
        this, QStringLiteral("Are you sure you want to delete\n %1 ?").arg(address),
        QStringLiteral("Question box"), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    m_changed = true;
    if (InfoBlock* record = recordOf(address)) {
        record->notes.clear();
        if (record == &m_slots.last())
            m_slots.removeLast();
        else
            record->address.clear(); // a free slot for the next New
    }
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
            if (m_changed && !saveBook())
                platform::messageBox(
                    this, QStringLiteral("Unable to save the address book\n%1").arg(m_path),
                    QStringLiteral("File Error"), QMessageBox::Warning);
        }
    }
    Base_Dialog::done(result);
}

bool AddressBook::saveBook() {
    QList<InfoBlock> inListOrder;
    for (int row = 0; row < m_list->count(); ++row)
        if (const InfoBlock* record = recordOf(m_list->item(row)->text()))
            inListOrder.append(*record);
    return saveAddressBook(m_path, inListOrder, m_list->currentRow());
}

} // namespace dialogs
