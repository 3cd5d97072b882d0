#include "fdreader.h"

#include "benchclock.h"

#include <poll.h>
#include <unistd.h>

#include <stdexcept>

FdReader::FdReader(int fd) : m_fd(fd)
{
    if (pipe(m_stop) != 0)
        throw std::runtime_error("pipe");
    m_thread = std::thread([this] { run(); });
}

FdReader::~FdReader()
{
    const char stop = 0;
    [[maybe_unused]] const auto written = write(m_stop[1], &stop, 1);
    m_thread.join();
    close(m_stop[0]);
    close(m_stop[1]);
}

void FdReader::clear()
{
    const std::lock_guard lock(m_mutex);
    m_arrivals.clear();
    m_total = 0;
}

bool FdReader::waitFor(std::size_t bytes, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return m_total >= bytes; });
}

std::vector<FdReader::Arrival> FdReader::arrivals() const
{
    const std::lock_guard lock(m_mutex);
    return m_arrivals;
}

std::int64_t FdReader::timeOfByte(std::size_t bytes) const
{
    const std::lock_guard lock(m_mutex);
    std::size_t total = 0;
    for (const Arrival &arrival : m_arrivals) {
        total += arrival.bytes.size();
        if (total >= bytes)
            return arrival.ns;
    }
    return 0;
}

void FdReader::run()
{
    char buffer[65536];
    for (;;) {
        pollfd watched[2] = {{m_fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
        if (poll(watched, 2, -1) < 0)
            continue;
        const std::int64_t woke = monotonicNs();
        if (watched[1].revents)
            return;
        if (!(watched[0].revents & POLLIN)) {
            sleepMs(1); // a hang-up: nothing to read until the other end opens again
            continue;
        }
        const ssize_t count = read(m_fd, buffer, sizeof buffer);
        if (count <= 0)
            continue;
        {
            const std::lock_guard lock(m_mutex);
            m_arrivals.push_back({woke, std::string(buffer, std::size_t(count))});
            m_total += std::size_t(count);
        }
        m_arrived.notify_all();
    }
}
