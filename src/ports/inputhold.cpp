#include "inputhold.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

bool runWithInputHeld(const std::function<bool()> &done, std::chrono::milliseconds longest)
{
    // Not a nested QEventLoop: one would return at once once the program has begun to quit.
    const QDeadlineTimer deadline(longest);
    QTimer wake; // processEvents() would otherwise sleep past the deadline
    wake.setSingleShot(true);
    while (!done() && !deadline.hasExpired()) {
        // Set anew each turn: a timer may fire a little before the deadline it was set for,
        // and one set only once would then not wake the loop again.
        wake.start(std::chrono::ceil<std::chrono::milliseconds>(
            deadline.remainingTimeAsDuration()));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
    }
    return done();
}
