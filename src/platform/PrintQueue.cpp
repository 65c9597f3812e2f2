// SPDX-License-Identifier: MIT
#include "PrintQueue.h"

#include <QFile>
#include <QLibrary>

#include <cups/cups.h>

namespace platform {

namespace {

// The print service's library is loaded on the first job rather than at start: most runs print
// nothing, and it brings a dozen libraries of its own.
struct CupsLibrary {
    decltype(&cupsAddOption) addOption = nullptr;
    decltype(&cupsFreeOptions) freeOptions = nullptr;
    decltype(&cupsPrintFile) printFile = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;

    static const CupsLibrary& instance() {
        static const CupsLibrary library;
        return library;
    }
    bool loaded() const { return addOption && freeOptions && printFile && lastErrorString; }

private:
    CupsLibrary() {
        QLibrary library(QStringLiteral("cups"), 2);
        addOption = reinterpret_cast<decltype(addOption)>(library.resolve("cupsAddOption"));
        freeOptions = reinterpret_cast<decltype(freeOptions)>(library.resolve("cupsFreeOptions"));
        printFile = reinterpret_cast<decltype(printFile)>(library.resolve("cupsPrintFile"));
        lastErrorString =
            reinterpret_cast<decltype(lastErrorString)>(library.resolve("cupsLastErrorString"));
    }
};

} // namespace

int submitToQueue(const QString& queue, const QString& file, const QString& title,
                  const QueueOptions& options, QString* error) {
    const CupsLibrary& cups = CupsLibrary::instance();
    if (!cups.loaded()) {
        if (error)
            *error = QStringLiteral("The print service's library (libcups) is not installed");
        return 0;
    }
    int count = 0;
    cups_option_t* list = nullptr;
    count = cups.addOption("copies", QByteArray::number(options.copies).constData(), count, &list);
    count = cups.addOption("multiple-document-handling",
                           options.collate ? "separate-documents-collated-copies"
                                           : "separate-documents-uncollated-copies",
                           count, &list);
    const char* sides = options.sides == QueueOptions::LongEdge    ? "two-sided-long-edge"
                        : options.sides == QueueOptions::ShortEdge ? "two-sided-short-edge"
                                                                   : "one-sided";
    count = cups.addOption("sides", sides, count, &list);
    if (options.grayscale)
        count = cups.addOption("print-color-mode", "monochrome", count, &list);
    const int job = cups.printFile(queue.toUtf8().constData(),
                                   QFile::encodeName(file).constData(),
                                   title.toUtf8().constData(), count, list);
    cups.freeOptions(count, list);
    if (job == 0 && error)
        *error = QString::fromUtf8(cups.lastErrorString());
    return job;
}

} // namespace platform
