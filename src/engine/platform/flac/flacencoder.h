#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

// libFLAC's stream encoder (the one place the program creates one).
namespace flac {

// Where an encoded FLAC stream goes: a seekable byte sink. The encoder writes the stream in
// order, then seeks back at the end to fill in STREAMINFO (length, MD5 signature) and the
// seek table. Each call answers false on failure; the sink keeps the reason itself.
class EncodedOutput {
  public:
    virtual ~EncodedOutput() = default;
    virtual bool write(const unsigned char* data, std::size_t bytes) = 0;
    virtual bool seek(std::uint64_t offset) = 0;
    virtual std::uint64_t position() const = 0;
};

struct EncoderParameters {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 16; // kept as they are: libFLAC 1.4 takes 4 to 32
    int compressionLevel = 5;
    // The sample frames the stream will take; -1 unknown. Sizes the seek table: without it
    // the stream has none.
    std::int64_t expectedFrames = -1;
};

inline constexpr int maxChannels = 8;
inline constexpr int seekPointSpacingSeconds = 10;
inline constexpr unsigned paddingBytes = 8192;

// One FLAC stream being encoded into an EncodedOutput: verify on (every frame is decoded
// again and compared with its input), the MD5 signature of the audio, a seek table with a
// point every 10 s when the length is known, and 8 KiB of padding for the tags that are
// written later. Errors have source "FLAC" and the library's state in their text.
//
// Not thread-safe; it may be handed from one thread to another between calls.
class StreamEncoder {
  public:
    struct Library; // the library's objects, defined where they are used

    // Sets the encoder up and writes the stream's header into `output`, which must outlive
    // the encoder. Fails, before anything is written, on parameters the library refuses
    // (the reason names them), and with the library's text when the header cannot be written.
    static Result<std::unique_ptr<StreamEncoder>> create(const EncoderParameters& parameters,
                                                         EncodedOutput& output);
    ~StreamEncoder();
    StreamEncoder(const StreamEncoder&) = delete;
    StreamEncoder& operator=(const StreamEncoder&) = delete;

    // Encodes `frames` interleaved sample frames, right-justified at the stream's width.
    std::optional<VortanError> encode(const std::int32_t* samples, std::int64_t frames);
    // Encodes what is buffered and rewrites the header with the final length, MD5 signature
    // and seek table. Call once; the output is then complete (still open).
    std::optional<VortanError> finish();

  private:
    StreamEncoder(std::unique_ptr<Library> library, int channels);
    VortanError stateError() const;
    std::optional<VortanError> markUnreachedSeekPoints();

    std::unique_ptr<Library> library_;
    int channels_ = 0;
    bool finished_ = false;
};

} // namespace flac
