#include "inputhold.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

bool runWithInputHeld(const std::function<bool()> &done, std::chrono::milliseconds longest)
{
    // Not a nested QEventLoop: one would return at once once the program has begun to quit.
    const QDeadlineTimer deadline(longest);
    QTimer wake; // processEvents() would otherwise sleep past the deadline
    wake.start(longest);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
    return done();
}
