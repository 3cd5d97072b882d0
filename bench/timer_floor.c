/* The least a program can do for the repeat of a held button: a timerfd on CLOCK_MONOTONIC,
 * armed with an absolute first deadline and the interval as its period, waited for with
 * poll(), each wake-up stamped. The floor of the hold rows of bench_panel, which runs it in
 * the same run, in turns with the holds. Given a DEVICE, it also writes four bytes to it at
 * each wake-up, as the panel writes a command: bench_panel reads them on the far side of a
 * pseudo-terminal with the reader it reads the panel with, which is the floor of the device
 * side.
 *
 * Usage: timer_floor INTERVAL_MS TICKS [DEVICE]
 * Prints the distance of each spacing from the interval, in ms, one a line. */
#include <fcntl.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

static int64_t now_ns(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4)
        return 2;
    const int device = argc == 4 ? open(argv[3], O_WRONLY | O_NOCTTY | O_CLOEXEC) : -1;
    if (argc == 4 && device < 0)
        return 1;
    const int64_t interval = atoll(argv[1]) * 1000000;
    const long ticks = atol(argv[2]);
    int64_t *stamps = calloc((size_t)ticks, sizeof *stamps);
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (!stamps || fd < 0)
        return 1;
    const int64_t first = now_ns() + interval;
    const struct itimerspec deadlines = {
        {(time_t)(interval / 1000000000), (long)(interval % 1000000000)},
        {(time_t)(first / 1000000000), (long)(first % 1000000000)},
    };
    if (timerfd_settime(fd, TFD_TIMER_ABSTIME, &deadlines, NULL) != 0)
        return 1;
    struct pollfd wait = {fd, POLLIN, 0};
    for (long k = 0; k < ticks;) {
        uint64_t expiries;
        if (poll(&wait, 1, -1) != 1 || read(fd, &expiries, sizeof expiries) != sizeof expiries)
            continue;
        stamps[k++] = now_ns();
        if (device >= 0 && write(device, "TCK\r", 4) != 4)
            return 1;
    }
    for (long k = 1; k < ticks; ++k)
        printf("%.6f\n", llabs(stamps[k] - stamps[k - 1] - interval) / 1e6);
    return 0;
}
