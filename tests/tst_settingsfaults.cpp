// SPDX-License-Identifier: MIT
// Hostile settings files and failing disks: nothing lost, nothing frozen, byte for byte.
#include "WhenModal.h"
#include "app/FrameSettings.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TextCommands.h"
#include "dialogs/AddressBookFile.h"
#include "dialogs/Finger_Dialog.h"
#include "platform/ProfileFile.h"
#include "platform/SafeSave.h"
#include "resources/DialogTemplates.h"
#include "view/TextBuffer.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "TestFiles.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using platform::ProfileFile;

class tst_SettingsFaults : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath("vintrel.ini"); }

    // A tmpfs of the given size, mounted for one test; empty when that cannot be done here.
    QString mountSmallDisk(const QString& size) {
        if (geteuid() != 0)
            return {};
        const QString point = m_dir.filePath("disk");
        QDir().mkpath(point);
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", point}) != 0)
            return {};
        return point;
    }
    void unmount(const QString& point) { QProcess::execute("umount", {point}); }
    // Writes filler until the disk takes no more bytes.
    static void fillDisk(const QString& filler) {
        QFile file(filler);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray page(4096, 'f');
        while (file.write(page) == page.size()) {
        }
        while (file.write("f", 1) == 1) {
        }
    }

    // Types an address into the Finger dialog and presses Enter (or the key given); the text of
    // every message box that comes meanwhile, joined.
    QString fingerThroughDialog(const QString& typed, Qt::Key last = Qt::Key_Return) {
        QWidget parent;
        AddrInfo info;
        dialogs::Finger_Dialog dialog(&parent, res::DLG_FINGER, iniPath(), true, &info);
        dialog.show();
        QLineEdit* field = dialog.control<QComboBox>(res::IDC_FINGER_ADDRESS)->lineEdit();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, typed);
        auto told = std::make_shared<QString>();
        std::function<void(QMessageBox*)> answer = [told, &answer](QMessageBox* box) {
            *told += box->text();
            box->accept();
            whenModal<QMessageBox>(answer);
        };
        whenModal<QMessageBox>(answer);
        QTest::keyClick(field, last);
        forgetModalHandlers();
        return *told;
    }

private slots:
    void init() { QFile::remove(iniPath()); }

    // On a full disk every writer fails and keeps the old file whole, whatever the size of
    // the old and the new bytes: small writes used to sit in a buffer whose failed flush went
    // unreported, leaving an empty or cut file that looked saved.
    void fullDiskKeepsEveryFile_data() {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<int>("size");
        for (const char* writer : {"settings", "address book", "save as"})
            for (int size : {0, 100, 4096, 20 * 1024})
                QTest::addRow("%s, %d bytes", writer, size) << QString(writer) << size;
    }
    void fullDiskKeepsEveryFile() {
        QFETCH(QString, writer);
        QFETCH(int, size);
        const QString disk = mountSmallDisk("64k");
        if (disk.isEmpty())
            QFAIL("needs root and a tmpfs to fill the disk");
        const QString path = disk + "/file";
        const QByteArray old(size, 'o');
        writeFile(path, old);
        fillDisk(disk + "/filler");
        bool saved = false;
        if (writer == "settings") {
            ProfileFile file(path);
            file.writeString("Options", "x", QString(size, 'x'));
            saved = file.save();
        } else if (writer == "address book") {
            QList<dialogs::InfoBlock> records;
            for (int left = size; left > 0; left -= 250)
                records.append({QString("a%1@b").arg(left), QString(std::min(left, 240), 'n')});
            saved = dialogs::saveAddressBook(path, records, -1);
        } else {
            view::TextBuffer text;
            text.append(QString(size, 'r'));
            saved = app::TextCommands::saveText(text, path) == app::TextCommands::SaveResult::Saved;
        }
        const QByteArray after = contentOf(path);
        unmount(disk);
        QVERIFY(!saved);
        QCOMPARE(after, old);
    }

    void failedExitSaveIsReported() {
        // A directory stands where the settings file should be: it can be neither read nor
        // replaced, and the user is told at exit.
        QVERIFY(QDir().mkpath(iniPath()));
        QString text;
        whenModal<QMessageBox>([&text](QMessageBox* box) {
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        delete new app::TMyDecoratedFrame(m_dir.path() + '/');
        QVERIFY(QFileInfo(iniPath()).isDir());
        QVERIFY2(text.contains(QDir::toNativeSeparators(iniPath())), qPrintable(text));
        QDir(iniPath()).removeRecursively();
    }

    void unreadableFileIsNeverWrittenOver() {
        writeFile(iniPath(), "[Window Size]\nx=100\n");
        if (geteuid() == 0)
            QSKIP("root reads a file of mode 0200; the FIFO case covers the rule");
        QVERIFY(::chmod(QFile::encodeName(iniPath()).constData(), 0200) == 0);
        ProfileFile file(iniPath());
        QVERIFY(file.unreadable());
        file.writeInt("Window Size", "x", 5);
        QVERIFY(!file.save());
        ::chmod(QFile::encodeName(iniPath()).constData(), 0600);
        QCOMPARE(contentOf(iniPath()), QByteArray("[Window Size]\nx=100\n"));
    }

    void fifoNeitherBlocksNorIsReplaced() {
        QVERIFY(::mkfifo(QFile::encodeName(iniPath()).constData(), 0600) == 0);
        ProfileFile file(iniPath()); // would block for ever if opened
        QVERIFY(file.unreadable());
        QCOMPARE(file.readInt("Window Size", "x", 40), 40);
        file.writeInt("Window Size", "x", 1);
        QVERIFY(!file.save());
        QVERIFY(QFileInfo(iniPath()).isFile() == false);
        QFile::remove(iniPath());
    }

    void linkToEndlessDeviceIsNotRead() {
        const QString zero = m_dir.filePath("zero"); // a private node of the endless device
        QFile::remove(zero);
        QVERIFY2(::mknod(QFile::encodeName(zero).constData(), S_IFCHR | 0600, makedev(1, 5)) == 0,
                 "needs root to make a device node");
        QVERIFY(QFile::link(zero, iniPath()));
        ProfileFile file(iniPath());
        QVERIFY(file.unreadable());
        QCOMPARE(file.readString("Font", "facename", "Fixedsys", 40), QString("Fixedsys"));
        QFile::remove(iniPath());
        QFile::remove(zero);
    }

    // What another program swaps in at the path while a save writes (a FIFO, a link to a
    // device, another file) is found by the last look before the rename and left as it is.
    void saveLooksAtThePathAtTheLastMoment_data() {
        QTest::addColumn<QString>("swappedIn");
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("a link to a device") << "device";
        QTest::newRow("another file") << "file";
    }
    void saveLooksAtThePathAtTheLastMoment() {
        QFETCH(QString, swappedIn);
        writeFile(iniPath(), "[Window Size]\nx=1\n");
        const QByteArray path = QFile::encodeName(iniPath());
        const QByteArray node = QFile::encodeName(m_dir.filePath("node"));
        QFile::remove(m_dir.filePath("node"));
        platform::SaveOptions options;
        options.beforeLastLook = [&] {
            if (swappedIn == "file") { // made beside it first, so it is no reuse of its inode
                writeFile(m_dir.filePath("other"), "another file");
                ::rename(QFile::encodeName(m_dir.filePath("other")).constData(), path.constData());
                return;
            }
            QFile::remove(iniPath());
            if (swappedIn == "fifo") {
                QCOMPARE(::mkfifo(path.constData(), 0600), 0);
            } else if (swappedIn == "device") {
                QCOMPARE(::mknod(node.constData(), S_IFCHR | 0600, makedev(1, 3)), 0);
                QCOMPARE(::symlink(node.constData(), path.constData()), 0);
            }
        };
        QCOMPARE(platform::saveWholeFile(iniPath(), "[Window Size]\nx=2\n", options),
                 platform::SaveOutcome::NotRegularFile);
        struct stat standing {};
        QCOMPARE(::lstat(path.constData(), &standing), 0);
        if (swappedIn == "fifo")
            QVERIFY(S_ISFIFO(standing.st_mode));
        else if (swappedIn == "device")
            QVERIFY(S_ISLNK(standing.st_mode) && QFileInfo(m_dir.filePath("node")).exists());
        else
            QCOMPARE(contentOf(iniPath()), QByteArray("another file"));
        QFile::remove(iniPath());
        QFile::remove(m_dir.filePath("node"));
    }

    void hugeFileIsNotRead() {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(ProfileFile::MaxFileSize + 1)); // sparse: costs no disk
        file.close();
        ProfileFile profile(iniPath());
        QVERIFY(profile.unreadable());
        QVERIFY(!profile.save());
        QCOMPARE(QFileInfo(iniPath()).size(), ProfileFile::MaxFileSize + 1);
    }

    // A history entry written by another program in Latin-1 is shown whole and, unchanged,
    // never rewritten: the byte limit applies to the file's bytes, not to their UTF-8 form.
    void latinOneEntriesSurviveTheFingerDialog_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::newRow("short") << QByteArray("jos\xE9@host");
        QTest::newRow("40 bytes, 80 as UTF-8")
            << QByteArray("m\xFCnchen.user.with.a.long.name@h\xF6st.ex");
    }
    void latinOneEntriesSurviveTheFingerDialog() {
        QFETCH(QByteArray, entry);
        const QByteArray old = "[History]\r\ncount=1\r\nindex=0\r\nAddress1=" + entry +
                               "\r\n[Options]\r\nfull_info=1\r\n";
        writeFile(iniPath(), old);
        QWidget parent;
        AddrInfo info;
        dialogs::Finger_Dialog dialog(&parent, res::DLG_FINGER, iniPath(), true, &info);
        dialog.show();
        auto* box = dialog.control<QComboBox>(res::IDC_FINGER_ADDRESS);
        QCOMPARE(box->itemText(0), QString::fromLatin1(entry));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(contentOf(iniPath()), old);
    }

    // An entry the user did not change keeps its bytes wherever the sorted list moves it, so a
    // Latin-1 entry is never re-encoded (83 bytes of UTF-8) and then cut when read back.
    void latinOneEntryKeepsItsBytesWhenItMoves() {
        const QByteArray entry = "a" + QByteArray(40, '\xE9') + "@h";
        writeFile(iniPath(), "[History]\ncount=1\nindex=0\nAddress1=" + entry + "\n");
        for (const char* typed : {"0@b", ""}) {
            fingerThroughDialog(typed, *typed ? Qt::Key_Return : Qt::Key_Escape);
            QCOMPARE(ProfileFile(iniPath()).readBytes("History", "Address2", 55).value_or(""),
                     entry);
        }
    }

    // Lone CRs (old Mac editors) end lines: the settings read, and a write changes only its
    // own line, keeping the file's line ends and one section of each name.
    void crOnlyLineEnds() {
        writeFile(iniPath(), "[Font]\rheight=-20\r[Options]\rkeep_history=0\r");
        const app::FrameSettings read = app::FrameSettings::read(iniPath());
        QCOMPARE(read.font.lfHeight, -20);
        QCOMPARE(read.keepHistory, false);
        ProfileFile file(iniPath());
        file.writeInt("Font", "height", -30);
        file.writeInt("Font", "width", 9);
        QVERIFY(file.save());
        QCOMPARE(contentOf(iniPath()),
                 QByteArray("[Font]\rheight=-30\rwidth=9\r[Options]\rkeep_history=0\r"));
    }

    // A save never writes a file the program would refuse to read: at the cap, history keys
    // beyond the count go first, then history entries (the user is told how many), never the
    // user's settings; a file that cannot be brought under the cap is left as it was.
    void fileAtTheCapStaysReadable_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("deadKeys");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("entriesDropped");
        QTest::newRow("left-over keys beyond the count") << 3 << 70000 << true << false;
        QTest::newRow("entries make room") << 1000 << 0 << true << true;
        QTest::newRow("nothing to drop") << 0 << 0 << false << false;
    }
    void fileAtTheCapStaysReadable() {
        QFETCH(int, entries);
        QFETCH(int, deadKeys);
        QFETCH(bool, saved);
        QFETCH(bool, entriesDropped);
        QByteArray history = "[History]\ncount=" + QByteArray::number(entries) + "\nindex=0\n";
        for (int i = 1; i <= entries + deadKeys; ++i)
            history += "Address" + QByteArray::number(i) + "=user" + QByteArray::number(i) +
                       "@a.long.host.name.example\n";
        QByteArray old = "[Window Size]\nx=100\n" + history + "[Other]\nfiller=";
        old += QByteArray(ProfileFile::MaxFileSize - old.size() - 1, 'f') + '\n';
        QCOMPARE(old.size(), ProfileFile::MaxFileSize);
        writeFile(iniPath(), old);
        app::FrameSettings settings;
        settings.placement = QRect(7, 8, 300, 200);
        int dropped = 0;
        QCOMPARE(settings.write(iniPath(), &dropped), saved);
        QCOMPARE(dropped > 0, entriesDropped);
        QVERIFY(QFileInfo(iniPath()).size() <= ProfileFile::MaxFileSize);
        const ProfileFile after(iniPath());
        QVERIFY(!after.unreadable());
        QCOMPARE(after.readInt("Window Size", "x", 40), saved ? 7 : 100);
        QCOMPARE(after.readInt("History", "count", 0), entries - dropped);
        if (!saved)
            QCOMPARE(contentOf(iniPath()), old);
    }

    // The history a save leaves is true: its count names entries that exist and a start reads,
    // its index the address just used; an entry goes only when the cap needs it, and the user
    // is told.
    void historyAtTheCapStaysTrue_data() {
        QTest::addColumn<int>("count");   // as the file says
        QTest::addColumn<int>("entries"); // as the file holds
        QTest::addColumn<int>("below");   // bytes the file stays below the cap
        QTest::addColumn<int>("kept");
        QTest::newRow("a count beyond what a start reads") << 113298 << 113298 << 5 << 1000;
        QTest::newRow("just past the cap: one entry goes") << 50 << 50 << 40 << 50;
    }
    void historyAtTheCapStaysTrue() {
        QFETCH(int, count);
        QFETCH(int, entries);
        QFETCH(int, below);
        QFETCH(int, kept);
        QByteArray old = "[History]\ncount=" + QByteArray::number(count) + "\nindex=0\n";
        for (int i = 1; i <= entries; ++i)
            old += "Address" + QByteArray::number(i) + "=u" + QByteArray::number(i) + "@h\n";
        old += "[Other]\nfiller=";
        QVERIFY(old.size() < ProfileFile::MaxFileSize - below);
        old += QByteArray(ProfileFile::MaxFileSize - below - old.size() - 1, 'f') + '\n';
        writeFile(iniPath(), old);
        QVERIFY2(fingerThroughDialog("zzz@just.typed").contains("dropped"), "nobody was told");
        const ProfileFile after(iniPath());
        QVERIFY(!after.unreadable());
        const int savedCount = after.readInt("History", "count", 0);
        QCOMPARE(savedCount, kept);
        QStringList saved;
        for (int i = 1; i <= savedCount + 1; ++i)
            saved.append(after.readString("History", QString("Address%1").arg(i), "", 100));
        QVERIFY(!saved.first(savedCount).contains(""));
        QCOMPARE(saved.last(), QString()); // nothing beyond the count
        QCOMPARE(saved.value(after.readInt("History", "index", -1)), QString("zzz@just.typed"));
    }

    // At the cap, the addresses used in this run stay, even the one just typed that sorts
    // last, and the user is told when the cut happens, as the dialog closes.
    void addressesUsedInThisRunSurviveTheCap() {
        QByteArray history = "[History]\ncount=900\nindex=0\n";
        for (int i = 1; i <= 900; ++i)
            history += "Address" + QByteArray::number(i) + "=user" + QByteArray::number(1000 + i) +
                       "@a.long.host.name.example\n";
        const auto fillTheCap = [&] {
            QByteArray old = history + "[Other]\nfiller=";
            old += QByteArray(ProfileFile::MaxFileSize - old.size() - 1, 'f') + '\n';
            writeFile(iniPath(), old);
        };
        const auto finger = [this](const QString& typed) { return fingerThroughDialog(typed); };
        fillTheCap();
        const QString told = finger("user1900@a.long.host.name.example"); // the last entry
        QVERIFY2(told.contains("finger history entries were dropped"), qPrintable(told));
        fillTheCap();
        QVERIFY(!finger("zzz@just.typed").isEmpty());
        const ProfileFile after(iniPath());
        QStringList kept;
        for (int i = 1; i <= after.readInt("History", "count", 0); ++i)
            kept.append(after.readString("History", QString("Address%1").arg(i), "", 100));
        QVERIFY(kept.size() < 900);
        QVERIFY(kept.contains("zzz@just.typed"));
        QVERIFY(kept.contains("user1900@a.long.host.name.example")); // used earlier in this run
        QCOMPARE(
            after.readString("History",
                             "Address" + QString::number(after.readInt("History", "index", 0) + 1),
                             "", 100),
            QString("zzz@just.typed"));
    }

    void untouchedLinesKeepTheirBytes() {
        const QByteArray old =
            "; made by hand\r\n[Window Size]\nx=1\r\ny=2\n\n[Font]\r\nheight=-12";
        writeFile(iniPath(), old);
        {
            ProfileFile file(iniPath());
            QVERIFY(file.save()); // unchanged: the same bytes
        }
        QCOMPARE(contentOf(iniPath()), old);
        ProfileFile file(iniPath());
        file.writeInt("Window Size", "y", 7);
        file.writeInt("Font", "width", 8);
        QVERIFY(file.save());
        QCOMPARE(contentOf(iniPath()), QByteArray("; made by hand\r\n[Window Size]\nx=1\r\ny=7\n\n"
                                                  "[Font]\r\nheight=-12\r\nwidth=8\r\n"));
    }

    void longFaceNameSurvivesWholeCharacters() {
        app::FrameSettings settings;
        settings.font.lfFaceName = QString::fromUtf8("Моноширинный Шрифт Про");
        QVERIFY(settings.write(iniPath()));
        QCOMPARE(app::FrameSettings::read(iniPath()).font.lfFaceName,
                 QString::fromUtf8("Моноширинный Шрифт Про"));
        settings.font.lfFaceName = QString(38, 'x') + QString::fromUtf8("\xF0\x9F\x98\x80");
        QVERIFY(settings.write(iniPath()));
        QCOMPARE(app::FrameSettings::read(iniPath()).font.lfFaceName, QString(38, 'x'));
    }

    void lineBreaksNeverReachTheFile() {
        ProfileFile file(iniPath());
        file.writeString("History", "Address1", "x@y\n[History]\ncount=999");
        QVERIFY(file.save());
        const QByteArray bytes = contentOf(iniPath());
        QCOMPARE(bytes.count("[History]"), 2); // the header, and the text inside the value
        QVERIFY(!bytes.contains("\ncount=999"));
        QCOMPARE(ProfileFile(iniPath()).readString("History", "Address1", "", 100),
                 QString("x@y [History] count=999"));
    }

    void pastedLineBreakStaysOneEntry() {
        QWidget parent;
        AddrInfo info;
        dialogs::Finger_Dialog dialog(&parent, res::DLG_FINGER, iniPath(), true, &info);
        dialog.show();
        QApplication::clipboard()->setText("x@y\n[History]\ncount=999");
        auto* field = dialog.control<QComboBox>(res::IDC_FINGER_ADDRESS)->lineEdit();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Return);
        const QByteArray bytes = contentOf(iniPath());
        QCOMPARE(bytes.count("[History]"), 2);
        QCOMPARE(ProfileFile(iniPath()).readInt("History", "count", 0), 1);
    }

    void trailingBlankDoesNotMultiplyEntries() {
        for (int round = 0; round < 3; ++round) {
            QWidget parent;
            AddrInfo info;
            dialogs::Finger_Dialog dialog(&parent, res::DLG_FINGER, iniPath(), true, &info);
            dialog.show();
            QLineEdit* field = dialog.control<QComboBox>(res::IDC_FINGER_ADDRESS)->lineEdit();
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, "user@host ");
            QTest::keyClick(field, Qt::Key_Return);
        }
        QCOMPARE(ProfileFile(iniPath()).readInt("History", "count", 0), 1);
    }

    void byteOrderMarkIsSkipped() {
        const QByteArray old = "\xEF\xBB\xBF[Window Size]\nx=100\n";
        writeFile(iniPath(), old);
        ProfileFile file(iniPath());
        QCOMPARE(file.readInt("Window Size", "x", 40), 100);
        file.writeInt("Window Size", "y", 5);
        QVERIFY(file.save());
        QCOMPARE(contentOf(iniPath()), QByteArray("\xEF\xBB\xBF[Window Size]\nx=100\ny=5\n"));
    }

    void placementIsClampedToTheScreen_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QRect>("expected"); // on a screen of 1024 x 768
        QTest::newRow("as stored")
            << QByteArray("x=10\ny=20\nw=300\nh=200") << QRect(10, 20, 300, 200);
        QTest::newRow("largest int") << QByteArray("x=2147483647\ny=2147483647\nw=2147483647\nh=9")
                                     << QRect(0, 759, 1024, 9);
        QTest::newRow("far left and up")
            << QByteArray("x=-2147483648\ny=-99999\nw=100\nh=100") << QRect(0, 0, 100, 100);
        QTest::newRow("off the right edge")
            << QByteArray("x=2000\ny=10\nw=500\nh=300") << QRect(524, 10, 500, 300);
        QTest::newRow("no size") << QByteArray("x=5\ny=5\nw=0\nh=-4") << QRect(5, 5, 1, 1);
    }
    void placementIsClampedToTheScreen() {
        QFETCH(QByteArray, stored);
        QFETCH(QRect, expected);
        writeFile(iniPath(), "[Window Size]\n" + stored + "\n");
        QCOMPARE(app::FrameSettings::read(iniPath(), QRect(0, 0, 1024, 768)).placement, expected);
    }
};

QTEST_MAIN(tst_SettingsFaults)
#include "tst_settingsfaults.moc"
