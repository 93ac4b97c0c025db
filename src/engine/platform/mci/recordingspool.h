#pragma once

#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/error.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

namespace mci::detail {

// A recording kept in a file as it is recorded, never whole in memory. The file is laid out
// as the WAV it becomes: room for a 44-byte header, then the audio. It lives under a temporary
// name in its folder (outputfile::createTemporary: locked, and named as unfinished), so a
// killed program leaves only such a file, which outputfile::removeLeftovers clears; the
// destructor removes it.
//
// save() into the spool's own folder writes the header and publishes the file itself, without
// copying it; the spool then reads from the published file, which it no longer changes (see
// published()). A save elsewhere copies the audio into a new file.
//
// Threads: write() and finish() run on the recording thread (PcmRecorder) between begin()
// and the recorder's stop; every other call is made by the owner's thread while no recording
// runs, except bytes(), which any thread may read.
class RecordingSpool final : public PcmSink {
  public:
    // A new, empty spool in `folder`. Fails with the system's reason when the folder takes no
    // file. Leftovers of killed recordings in the folder are cleared first.
    static Result<std::unique_ptr<RecordingSpool>> create(const QString& folder);
    ~RecordingSpool() override;
    RecordingSpool(const RecordingSpool&) = delete;
    RecordingSpool& operator=(const RecordingSpool&) = delete;

    const QString& folder() const { return folder_; }
    // The audio held, in bytes (whole sample frames).
    std::int64_t bytes() const { return bytes_.load(std::memory_order_acquire); }
    // True once a save published the spool's own file: it may no longer be written or cut.
    bool published() const { return published_; }

    bool begin(const PcmFormat& format) override;
    // Appends the audio to the file; false when the file takes no more (the disk is full, or
    // the WAV size limit is reached): the whole frames that reached it are kept.
    bool write(const char* data, std::size_t bytes) override;
    bool finish() override { return true; }
    QString errorText() const override;

    // Drops the audio's bytes [first, end) (whole frames; clipped to what it holds), moving
    // what follows up. False when the file could not be cut: it then holds the audio before
    // `first` alone, or (its end not cut) the audio as cut with more after it.
    bool erase(std::int64_t first, std::int64_t end);
    // The audio as a new WAV file of `format` meant for `wantedPath`, never replacing a file:
    // the name taken. On failure nothing is left at any name, and the spool is as it was.
    Result<QString> save(const QString& wantedPath, const PcmFormat& format);
    // A new spool in the same folder holding the same audio (for a published spool that is to
    // be recorded into or cut).
    Result<std::unique_ptr<RecordingSpool>> copy() const;

  private:
    RecordingSpool(int fd, QString path, QString folder);
    Result<QString> publishInPlace(const QString& wantedPath, const PcmFormat& format);
    // Copies the audio into `fd` after its header's room; false, with the errno in `error`,
    // when a read or a write failed.
    bool copyTo(int fd, int& error) const;

    int fd_ = -1;
    QString path_; // the temporary name, then the published one
    QString folder_;
    bool published_ = false;
    std::atomic<std::int64_t> bytes_{0};
    std::atomic<int> writeError_{0}; // errno of the write that failed, set on the recording thread
    std::int64_t blockAlign_ = 4;
};

} // namespace mci::detail
