#pragma once

#include "engine/platform/error.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// libopusenc's Ogg Opus encoder (the one place the program creates one).
namespace opus {

// Where an encoded Ogg Opus stream goes, page after page. Answers false on failure; the
// sink keeps the reason itself.
class EncodedOutput {
  public:
    virtual ~EncodedOutput() = default;
    virtual bool write(const unsigned char* data, std::size_t bytes) = 0;
};

struct EncoderParameters {
    int sampleRate = 0; // of the samples passed in; the stream is coded at 48 kHz
    int channels = 0;   // in the WAVE order (front left, front right, centre, LFE, ...)
    int bitrateKbps = 128;
};

inline constexpr int maxChannels = 8;
inline constexpr int minBitrateKbps = 6;
inline constexpr int maxBitrateKbps = 510;

// One Ogg Opus stream being encoded into an EncodedOutput. Input at any rate is resampled
// to 48 kHz; the stream records its pre-skip and, on its last page, where the audio ends, so
// decoders give back the length passed in (at 48 kHz, rounded up; an empty input gives one
// or two silent sample frames, as the library cannot end a stream without audio). One or two
// channels are coded as mono or stereo (mapping family 0), three to eight as surround (family 1),
// reordered from the WAVE order to the Vorbis order that family uses. Errors have source "Opus" and
// the library's text.
//
// Not thread-safe; it may be handed from one thread to another between calls.
class StreamEncoder {
  public:
    struct Library; // the library's objects, defined where they are used

    // Sets the encoder up; nothing is written before the first audio. `output` must outlive
    // the encoder. Fails with the reason for parameters it refuses.
    static Result<std::unique_ptr<StreamEncoder>> create(const EncoderParameters& parameters,
                                                         EncodedOutput& output);
    ~StreamEncoder(); // an encoder not finished writes nothing more
    StreamEncoder(const StreamEncoder&) = delete;
    StreamEncoder& operator=(const StreamEncoder&) = delete;

    // Encodes `frames` interleaved sample frames, full scale being the type's range
    // (+-32768, +-1.0).
    std::optional<VortanError> encode(const std::int16_t* samples, std::int64_t frames);
    std::optional<VortanError> encode(const float* samples, std::int64_t frames);
    // Encodes what is buffered and writes the last page with the end of the audio. Call once.
    std::optional<VortanError> finish();

  private:
    StreamEncoder(std::unique_ptr<Library> library, int channels);
    template <typename Sample, typename Write>
    std::optional<VortanError> encodeWith(Write write, const Sample* samples, std::int64_t frames,
                                          std::vector<Sample>& reordered);

    std::unique_ptr<Library> library_;
    int channels_ = 0;
    std::vector<std::int16_t> reorderedInt_;
    std::vector<float> reorderedFloat_;
    bool audioWritten_ = false;
    bool finished_ = false;
};

} // namespace opus
