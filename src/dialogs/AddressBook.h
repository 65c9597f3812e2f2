#pragma once
// The "Address Book" dialog: finger addresses with notes, kept in "addrbook.adb".
//
// The book is a store of record slots: a slot with an empty address is free and is taken by
// the next New before the store grows. The list shows one entry per live record, sorted
// without regard to case; an entry's record is the first slot with exactly its text.
// Every change, a change of selection included, sets the changed flag; the book is written
// when the dialog closes with OK or Finger and the flag is set. Cancel writes nothing.

#include "AddressBookFile.h"
#include "Base_Dialog.h"

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

    QString m_path;
    QString* m_handBack;
    bool m_changed = false;
    bool m_closed = false;
    bool m_settingNotes = false;
    QString m_acceptedNotes;  // the notes as they stood after the last edit that fitted
    QList<InfoBlock> m_slots; // live and free records
    QListWidget* m_list;
    QPlainTextEdit* m_notes;
};

} // namespace dialogs
