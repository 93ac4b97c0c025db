#pragma once

#include <cerrno>

// Makes the system's fdatasync fail in this test program: a disk that reports a write error
// only when the data is flushed (EIO), or a file system that runs out of room at the flush
// (ENOSPC), which no ordinary file can be made to do on demand.
namespace fixtures {

// While an instance lives, every fdatasync call of the process fails with `error`; the real
// call is made otherwise. The file's data is still written: only the flush is refused.
class FailingFlush {
  public:
    explicit FailingFlush(int error = EIO);
    ~FailingFlush();
    FailingFlush(const FailingFlush&) = delete;
    FailingFlush& operator=(const FailingFlush&) = delete;

    // fdatasync calls refused so far.
    int refused() const;
};

} // namespace fixtures
