// SPDX-License-Identifier: MIT
#pragma once
// A server a test starts ends with the test, however the test ends: the kernel sends it SIGTERM
// when the process that started it dies, a crash and a kill included (PR_SET_PDEATHSIG).

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

inline void endWithThisProcess(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}
