// Start-up and idle of orva-control, watched from outside as a person sees them, on an X
// server without a window manager: from the process start to its window mapped (MapNotify on
// the root window) and to its first frame drawn into it (the first DamageNotify of the
// window), its peak resident memory and the CPU time of all its threads at the first frame,
// beside a bare Qt window with one button; then, once up, its wake-ups and CPU time over
// 10 s of doing nothing. Prints the results as CSV lines (ResultRow) on standard output.
//
// Usage: bench_startup ORVA_CONTROL BARE_WINDOW
#include "benchclock.h"
#include "ptypair.h"
#include "resultrow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <signal.h>
#include <spawn.h>
#include <sys/select.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char **environ;

namespace
{

constexpr int kStarts = 20;
constexpr double kSettleMs = 2000;
constexpr double kIdleMs = 10000;

struct Counters {
    std::int64_t cpuNs = 0;
    std::int64_t switches = 0;
};

// CPU time and context switches of every thread of a process.
Counters counters(pid_t pid)
{
    Counters total;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto &task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream schedstat(task.path() / "schedstat");
        std::int64_t running = 0;
        schedstat >> running;
        total.cpuNs += running;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.find("ctxt_switches:") != std::string::npos)
                total.switches += std::stoll(line.substr(line.find(':') + 1));
    }
    return total;
}

double peakResidentMiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024;
    return 0;
}

pid_t spawn(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        std::exit(EXIT_FAILURE);
    }
    return pid;
}

void end(pid_t pid, int signal)
{
    kill(pid, signal);
    waitpid(pid, nullptr, 0);
}

// When a program's window is mapped and when the program has drawn its first frame into it.
struct Shown {
    std::int64_t mapped = 0;
    std::int64_t drawn = 0;
};

class MapWatch
{
public:
    MapWatch() : m_display(XOpenDisplay(nullptr))
    {
        int damageError = 0;
        if (!m_display || !XDamageQueryExtension(m_display, &m_damageEvent, &damageError)) {
            std::fprintf(stderr, "bench_startup: no X display with the DAMAGE extension\n");
            std::exit(EXIT_FAILURE);
        }
        m_pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
        // A window that is gone before it is watched, or takes no drawing (InputOnly), refuses
        // the watch; Xlib's default would end the benchmark for it.
        XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
        // Without a window manager a program's top-level windows are children of the root.
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
        XSync(m_display, False);
    }
    ~MapWatch() { XCloseDisplay(m_display); }

    void forget() { XSync(m_display, True); }

    // When a window of `pid` was mapped and first drawn into; 0 after 20 s without.
    Shown waitForWindow(pid_t pid)
    {
        Shown shown;
        Window window = None;
        const std::int64_t deadline = monotonicNs() + 20'000'000'000;
        while (monotonicNs() < deadline) {
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                const std::int64_t now = monotonicNs();
                // Each new top-level window is watched for drawing before it can be mapped.
                if (event.type == CreateNotify)
                    XDamageCreate(m_display, event.xcreatewindow.window, XDamageReportNonEmpty);
                if (event.type == MapNotify && windowPid(event.xmap.window) == pid) {
                    window = event.xmap.window;
                    shown.mapped = now;
                }
                const auto *damage = reinterpret_cast<XDamageNotifyEvent *>(&event);
                if (event.type == m_damageEvent + XDamageNotify && window != None &&
                    damage->drawable == window) {
                    shown.drawn = now;
                    return shown;
                }
            }
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(ConnectionNumber(m_display), &readable);
            timeval wait{0, 100'000};
            select(ConnectionNumber(m_display) + 1, &readable, nullptr, nullptr, &wait);
        }
        return shown;
    }

private:
    pid_t windowPid(Window window)
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, left = 0;
        unsigned char *data = nullptr;
        pid_t pid = 0;
        if (XGetWindowProperty(m_display, window, m_pidAtom, 0, 1, False, XA_CARDINAL, &type,
                               &format, &items, &left, &data) == Success &&
            data && items == 1 && format == 32)
            pid = pid_t(*reinterpret_cast<unsigned long *>(data));
        if (data)
            XFree(data);
        return pid;
    }

    Display *m_display;
    int m_damageEvent = 0;
    Atom m_pidAtom = None;
};

struct Start {
    Samples mappedMs;
    Samples drawnMs;
    Samples peakMiB;
    Samples cpuMs;
};

// One start: stopped the moment its first frame is drawn, measured, and ended.
void measureStart(MapWatch &watch, const std::vector<std::string> &command, Start &into)
{
    watch.forget();
    const std::int64_t started = monotonicNs();
    const pid_t pid = spawn(command);
    const Shown shown = watch.waitForWindow(pid);
    kill(pid, SIGSTOP);
    if (!shown.drawn) {
        std::fprintf(stderr, "bench_startup: %s drew no window\n", command[0].c_str());
        end(pid, SIGKILL);
        std::exit(EXIT_FAILURE);
    }
    into.mappedMs.add(nsToMs(shown.mapped - started));
    into.drawnMs.add(nsToMs(shown.drawn - started));
    into.peakMiB.add(peakResidentMiB(pid));
    into.cpuMs.add(nsToMs(counters(pid).cpuNs));
    end(pid, SIGKILL);
}

ResultRow startRow(std::string figure, std::string unit, const Samples &panel, const Samples &bare)
{
    ResultRow row;
    row.figure = std::move(figure);
    row.platform = "xcb";
    row.unit = std::move(unit);
    row.measured = panel;
    row.baseline = "bare Qt window with one button";
    row.baselineSamples = bare;
    return row;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_startup ORVA_CONTROL BARE_WINDOW\n");
        return EXIT_FAILURE;
    }
    PtyPair line; // the panel's COM1, so that it opens a port as in use
    const std::vector<std::string> panel = {argv[1], "--com1", line.slavePath().toStdString()};
    const std::vector<std::string> bare = {argv[2]};
    MapWatch watch;

    Start panelStarts, bareStarts, warmUp;
    measureStart(watch, panel, warmUp); // files into the page cache
    measureStart(watch, bare, warmUp);
    for (int i = 0; i < kStarts; ++i) {
        measureStart(watch, panel, panelStarts);
        measureStart(watch, bare, bareStarts);
    }

    // The window mapped, as the goal was first set; its first frame, which the operator sees.
    std::vector<ResultRow> rows;
    rows.push_back(startRow("start-up: process start to window mapped", "ms", panelStarts.mappedMs,
                            bareStarts.mappedMs));
    rows.push_back(startRow("start-up: process start to first frame drawn", "ms",
                            panelStarts.drawnMs, bareStarts.drawnMs));
    for (ResultRow &row : rows) {
        row.goal = "median <= 1.25x baseline";
        row.met = row.measured.median() <= 1.25 * row.baselineSamples.median();
    }
    rows.push_back(startRow("start-up: peak resident memory at the first frame", "MiB",
                            panelStarts.peakMiB, bareStarts.peakMiB));
    rows.back().goal = "median <= 1.15x baseline";
    rows.back().met = panelStarts.peakMiB.median() <= 1.15 * bareStarts.peakMiB.median();
    rows.push_back(startRow("start-up: CPU time until the first frame (all threads)", "ms",
                            panelStarts.cpuMs, bareStarts.cpuMs));

    // Idle: up and settled, nothing held, no exchange open.
    watch.forget();
    const pid_t pid = spawn(panel);
    if (!watch.waitForWindow(pid).drawn) {
        end(pid, SIGKILL);
        return EXIT_FAILURE;
    }
    sleepMs(kSettleMs);
    const Counters before = counters(pid);
    sleepMs(kIdleMs);
    const Counters after = counters(pid);
    end(pid, SIGTERM);

    ResultRow wakeups =
        startRow("idle 10 s: wake-ups (context switches of all threads)", "count", {}, {});
    wakeups.measured.add(double(after.switches - before.switches));
    wakeups.baseline = "zero";
    wakeups.baselineValue = 0;
    wakeups.goal = "0";
    wakeups.met = after.switches == before.switches;
    rows.push_back(wakeups);
    ResultRow cpu = startRow("idle 10 s: CPU time (all threads)", "ms", {}, {});
    cpu.measured.add(nsToMs(after.cpuNs - before.cpuNs));
    cpu.baseline = "zero";
    cpu.baselineValue = 0;
    cpu.goal = "< 1 ms";
    cpu.met = cpu.measured.max() < 1;
    rows.push_back(cpu);

    for (const ResultRow &row : rows)
        std::printf("%s\n", row.csv().c_str());
    return EXIT_SUCCESS;
}
