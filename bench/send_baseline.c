/* The least a program can do for what `orva-control --send status` does: open the line, make
 * it raw at 19200 baud, 8N1, write "CR0" and a carriage return, read the reply up to its
 * carriage return. The baseline of bench_send, timed from process start to exit.
 *
 * Usage: send_baseline DEVICE */
#include <fcntl.h>
#include <stdio.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    int fd = open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0) {
        perror(argv[1]);
        return 3;
    }
    struct termios line;
    tcgetattr(fd, &line);
    cfmakeraw(&line);
    cfsetspeed(&line, B19200);
    line.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &line);
    if (write(fd, "CR0\r", 4) != 4)
        return 3;
    char c;
    while (read(fd, &c, 1) == 1) {
        putchar(c);
        if (c == '\r')
            return 0;
    }
    return 1;
}
