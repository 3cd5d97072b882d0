// The panel in use over a pseudo-terminal, on the platform Qt is given (xcb under Xvfb, or
// offscreen): a click to the bytes on the wire, a reply to the screen, holds of the repeating
// buttons, and a burst of noise on the line. Each beside its baselines, measured in the same
// run, in turns with it: a plain write() or read() on the line, and a minimal Qt program
// (QtBaseline, a second window of this process on a line of its own). Prints the results as
// CSV lines (ResultRow) on standard output.
//
// Usage: bench_panel [replies] [clicks] [holds] [burst] [qtimer] [probe]   (the first four: all
// when none is named; qtimer: every timer of the panel a QTimer, Timer1 too, as before the
// repeat had the kernel's clock; probe: every event of the GUI thread stamped during the holds,
// and the late ticks explained on standard error)
#include "benchclock.h"
#include "extendedpanel.h"
#include "fdreader.h"
#include "form1.h"
#include "guithread.h"
#include "holdprobe.h"
#include "paneldisplay.h"
#include "panelprobe.h"
#include "panelstate.h"
#include "ptypair.h"
#include "qtbaseline.h"
#include "qtserialport.h"
#include "qttimer.h"
#include "resultrow.h"
#include "stallprobe.h"
#include "windowsystemmouse.h"
#include "xtestmouse.h"

#include <QApplication>
#include <QWindow>

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace
{

constexpr int kClickSamples = 300;
constexpr int kReplySamples = 300;
constexpr int kReplyRounds = 10;
constexpr std::string_view kPowerOn = "C00\r"; // what Command17 sends
constexpr std::string_view kReply = "00\r";    // a projector's answer
constexpr double kHoldMs = 5000;
constexpr std::size_t kBurstBytes = 1 << 20;
constexpr double kLateMs = 0.3; // a tick later than this is explained by the hold probe

struct Hold {
    const char *figure;
    const char *button;
    int intervalMs;
    const char *before; // clicked first, to set the interval up
    int holds;          // enough for a hundred spacings or more
};

constexpr Hold kHolds[] = {
    {"hold VOL + (Command1) 5 s at 250 ms", "Command1", 250, nullptr, 5},
    {"hold Brightness + (Command15) 5 s at 50 ms", "Command15", 50, nullptr, 1},
    {"hold up arrow (Command5) 5 s at 5 ms after D.Zoom +", "Command5", 5, "Command48", 1},
};

double residentMiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024;
    return 0;
}

std::int64_t threadCpuNs()
{
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return std::int64_t(used.tv_sec) * 1'000'000'000 + used.tv_nsec;
}

void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno != EINTR) {
            std::perror("bench_panel: write");
            std::exit(EXIT_FAILURE);
        }
        if (written > 0)
            bytes.remove_prefix(std::size_t(written));
    }
}

// Timer1 as the panel would have it, noting when each of its ticks begins (CLOCK_MONOTONIC
// ns): the repeat's own rhythm, before the line and the device side add their delays. Lives
// on the GUI thread.
class TickStamps : public Timer
{
public:
    explicit TickStamps(std::unique_ptr<Timer> timer) : m_timer(std::move(timer))
    {
        m_timer->setOnExpiry([this] {
            m_ticks.push_back(monotonicNs());
            expire();
        });
    }

    void setInterval(int milliseconds) override { m_timer->setInterval(milliseconds); }
    int interval() const override { return m_timer->interval(); }
    void setEnabled(bool enabled) override { m_timer->setEnabled(enabled); }
    bool isEnabled() const override { return m_timer->isEnabled(); }
    int remainingTime() const override { return m_timer->remainingTime(); }
    std::vector<std::int64_t> take() { return std::exchange(m_ticks, {}); }

private:
    std::unique_ptr<Timer> m_timer;
    std::vector<std::int64_t> m_ticks;
};

// The spacings of `times` from one to the next, as their distance from `intervalMs`.
Samples jitter(const std::vector<std::int64_t> &times, int intervalMs)
{
    Samples result;
    for (std::size_t k = 1; k < times.size(); ++k)
        result.add(std::abs(nsToMs(times[k] - times[k - 1]) - intervalMs));
    return result;
}

// When each command's carriage return arrived on the device side.
std::vector<std::int64_t> commandTimes(const FdReader &device)
{
    std::vector<std::int64_t> times;
    for (const FdReader::Arrival &arrival : device.arrivals())
        for (char c : arrival.bytes)
            if (c == '\r')
                times.push_back(arrival.ns);
    return times;
}

// The floor of a hold: the same number of ticks at the same interval, taken by a minimal C
// program on a timerfd with poll() (timer_floor, beside this program), as their spacings'
// distance from the interval; in the program, and on the far side of a pseudo-terminal of its
// own that it writes four bytes to at each tick, read as the panel's line is read.
struct Floor {
    Samples inProgram;
    Samples onDevice;
};

Floor floorJitter(int intervalMs, int ticks)
{
    PtyPair line;
    const std::string command = QCoreApplication::applicationDirPath().toStdString() +
                                "/bench_timerfloor " + std::to_string(intervalMs) + ' ' +
                                std::to_string(ticks) + ' ' + line.slavePath().toStdString();
    Floor result;
    FdReader device(line.master());
    FILE *floor = popen(command.c_str(), "r");
    for (double value = 0; floor && std::fscanf(floor, "%lf", &value) == 1;)
        result.inProgram.add(value);
    if (!floor || pclose(floor) != 0 || result.inProgram.empty()) {
        std::fprintf(stderr, "bench_panel: %s failed\n", command.c_str());
        std::exit(EXIT_FAILURE);
    }
    device.waitFor(std::size_t(ticks) * 4, 1s);
    result.onDevice = jitter(commandTimes(device), intervalMs);
    return result;
}

// What a stretch of time with or without a burst on the line cost the panel.
struct LineRun {
    Samples gaps; // between the ticks of the 1 ms probe timer, in ms
    double memoryGrowthMiB = 0;
    double guiCpuMs = 0;
    std::int64_t lengthNs = 0;
};

// The script, on a thread of its own while the GUI thread runs its event loop.
class PanelBench
{
public:
    PanelBench(Form1 &form, QtSerialPort &port, PtyPair &pty, QtBaseline &qt, PtyPair &qtLine,
               MouseInjector &mouse, std::string platform, TickStamps &ticks,
               std::string repeatTimer, HoldProbe *holdProbe)
        : m_form(form), m_port(port), m_pty(pty), m_qt(qt), m_qtLine(qtLine), m_mouse(mouse),
          m_platform(std::move(platform)), m_ticks(ticks), m_repeatTimer(std::move(repeatTimer)),
          m_holdProbe(holdProbe)
    {
    }

    void run(const QStringList &parts);
    const std::deque<ResultRow> &rows() const { return m_rows; }

private:
    void openPanel();
    Samples readWakeups(int count);
    void measureReplies();
    void replyRound(int count, Samples &captions, Samples &paints);
    void qtReplyRound(int count, Samples &texts, Samples &paints);
    void measureClicks();
    Samples clickRound(int count, QWidget *button, int deviceFd);
    void measureHold(const Hold &hold);
    void measureBurst();
    LineRun runLine(const std::string &noise, std::int64_t minimumNs);
    QWidget *control(const char *name);
    ResultRow &addRow(std::string figure, std::string unit);

    Form1 &m_form;
    QtSerialPort &m_port;
    PtyPair &m_pty;
    QtBaseline &m_qt;
    PtyPair &m_qtLine;
    MouseInjector &m_mouse;
    std::string m_platform;
    TickStamps &m_ticks;       // Timer1
    std::string m_repeatTimer; // what it runs on
    HoldProbe *m_holdProbe;    // stamps the GUI thread's events during holds; may be null
    std::unique_ptr<PanelProbe> m_probe;
    std::unique_ptr<StallProbe> m_stallProbe;
    std::mt19937 m_random{20240601};
    std::deque<ResultRow> m_rows; // rows stay where they are as more are added
};

void PanelBench::run(const QStringList &parts)
{
    const auto wanted = [&parts](const char *part) {
        return parts.isEmpty() || parts.contains(QLatin1String(part));
    };
    openPanel();
    if (wanted("replies"))
        measureReplies();
    if (wanted("clicks"))
        measureClicks();
    if (wanted("holds"))
        for (const Hold &hold : kHolds)
            measureHold(hold);
    if (wanted("burst"))
        measureBurst();
}

void PanelBench::openPanel()
{
    onGuiThread([this] {
        m_probe = std::make_unique<PanelProbe>(m_form);
        m_stallProbe = std::make_unique<StallProbe>();
        m_form.load();
        m_form.show();
        m_qt.show();
        // Ctrl+J: the monitor band with Label12, which the compact window leaves out.
        m_form.panel().keyDown(Qt::Key_J, ExtendedPanel::kCtrlMask);
    });
    bool exposed = false;
    for (int tries = 0; !exposed && tries < 500; ++tries) {
        sleepMs(10);
        onGuiThread([&] { exposed = m_form.windowHandle() && m_form.windowHandle()->isExposed(); });
    }
    sleepMs(500); // first paints and font loading are start-up, not use
    bool ready = false;
    onGuiThread([&] { ready = m_port.isOpen() && !control("Label12")->visibleRegion().isEmpty(); });
    if (!exposed || !ready) {
        std::fprintf(stderr, "bench_panel: the window or the port did not come up\n");
        std::exit(EXIT_FAILURE);
    }
}

QWidget *PanelBench::control(const char *name)
{
    return m_form.findChild<QWidget *>(QString::fromLatin1(name));
}

ResultRow &PanelBench::addRow(std::string figure, std::string unit)
{
    ResultRow &result = m_rows.emplace_back();
    result.figure = std::move(figure);
    result.platform = m_platform;
    result.unit = std::move(unit);
    return result;
}

Samples PanelBench::readWakeups(int count)
{
    Samples wakeups;
    FdReader reader(m_pty.slave());
    for (int i = 0; i < count; ++i) {
        reader.clear();
        const std::int64_t written = monotonicNs();
        writeAll(m_pty.master(), kReply);
        if (reader.waitFor(kReply.size(), 1s))
            wakeups.add(nsToMs(reader.timeOfByte(1) - written));
        sleepMs(2 + m_random() % 4);
    }
    return wakeups;
}

void PanelBench::measureReplies()
{
    // The baseline reads the line itself, so it runs while the panel's port is closed. The
    // two take turns in rounds, so that both see the machine in the same moods.
    Samples captions, paints, wakeups, qtTexts, qtPaints;
    for (int round = 0; round < kReplyRounds; ++round) {
        onGuiThread([this] { m_port.close(); });
        wakeups.append(readWakeups(kReplySamples / kReplyRounds / 2));
        onGuiThread([this] { m_port.open(); });
        replyRound(kReplySamples / kReplyRounds, captions, paints);
        qtReplyRound(kReplySamples / kReplyRounds, qtTexts, qtPaints);
    }

    ResultRow &caption = addRow("device write to Label12 caption set", "ms");
    caption.measured = captions;
    caption.baseline = "read() wake-up on the pty";
    caption.baselineSamples = wakeups;
    caption.goal = "median <= 1.5x baseline";
    caption.met = captions.median() <= 1.5 * wakeups.median();

    ResultRow &painted = addRow("device write to Label12 painted and flushed", "ms");
    painted.measured = paints;
    painted.baseline = caption.baseline;
    painted.baselineSamples = wakeups;
    painted.goal = "median < 0.35 ms";
    painted.met = paints.median() < 0.35;

    for (auto [figure, panel, qt] : {std::tuple{"caption set", &captions, &qtTexts},
                                     {"painted and flushed", &paints, &qtPaints}}) {
        ResultRow &row = addRow(std::string("device write to Label12 ") + figure, "ms");
        row.measured = *panel;
        row.baseline = std::string("Qt program: QSocketNotifier to QLabel text ") + figure;
        row.baselineSamples = *qt;
        row.goal = "median <= 1.2x baseline";
        row.met = panel->median() <= 1.2 * qt->median();
    }
}

void PanelBench::qtReplyRound(int count, Samples &texts, Samples &paints)
{
    for (int i = 0; i < count; ++i) {
        onGuiThread([this] { m_qt.label().clear(); });
        sleepMs(8 + m_random() % 8);
        m_qt.reset();
        const std::int64_t written = monotonicNs();
        writeAll(m_qtLine.master(), kReply);
        const std::int64_t deadline = written + 1'000'000'000;
        while (!m_qt.painted() && monotonicNs() < deadline)
            sleepMs(1);
        if (!m_qt.painted() || !m_qt.textSet()) {
            std::fprintf(stderr, "bench_panel: the Qt program did not show a reply\n");
            continue;
        }
        texts.add(nsToMs(m_qt.textSet() - written));
        paints.add(nsToMs(m_qt.painted() - written));
    }
}

void PanelBench::replyRound(int count, Samples &captions, Samples &paints)
{
    for (int i = 0; i < count; ++i) {
        // A fresh exchange each time: nothing received yet, RXD empty and drawn so.
        onGuiThread([this] {
            m_form.panel().state().receiveBuffer.clear();
            m_form.panel().display().label12.set({});
        });
        sleepMs(8 + m_random() % 8);
        m_probe->reset();
        const std::int64_t written = monotonicNs();
        writeAll(m_pty.master(), kReply);
        const std::int64_t deadline = written + 1'000'000'000;
        while (!m_probe->painted() && monotonicNs() < deadline)
            sleepMs(1);
        if (!m_probe->painted() || !m_probe->captionSet()) {
            std::fprintf(stderr, "bench_panel: a reply was not shown\n");
            continue;
        }
        captions.add(nsToMs(m_probe->captionSet() - written));
        paints.add(nsToMs(m_probe->painted() - written));
    }
}

void PanelBench::measureClicks()
{
    // In rounds, so that the pointer is aimed once a round, not once a click.
    Samples clicks, qtClicks, writes;
    for (int round = 0; round < kReplyRounds; ++round) {
        const int count = kClickSamples / kReplyRounds;
        clicks.append(clickRound(count, control("Command17"), m_pty.master()));
        qtClicks.append(clickRound(count, &m_qt.button(), m_qtLine.master()));
        // The floor: the same bytes by a plain write() on the panel's end of the line.
        FdReader device(m_pty.master());
        for (int i = 0; i < count; ++i) {
            device.clear();
            const std::int64_t written = monotonicNs();
            writeAll(m_pty.slave(), kPowerOn);
            if (device.waitFor(kPowerOn.size(), 1s))
                writes.add(nsToMs(device.timeOfByte(kPowerOn.size()) - written));
            sleepMs(2 + m_random() % 3);
        }
    }

    const std::string figure = "click Command17 to 4 bytes readable on the device side";
    ResultRow &result = addRow(figure, "ms");
    result.measured = clicks;
    result.baseline = "write() on the pty";
    result.baselineSamples = writes;
    result.goal = "median <= 2x baseline; p99 < 1 ms";
    result.met = clicks.median() <= 2 * writes.median() && clicks.p99() < 1.0;

    ResultRow &qt = addRow(figure, "ms");
    qt.measured = clicks;
    qt.baseline = "Qt program: QPushButton click to write()";
    qt.baselineSamples = qtClicks;
    qt.goal = "median <= 1.2x baseline";
    qt.met = clicks.median() <= 1.2 * qtClicks.median();
}

// Clicks `button` `count` times, each time taking how long its four bytes took to be readable
// on `deviceFd`.
Samples PanelBench::clickRound(int count, QWidget *button, int deviceFd)
{
    m_mouse.aim(button);
    FdReader device(deviceFd);
    Samples clicks;
    for (int i = 0; i < count; ++i) {
        device.clear();
        m_mouse.press();
        sleepMs(3 + m_random() % 3);
        const std::int64_t released = m_mouse.release(); // a button clicks on its release
        if (device.waitFor(kPowerOn.size(), 1s))
            clicks.add(nsToMs(device.timeOfByte(kPowerOn.size()) - released));
        else
            std::fprintf(stderr, "bench_panel: a click sent nothing\n");
        sleepMs(10 + m_random() % 10);
    }
    return clicks;
}

void PanelBench::measureHold(const Hold &hold)
{
    const double nominal = kHoldMs / hold.intervalMs + 1;
    Samples counts, spacings, tickSpacings, floor, deviceFloor;
    bool countsExact = true;
    FdReader device(m_pty.master());
    for (int i = 0; i < hold.holds; ++i) {
        const Floor machine = floorJitter(hold.intervalMs, int(nominal));
        floor.append(machine.inProgram);
        deviceFloor.append(machine.onDevice);
        if (hold.before) {
            m_mouse.aim(control(hold.before));
            m_mouse.press();
            sleepMs(30);
            m_mouse.release();
            sleepMs(300);
        }
        m_mouse.aim(control(hold.button));
        device.clear();
        onGuiThread([this] {
            m_ticks.take();
            if (m_holdProbe)
                m_holdProbe->start();
        });
        // Held half an interval past 5 s, so that the tick due at 5 s is not raced by the
        // release.
        const std::int64_t pressed = m_mouse.press();
        sleepUntilNs(pressed + std::int64_t((kHoldMs + hold.intervalMs / 2.0) * 1e6));
        m_mouse.release();
        sleepMs(300);

        const std::vector<std::int64_t> commands = commandTimes(device);
        spacings.append(jitter(commands, hold.intervalMs));
        onGuiThread([&] {
            const std::vector<std::int64_t> ticks = m_ticks.take();
            tickSpacings.append(jitter(ticks, hold.intervalMs));
            if (m_holdProbe) {
                m_holdProbe->stop();
                std::fprintf(stderr, "%s, hold %d: %s", hold.figure, i + 1,
                             m_holdProbe->explain(ticks, hold.intervalMs, kLateMs).c_str());
            }
        });
        counts.add(double(commands.size()));
        countsExact = countsExact && double(commands.size()) == nominal;
        sleepMs(1100); // the display timers of the release run out
    }

    const std::string figure = std::string(hold.figure) + " (Timer1 on " + m_repeatTimer + ")";
    ResultRow &count = addRow(figure + ": commands received", "commands");
    count.measured = counts;
    count.baseline = "nominal n + 1";
    count.baselineValue = nominal;
    count.goal = "every hold exactly n + 1";
    count.met = countsExact;

    struct Spacing {
        const char *where;
        const Samples &measured;
        const char *floorName;
        const Samples &floor;
    };
    for (const Spacing &row :
         {Spacing{"spacing jitter on the device side", spacings,
                  "C program: timerfd and poll(), a write to a pty at each tick",
                  deviceFloor},
          Spacing{"tick spacing jitter in the program", tickSpacings,
                  "C program: timerfd and poll(), same interval and ticks", floor}}) {
        ResultRow &spacing = addRow(figure + ": " + row.where, "ms");
        spacing.measured = row.measured;
        spacing.baseline = row.floorName;
        spacing.baselineSamples = row.floor;
        spacing.goal = "p99 <= 2x baseline p99";
        spacing.met = !row.measured.empty() && row.measured.p99() <= 2 * row.floor.p99();
    }
}

// Writes `noise` on the line as fast as it goes and waits until the panel has read it all, and
// at least `minimumNs` (an idle run lasts as long as the burst it is compared with).
LineRun PanelBench::runLine(const std::string &noise, std::int64_t minimumNs)
{
    const double residentBefore = residentMiB();
    std::int64_t cpuBefore = 0, cpuAfter = 0;
    onGuiThread([&] {
        cpuBefore = threadCpuNs();
        m_stallProbe->start();
    });
    const std::int64_t start = monotonicNs();
    writeAll(m_pty.master(), noise);
    // Until the panel has taken everything off the line.
    for (int pending = 1; pending > 0;) {
        sleepMs(1);
        ioctl(m_pty.slave(), FIONREAD, &pending);
    }
    sleepMs(100);
    sleepUntilNs(start + minimumNs);
    LineRun result;
    result.lengthNs = monotonicNs() - start;
    onGuiThread([&] {
        result.gaps = m_stallProbe->stop();
        cpuAfter = threadCpuNs();
    });
    result.memoryGrowthMiB = residentMiB() - residentBefore;
    result.guiCpuMs = nsToMs(cpuAfter - cpuBefore);
    return result;
}

void PanelBench::measureBurst()
{
    std::string noise(kBurstBytes, '\0');
    std::uniform_int_distribution<int> byte(0, 255);
    for (char &c : noise)
        c = char(byte(m_random));
    const LineRun burst = runLine(noise, 0);
    const LineRun idle = runLine({}, burst.lengthNs);

    ResultRow &stall =
        addRow("1 MiB burst: gaps of a 1 ms probe timer (max = longest stall)", "ms");
    stall.measured = burst.gaps;
    stall.baseline = "idle run";
    stall.baselineSamples = idle.gaps;
    stall.goal = "max < 5 ms";
    stall.met = burst.gaps.max() < 5;

    ResultRow &memory = addRow("1 MiB burst: resident memory growth", "MiB");
    memory.measured.add(burst.memoryGrowthMiB);
    memory.baseline = "idle run";
    memory.baselineValue = idle.memoryGrowthMiB;
    memory.goal = "< 2 MiB";
    memory.met = burst.memoryGrowthMiB < 2;

    ResultRow &cpu = addRow("1 MiB burst: CPU time of the GUI thread", "ms");
    cpu.measured.add(burst.guiCpuMs);
    cpu.baseline = "idle run";
    cpu.baselineValue = idle.guiCpuMs;
}

} // namespace

int main(int argc, char *argv[])
{
    ProbedApplication app(argc, argv);
    const bool probing = QApplication::arguments().contains(QStringLiteral("probe"));
    PtyPair pty;
    DeviceMap devices;
    devices.setDevice(1, pty.slavePath());
    QtSerialPort port(devices);
    const bool qtTimers = QApplication::arguments().contains(QStringLiteral("qtimer"));
    TickStamps *ticks = nullptr;
    Form1 form(port, [&](ControlPanel::TimerUse use) -> std::unique_ptr<Timer> {
        std::unique_ptr<Timer> timer =
            qtTimers ? std::make_unique<QtTimer>() : Form1::systemTimers()(use);
        if (use != ControlPanel::TimerUse::Repeat)
            return timer;
        auto stamped = std::make_unique<TickStamps>(std::move(timer));
        ticks = stamped.get();
        return stamped;
    });
    PtyPair qtLine;
    QtBaseline qt(qtLine.slave());
    const std::string platform = QGuiApplication::platformName().toStdString();
    std::unique_ptr<MouseInjector> mouse;
    if (platform == "xcb")
        mouse = std::make_unique<XTestMouse>();
    else
        mouse = std::make_unique<WindowSystemMouse>();

    PanelBench bench(form, port, pty, qt, qtLine, *mouse, platform, *ticks,
                     qtTimers ? "QTimer" : "timerfd", probing ? &app.probe() : nullptr);
    QStringList parts = QApplication::arguments().mid(1);
    parts.removeAll(QStringLiteral("qtimer"));
    parts.removeAll(QStringLiteral("probe"));
    std::thread script([&] {
        bench.run(parts);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    const int status = QApplication::exec();
    script.join();
    for (const ResultRow &result : bench.rows())
        std::printf("%s\n", result.csv().c_str());
    return status;
}
