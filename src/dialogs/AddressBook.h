// SPDX-License-Identifier: MIT
#pragma once
// The "Address Book" dialog: finger addresses with notes, kept in "addrbook.adb".
//
// The records are kept by address; the list shows one entry per record, sorted without regard
// to case (entries that compare equal keep the order they came in). Every change, a change of
// selection included, sets the changed flag; the book is written when the dialog closes with OK
// or Finger and the flag is set. Cancel writes nothing.
//
// Saving keeps what the dialog did not touch: records the user did not edit are written with
// the bytes they were read with, a damaged file is copied aside before it is replaced, a file
// that cannot be read is never replaced, and a book another copy of the program saved while
// this dialog was open is merged with this one's changes rather than overwritten.

#include "AddressBookFile.h"
#include "Base_Dialog.h"

#include <QHash>
#include <QSet>

#include <functional>

class QListWidget;
class QPlainTextEdit;

namespace dialogs {

class AddressBook : public Base_Dialog {
    Q_OBJECT
public:
    static constexpr int FingerResult = 205;

    // handBack receives the address chosen with Finger (empty when none was selected).
    AddressBook(QWidget* parent, int resourceId, const QString& dataDirectory, QString* handBack);

    static QString fileName() { return QStringLiteral("addrbook.adb"); }
    const QString& path() const { return m_path; }
    bool changed() const { return m_changed; }

    // Asks for a new address; replaced in tests that need no nested dialog.
    std::function<bool(QString*)> askNewAddress;

    void done(int result) override;

protected:
    void SetupWindow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void New();
    void Delete();
    void Finger();
    void SelectionChanged();
    void CommitNotes(const QString& address);
    void limitNotes();

    InfoBlock* recordOf(const QString& address);
    int insertSorted(const QString& address);
    QString selectedAddress() const;
    void loadBook();
    bool saveBook();
    QList<InfoBlock> recordsToSave(const QString& selected, int* selectedRow);
    void keepOriginal(const AddressBookContent& content, int unlisted);
    void edited(const QString& address);

    QString m_path;
    QString* m_handBack;
    bool m_changed = false;
    bool m_closed = false;
    bool m_settingNotes = false;
    QString m_acceptedNotes;             // the notes as they stood after the last edit that fitted
    QHash<QString, InfoBlock> m_records; // by address
    QSet<QString> m_edited;              // added, or with notes changed, in this opening
    QSet<QString> m_deleted;             // deleted in this opening
    bool m_unreadable = false;           // a file stands there that must not be written over
    bool m_toldNotSaved = false;         // the user has been told why the save was refused
    FileStamp m_loadedStamp;
    QListWidget* m_list;
    QPlainTextEdit* m_notes;
};

} // namespace dialogs
