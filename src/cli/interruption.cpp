#include "cli/interruption.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace cli {

namespace {

// [0] read by the notifier, [1] written by the handler.
int wakePipe[2] = {-1, -1};

extern "C" void onSignal(int number) {
    // Only async-signal-safe calls here.
    std::signal(number == SIGINT ? SIGTERM : SIGINT, SIG_DFL);
    std::signal(number, SIG_DFL);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
}

} // namespace

Interruption::Interruption() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakePipe) != 0)
        return; // no interruption then: the signals keep their default action
    notifier_ = std::make_unique<QSocketNotifier>(wakePipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(wakePipe[0], &byte, 1);
        notifier_->setEnabled(false);
        happened_ = true;
        emit interrupted();
    });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

Interruption::~Interruption() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    notifier_.reset();
    for (int& fd : wakePipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace cli
