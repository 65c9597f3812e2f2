// SPDX-License-Identifier: MIT
// Times the Address Book dialog on large books: opening (load, sort, list) and closing with
// OK after one change of selection (save), for 10,000, 20,000 and 50,000 entries. Goal: 50,000
// entries open and save in under 0.5 s each. Prints one line per size.
//
// The platform is Qt's: run it with QT_QPA_PLATFORM=offscreen, or under an X server.

#include "dialogs/AddressBook.h"
#include "dialogs/AddressBookFile.h"
#include "resources/DialogTemplates.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QWidget parent;
    std::printf("address book: open (load and list), OK after a selection change (save)\n");
    for (const int count : {10000, 20000, 50000}) {
        QList<dialogs::InfoBlock> records;
        for (int i = 0; i < count; ++i)
            records.append(
                {QStringLiteral("user%1@host%2.example").arg(i * 7919 % count).arg(i % 97),
                 i % 3 ? QString() : QStringLiteral("a note")});
        if (!dialogs::saveAddressBook(dir.filePath("addrbook.adb"), records, 0))
            return 1;
        QElapsedTimer timer;
        timer.start();
        dialogs::AddressBook book(&parent, res::DLG_ADDRBOOK, dir.path() + '/', nullptr);
        book.show();
        QCoreApplication::processEvents();
        const double openMs = double(timer.nsecsElapsed()) / 1e6;
        auto* list = book.control<QListWidget>(res::IDC_ADDRBOOK_LIST);
        list->setCurrentRow(count / 2);
        timer.restart();
        book.done(res::IDOK);
        const double saveMs = double(timer.nsecsElapsed()) / 1e6;
        std::printf("  %6d entries (%4lld KB)   open %7.1f ms   save %7.1f ms%s\n", count,
                    QFileInfo(dir.filePath("addrbook.adb")).size() / 1024, openMs, saveMs,
                    list->count() == count ? "" : "  (entries missing)");
    }
    return 0;
}
