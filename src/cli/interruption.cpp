#include "cli/interruption.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace cli {

namespace {

// [0] read by the notifier, [1] written by the handler.
int wakePipe[2] = {-1, -1};

// Set by the handler itself, so that a stage that is not running the event loop sees it too.
std::atomic<bool> signalled{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onSignal(int number) {
    // Only async-signal-safe calls here.
    std::signal(number == SIGINT ? SIGTERM : SIGINT, SIG_DFL);
    std::signal(number, SIG_DFL);
    signalled.store(true);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
}

} // namespace

Interruption::Interruption() {
    signalled.store(false);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakePipe) != 0)
        return; // no interruption then: the signals keep their default action
    notifier_ = std::make_unique<QSocketNotifier>(wakePipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(wakePipe[0], &byte, 1);
        notifier_->setEnabled(false);
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

bool Interruption::happened() const {
    return signalled.load();
}

void Interruption::endNow() {
    std::fflush(stdout);
    std::fputs("mp3vortan-cli: interrupted\n", stderr);
    std::fflush(stderr);
    // No destructors: the stage's thread is still at work, and it is left there.
    std::_Exit(1);
}

void Interruption::runAbandonable(const std::function<void()>& stage) {
    if (happened())
        endNow();
    // The receiver of this stage's connections: what it has posted and not delivered goes
    // with it, so nothing of the stage reaches a later run of the event loop.
    QObject context;
    bool ended = false;
    const std::unique_ptr<QThread> worker(QThread::create(stage));
    connect(worker.get(), &QThread::finished, &context, [&ended] {
        ended = true;
        QCoreApplication::exit(0);
    });
    connect(this, &Interruption::interrupted, &context, [] { endNow(); });
    worker->start();
    while (!ended)
        QCoreApplication::exec();
    worker->wait();
}

} // namespace cli
