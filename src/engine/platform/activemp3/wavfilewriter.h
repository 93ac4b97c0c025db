#pragma once

#include "engine/formats/clsfileio.h"
#include "engine/formats/outputfile.h"
#include "engine/platform/audio/pcmformat.h"

#include <QString>

#include <cstdint>
#include <memory>

// Writes decoded audio as a RIFF/WAVE file: 16-bit PCM in the format begin() is given, with
// a 44-byte header. The header is written first with a zero data length and rewritten with
// the real lengths by finish(), so a decode stopped midway leaves a valid, shorter file.
//
// The output is opened (created, locked, then cut to zero) by open(), before any decoding
// starts; the lock (flock, exclusive) makes a second writer of the same file, in this
// process or another, fail to open it rather than write into it. create() instead writes
// under a temporary name beside the wanted one (outputfile::PendingOutput), and finish()
// puts the complete file at its name: nothing is ever half-written at that name, and nothing
// there is replaced. The data stops at the largest length a RIFF size field can state;
// write() then refuses more (EFBIG).
//
// A refused write keeps the whole sample frames that reached the file and cuts off the
// rest, so the file finish() ends always matches its header. The first failure of open,
// a write, the header, the flush or the close is kept as a system error number (error()).
//
// Used by one thread at a time: opened by the starter, then written and finished by the
// decoding thread.
class WavFileWriter final : public PcmSink {
  public:
    WavFileWriter() = default;
    ~WavFileWriter() override; // finishes a file still open
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // False when the file cannot be created or another writer holds it (error() tells why);
    // an existing file that some writer holds is left untouched.
    bool open(const QString& path);
    // Begins a file meant for `wantedPath`, under a temporary name in its folder. False when
    // it cannot be created (error() tells why).
    bool create(const QString& wantedPath);
    bool begin(const PcmFormat& format) override;
    bool write(const char* data, std::size_t bytes) override;
    // Rewrites the header with the lengths written, flushes the file to the disk (fdatasync)
    // and closes it; a file begun by create() is then put at its name (outputPath() says
    // which), or removed when a write or any of these steps failed. False when any step
    // failed. Without an open file (never opened, or finished already) it does nothing and
    // returns true.
    bool finish() override;
    // The file finish() put in place; empty when it kept none (or was opened by open()).
    QString outputPath() const override { return published_; }

    std::int64_t dataBytes() const { return dataBytes_; }
    // A step failed since the last open: a write, the header, the flush or the close.
    bool failed() const { return error_ != 0; }
    // The system error number (errno) of the first failure since the last open; 0 if none.
    int error() const { return error_; }
    // The system's text for error() ("No space left on device"; "the file is in use" when
    // another writer holds it); empty when nothing failed.
    QString errorText() const override;

    // The largest data length a WAV's 32-bit RIFF size can describe.
    static constexpr std::int64_t maxDataBytes = 0xFFFFFFFFLL - 36;

  private:
    // Writes at `offset`, or at the current position when it is negative; the bytes that
    // reached the file are stored in `written`.
    bool writeAll(const char* data, std::size_t bytes, std::int64_t offset, std::size_t& written);
    bool writeHeader(std::int64_t offset);
    bool fail(int error); // keeps the first error; false

    int fd_ = -1;
    std::unique_ptr<outputfile::PendingOutput> pending_; // owns fd_ for a created file
    QString published_;
    PcmFormat format_;
    std::int64_t dataBytes_ = 0;
    int error_ = 0;
};

// The 44-byte header of a 16-bit PCM WAV in `format` announcing `dataBytes` bytes.
WavHeaderBytes makePcmWavHeader(const PcmFormat& format, std::uint32_t dataBytes);
