#include "ptypair.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        std::exit(EXIT_FAILURE);
    }
    // Raw as a serial line: bytes pass unchanged and a read wakes for every byte, not per line.
    termios settings{};
    tcgetattr(m_slave, &settings);
    cfmakeraw(&settings);
    tcsetattr(m_slave, TCSANOW, &settings);
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    close(m_slave);
    close(m_master);
}
