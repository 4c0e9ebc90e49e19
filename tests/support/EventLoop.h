#pragma once
// Runs the main thread's events until work that reports through the event loop
// (web pages, main-queue hops) is done. The wall-time cap only keeps a broken
// test from hanging; it asserts nothing about speed.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

namespace testsupport {

inline bool runEventsUntil(const std::function<bool()>& done, int capSeconds = 120)
{
    QDeadlineTimer cap(capSeconds * 1000);
    while (!done()) {
        if (cap.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

} // namespace testsupport
