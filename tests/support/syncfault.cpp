#include "syncfault.h"

#include <atomic>
#include <dlfcn.h>
#include <unistd.h>

namespace {

std::atomic<int> failWith{0};
std::atomic<int> refusedCalls{0};

} // namespace

// Takes the place of the C library's fdatasync for the whole program once this file is
// linked in (it is whenever a test uses FailingFlush).
extern "C" int fdatasync(int fd) {
    if (const int error = failWith.load()) {
        refusedCalls.fetch_add(1);
        errno = error;
        return -1;
    }
    using Fdatasync = int (*)(int);
    static const auto real = reinterpret_cast<Fdatasync>(::dlsym(RTLD_NEXT, "fdatasync"));
    return real ? real(fd) : ::fsync(fd);
}

namespace fixtures {

FailingFlush::FailingFlush(int error) {
    refusedCalls = 0;
    failWith = error;
}

FailingFlush::~FailingFlush() {
    failWith = 0;
}

int FailingFlush::refused() const {
    return refusedCalls.load();
}

} // namespace fixtures
