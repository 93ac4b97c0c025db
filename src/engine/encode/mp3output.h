#pragma once

#include "engine/encode/modlame.h"
#include "engine/platform/error.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class AsyncFileWriter;
class clsFileIo;

// One MP3 being written: an encoder stream of the binding and the output file it goes to.
// The encoder is set up before the file is touched, so a configuration the encoder refuses
// leaves no file behind. Encoded bytes are collected by encode() and handed to the file by
// commit(); the file is written and flushed on a writer thread of its own, so a slow flush
// overlaps the encoding of what follows instead of adding to it. finish() flushes the
// encoder, writes the LAME/Info frame over the blank first frame (gapless decoders then
// give back exactly the samples encoded), and closes the file.
//
// Used by one thread at a time (the job that opened it).
class Mp3Output {
  public:
    // Fails with the encoder's error (source "Lame") or the file's ("<path>: <reason>",
    // source `errorSource`).
    static Result<std::unique_ptr<Mp3Output>> open(const modLAME::EncoderConfig& config,
                                                   const QString& path, const QString& errorSource);
    // The same, writing into `fd`, an open, empty file (an output under way,
    // outputfile::PendingOutput); it is taken over and closed by finish(). `path` names the
    // file in messages. `fd` is closed when the encoder refuses the configuration.
    static Result<std::unique_ptr<Mp3Output>> open(const modLAME::EncoderConfig& config, int fd,
                                                   const QString& path, const QString& errorSource);
    ~Mp3Output(); // a file not finished is closed as it is
    Mp3Output(const Mp3Output&) = delete;
    Mp3Output& operator=(const Mp3Output&) = delete;

    // Samples (all channels counted) one encode() takes at most.
    std::uint32_t maxSamplesPerCall() const { return samplesPerChunk_; }
    // Encodes interleaved samples; the MP3 bytes wait for commit(). Fails with the encoder's
    // error; the stream is then closed and only finish() is left to call. 16-bit, 32-bit
    // integer and floating-point samples are scaled as the binding's beEncodeChunk,
    // beEncodeChunkInt32 and beEncodeChunkFloat take them.
    std::optional<VortanError> encode(const std::int16_t* samples, std::uint32_t sampleCount);
    std::optional<VortanError> encode(const std::int32_t* samples, std::uint32_t sampleCount);
    std::optional<VortanError> encode(const float* samples, std::uint32_t sampleCount);
    // Hands the bytes encoded since the last commit to the file. Fails once a write failed.
    std::optional<VortanError> commit();
    // Ends the MP3 (see above) and closes it; returns the first failure. Call once.
    std::optional<VortanError> finish();

    std::int64_t bytesWritten() const { return bytesWritten_; }

  private:
    Mp3Output(modLAME::StreamHandle stream, std::uint32_t samplesPerChunk,
              std::uint32_t outputBytes, QString path, QString errorSource);
    VortanError fileError(int error) const;
    // Runs one of the binding's chunk operations, `encodeChunk`, over `samples`.
    template <typename Sample, typename EncodeChunk>
    std::optional<VortanError> encodeWith(EncodeChunk encodeChunk, const Sample* samples,
                                          std::uint32_t sampleCount);

    modLAME::StreamHandle stream_ = 0; // 0 once closed
    std::uint32_t samplesPerChunk_ = 0;
    std::vector<unsigned char> output_; // one call's worth of encoder output
    std::vector<unsigned char> staged_; // encoded, not yet committed
    QString path_;
    QString errorSource_;
    std::unique_ptr<clsFileIo> file_;
    std::unique_ptr<AsyncFileWriter> writer_;
    std::int64_t bytesWritten_ = 0;
    bool finished_ = false;
};
