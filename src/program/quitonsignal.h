#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loop when the program is asked to stop (SIGTERM at logout or from kill,
// SIGINT from Ctrl+C in a terminal, SIGHUP when the terminal goes), so that the window and the
// port close as on END: the device and its lock file are free right after.
//
// A signal handler may do next to nothing; it writes one byte into a socket pair, and the
// event loop takes it from there. The handler never blocks: signals that come while the
// socket is full are dropped, since one is enough to end the program.
class QuitOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

    // A signal has come. One that comes before the main event loop runs (while the start-up
    // warning is open) ends the warning, and the program must then end without starting the
    // main loop, which would run on.
    bool received() const { return m_received; }

private:
    static void onSignal(int signal);

    QSocketNotifier *m_notifier = nullptr;
    bool m_received = false;
};
