// SPDX-License-Identifier: MIT
#include "PrintQueue.h"

#include <QFile>

#include <cups/cups.h>

namespace platform {

int submitToQueue(const QString& queue, const QString& file, const QString& title,
                  const QueueOptions& options, QString* error) {
    int count = 0;
    cups_option_t* list = nullptr;
    count = cupsAddOption("copies", QByteArray::number(options.copies).constData(), count, &list);
    count = cupsAddOption("multiple-document-handling",
                          options.collate ? "separate-documents-collated-copies"
                                          : "separate-documents-uncollated-copies",
                          count, &list);
    const char* sides = options.sides == QueueOptions::LongEdge    ? "two-sided-long-edge"
                        : options.sides == QueueOptions::ShortEdge ? "two-sided-short-edge"
                                                                   : "one-sided";
    count = cupsAddOption("sides", sides, count, &list);
    if (options.grayscale)
        count = cupsAddOption("print-color-mode", "monochrome", count, &list);
    const int job = cupsPrintFile(queue.toUtf8().constData(), QFile::encodeName(file).constData(),
                                  title.toUtf8().constData(), count, list);
    cupsFreeOptions(count, list);
    if (job == 0 && error)
        *error = QString::fromUtf8(cupsLastErrorString());
    return job;
}

} // namespace platform
