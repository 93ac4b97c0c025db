#pragma once

#include <QByteArray>

#include <cerrno>
#include <vector>

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

// While an instance lives, notes the order in which the process flushes files and renames
// them: for each fdatasync, whether the file then begins with `marker`, and each rename
// (renameat2). Both calls still do their work.
class FlushAndRenameLog {
  public:
    struct Event {
        bool rename = false; // else a flush
        bool marked = false; // a flush of a file beginning with the marker
    };
    explicit FlushAndRenameLog(const QByteArray& marker);
    ~FlushAndRenameLog();
    FlushAndRenameLog(const FlushAndRenameLog&) = delete;
    FlushAndRenameLog& operator=(const FlushAndRenameLog&) = delete;

    std::vector<Event> events() const;
};

} // namespace fixtures
