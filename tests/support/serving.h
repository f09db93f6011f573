#pragma once
// A sender on a thread of its own while this thread serves events, as the event loop of the
// program receiving would.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <functional>
#include <thread>

inline void WhileServing(const std::function<void()>& sender, int mostMs) {
    std::atomic<bool> done = false;
    std::thread thread([&] {
        sender();
        done = true;
    });
    QElapsedTimer waited;
    waited.start();
    while (!done && waited.elapsed() < mostMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    thread.join();
}
