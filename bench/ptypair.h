#pragma once

#include <QString>

// A pseudo-terminal in raw mode. The benchmarks play the device on the master; the panel
// opens the slave by its path as its serial port. The pair stays open for the whole run, so
// the master never sees a hang-up between the panel's opens.
class PtyPair
{
public:
    PtyPair(); // exits the program when the system refuses a pseudo-terminal
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    int master() const { return m_master; }
    int slave() const { return m_slave; }
    QString slavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
