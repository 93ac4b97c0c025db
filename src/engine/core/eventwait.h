#pragma once

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <functional>

// The one way the program waits while letting the thread's events run: a nested event loop
// that ends when a condition holds. Windows stay live meanwhile (buttons, timers, the tray
// menu), so any handler may run in the middle of a wait, including another wait: waits
// nest, and the inner one always ends first.
//
// A wait can also be ended from outside: once the application has been told to quit, no
// event loop runs again until the application's own loop has returned, so every wait then
// returns at once with false. The caller must then finish its business without waiting
// (for example stop a worker and join it).
//
// Used on the thread that owns the event loop (the GUI thread).
namespace eventwait {

// Lets events run until `done()` holds. `done` is asked first, then again each time `wake`
// emits `signal` (or `wake` is destroyed). True once `done()` holds; false when the wait
// was ended from outside first.
template <typename Sender, typename Signal>
bool until(const Sender* wake, Signal signal, const std::function<bool()>& done);

// Lets events run for `duration` on the monotonic clock. False when ended from outside
// before the time was up.
bool forDuration(std::chrono::milliseconds duration);

namespace detail {
// Runs nested loops until `done()` holds; `connectWake` ties the loop's wake-up call to
// whatever should make `done` worth asking again.
bool run(
    const std::function<bool()>& done,
    const std::function<void(QEventLoop& loop, const std::function<void()>& wake)>& connectWake);
} // namespace detail

template <typename Sender, typename Signal>
bool until(const Sender* wake, Signal signal, const std::function<bool()>& done) {
    return detail::run(done, [wake, signal](QEventLoop& loop, const std::function<void()>& up) {
        // The loop is the connections' context: they end with it.
        QObject::connect(wake, signal, &loop, up);
        QObject::connect(wake, &QObject::destroyed, &loop, up);
    });
}

} // namespace eventwait
