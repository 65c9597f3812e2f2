// SPDX-License-Identifier: MIT
#pragma once
// Hands a finished print file to a print queue of the system's print service (CUPS).
//
// Qt's own CUPS printing submits its job when the painter ends, whether or not the job was
// cancelled (QPrinter::abort() cannot discard it there), so a cancelled job would still print
// the pages done so far. The program therefore prints a job into a file of its own and hands
// it to the queue only once every page is done: a cancelled job never reaches a printer.

#include <QString>

namespace platform {

struct QueueOptions {
    int copies = 1;
    bool collate = true;
    enum Sides { OneSided, LongEdge, ShortEdge } sides = OneSided;
    bool grayscale = false;
};

// The job's id, or 0 when the queue refused it (error says why).
int submitToQueue(const QString& queue, const QString& file, const QString& title,
                  const QueueOptions& options, QString* error);

} // namespace platform
