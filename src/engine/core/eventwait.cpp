#include "engine/core/eventwait.h"

#include <QDeadlineTimer>
#include <QTimer>

namespace eventwait {

bool detail::run(
    const std::function<bool()>& done,
    const std::function<void(QEventLoop& loop, const std::function<void()>& wake)>& connectWake) {
    while (!done()) {
        QEventLoop loop;
        bool woken = false;
        connectWake(loop, [&loop, &woken] {
            woken = true;
            loop.quit();
        });
        loop.exec();
        if (!woken)
            return false; // ended from outside: the application is quitting
    }
    return true;
}

bool forDuration(std::chrono::milliseconds duration) {
    const QDeadlineTimer deadline(duration);
    return detail::run([&deadline] { return deadline.hasExpired(); },
                       [&deadline](QEventLoop& loop, const std::function<void()>& wake) {
                           // One millisecond more: the timer may fire a little early.
                           QTimer::singleShot(std::chrono::milliseconds(deadline.remainingTime()) +
                                                  std::chrono::milliseconds(1),
                                              &loop, wake);
                       });
}

} // namespace eventwait
