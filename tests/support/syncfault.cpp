#include "syncfault.h"

#include <atomic>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace {

std::atomic<int> failWith{0};
std::atomic<int> refusedCalls{0};

std::mutex logMutex;
bool logging = false;
QByteArray logMarker;
std::vector<fixtures::FlushAndRenameLog::Event> logged;

} // namespace

// Takes the place of the C library's fdatasync for the whole program once this file is
// linked in (it is whenever a test uses FailingFlush or FlushAndRenameLog).
extern "C" int fdatasync(int fd) {
    if (const int error = failWith.load()) {
        refusedCalls.fetch_add(1);
        errno = error;
        return -1;
    }
    {
        std::lock_guard lock(logMutex);
        if (logging) {
            QByteArray head(logMarker.size(), '\0');
            const ssize_t got = ::pread(fd, head.data(), static_cast<std::size_t>(head.size()), 0);
            logged.push_back({false, got == head.size() && head == logMarker});
        }
    }
    using Fdatasync = int (*)(int);
    static const auto real = reinterpret_cast<Fdatasync>(::dlsym(RTLD_NEXT, "fdatasync"));
    return real ? real(fd) : ::fsync(fd);
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned int flags) {
    {
        std::lock_guard lock(logMutex);
        if (logging)
            logged.push_back({true, false});
    }
    using Renameat2 = int (*)(int, const char*, int, const char*, unsigned int);
    static const auto real = reinterpret_cast<Renameat2>(::dlsym(RTLD_NEXT, "renameat2"));
    return real(fromFolder, from, toFolder, to, flags);
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

FlushAndRenameLog::FlushAndRenameLog(const QByteArray& marker) {
    std::lock_guard lock(logMutex);
    logged.clear();
    logMarker = marker;
    logging = true;
}

FlushAndRenameLog::~FlushAndRenameLog() {
    std::lock_guard lock(logMutex);
    logging = false;
}

std::vector<FlushAndRenameLog::Event> FlushAndRenameLog::events() const {
    std::lock_guard lock(logMutex);
    return logged;
}

} // namespace fixtures
