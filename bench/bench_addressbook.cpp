// SPDX-License-Identifier: MIT
// Times the Address Book dialog on large books: opening (load, sort, list) and closing with
// OK after one change of selection (save), for 10,000, 20,000 and 50,000 entries. Goal: 50,000
// entries open and save in under 0.5 s each. Prints one line per size: the median of a few
// runs, with the lowest and highest.
//
// The platform is Qt's: run it with QT_QPA_PLATFORM=offscreen, or under an X server.

#include "Figure.h"
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
    constexpr int Runs = 5;
    std::printf("address book: open (load and list), OK after a selection change (save); median "
                "of %d runs (lowest to highest)\n",
                Runs);
    for (const int count : {10000, 20000, 50000}) {
        QList<dialogs::InfoBlock> records;
        for (int i = 0; i < count; ++i)
            records.append(
                {QStringLiteral("user%1@host%2.example").arg(i * 7919 % count).arg(i % 97),
                 i % 3 ? QString() : QStringLiteral("a note")});
        if (!dialogs::saveAddressBook(dir.filePath("addrbook.adb"), records, 0))
            return 1;
        bool whole = true;
        Figure open, save;
        for (int run = 0; run < Runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            dialogs::AddressBook book(&parent, res::DLG_ADDRBOOK, dir.path() + '/', nullptr);
            book.show();
            QCoreApplication::processEvents();
            open.runs.push_back(double(timer.nsecsElapsed()) / 1e6);
            auto* list = book.control<QListWidget>(res::IDC_ADDRBOOK_LIST);
            whole = whole && list->count() == count;
            list->setCurrentRow((count / 2 + run) % count);
            timer.restart();
            book.done(res::IDOK);
            save.runs.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::printf("  %6d entries (%4lld KB)   open %s   save %s%s\n", count,
                    QFileInfo(dir.filePath("addrbook.adb")).size() / 1024,
                    open.text("ms", 1).c_str(), save.text("ms", 1).c_str(),
                    whole ? "" : "  (entries missing)");
    }
    return 0;
}
