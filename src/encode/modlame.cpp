#include "encode/modlame.h"

#include <lame/lame.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace modLAME {

namespace {

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;

void quietReport(const char*, va_list) {}

constexpr std::array<std::uint32_t, 9> mpegSampleRates = {8000,  11025, 12000, 16000, 22050,
                                                          24000, 32000, 44100, 48000};
constexpr std::array<std::uint32_t, 18> mpegBitrates = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                                                        96, 112, 128, 144, 160, 192, 224, 256, 320};

bool isMpegRate(std::uint32_t rate) {
    return std::find(mpegSampleRates.begin(), mpegSampleRates.end(), rate) != mpegSampleRates.end();
}
bool isMpeg1Rate(std::uint32_t rate) {
    return rate == 32000 || rate == 44100 || rate == 48000;
}

// One open stream: the encoder and what the caller was promised at open. Used by one
// thread at a time.
class LameStream {
  public:
    LameStream(LamePtr flags, int channels, std::uint32_t samplesPerChunk,
               std::uint32_t outputBytes)
        : flags_(std::move(flags)), channels_(channels), samplesPerChunk_(samplesPerChunk),
          outputBytes_(outputBytes) {}

    std::uint32_t samplesPerChunk() const { return samplesPerChunk_; }

    // Returns the MP3 byte count, or a negative libmp3lame code.
    int encode(const std::int16_t* input, std::uint32_t sampleCount, unsigned char* output) {
        if (pendingCount_ == 0 && sampleCount % channels_ == 0)
            return encodeFrames(input, sampleCount / channels_, output);
        // Some samples of an unfinished sample frame wait from the last call, or this call
        // ends inside a frame: join them so the channels never slip.
        joined_.assign(pending_.begin(), pending_.begin() + pendingCount_);
        joined_.insert(joined_.end(), input, input + sampleCount);
        const std::size_t whole = joined_.size() / channels_ * channels_;
        pendingCount_ = static_cast<int>(joined_.size() - whole);
        std::copy(joined_.begin() + static_cast<std::ptrdiff_t>(whole), joined_.end(),
                  pending_.begin());
        return encodeFrames(joined_.data(), static_cast<std::uint32_t>(whole / channels_), output);
    }

    int flush(unsigned char* output) {
        const int n = lame_encode_flush(flags_.get(), output, static_cast<int>(outputBytes_));
        flushed_ = n >= 0;
        return n;
    }

    bool flushed() const { return flushed_; }
    // The tag frame's size; 0 when the stream carries none. Larger than the buffer only when
    // the buffer cannot take it (nothing is stored then).
    std::size_t infoTag(unsigned char* output) const {
        return lame_get_lametag_frame(flags_.get(), output, outputBytes_);
    }
    std::uint32_t outputBytes() const { return outputBytes_; }

  private:
    int encodeFrames(const std::int16_t* input, std::uint32_t frames, unsigned char* output) {
        if (frames == 0)
            return 0;
        // libmp3lame copies the input; it never writes through these pointers.
        auto* pcm = const_cast<short*>(reinterpret_cast<const short*>(input));
        const int size = static_cast<int>(outputBytes_);
        if (channels_ == 2)
            return lame_encode_buffer_interleaved(flags_.get(), pcm, static_cast<int>(frames),
                                                  output, size);
        return lame_encode_buffer(flags_.get(), pcm, nullptr, static_cast<int>(frames), output,
                                  size);
    }

    LamePtr flags_;
    int channels_;
    std::uint32_t samplesPerChunk_;
    std::uint32_t outputBytes_;
    std::array<std::int16_t, 2> pending_{};
    int pendingCount_ = 0;
    std::vector<std::int16_t> joined_;
    bool flushed_ = false;
};

class StreamTable {
  public:
    ErrorCode add(std::shared_ptr<LameStream> stream, StreamHandle& handle) {
        std::lock_guard lock(mutex_);
        if (streams_.size() >= static_cast<std::size_t>(maxStreams))
            return NoMoreHandles;
        do {
            ++next_;
        } while (next_ == 0 || streams_.count(next_));
        streams_.emplace(next_, std::move(stream));
        handle = next_;
        return Successful;
    }
    std::shared_ptr<LameStream> find(StreamHandle handle) {
        std::lock_guard lock(mutex_);
        const auto it = streams_.find(handle);
        return it == streams_.end() ? nullptr : it->second;
    }
    bool remove(StreamHandle handle) {
        std::shared_ptr<LameStream> released; // destroyed outside the lock
        std::lock_guard lock(mutex_);
        const auto it = streams_.find(handle);
        if (it == streams_.end())
            return false;
        released = std::move(it->second);
        streams_.erase(it);
        return true;
    }

  private:
    std::mutex mutex_;
    std::map<StreamHandle, std::shared_ptr<LameStream>> streams_;
    StreamHandle next_ = 0;
};

StreamTable& table() {
    static StreamTable instance;
    return instance;
}

MPEG_mode lameMode(std::int32_t channelMode) {
    switch (channelMode) {
    case Stereo:
        return STEREO;
    case DualChannel:
        return DUAL_CHANNEL;
    case Mono:
        return MONO;
    default:
        return JOINT_STEREO;
    }
}

} // namespace

// Preset codes and what they set. The algorithmic quality follows libmp3lame's scale
// (0 best .. 9 fastest; 5 is its default, 2 its recommended high quality). The band limits
// narrow the audio for the sources the preset names; presets without them keep the
// encoder's own low-pass for the bitrate.
//
//   code   name     quality  band
//   0      Normal   5        encoder's choice
//   1      Low      7        encoder's choice
//   2      High     2        encoder's choice
//   3      Voice    5        80 Hz .. 8 kHz
//   1000   Phone    5        300 Hz .. 3.4 kHz
//   6000   Radio    5        up to 15 kHz
//   7000   Tape     5        up to 16 kHz
//   8000   Hifi     3        encoder's choice
//   9000   CD       2        encoder's choice
//   10000  Studio   0        encoder's choice
//   other  as Normal
QualitySettings qualitySettings(std::int32_t presetCode) {
    switch (presetCode) {
    case 1:
        return {7, 0, 0};
    case 2:
        return {2, 0, 0};
    case 3:
        return {5, 8000, 80};
    case 1000:
        return {5, 3400, 300};
    case 6000:
        return {5, 15000, 0};
    case 7000:
        return {5, 16000, 0};
    case 8000:
        return {3, 0, 0};
    case 9000:
        return {2, 0, 0};
    case 10000:
        return {0, 0, 0};
    default:
        return {5, 0, 0};
    }
}

std::uint32_t bitrateForIndex(int index) {
    static constexpr std::array<std::uint32_t, 14> table = {32,  40,  48,  56,  64,  80,  96,
                                                            112, 128, 160, 192, 224, 256, 320};
    if (index < 0 || index >= static_cast<int>(table.size()))
        return 160;
    return table[static_cast<std::size_t>(index)];
}

std::int32_t qualityPresetCode(int index) {
    static constexpr std::array<std::int32_t, 10> table = {1,    0,    2,    3,    1000,
                                                           6000, 7000, 8000, 9000, 10000};
    if (index < 0 || index >= static_cast<int>(table.size()))
        return 0;
    return table[static_cast<std::size_t>(index)];
}

EncoderConfig makeConfig(std::uint32_t bitrateKbps, std::int32_t qualityPreset) {
    EncoderConfig c{};
    c.recordKind = recordKindMp3;
    c.layoutVersion = 1;
    c.recordSize = sizeof(EncoderConfig);
    c.inputSampleRate = 44100;
    c.outputSampleRate = 0;
    c.channelMode = JointStereo;
    c.bitrateKbps = bitrateKbps;
    c.qualityPreset = qualityPreset;
    c.mpegVersion = 1;
    c.vbrMethod = vbrNone;
    return c;
}

QString errorText(std::uint32_t code) {
    switch (code) {
    case Successful:
        return QStringLiteral("No Error");
    case InvalidFormat:
        return QStringLiteral("Invalid format");
    case InvalidFormatParameters:
        return QStringLiteral("Invalid format parameters");
    case NoMoreHandles:
        return QStringLiteral("No more handles");
    case InvalidHandle:
        return QStringLiteral("Invalid handle");
    case BufferTooSmall:
        return QStringLiteral("Buffer too small");
    default:
        return {};
    }
}

VortanError lameError(std::uint32_t code) {
    return VortanError(static_cast<int>(code), QStringLiteral("Lame"), errorText(code));
}

ErrorCode beInitStream(const EncoderConfig& config, std::uint32_t& samplesPerChunk,
                       std::uint32_t& outputBufferBytes, StreamHandle& stream) {
    if (config.recordKind != recordKindMp3 || config.layoutVersion != 1 ||
        config.recordSize < sizeof(EncoderConfig))
        return InvalidFormat;

    const std::uint32_t channels = config.inputChannels == 0 ? 2 : config.inputChannels;
    const bool bitrateKnown = std::find(mpegBitrates.begin(), mpegBitrates.end(),
                                        config.bitrateKbps) != mpegBitrates.end();
    const bool outputRateOk = config.outputSampleRate == 0 ||
                              (isMpegRate(config.outputSampleRate) &&
                               isMpeg1Rate(config.outputSampleRate) == (config.mpegVersion == 1));
    if (channels > 2 || config.inputSampleRate < 8000 || config.inputSampleRate > 192000 ||
        !outputRateOk || config.channelMode < Stereo || config.channelMode > Mono ||
        !bitrateKnown || config.mpegVersion > 1 || config.vbrMethod != vbrNone)
        return InvalidFormatParameters;

    LamePtr flags(lame_init());
    if (!flags)
        return NoMoreHandles;
    lame_global_flags* f = flags.get();
    lame_set_errorf(f, quietReport);
    lame_set_debugf(f, quietReport);
    lame_set_msgf(f, quietReport);

    lame_set_in_samplerate(f, static_cast<int>(config.inputSampleRate));
    lame_set_num_channels(f, static_cast<int>(channels));
    // Left to itself the encoder lowers the rate for low bitrates and narrow bands; the
    // output keeps the input's rate whenever that is an MPEG rate, so CD audio always gives
    // 44,100 Hz MPEG-1. Other input rates are resampled to the encoder's choice.
    std::uint32_t outRate = config.outputSampleRate;
    if (outRate == 0 && isMpegRate(config.inputSampleRate))
        outRate = config.inputSampleRate;
    lame_set_out_samplerate(f, static_cast<int>(outRate));
    // One channel in gives a mono MP3; two channels follow the record's mode.
    lame_set_mode(f, channels == 1 ? MONO : lameMode(config.channelMode));
    lame_set_VBR(f, vbr_off);
    lame_set_brate(f, static_cast<int>(config.bitrateKbps));
    const QualitySettings quality = qualitySettings(config.qualityPreset);
    lame_set_quality(f, quality.algorithmicQuality);
    if (quality.lowpassHz > 0)
        lame_set_lowpassfreq(f, quality.lowpassHz);
    if (quality.highpassHz > 0)
        lame_set_highpassfreq(f, quality.highpassHz);
    lame_set_extension(f, config.privateFlag != 0);
    lame_set_error_protection(f, config.crcFlag != 0);
    lame_set_copyright(f, config.copyrightFlag != 0);
    lame_set_original(f, config.originalFlag != 0);
    // The LAME/Info frame: its delay and padding let decoders give back exactly the
    // samples encoded. Callers write its final bytes over the blank first frame. The
    // encoder leaves it out where it does not fit in a frame of the chosen bitrate.
    lame_set_bWriteVbrTag(f, 1);
    lame_set_write_id3tag_automatic(f, 0);
    if (lame_init_params(f) < 0)
        return InvalidFormatParameters;

    const std::uint32_t frames = framesPerChunk * samplesPerMpegFrame;
    const std::uint32_t samples = frames * channels;
    // libmp3lame's own bound for one call: 1.25 x the samples of one channel + 7,200.
    const std::uint32_t outBytes = frames + frames / 4 + 7200;

    auto s = std::make_shared<LameStream>(std::move(flags), static_cast<int>(channels), samples,
                                          outBytes);
    StreamHandle handle = 0;
    if (const ErrorCode code = table().add(std::move(s), handle); code != Successful)
        return code;
    samplesPerChunk = samples;
    outputBufferBytes = outBytes;
    stream = handle;
    return Successful;
}

ErrorCode beEncodeChunk(StreamHandle stream, std::uint32_t sampleCount, const std::int16_t* input,
                        unsigned char* output, std::uint32_t& bytesProduced) {
    bytesProduced = 0;
    const std::shared_ptr<LameStream> s = table().find(stream);
    if (!s)
        return InvalidHandle;
    if (sampleCount > s->samplesPerChunk())
        return BufferTooSmall;
    if (!output || (sampleCount > 0 && !input))
        return InvalidFormatParameters;
    const int n = s->encode(input, sampleCount, output);
    if (n == -1)
        return BufferTooSmall;
    if (n < 0)
        return InvalidFormatParameters;
    bytesProduced = static_cast<std::uint32_t>(n);
    return Successful;
}

ErrorCode beDeinitStream(StreamHandle stream, unsigned char* output, std::uint32_t& bytesProduced) {
    bytesProduced = 0;
    const std::shared_ptr<LameStream> s = table().find(stream);
    if (!s)
        return InvalidHandle;
    if (!output)
        return InvalidFormatParameters;
    const int n = s->flush(output);
    if (n == -1)
        return BufferTooSmall;
    if (n < 0)
        return InvalidFormatParameters;
    bytesProduced = static_cast<std::uint32_t>(n);
    return Successful;
}

ErrorCode beInfoTagFrame(StreamHandle stream, unsigned char* output, std::uint32_t& bytesProduced) {
    bytesProduced = 0;
    const std::shared_ptr<LameStream> s = table().find(stream);
    if (!s)
        return InvalidHandle;
    if (!output)
        return InvalidFormatParameters;
    if (!s->flushed())
        return InvalidFormat;
    const std::size_t n = s->infoTag(output);
    if (n > s->outputBytes())
        return BufferTooSmall;
    bytesProduced = static_cast<std::uint32_t>(n);
    return Successful;
}

ErrorCode beCloseStream(StreamHandle stream) {
    return table().remove(stream) ? Successful : InvalidHandle;
}

} // namespace modLAME
