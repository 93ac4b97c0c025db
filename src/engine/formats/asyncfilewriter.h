#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class clsFileIo;

// Appends bytes to an open file on a thread of its own. Every write is flushed to the disk
// (clsFileIo), and a flush can take several milliseconds on a busy disk: done here, it
// overlaps the work that produces the next bytes instead of adding to it. Bytes that queue up
// during a write go out together in the next write and flush.
//
// Fed by one producing thread; the file is touched only by the writer thread until finish()
// returns.
class AsyncFileWriter {
  public:
    explicit AsyncFileWriter(clsFileIo& file);
    ~AsyncFileWriter(); // finish()
    AsyncFileWriter(const AsyncFileWriter&) = delete;
    AsyncFileWriter& operator=(const AsyncFileWriter&) = delete;

    // Queues `size` bytes; waits while too much is queued already. False once a write failed.
    bool append(const void* data, std::size_t size);
    // Writes what is queued and ends the thread. False when any write failed.
    bool finish();

    // The errno of the first failed write.
    int error() const { return error_; }
    // Bytes the file has taken.
    std::int64_t bytesWritten() const { return written_; }

  private:
    static constexpr std::size_t maxPending = 2 * 1024 * 1024;
    void run();

    clsFileIo& file_;
    std::mutex mutex_;
    std::condition_variable work_;       // bytes queued, or closing
    std::condition_variable spaceFreed_; // a write ended
    std::vector<unsigned char> pending_;
    bool closing_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::int64_t written_ = 0;
    std::thread thread_; // last: starts once everything above exists
};
