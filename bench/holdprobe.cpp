#include "holdprobe.h"

#include "benchclock.h"

#include <QEvent>
#include <QMetaEnum>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace
{

constexpr std::size_t kNone = std::size_t(-1);
constexpr int kDetailedTicks = 6; // the latest ticks, told one by one

std::int64_t threadCpuNs()
{
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return std::int64_t(used.tv_sec) * 1'000'000'000 + used.tv_nsec;
}

std::string typeName(int type)
{
    const char *name = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
    return name ? name : "event " + std::to_string(type);
}

std::int64_t overlap(std::int64_t from, std::int64_t to, std::int64_t start, std::int64_t end)
{
    return std::max<std::int64_t>(0, std::min(to, end) - std::max(from, start));
}

std::string format(const char *pattern, double a, double b = 0, double c = 0)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

} // namespace

void HoldProbe::start()
{
    if (m_schedstat < 0)
        m_schedstat = open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    m_events.clear();
    m_events.reserve(1 << 16);
    m_on = true;
}

// The second of schedstat's three figures: nanoseconds spent on a run queue, waiting.
std::int64_t HoldProbe::runQueueWaitNs() const
{
    char text[96] = {};
    if (pread(m_schedstat, text, sizeof text - 1, 0) <= 0)
        return 0;
    long long running = 0, waiting = 0;
    std::sscanf(text, "%lld %lld", &running, &waiting);
    return waiting;
}

std::size_t HoldProbe::begin(QObject *receiver, QEvent *event)
{
    if (!m_on)
        return kNone;
    std::string target = receiver->metaObject()->className();
    if (!receiver->objectName().isEmpty())
        target += ' ' + receiver->objectName().toStdString();
    m_events.push_back({int(event->type()), std::move(target), monotonicNs(), 0, threadCpuNs(), 0,
                        runQueueWaitNs(), 0, m_depth++});
    return m_events.size() - 1;
}

void HoldProbe::end(std::size_t index)
{
    if (index == kNone)
        return;
    --m_depth;
    m_events[index].end = monotonicNs();
    m_events[index].cpuEnd = threadCpuNs();
    m_events[index].waitEnd = runQueueWaitNs();
}

std::string HoldProbe::explain(const std::vector<std::int64_t> &ticks, int intervalMs,
                               double lateMs) const
{
    if (ticks.size() < 2)
        return "too few ticks\n";
    // The kernel's deadlines lie on a grid; the earliest tick against it is taken as on time.
    const std::int64_t interval = std::int64_t(intervalMs) * 1'000'000;
    const auto step = [interval](std::int64_t from, std::int64_t to) {
        return std::int64_t(std::llround(double(to - from) / double(interval))) * interval;
    };
    std::int64_t origin = ticks.front();
    for (int pass = 0; pass < 2; ++pass)
        for (const std::int64_t tick : ticks)
            origin = std::min(origin, tick - step(origin, tick));

    struct Share {
        double ms = 0;
        int count = 0;
    };
    std::map<std::string, Share> shares; // what stood in the way, over all late ticks
    double lateTotalMs = 0, busyCpuMs = 0, gapMs = 0, gapCpuMs = 0, gapWaitMs = 0;
    int late = 0;
    std::vector<std::pair<double, std::string>> details;
    for (const std::int64_t tick : ticks) {
        const std::int64_t due = origin + step(origin, tick);
        if (nsToMs(tick - due) <= lateMs)
            continue;
        ++late;
        lateTotalMs += nsToMs(tick - due);
        std::string detail = format("tick %.3f ms late:", nsToMs(tick - due));
        const Event *before = nullptr; // the last event of the loop's own that ended by `due`
        const Event *handler = nullptr; // the tick's own: the timer's notifier
        for (const Event &event : m_events) {
            if (event.depth == 0 && event.end && event.end <= due)
                before = &event;
            if (event.depth == 0 && event.start <= tick && (!event.end || event.end >= tick))
                handler = &event;
        }
        for (const Event &event : m_events) {
            const std::int64_t shared = overlap(due, tick, event.start, event.end ? event.end : tick);
            if (event.depth != 0 || !shared)
                continue;
            const std::string name = typeName(event.type) + " to " + event.target;
            shares[name].ms += nsToMs(shared);
            ++shares[name].count;
            const double span = double(event.end - event.start);
            if (span > 0)
                busyCpuMs += nsToMs(event.cpuEnd - event.cpuStart) * double(shared) / span;
            detail += format(" [%.3f ms", nsToMs(shared)) + " " + name +
                      format(": %.3f of %.3f ms on the CPU, %.3f waiting for one]",
                             nsToMs(event.cpuEnd - event.cpuStart), nsToMs(event.end - event.start),
                             nsToMs(event.waitEnd - event.waitStart));
        }
        if (before && handler && handler != before) {
            // From the last event before the deadline to the tick's handler.
            const double wall = nsToMs(handler->start - before->end);
            const double cpu = nsToMs(handler->cpuStart - before->cpuEnd);
            const double wait = nsToMs(handler->waitStart - before->waitEnd);
            gapMs += wall;
            gapCpuMs += cpu;
            gapWaitMs += wait;
            detail += format(" [from the event before the deadline to the handler: %.3f ms, %.3f "
                             "on the CPU, %.3f waiting for one",
                             wall, cpu, wait) +
                      format(", %.3f blocked]", wall - cpu - wait);
        }
        details.emplace_back(nsToMs(tick - due), detail);
    }

    std::string text = format("%.0f ticks, %.0f later than %.3f ms", double(ticks.size()),
                              double(late), lateMs) +
                       format(" (%.3f ms late in all)\n", lateTotalMs);
    if (!late)
        return text;
    text += format("  from the event before each deadline to the handler: %.3f ms, of it %.3f ms "
                   "on the GUI thread's CPU,",
                   gapMs, gapCpuMs) +
            format(" %.3f ms waiting for a CPU (other programs), %.3f ms blocked\n", gapWaitMs,
                   gapMs - gapCpuMs - gapWaitMs);
    std::vector<std::pair<double, std::string>> ranked;
    for (const auto &[name, share] : shares)
        ranked.emplace_back(share.ms, format("  %.3f ms in %.0f events: ", share.ms, share.count) +
                                          name + "\n");
    std::ranges::sort(ranked, std::greater{});
    for (const auto &[ms, line] : ranked)
        text += line;
    text += format("  of the time in events, %.3f ms on the GUI thread's CPU\n", busyCpuMs);
    std::ranges::sort(details, std::greater{});
    for (std::size_t i = 0; i < details.size() && i < kDetailedTicks; ++i)
        text += "  " + details[i].second + "\n";
    return text;
}

ProbedApplication::ProbedApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool ProbedApplication::notify(QObject *receiver, QEvent *event)
{
    const std::size_t index = m_probe.begin(receiver, event);
    const bool handled = QApplication::notify(receiver, event);
    m_probe.end(index);
    return handled;
}
