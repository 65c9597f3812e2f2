// SPDX-License-Identifier: MIT
// Start-up and idle memory against a reference: the time from starting a program to its
// window being mapped on the X server, and its resident memory once it has settled, for
// Vintrel (in an empty folder, so it starts as on first use) and for a minimal Qt Widgets
// window with a menu bar and a line of text, started in turns so a busy machine slows both
// alike. Goals: start-up at most 1.3 times the reference's, idle memory at most the
// reference's + 6 MB. Prints each figure as the median of its runs, with the spread.
//
//   bench_startup VINTREL REFERENCE [PAIRS]     (DISPLAY must name an X server; 15 pairs)

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "Figure.h"
#include "Resident.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    double milliseconds = -1;
    double megabytes = 0;
};

// Starts program in folder and waits for a top-level window to be mapped.
Run startOnce(xcb_connection_t* x, const char* program, const QString& folder) {
    Run run;
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(QFile::encodeName(folder).constData()) != 0)
            _exit(127);
        setenv("HOME", QFile::encodeName(folder).constData(), 1);
        setenv("XDG_CONFIG_HOME", QFile::encodeName(folder).constData(), 1);
        setenv("XDG_CACHE_HOME", QFile::encodeName(folder).constData(), 1);
        setenv("XDG_RUNTIME_DIR", QFile::encodeName(folder).constData(), 1);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    bool mapped = false;
    while (!mapped && clock.elapsed() < 20000 && waitpid(child, nullptr, WNOHANG) == 0) {
        xcb_generic_event_t* event = xcb_poll_for_event(x);
        if (!event) {
            usleep(200);
            continue;
        }
        mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
        free(event);
    }
    if (!mapped) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return run;
    }
    run.milliseconds = double(clock.nsecsElapsed()) / 1e6;
    usleep(700 * 1000); // let it settle: the first paint, the event loop idle
    run.megabytes = residentMiB(QString::number(child)) * 1.048576; // in MB, as the goal is
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return run;
}

void report(const char* what, const Figure& program, const Figure& reference, const char* unit,
            bool ratio) {
    std::printf("%-24s vintrel %s, reference %s, ", what, program.text(unit, 1).c_str(),
                reference.text(unit, 1).c_str());
    if (ratio)
        std::printf("ratio %.2f (goal 1.30)\n", program.median() / reference.median());
    else
        std::printf("difference %+.1f %s (goal +6.0)\n", program.median() - reference.median(),
                    unit);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup VINTREL REFERENCE [PAIRS]\n");
        return 2;
    }
    const int pairs = argc > 3 ? std::atoi(argv[3]) : 15;
    // The programs start in folders of their own: their paths must not depend on this one.
    char resolved[PATH_MAX];
    const QByteArray program = realpath(argv[1], resolved) ? QByteArray(resolved) : QByteArray();
    const QByteArray reference = realpath(argv[2], resolved) ? QByteArray(resolved) : QByteArray();
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "bench_startup: no X server (DISPLAY)\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    Figure startV, startR, memoryV, memoryR;
    for (int i = 0; i < pairs + 1; ++i) {
        QTemporaryDir folderV, folderR;
        const Run v = startOnce(x, program.constData(), folderV.path());
        const Run r = startOnce(x, reference.constData(), folderR.path());
        if (v.milliseconds < 0 || r.milliseconds < 0) {
            std::fprintf(stderr, "bench_startup: a program did not show its window\n");
            return 1;
        }
        if (i == 0)
            continue; // the first pair warms the disk cache
        startV.runs.push_back(v.milliseconds);
        startR.runs.push_back(r.milliseconds);
        memoryV.runs.push_back(v.megabytes);
        memoryR.runs.push_back(r.megabytes);
    }
    report("start to a shown window", startV, startR, "ms", true);
    report("idle memory", memoryV, memoryR, "MB", false);
    xcb_disconnect(x);
    return 0;
}
