#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

// Runs `work` on the GUI thread and waits until it is done. The benchmark script runs on a
// thread of its own, so the GUI thread sleeps in its event loop, as in use, when an event
// comes; whatever touches a widget goes through here.
template <typename Work> void onGuiThread(Work work)
{
    QMetaObject::invokeMethod(qApp, std::move(work), Qt::BlockingQueuedConnection);
}
