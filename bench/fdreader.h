#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A thread that waits in poll() on one descriptor and reads whatever becomes readable, noting
// the time it woke (CLOCK_MONOTONIC, before the read). It is the device side of the line, or
// the plain reader of a baseline.
class FdReader
{
public:
    struct Arrival {
        std::int64_t ns;
        std::string bytes;
    };

    explicit FdReader(int fd);
    ~FdReader();
    FdReader(const FdReader &) = delete;
    FdReader &operator=(const FdReader &) = delete;

    void clear(); // forgets what has arrived
    // Waits until `bytes` bytes have arrived since clear(); false when the time runs out.
    bool waitFor(std::size_t bytes, std::chrono::milliseconds timeout);
    std::vector<Arrival> arrivals() const;
    // When the arrivals since clear() first held `bytes` bytes; 0 when they never did.
    std::int64_t timeOfByte(std::size_t bytes) const;

private:
    void run();

    int m_fd;
    int m_stop[2] = {-1, -1}; // a pipe that ends the thread
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Arrival> m_arrivals;
    std::size_t m_total = 0;
    std::thread m_thread;
};
