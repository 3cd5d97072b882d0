#pragma once

#include <QApplication>

#include <cstdint>
#include <string>
#include <vector>

// What the GUI thread did while a hold ran: the start and end of every event it handled, each
// on the wall clock, the thread's CPU clock and the scheduler's count of the time the thread
// waited for a CPU while it could run. explain() then takes the ticks of Timer1 and names what
// stood between each late tick's deadline and its handler: events of its own thread, other
// programs holding the CPUs, or the thread blocked (asleep in the loop, or waiting on a reply). Installed as the application (ProbedApplication), so that
// it sees every event delivered on the thread.
class HoldProbe
{
public:
    struct Event {
        int type;            // QEvent::Type
        std::string target;  // class and object name of the receiver
        std::int64_t start;  // CLOCK_MONOTONIC ns
        std::int64_t end;
        std::int64_t cpuStart; // the GUI thread's CPU clock, ns
        std::int64_t cpuEnd;
        std::int64_t waitStart; // the GUI thread's time runnable but not running, ns, so far
        std::int64_t waitEnd;
        int depth; // 0: delivered by the event loop itself; more: sent from inside another
    };

    void start(); // on the GUI thread
    void stop() { m_on = false; }

    // Called by ProbedApplication around each event it delivers.
    std::size_t begin(QObject *receiver, QEvent *event);
    void end(std::size_t index);

    // For ticks of a grid of `intervalMs` (the deadlines the kernel keeps): the late ones, over
    // `lateMs`, and what ran between their deadline and their start. Written as text.
    std::string explain(const std::vector<std::int64_t> &ticks, int intervalMs,
                        double lateMs) const;

private:
    std::int64_t runQueueWaitNs() const;

    bool m_on = false;
    int m_depth = 0;
    int m_schedstat = -1; // the GUI thread's /proc/thread-self/schedstat
    std::vector<Event> m_events;
};

class ProbedApplication : public QApplication
{
public:
    ProbedApplication(int &argc, char **argv);

    HoldProbe &probe() { return m_probe; }
    bool notify(QObject *receiver, QEvent *event) override;

private:
    HoldProbe m_probe;
};
