#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <termios.h>

// Runs the event loop until `done` holds. It blocks on events (a pseudo-terminal's, a port's)
// and never sleeps; the deadline only ends a hang.
bool waitFor(const std::function<bool()> &done, int deadlineMs = 20000);

// Delivers whatever is ready, as the loop would between two of the operator's moves: a port
// left open on a dead device would report again here.
void settle();

// A raw pseudo-terminal: the program opens `path`, the test is the device at the other end.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Puts all of `bytes` on the line, waiting for room while the program reads.
    bool put(const QByteArray &bytes);
    // What the program wrote, once `count` bytes have come or the deadline has passed; with
    // no deadline, what is there now.
    QByteArray take(qsizetype count, int deadlineMs = 5000);
    // The line speed the program has set, as a termios code (B9600...).
    speed_t speed() const;
    // Closes both ends, as when an adapter is unplugged.
    void hangUp();

    QString path;

private:
    int m_master = -1;
    int m_slave = -1; // held, so the line stays up while the program opens and closes it
};
