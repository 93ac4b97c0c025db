#pragma once

#include "formats/clsfileio.h"
#include "platform/activemp3/pcmformat.h"

#include <QString>

#include <cstdint>

// Writes decoded audio as a RIFF/WAVE file: 16-bit PCM in the format begin() is given, with
// a 44-byte header. The header is written first with a zero data length and rewritten with
// the real lengths by finish(), so a decode stopped midway leaves a valid, shorter file.
//
// The output is opened (created, locked, then cut to zero) by open(), before any decoding
// starts; the lock (flock, exclusive) makes a second writer of the same file, in this
// process or another, fail to open it rather than write into it. The data stops at the
// largest length a RIFF size field can state; write() then refuses more.
//
// Used by one thread at a time: opened by the starter, then written and finished by the
// decoding thread.
class WavFileWriter final : public PcmSink {
  public:
    WavFileWriter() = default;
    ~WavFileWriter() override; // finishes a file still open
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // False when the file cannot be created or another writer holds it; an existing file
    // that some writer holds is left untouched.
    bool open(const QString& path);
    bool begin(const PcmFormat& format) override;
    bool write(const char* data, std::size_t bytes) override;
    void finish() override;

    std::int64_t dataBytes() const { return dataBytes_; }
    bool failed() const { return failed_; }

    // The largest data length a WAV's 32-bit RIFF size can describe.
    static constexpr std::int64_t maxDataBytes = 0xFFFFFFFFLL - 36;

  private:
    bool writeAll(const char* data, std::size_t bytes);
    bool writeHeader();

    int fd_ = -1;
    PcmFormat format_;
    std::int64_t dataBytes_ = 0;
    bool failed_ = false;
};

// The 44-byte header of a 16-bit PCM WAV in `format` announcing `dataBytes` bytes.
WavHeaderBytes makePcmWavHeader(const PcmFormat& format, std::uint32_t dataBytes);
