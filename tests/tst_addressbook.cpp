// SPDX-License-Identifier: MIT
#include "TestNetwork.h"
#include "Typing.h"
#include "WhenModal.h"
#include "app/TMyDecoratedFrame.h"
#include "dialogs/AddressBook.h"
#include "dialogs/AddressBookFile.h"
#include "dialogs/DNS_Dialog.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "view/TFingWnd.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "TestFiles.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using dialogs::AddressBook;
using dialogs::InfoBlock;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// Answers the next message box with button, keeping its text.
void answerBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    whenModal<QMessageBox>([=](QMessageBox* box) {
        if (text)
            *text = box->text();
        box->button(button)->click();
    });
}

} // namespace

class tst_AddressBook : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QWidget m_parent;
    QString m_handBack;
    std::unique_ptr<AddressBook> m_book;

    QString bookPath() const { return m_dir.filePath("addrbook.adb"); }

    AddressBook* open() {
        m_handBack = "untouched";
        m_book = std::make_unique<AddressBook>(&m_parent, res::DLG_ADDRBOOK, m_dir.path() + '/',
                                               &m_handBack);
        m_book->show();
        m_book->activateWindow();
        if (!QTest::qWaitForWindowActive(m_book.get()))
            qWarning("the address book did not become active");
        return m_book.get();
    }
    QListWidget* list() { return m_book->control<QListWidget>(res::IDC_ADDRBOOK_LIST); }
    QPlainTextEdit* notes() { return m_book->control<QPlainTextEdit>(res::IDC_ADDRBOOK_NOTES); }
    QPushButton* button(int id) { return m_book->control<QPushButton>(id); }
    QStringList entries() {
        QStringList all;
        for (int i = 0; i < list()->count(); ++i)
            all.append(list()->item(i)->text());
        return all;
    }
    // New: types the address into the input dialog and presses Enter.
    void addNew(const QString& address) {
        whenModal<dialogs::InputDialog>([address](dialogs::InputDialog* input) {
            // A person types once the dialog has the focus.
            QTRY_COMPARE(focusIn(input), static_cast<QWidget*>(input->field()));
            QTest::keyClicks(input->field(), address);
            QTest::keyClick(input->field(), Qt::Key_Return);
        });
        QTest::mouseClick(button(res::IDC_ADDRBOOK_NEW), Qt::LeftButton);
    }
    void clickEntry(int row) {
        const QRect item = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, item.center());
    }

    // One record as the file holds it: each field with its length and its NUL.
    static QByteArray record(const QByteArray& address, const QByteArray& notes) {
        QByteArray out;
        for (const QByteArray& field : {address, notes}) {
            const qint16 length = qint16(field.size() + 1);
            out.append(char(length & 0xFF)).append(char(length >> 8)).append(field).append('\0');
        }
        return out;
    }
    static QByteArray book(const QList<QByteArray>& records) {
        QByteArray out = hex("00000000 00000000");
        out[0] = char(records.size());
        for (const QByteArray& one : records)
            out += one;
        return out;
    }
    void addAndClose(const QString& address) {
        addNew(address);
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
    }

private slots:
    void initTestCase() { m_parent.setGeometry(100, 100, 600, 400); }

    // What stands at the book's path and is no regular, readable file is never replaced: the
    // user is told when the book opens and when it cannot be saved, and the file stays.
    void specialFilesAreLeftAlone_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to a device") << "device";
        QTest::newRow("link to nothing") << "dangling";
    }
    void specialFilesAreLeftAlone() {
        QFETCH(QString, kind);
        const QByteArray path = QFile::encodeName(bookPath());
        QFile::remove(bookPath());
        if (kind == "fifo") {
            QCOMPARE(mkfifo(path.constData(), 0600), 0);
        } else if (kind == "device") {
            const QByteArray node = QFile::encodeName(m_dir.filePath("null"));
            if (mknod(node.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QFAIL("needs root to make a device node");
            QCOMPARE(symlink(node.constData(), path.constData()), 0);
        } else {
            QCOMPARE(symlink("nowhere", path.constData()), 0);
        }
        QString opening;
        answerBox(QMessageBox::Ok, &opening);
        open();
        QVERIFY2(opening.contains("cannot be read"), qPrintable(opening));
        QString saving;
        answerBox(QMessageBox::Ok, &saving);
        addAndClose("new@host");
        QVERIFY2(saving.startsWith("Unable to save"), qPrintable(saving));
        struct stat after {};
        QCOMPARE(lstat(path.constData(), &after), 0);
        QCOMPARE(bool(S_ISFIFO(after.st_mode)), kind == "fifo");
        QCOMPARE(bool(S_ISLNK(after.st_mode)), kind != "fifo");
        QFile::remove(bookPath());
    }

    // Records the user did not touch keep the bytes another program wrote, Latin-1 text and
    // bare line feeds included; only the new record is encoded by this program.
    void untouchedRecordsKeepTheirBytes() {
        const QByteArray latin = record("m\xFCnchen.user.name.here@host.in.m\xFCnchen.example",
                                        QByteArray(200, '\xE9') + QByteArray(49, 'n'));
        const QByteArray lineFeeds = record("z@host", "one\ntwo\nthree\n");
        writeFile(bookPath(), book({latin, lineFeeds}));
        open();
        addAndClose("a@new");
        const QByteArray saved = contentOf(bookPath());
        QVERIFY(saved.contains(latin));
        QVERIFY(saved.contains(lineFeeds));
        QCOMPARE(dialogs::loadAddressBook(bookPath()).records.size(), 3);
        QFile::remove(bookPath());
    }

    // A damaged book says so once, and the file as it was is kept aside before the first
    // save replaces it; an older copy is never written over.
    void damagedBookIsKeptAside() {
        QList<QByteArray> records;
        for (int i = 0; i < 5; ++i)
            records.append(record(QByteArray("user") + char('0' + i) + "@host", "notes"));
        QByteArray damaged = book(records);
        const qsizetype third = 8 + records[0].size() + records[1].size();
        damaged[third + 1] = 0x7F; // an address length no field can have
        writeFile(bookPath(), damaged);
        QFile::remove(bookPath() + ".damaged");
        QString message;
        answerBox(QMessageBox::Ok, &message);
        open();
        QCOMPARE(entries().size(), 2);
        const qsizetype unread = damaged.size() - third;
        QVERIFY2(message.contains(QDir::toNativeSeparators(bookPath())) &&
                     message.contains(QString::number(unread)),
                 qPrintable(message));
        QCOMPARE(contentOf(bookPath() + ".damaged"), damaged);
        addAndClose("x@y");
        QCOMPARE(dialogs::loadAddressBook(bookPath()).records.size(), 3);

        writeFile(bookPath(), damaged.left(damaged.size() - 1));
        answerBox(QMessageBox::Ok);
        open();
        m_book->reject();
        QCOMPARE(contentOf(bookPath() + ".damaged"), damaged); // the first copy stays
        QFile::remove(bookPath());
        QFile::remove(bookPath() + ".damaged");
    }

    // A record the list cannot show as it is (a second one for an address, one without an
    // address, a Latin-1 address that reads as a UTF-8 one) is never dropped without a trace:
    // its notes join the entry's where they fit, the file as it was is kept, and the user is
    // told which copy holds it.
    void unlistableRecordsAreKept_data() {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("joinedNotes"); // bob@b's notes after the save
        QTest::newRow("second record for an address") << record("bob@b", "other") << "bob\nother";
        QTest::newRow("notes without an address") << record("", "orphan") << "bob";
        QTest::newRow("Latin-1 beside UTF-8")
            << record("caf\xE9@x", "latin") + record("caf\xC3\xA9@x", "utf") << "bob";
    }
    void unlistableRecordsAreKept() {
        QFETCH(QByteArray, extra);
        QFETCH(QString, joinedNotes);
        const QByteArray old = book({record("alice@a", "a"), record("bob@b", "bob")}) + extra;
        QByteArray counted = old;
        counted[0] = char(2 + extra.count("@") + (extra.contains("orphan") ? 1 : 0));
        writeFile(bookPath(), counted);
        QFile::remove(bookPath() + ".damaged");
        QString message;
        answerBox(QMessageBox::Ok, &message);
        open();
        QVERIFY2(message.contains(QDir::toNativeSeparators(bookPath() + ".damaged")),
                 qPrintable(message));
        addAndClose("new@n");
        QCOMPARE(contentOf(bookPath() + ".damaged"), counted);
        QStringList saved;
        for (const InfoBlock& one : dialogs::loadAddressBook(bookPath()).records)
            saved.append(one.address + '=' + one.notes);
        QVERIFY2(saved.contains("bob@b=" + joinedNotes), qPrintable(saved.join('|')));
        QVERIFY(saved.contains("new@n="));
        QFile::remove(bookPath() + ".damaged");
    }

    // Another program rewrites the book while the dialog is open: what its file holds that the
    // list cannot show is treated as when a book is opened, joined where it can be and kept
    // aside in a copy the message names, never dropped.
    void bookChangedMeanwhile_data() {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("bobNotes"); // bob@b's after OK
        QTest::addColumn<QString>("said");
        const auto bookWith = [](const QByteArray& extra, int records) {
            QByteArray bytes = book({record("alice@a", "a"), record("bob@b", "bob")}) + extra;
            bytes[0] = char(records);
            return bytes;
        };
        QTest::newRow("a second record for an address")
            << bookWith(record("bob@b", "other"), 3) << "bob\nother"
            << "the address of another";
        QTest::newRow("notes under an empty address") << bookWith(record("", "orphan"), 3) << "bob"
                                                      << "have no address";
        QTest::newRow("a damaged tail") << bookWith(hex("0500 6162"), 3) << "bob"
                                        << "damaged";
        QTest::newRow("an empty record with other bytes")
            << bookWith(hex("0300 007879 0100 00"), 3) << "bob"
            << "have no address";
    }
    void bookChangedMeanwhile() {
        QFETCH(QByteArray, written);
        QFETCH(QString, bobNotes);
        QFETCH(QString, said);
        writeFile(bookPath(), book({record("alice@a", "a")}));
        QFile::remove(bookPath() + ".damaged");
        open();
        writeFile(bookPath(), written); // another program, meanwhile
        QString message;
        answerBox(QMessageBox::Ok, &message);
        addAndClose("new@n");
        QVERIFY2(message.contains(said), qPrintable(message));
        QVERIFY2(message.contains(QDir::toNativeSeparators(bookPath() + ".damaged")),
                 qPrintable(message));
        QCOMPARE(contentOf(bookPath() + ".damaged"), written);
        QStringList saved;
        for (const InfoBlock& one : dialogs::loadAddressBook(bookPath()).records)
            saved.append(one.address + '=' + one.notes);
        QCOMPARE(saved, (QStringList{"alice@a=a", "bob@b=" + bobNotes, "new@n="}));
        QFile::remove(bookPath() + ".damaged");
    }

    // Damaged a second time: the copy goes under a free name, and the message names it.
    void secondDamageGetsItsOwnCopy() {
        QByteArray damaged = book({record("a@a", "x"), record("b@b", "y")});
        damaged.chop(3);
        writeFile(bookPath(), damaged);
        writeFile(bookPath() + ".damaged", "an older copy");
        QFile::remove(bookPath() + ".damaged.2");
        QString message;
        answerBox(QMessageBox::Ok, &message);
        open();
        QVERIFY2(message.contains(QDir::toNativeSeparators(bookPath() + ".damaged.2")),
                 qPrintable(message));
        addAndClose("c@c");
        QCOMPARE(contentOf(bookPath() + ".damaged"), QByteArray("an older copy"));
        QCOMPARE(contentOf(bookPath() + ".damaged.2"), damaged);
        for (const char* suffix : {".damaged", ".damaged.2"})
            QFile::remove(bookPath() + suffix);
    }

    // What stands at the path is checked when saving, not only when loading: a link swapped
    // in while the dialog was open is left alone and the user told. A save keeps the file's
    // permission bits.
    void saveLooksAtThePathAgain() {
        writeFile(bookPath(), dialogs::encodeAddressBook({{"a@h", ""}}, 0));
        open();
        const QByteArray node = QFile::encodeName(m_dir.filePath("null"));
        QFile::remove(m_dir.filePath("null"));
        if (mknod(node.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QFAIL("needs root to make a device node");
        QFile::remove(bookPath());
        QCOMPARE(symlink(node.constData(), QFile::encodeName(bookPath()).constData()), 0);
        QString saving;
        answerBox(QMessageBox::Ok, &saving);
        addAndClose("b@h");
        QVERIFY2(saving.startsWith("Unable to save"), qPrintable(saving));
        struct stat after {};
        QCOMPARE(stat(node.constData(), &after), 0);
        QVERIFY(S_ISCHR(after.st_mode));
        QFile::remove(bookPath());
        QFile::remove(m_dir.filePath("null"));
    }
    // A book that grew past the limit meanwhile cannot be read back, so it is not written over.
    void bookGrownMeanwhileIsLeftAlone() {
        writeFile(bookPath(), dialogs::encodeAddressBook({{"a@h", ""}}, 0));
        open();
        QFile grown(bookPath());
        QVERIFY(grown.open(QIODevice::ReadWrite));
        QVERIFY(grown.resize(dialogs::MaxFileSize + 1)); // sparse: costs no disk
        grown.close();
        QString saving;
        answerBox(QMessageBox::Ok, &saving);
        addAndClose("b@h");
        QVERIFY2(saving.contains("larger than the 32 MiB") && saving.contains("not saved"),
                 qPrintable(saving));
        QCOMPARE(QFileInfo(bookPath()).size(), dialogs::MaxFileSize + 1);
        QVERIFY(!m_book->isVisible());
    }
    void saveKeepsTheFileMode() {
        writeFile(bookPath(), dialogs::encodeAddressBook({{"a@h", ""}}, 0));
        const QByteArray path = QFile::encodeName(bookPath());
        QCOMPARE(chmod(path.constData(), 0640), 0);
        QVERIFY(dialogs::saveAddressBook(bookPath(), {{"b@h", ""}}, 0));
        struct stat after {};
        QCOMPARE(stat(path.constData(), &after), 0);
        QCOMPARE(after.st_mode & 07777, mode_t(0640));
    }

    // A book beyond the limits loads what fits; the rest is kept in a copy, never lost.
    void bookLimits() {
        QList<QByteArray> records;
        for (int i = 0; i < 5; ++i)
            records.append(record(QByteArray("u") + char('0' + i), ""));
        const dialogs::AddressBookContent cut = dialogs::decodeAddressBook(book(records), 3);
        QCOMPARE(cut.records.size(), 3);
        QVERIFY(cut.overLimit);
        QCOMPARE(cut.unreadBytes, records[3].size() + records[4].size());
        QFile huge(bookPath());
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(dialogs::MaxFileSize + 1)); // sparse: costs no disk
        huge.close();
        const dialogs::AddressBookContent tooLarge = dialogs::loadAddressBook(bookPath());
        QVERIFY(tooLarge.unreadable && tooLarge.tooLarge);
    }

    // Two copies of the program: what the other saved while this dialog was open is kept,
    // and this dialog's own change wins on the same address.
    void twoCopiesKeepEachOthersEntries() {
        writeFile(bookPath(),
                  dialogs::encodeAddressBook({{"both@h", "before"}, {"old@h", "old"}}, -1));
        open();
        dialogs::saveAddressBook(bookPath(),
                                 {{"b@h", "from B"}, {"both@h", "B's"}, {"old@h", "old"}}, 0);
        clickEntry(0); // both@h
        notes()->setFocus();
        QTest::keyClick(notes(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(notes(), " and A's");
        addAndClose("a@h");
        const dialogs::AddressBookContent saved = dialogs::loadAddressBook(bookPath());
        QStringList addresses;
        for (const InfoBlock& one : saved.records)
            addresses.append(one.address + '=' + one.notes);
        QCOMPARE(addresses,
                 (QStringList{"a@h=", "b@h=from B", "both@h=before and A's", "old@h=old"}));
        QCOMPARE(saved.selected, 0); // a@h, added last
        QFile::remove(bookPath());
    }
    void init() { QFile::remove(bookPath()); }
    void cleanup() {
        m_book.reset();
        forgetModalHandlers(); // a box that never came must not answer a later test's
    }

    // The byte layout.
    void workedExamples() {
        QCOMPARE(dialogs::encodeAddressBook({{"abc", ""}}, 0),
                 hex("01000000 00000000 0400 61626300 0100 00"));
        QCOMPARE(dialogs::encodeAddressBook({{"u@h", "x\ny"}}, 0).right(7),
                 hex("0500 78 0D0A 79 00"));
        QCOMPARE(dialogs::encodeAddressBook({}, -1), hex("00000000 FFFFFFFF"));
    }

    void fieldLimits_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QString>("storedAddress");
        QTest::addColumn<QString>("storedNotes");
        const QString a49(49, 'a');
        const QString n249(249, 'n');
        QTest::newRow("49 and 249 bytes fit") << a49 << n249 << a49 << n249;
        QTest::newRow("one more is cut") << a49 + "b" << n249 + "o" << a49 << n249;
        const QString e = QString::fromUtf8("\xC3\xA9"); // two bytes
        QTest::newRow("a character over the limit goes whole")
            << QString(48, 'a') + e << QString(248, 'n') + e << QString(48, 'a')
            << QString(248, 'n');
        QTest::newRow("a line end over the limit goes whole") << "x" << QString(248, 'n') + "\ny"
                                                              << "x" << QString(248, 'n');
    }
    void fieldLimits() {
        QFETCH(QString, address);
        QFETCH(QString, notes);
        QFETCH(QString, storedAddress);
        QFETCH(QString, storedNotes);
        const QByteArray bytes = dialogs::encodeAddressBook({{address, notes}}, 0);
        const dialogs::AddressBookContent back = dialogs::decodeAddressBook(bytes);
        QCOMPARE(back.records.size(), 1);
        QCOMPARE(back.records[0].address, storedAddress);
        QCOMPARE(back.records[0].notes, storedNotes);
        QVERIFY(bytes.size() <= 8 + 4 + 50 + 250);
    }

    void damagedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("addresses");
        const QByteArray one = hex("0400 61626300 0200 7800"); // "abc" with notes "x"
        const QByteArray two = hex("0200 7A00 0100 00");       // "z"
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("header cut short") << hex("010000") << QStringList();
        QTest::newRow("negative count") << hex("FFFFFFFF 00000000") + one << QStringList();
        QTest::newRow("huge count, two records")
            << hex("FFFFFF7F 00000000") + one + two << QStringList{"abc", "z"};
        QTest::newRow("count beyond the records")
            << hex("05000000 00000000") + one << QStringList{"abc"};
        QTest::newRow("record cut in its notes")
            << hex("02000000 00000000") + one + two.left(5) << QStringList{"abc"};
        QTest::newRow("address length 0") << hex("01000000 00000000 0000 0100 00") << QStringList();
        QTest::newRow("address length 51")
            << hex("01000000 00000000 3300") + QByteArray(51, 'a') + hex("0100 00")
            << QStringList();
        QTest::newRow("negative notes length")
            << hex("02000000 00000000 0200 6100 FFFF") + two << QStringList();
        QTest::newRow("notes length 251")
            << hex("01000000 00000000 0200 6100 FB00") + QByteArray(251, 'n') << QStringList();
        QTest::newRow("address without its NUL keeps 49 bytes")
            << hex("01000000 00000000 3200") + QByteArray(50, 'q') + hex("0100 00")
            << QStringList{QString(49, 'q')};
        QTest::newRow("text after a NUL is not the address")
            << hex("01000000 00000000 0400 61006200 0100 00") << QStringList{"a"};
    }
    void damagedFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, addresses);
        const dialogs::AddressBookContent content = dialogs::decodeAddressBook(bytes);
        QStringList loaded;
        for (const InfoBlock& record : content.records)
            if (!record.address.isEmpty())
                loaded.append(record.address);
        QCOMPARE(loaded, addresses);
    }

    void notesKeepCrLfInTheFile() {
        QCOMPARE(dialogs::notesBytes("one\ntwo\n"), QByteArray("one\r\ntwo\r\n"));
        QCOMPARE(dialogs::notesFromBytes("one\r\ntwo"), QString("one\ntwo"));
    }

    void latin1BytesSurvive() {
        writeFile(bookPath(), hex("01000000 00000000 0800 6A6F73E9406869") + hex("00 0100 00"));
        const dialogs::AddressBookContent content = dialogs::loadAddressBook(bookPath());
        QCOMPARE(content.records.value(0).address, QString::fromLatin1("jos\xE9@hi"));
        // A U+FEFF in a note is a character of the note, not a byte-order mark.
        const QByteArray note = hex("EFBBBF 61 EFBBBF 62");
        const QByteArray noted = hex("01000000 00000000 0100 61") + char(note.size()) + '\0' + note;
        QCOMPARE(dialogs::decodeAddressBook(noted).records.value(0).notes,
                 QChar(0xFEFF) + QString("a") + QChar(0xFEFF) + "b");
    }

    void failedSaveKeepsTheOldBook() {
        if (geteuid() != 0)
            QFAIL("needs root to mount a small tmpfs");
        QTemporaryDir mountPoint;
        if (QProcess::execute("mount",
                              {"-t", "tmpfs", "-o", "size=8k", "tmpfs", mountPoint.path()}) != 0)
            QFAIL("cannot mount a tmpfs here");
        const QString path = mountPoint.filePath("addrbook.adb");
        const QByteArray old = dialogs::encodeAddressBook({{"keep@me", "old notes"}}, 0);
        writeFile(path, old);
        QList<InfoBlock> big;
        for (int i = 0; i < 1000; ++i)
            big.append({QString("user%1@host").arg(i), QString(240, 'n')});
        const bool saved = dialogs::saveAddressBook(path, big, 0);
        QProcess::execute("sh", {"-c", "cp '" + path + "' '" + m_dir.filePath("after") + "'"});
        QProcess::execute("umount", {mountPoint.path()});
        QVERIFY(!saved);
        QCOMPARE(contentOf(m_dir.filePath("after")), old);
    }

    // The dialog, driven as a user does.
    void noFileOpensEmptyAndOkWritesNothing() {
        open();
        QCOMPARE(list()->count(), 0);
        QCOMPARE(notes()->toPlainText(), QString());
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        QCOMPARE(m_book->result(), int(res::IDOK));
        QVERIFY(!QFile::exists(bookPath()));
    }

    void newEntriesSortAndDuplicatesWarn() {
        open();
        addNew("b");
        addNew("a");
        addNew("B");
        QCOMPARE(entries(), (QStringList{"a", "b", "B"}));
        QString warning;
        answerBox(QMessageBox::Ok, &warning);
        addNew("a");
        QCOMPARE(warning, QString("Address a is already in address book"));
        QCOMPARE(entries(), (QStringList{"a", "b", "B"}));
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        const dialogs::AddressBookContent saved = dialogs::loadAddressBook(bookPath());
        QCOMPARE(saved.records.size(), 3);
        QCOMPARE(saved.records[0].address, QString("a"));
        QCOMPARE(saved.selected, 2); // "B", added last, is selected
    }

    void notesGoToTheirOwnEntry() {
        open();
        addNew("first@host");
        QTRY_COMPARE(QApplication::focusWidget(), notes());
        QTest::keyClicks(notes(), "about first");
        QTest::keyClick(notes(), Qt::Key_Return);
        QTest::keyClicks(notes(), "line two");
        addNew("second@host"); // the click on New commits the notes first
        QTRY_COMPARE(QApplication::focusWidget(), notes());
        QTest::keyClicks(notes(), "about second");
        clickEntry(0);
        QCOMPARE(notes()->toPlainText(), QString("about first\nline two"));
        clickEntry(1);
        QCOMPARE(notes()->toPlainText(), QString("about second"));
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        const QByteArray bytes = contentOf(bookPath());
        QVERIFY(bytes.contains("about first\r\nline two"));
        QVERIFY(bytes.contains("about second"));
    }

    void notesTypedWithNothingSelectedAreDropped() {
        open();
        notes()->setFocus();
        QTest::keyClicks(notes(), "nobody's notes");
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        QVERIFY(!QFile::exists(bookPath()));
    }

    void notesStillBeingTypedAreKeptOnOk() {
        writeFile(bookPath(), dialogs::encodeAddressBook({{"a@h", ""}}, 0));
        open();
        notes()->setFocus();
        QTest::keyClicks(notes(), "typed");
        QTest::keyClick(m_book.get(), Qt::Key_O, Qt::AltModifier);
        QTRY_COMPARE(m_book->result(), int(res::IDOK));
        QCOMPARE(dialogs::loadAddressBook(bookPath()).records.value(0).notes, QString("typed"));
    }

    // A full notes box refuses the keystroke that would overflow it; what it holds stays.
    void fullNotesRefuseTheKey_data() {
        QTest::addColumn<QString>("fill");
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<QString>("extra");
        const QString n248(248, 'n');
        QTest::newRow("a letter at the start") << n248 + "Z" << true << "X";
        QTest::newRow("a line end takes two bytes") << n248 << false << "\n";
        QTest::newRow("e acute takes two bytes") << n248 << false << QString(QChar(0xE9));
    }
    void fullNotesRefuseTheKey() {
        QFETCH(QString, fill);
        QFETCH(bool, atStart);
        QFETCH(QString, extra);
        writeFile(bookPath(), dialogs::encodeAddressBook({{"a@h", ""}}, 0));
        open();
        notes()->setFocus();
        QTest::keyClicks(notes(), fill);
        if (atStart)
            QTest::keyClick(notes(), Qt::Key_Home, Qt::ControlModifier);
        if (extra == "\n")
            QTest::keyClick(notes(), Qt::Key_Return);
        else
            typeKeys(notes(), extra);
        QCOMPARE(notes()->toPlainText(), fill);
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        QCOMPARE(dialogs::loadAddressBook(bookPath()).records.value(0).notes, fill);
    }

    void newAddressFieldCountsBytes() {
        open();
        QString typed;
        whenModal<dialogs::InputDialog>([&typed](dialogs::InputDialog* input) {
            QTRY_COMPARE(focusIn(input), static_cast<QWidget*>(input->field()));
            typeKeys(input->field(), QString(30, QChar(0xE9))); // 60 bytes of UTF-8
            typed = input->field()->text();
            QTest::keyClick(input->field(), Qt::Key_Return);
        });
        QTest::mouseClick(button(res::IDC_ADDRBOOK_NEW), Qt::LeftButton);
        QCOMPARE(typed, QString(24, QChar(0xE9))); // 48 bytes; a 25th would make 50
        QCOMPARE(entries(), QStringList{typed});
    }

    void deleteSequencesKeepNotesAndReuseSlots() {
        writeFile(bookPath(), dialogs::encodeAddressBook(
                                  {{"a", "na"}, {"b", "nb"}, {"c", "nc"}, {"d", "nd"}}, 1));
        open();
        QCOMPARE(list()->currentRow(), 1);
        QCOMPARE(notes()->toPlainText(), QString("nb"));
        answerBox(QMessageBox::No);
        QTest::mouseClick(button(res::IDC_ADDRBOOK_DELETE), Qt::LeftButton);
        QCOMPARE(entries().size(), 4);
        QString question;
        answerBox(QMessageBox::Yes, &question);
        QTest::mouseClick(button(res::IDC_ADDRBOOK_DELETE), Qt::LeftButton);
        QCOMPARE(question, QString("Are you sure you want to delete\n b ?"));
        QCOMPARE(entries(), (QStringList{"a", "c", "d"}));
        QCOMPARE(notes()->toPlainText(), QString("nc")); // the next entry took the position
        addNew("e");                                     // takes b's free slot
        QTest::keyClicks(notes(), "ne");
        clickEntry(3);
        QCOMPARE(list()->currentItem()->text(), QString("e"));
        answerBox(QMessageBox::Yes);
        QTest::mouseClick(button(res::IDC_ADDRBOOK_DELETE), Qt::LeftButton);
        QCOMPARE(list()->currentItem()->text(), QString("d")); // the last went: the one before
        QCOMPARE(notes()->toPlainText(), QString("nd"));
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        const dialogs::AddressBookContent saved = dialogs::loadAddressBook(bookPath());
        QStringList written;
        for (const InfoBlock& record : saved.records)
            written.append(record.address + '=' + record.notes);
        QCOMPARE(written, (QStringList{"a=na", "c=nc", "d=nd"}));
        QCOMPARE(saved.selected, 2);
    }

    void deletingTheOnlyEntryLeavesNothingSelected() {
        writeFile(bookPath(), dialogs::encodeAddressBook({{"only", "n"}}, 0));
        open();
        answerBox(QMessageBox::Yes);
        QTest::mouseClick(button(res::IDC_ADDRBOOK_DELETE), Qt::LeftButton);
        QCOMPARE(list()->count(), 0);
        QCOMPARE(notes()->toPlainText(), QString());
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        QCOMPARE(contentOf(bookPath()), hex("00000000 FFFFFFFF"));
    }

    void growsBeyondLoadedCountPlusThirty() {
        open();
        for (int i = 0; i < 32; ++i)
            addNew(QString("user%1").arg(i, 2, 10, QChar('0')));
        QCOMPARE(list()->count(), 32);
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        QCOMPARE(dialogs::loadAddressBook(bookPath()).records.size(), 32);
    }

    void changedFlagRules() {
        const QByteArray before = dialogs::encodeAddressBook({{"a", ""}, {"b", ""}}, 0);
        writeFile(bookPath(), before);
        open();
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton); // untouched: nothing written
        QCOMPARE(contentOf(bookPath()), before);

        open();
        addNew("c");
        QTest::keyClick(m_book.get(), Qt::Key_Escape); // changes, then Cancel
        QCOMPARE(m_book->result(), int(res::IDCANCEL));
        QCOMPARE(contentOf(bookPath()), before);

        open();
        clickEntry(1); // a change of selection alone is written
        QTest::mouseClick(button(res::IDOK), Qt::LeftButton);
        QCOMPARE(contentOf(bookPath()), dialogs::encodeAddressBook({{"a", ""}, {"b", ""}}, 1));
    }

    void doubleClickFingersTheEntry() {
        writeFile(bookPath(), dialogs::encodeAddressBook({{"a@h", ""}, {"b@h", ""}}, -1));
        open();
        const QPoint item = list()->visualItemRect(list()->item(1)).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, item);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, item);
        QCOMPARE(m_book->result(), AddressBook::FingerResult);
        QCOMPARE(m_handBack, QString("b@h"));
    }

    void fingerWithEmptyBookHandsBackNothing() {
        open();
        QTest::mouseClick(button(res::IDC_ADDRBOOK_FINGER), Qt::LeftButton);
        QCOMPARE(m_book->result(), AddressBook::FingerResult);
        QCOMPARE(m_handBack, QString());
    }

    // Through the main window: the Finger button starts a full-information call.
    void fingerCommandSendsFullInfoQuery() {
        writeFile(bookPath(), dialogs::encodeAddressBook({{"someone@book.test", ""}}, 0));
        app::TMyDecoratedFrame frame(m_dir.path() + '/');
        frame.client().setResolver(loopbackResolver());
        LoopbackServer server({{"reply\r\n"}});
        routeServicesTo(frame.client().engine(), server);
        frame.show();
        QVERIFY(frame.commandEnabled(res::CM_ADDRBOOK));
        whenModal<AddressBook>([](AddressBook* book) {
            QTest::mouseClick(book->control<QPushButton>(res::IDC_ADDRBOOK_FINGER), Qt::LeftButton);
        });
        frame.command(res::CM_ADDRBOOK);
        QVERIFY(!frame.commandEnabled(res::CM_ADDRBOOK)); // a call runs
        QTRY_COMPARE(server.requests(), QList<QByteArray>{"/W someone\r\n"});
        QTRY_VERIFY(!frame.client().Busy());
        QCOMPARE(frame.client().toPlainText(), QString("reply\n"));
    }
};

QTEST_MAIN(tst_AddressBook)
#include "tst_addressbook.moc"
