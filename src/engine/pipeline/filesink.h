#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace pipeline {

// The file an encoder writes, through a duplicate of the descriptor it was given (the
// original stays open for whoever owns it). Bytes are collected and written in large blocks
// at a position of the sink's own (pwrite), so the encoders' many small writes cost little
// and the descriptor's shared offset is never relied on. The first failure is kept, naming
// the file ("<path>: <reason>"); every later call then fails at once.
//
// Used by one thread at a time.
class FileSink {
  public:
    // Fails when the descriptor cannot be duplicated.
    static Result<std::unique_ptr<FileSink>> open(int fd, const QString& path,
                                                  const QString& errorSource);
    ~FileSink(); // closes the duplicate; what was not written is lost
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Writes at the position, which moves past the bytes.
    bool write(const void* data, std::size_t bytes);
    // Moves the position (pending bytes are written first).
    bool seek(std::uint64_t offset);
    std::uint64_t position() const { return position_; }
    // Writes the pending bytes, then closes the duplicate. Returns the first failure of the
    // sink's life, that of the close included. Call once.
    std::optional<VortanError> close();

    const std::optional<VortanError>& failure() const { return failure_; }
    // Bytes the file has taken (pending bytes not counted).
    std::int64_t bytesWritten() const { return bytesWritten_; }
    // A failure naming the file, for a step of the caller's own (`error` an errno).
    VortanError fileError(int error) const;

  private:
    FileSink(int fd, QString path, QString errorSource);
    bool flushPending();
    bool fail(int error);

    static constexpr std::size_t blockBytes = 256 * 1024;

    int fd_ = -1;
    QString path_;
    QString errorSource_;
    std::vector<unsigned char> pending_; // bytes for the file at pendingOffset_
    std::uint64_t pendingOffset_ = 0;
    std::uint64_t position_ = 0;
    std::int64_t bytesWritten_ = 0;
    std::optional<VortanError> failure_;
};

} // namespace pipeline
