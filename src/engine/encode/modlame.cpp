#include "engine/encode/modlame.h"

#include <lame/lame.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include <QCoreApplication>

namespace modLAME {

namespace {

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;

void quietReport(const char*, va_list) {}

// The stream's own negative result for a change of sample type inside a sample frame; every
// libmp3lame code is above it.
constexpr int mixedSampleTypes = -100;

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

// CRC-16 with polynomial 0x8005, bits reflected, starting at 0: the checksum of the LAME tag.
constexpr std::array<std::uint16_t, 256> crc16Table = [] {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1;
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}();

std::uint16_t crc16(const unsigned char* bytes, std::size_t count, std::uint16_t crc = 0) {
    for (std::size_t i = 0; i < count; ++i)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ crc16Table[(crc ^ bytes[i]) & 0xFF]);
    return crc;
}

void putBigEndian(unsigned char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - i)));
}

// The layer III bitrates a frame header can name, by bitrate index 1..14.
constexpr std::array<int, 14> mpeg1FrameBitrates = {32,  40,  48,  56,  64,  80,  96,
                                                    112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 14> mpeg2FrameBitrates = {8,  16, 24, 32,  40,  48,  56,
                                                    64, 80, 96, 112, 128, 144, 160};

// The LAME/Info frame of a stream whose frames are too small for libmp3lame's own tag (the
// library writes its tag only into a frame of the stream's bitrate, with a 100-byte seek
// table that constant bitrate does not need). The binding reserves the frame as the first
// bytes of the stream and builds it once the stream is flushed.
//
// Layout after the 4-byte header and the side information (all zero, so that decoders that
// ignore the tag play the frame as silence), big-endian fields:
//   "Info", flags 3 (frame count and byte count present), audio frames (the tag frame not
//   counted), stream bytes (the tag frame included);
//   the 36-byte LAME extension: "LAME" + library version (9 bytes), tag revision 0 and
//   method 1 (constant bitrate), low-pass / 100 Hz, replay gain 0 (not analysed), flags 0 and
//   the ATH type, bitrate, encoder delay and padding (12 bits each), source rate class and
//   stereo mode (noise shaping and unwise settings 0), MP3 gain 0, preset = bitrate as the
//   library writes it for constant bitrate, stream bytes, CRC-16 of the audio frames, and
//   CRC-16 of the frame bytes before it.
class BuiltInfoFrame {
  public:
    // Null when libmp3lame writes its own tag for `f` (configured by lame_init_params).
    static std::unique_ptr<BuiltInfoFrame> forStream(const lame_global_flags* f) {
        // The rate tells the MPEG version (lame_get_version does not tell MPEG-2.5 apart).
        const int rate = lame_get_out_samplerate(f);
        const bool mono = lame_get_mode(f) == MONO;
        const bool mpeg1 = rate >= 32000;
        const int sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
        const int kbps = lame_get_brate(f);
        const int rateIndex = sampleRateIndex(rate);
        if (rateIndex < 0)
            return nullptr; // not an MPEG rate: libmp3lame never gives one
        auto frameBytes = [&](int bitrate) { return (mpeg1 ? 144000 : 72000) * bitrate / rate; };

        // libmp3lame's rule: its tag (side information, optional CRC, 156 bytes) goes into a
        // frame of the stream's own bitrate, of at most 2,880 bytes, or it is left out.
        const int libraryNeeds = 4 + sideInfo + (lame_get_error_protection(f) ? 2 : 0) + 156;
        if (frameBytes(kbps) >= libraryNeeds && frameBytes(kbps) <= 2880)
            return nullptr;

        // The stream's own bitrate when its frame holds the tag, so that the file keeps one
        // bitrate throughout; otherwise the smallest one that does.
        const auto& bitrates = mpeg1 ? mpeg1FrameBitrates : mpeg2FrameBitrates;
        const int needs = 4 + sideInfo + xingBytes + lameBytes;
        const auto chosen = std::find_if(bitrates.begin(), bitrates.end(), [&](int bitrate) {
            return bitrate >= kbps && frameBytes(bitrate) >= needs;
        });
        if (chosen == bitrates.end())
            return nullptr; // no such MPEG stream: the largest frames hold the tag
        const int index = static_cast<int>(chosen - bitrates.begin());

        auto frame = std::unique_ptr<BuiltInfoFrame>(new BuiltInfoFrame);
        frame->size_ = static_cast<std::size_t>(frameBytes(*chosen));
        frame->tagOffset_ = static_cast<std::size_t>(4 + sideInfo);
        const int versionBits = mpeg1 ? 3 : rate >= 16000 ? 2 : 0;
        const ModeCodes mode = modeCodes(lame_get_mode(f));
        // Sync, version, layer III, no CRC; bitrate, rate, no padding, private bit; mode,
        // mode extension 0, copyright, original, the stream's emphasis.
        frame->header_ = {0xFF, static_cast<unsigned char>(0xE0 | versionBits << 3 | 0x02 | 0x01),
                          static_cast<unsigned char>((index + 1) << 4 | rateIndex << 2 |
                                                     (lame_get_extension(f) ? 1 : 0)),
                          static_cast<unsigned char>(
                              mode.header << 6 | (lame_get_copyright(f) ? 0x08 : 0) |
                              (lame_get_original(f) ? 0x04 : 0) | (lame_get_emphasis(f) & 0x03))};
        return frame;
    }

    std::size_t size() const { return size_; }

    // The reserved frame: the final frame's header, the rest blank.
    void writePlaceholder(unsigned char* output) {
        std::fill_n(output, size_, 0);
        std::copy(header_.begin(), header_.end(), output);
        streamBytes_ += size_;
    }

    // Takes note of audio bytes the stream delivered after the reserved frame.
    void countAudio(const unsigned char* bytes, std::size_t count) {
        streamBytes_ += count;
        musicCrc_ = crc16(bytes, count, musicCrc_);
    }

    // The final frame, once the stream is flushed; `output` holds size() bytes.
    void build(const lame_global_flags* f, unsigned char* output) const {
        std::fill_n(output, size_, 0);
        std::copy(header_.begin(), header_.end(), output);
        unsigned char* xing = output + tagOffset_;
        std::copy_n("Info", 4, xing);
        putBigEndian(xing + 4, 0x03, 4);
        putBigEndian(xing + 8, static_cast<std::uint32_t>(lame_get_frameNum(f)), 4);
        const auto bytes = static_cast<std::uint32_t>(streamBytes_);
        putBigEndian(xing + 12, bytes, 4);

        unsigned char* lame = xing + xingBytes;
        const std::string version = "LAME" + std::string(get_lame_short_version());
        std::copy_n(version.begin(), std::min<std::size_t>(version.size(), 9), lame);
        lame[9] = 0x01;
        lame[10] =
            static_cast<unsigned char>(std::clamp((lame_get_lowpassfreq(f) + 50) / 100, 0, 255));
        lame[19] = static_cast<unsigned char>(lame_get_ATHtype(f) & 0x0F);
        const int kbps = std::min(lame_get_brate(f), 255);
        lame[20] = static_cast<unsigned char>(kbps);
        const auto delay =
            static_cast<std::uint32_t>(std::clamp(lame_get_encoder_delay(f), 0, 4095));
        const auto padding =
            static_cast<std::uint32_t>(std::clamp(lame_get_encoder_padding(f), 0, 4095));
        putBigEndian(lame + 21, delay << 12 | padding, 3);
        const int inRate = lame_get_in_samplerate(f);
        const int rateClass = inRate <= 32000 ? 0 : inRate <= 44100 ? 1 : inRate <= 48000 ? 2 : 3;
        lame[24] =
            static_cast<unsigned char>(rateClass << 6 | modeCodes(lame_get_mode(f)).tag << 2);
        putBigEndian(lame + 26, static_cast<std::uint32_t>(kbps), 2);
        putBigEndian(lame + 28, bytes, 4);
        putBigEndian(lame + 32, musicCrc_, 2);
        const auto checked = static_cast<std::size_t>(lame + 34 - output);
        putBigEndian(lame + 34, crc16(output, checked), 2);
    }

  private:
    static constexpr int xingBytes = 16; // "Info", flags, frames, bytes
    static constexpr int lameBytes = 36;

    BuiltInfoFrame() = default;

    // A channel mode as the frame header and as the LAME extension code it.
    struct ModeCodes {
        int header;
        int tag;
    };
    static ModeCodes modeCodes(MPEG_mode mode) {
        switch (mode) {
        case STEREO:
            return {0, 1};
        case DUAL_CHANNEL:
            return {2, 2};
        case MONO:
            return {3, 0};
        default:
            return {1, 3}; // joint stereo
        }
    }

    static int sampleRateIndex(int rate) {
        switch (rate) {
        case 44100:
        case 22050:
        case 11025:
            return 0;
        case 48000:
        case 24000:
        case 12000:
            return 1;
        case 32000:
        case 16000:
        case 8000:
            return 2;
        default:
            return -1;
        }
    }

    std::size_t size_ = 0;
    std::size_t tagOffset_ = 0;
    std::array<unsigned char, 4> header_{};
    std::uint64_t streamBytes_ = 0;
    std::uint16_t musicCrc_ = 0;
};

// One open stream: the encoder and what the caller was promised at open. Used by one
// thread at a time.
class LameStream {
  public:
    // `encoderBytes` is libmp3lame's bound for one call; `builtTag` is null when the library
    // writes its own tag.
    LameStream(LamePtr flags, int channels, std::uint32_t samplesPerChunk,
               std::uint32_t encoderBytes, std::unique_ptr<BuiltInfoFrame> builtTag)
        : flags_(std::move(flags)), channels_(channels), samplesPerChunk_(samplesPerChunk),
          encoderBytes_(encoderBytes), builtTag_(std::move(builtTag)) {}

    std::uint32_t samplesPerChunk() const { return samplesPerChunk_; }
    // What one call can deliver: the encoder's bound, and the reserved tag frame before it.
    std::uint32_t outputBytes() const {
        return encoderBytes_ + (builtTag_ ? static_cast<std::uint32_t>(builtTag_->size()) : 0);
    }

    // Returns the MP3 byte count, or a negative libmp3lame code (mixedSampleTypes for a change
    // of sample type inside a sample frame).
    template <typename Sample>
    int encode(const Sample* input, std::uint32_t sampleCount, unsigned char* output) {
        return deliver(output,
                       [&](unsigned char* at) { return encodeInto(input, sampleCount, at); });
    }

    int flush(unsigned char* output) {
        const int n = deliver(output, [&](unsigned char* at) {
            return lame_encode_flush(flags_.get(), at, static_cast<int>(encoderBytes_));
        });
        flushed_ = n >= 0;
        return n;
    }

    bool flushed() const { return flushed_; }
    // Stores the tag frame and returns its size; 0 when the stream carries none. Larger than
    // the buffer only when the buffer cannot take it (nothing is stored then).
    std::size_t infoTag(unsigned char* output) const {
        if (!builtTag_)
            return lame_get_lametag_frame(flags_.get(), output, outputBytes());
        builtTag_->build(flags_.get(), output);
        return builtTag_->size();
    }

  private:
    // Runs `produce` on the output, after the reserved tag frame on the first call.
    template <typename Produce> int deliver(unsigned char* output, Produce produce) {
        const std::size_t lead = builtTag_ && !tagReserved_ ? builtTag_->size() : 0;
        const int n = produce(output + lead);
        if (n < 0 || !builtTag_)
            return n;
        if (lead > 0) {
            builtTag_->writePlaceholder(output);
            tagReserved_ = true;
        }
        builtTag_->countAudio(output + lead, static_cast<std::size_t>(n));
        return n + static_cast<int>(lead);
    }

    template <typename Sample>
    int encodeInto(const Sample* input, std::uint32_t sampleCount, unsigned char* output) {
        if (pendingCount_ == 0 && sampleCount % channels_ == 0)
            return encodeFrames(input, sampleCount / channels_, output);
        // A sample of an unfinished sample frame waits from the last call, or this call ends
        // inside a frame: join them so the channels never slip. With at most two channels one
        // sample at most waits; a double holds any of the sample types exactly.
        if (pendingCount_ > 0 && pendingType_ != sampleTypeOf<Sample>())
            return mixedSampleTypes;
        auto& joined = std::get<std::vector<Sample>>(joined_);
        joined.clear();
        if (pendingCount_ > 0)
            joined.push_back(static_cast<Sample>(pending_));
        joined.insert(joined.end(), input, input + sampleCount);
        const std::size_t whole = joined.size() / channels_ * channels_;
        pendingCount_ = static_cast<int>(joined.size() - whole);
        if (pendingCount_ > 0) {
            pending_ = static_cast<double>(joined.back());
            pendingType_ = sampleTypeOf<Sample>();
        }
        return encodeFrames(joined.data(), static_cast<std::uint32_t>(whole / channels_), output);
    }

    // libmp3lame copies the input; it never writes through these pointers. One channel is
    // passed as the left one alone.
    int encodeFrames(const std::int16_t* input, std::uint32_t frames, unsigned char* output) {
        if (frames == 0)
            return 0;
        auto* pcm = const_cast<short*>(reinterpret_cast<const short*>(input));
        const int size = static_cast<int>(encoderBytes_);
        if (channels_ == 2)
            return lame_encode_buffer_interleaved(flags_.get(), pcm, static_cast<int>(frames),
                                                  output, size);
        return lame_encode_buffer(flags_.get(), pcm, nullptr, static_cast<int>(frames), output,
                                  size);
    }

    int encodeFrames(const std::int32_t* input, std::uint32_t frames, unsigned char* output) {
        static_assert(std::is_same_v<std::int32_t, int>, "libmp3lame takes int samples");
        if (frames == 0)
            return 0;
        const int* pcm = input;
        const int size = static_cast<int>(encoderBytes_);
        if (channels_ == 2)
            return lame_encode_buffer_interleaved_int(flags_.get(), pcm, static_cast<int>(frames),
                                                      output, size);
        return lame_encode_buffer_int(flags_.get(), pcm, nullptr, static_cast<int>(frames), output,
                                      size);
    }

    int encodeFrames(const float* input, std::uint32_t frames, unsigned char* output) {
        if (frames == 0)
            return 0;
        const int size = static_cast<int>(encoderBytes_);
        if (channels_ == 2)
            return lame_encode_buffer_interleaved_ieee_float(
                flags_.get(), input, static_cast<int>(frames), output, size);
        return lame_encode_buffer_ieee_float(flags_.get(), input, nullptr, static_cast<int>(frames),
                                             output, size);
    }

    enum class SampleType { Int16, Int32, Float };
    template <typename Sample> static constexpr SampleType sampleTypeOf() {
        if constexpr (std::is_same_v<Sample, std::int16_t>)
            return SampleType::Int16;
        else if constexpr (std::is_same_v<Sample, std::int32_t>)
            return SampleType::Int32;
        else
            return SampleType::Float;
    }

    LamePtr flags_;
    int channels_;
    std::uint32_t samplesPerChunk_;
    std::uint32_t encoderBytes_;
    std::unique_ptr<BuiltInfoFrame> builtTag_;
    bool tagReserved_ = false;
    double pending_ = 0;
    SampleType pendingType_ = SampleType::Int16;
    int pendingCount_ = 0;
    std::tuple<std::vector<std::int16_t>, std::vector<std::int32_t>, std::vector<float>> joined_;
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
    static constexpr std::array<std::uint32_t, bitrateCount> table = {
        32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
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

QStringList qualityNames() {
    return {QStringLiteral("Low"),   QStringLiteral("Normal"), QStringLiteral("High"),
            QStringLiteral("Voice"), QStringLiteral("Phone"),  QStringLiteral("Radio"),
            QStringLiteral("Tape"),  QStringLiteral("Hifi"),   QStringLiteral("CD"),
            QStringLiteral("Studio")};
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
        return QCoreApplication::translate("modlame", "No Error");
    case InvalidFormat:
        return QCoreApplication::translate("modlame", "Invalid format");
    case InvalidFormatParameters:
        return QCoreApplication::translate("modlame", "Invalid format parameters");
    case NoMoreHandles:
        return QCoreApplication::translate("modlame", "No more handles");
    case InvalidHandle:
        return QCoreApplication::translate("modlame", "Invalid handle");
    case BufferTooSmall:
        return QCoreApplication::translate("modlame", "Buffer too small");
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
    // A copy: the record is packed, so a reference to its field may be misaligned.
    const std::uint32_t bitrate = config.bitrateKbps;
    const bool bitrateKnown =
        std::find(mpegBitrates.begin(), mpegBitrates.end(), bitrate) != mpegBitrates.end();
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
    // samples encoded. Callers write its final bytes over the blank first frame. Where the
    // encoder leaves it out (its frames are too small), the stream builds its own.
    lame_set_bWriteVbrTag(f, 1);
    lame_set_write_id3tag_automatic(f, 0);
    if (lame_init_params(f) < 0)
        return InvalidFormatParameters;

    const std::uint32_t frames = framesPerChunk * samplesPerMpegFrame;
    const std::uint32_t samples = frames * channels;
    // libmp3lame's own bound for one call: 1.25 x the samples of one channel + 7,200.
    const std::uint32_t encoderBytes = frames + frames / 4 + 7200;

    auto builtTag = BuiltInfoFrame::forStream(f);
    auto s = std::make_shared<LameStream>(std::move(flags), static_cast<int>(channels), samples,
                                          encoderBytes, std::move(builtTag));
    const std::uint32_t outBytes = s->outputBytes();
    StreamHandle handle = 0;
    if (const ErrorCode code = table().add(std::move(s), handle); code != Successful)
        return code;
    samplesPerChunk = samples;
    outputBufferBytes = outBytes;
    stream = handle;
    return Successful;
}

namespace {

// A libmp3lame byte count, or its error code (-1: the output buffer is too small).
ErrorCode producedBytes(int n, std::uint32_t& bytesProduced) {
    if (n == -1)
        return BufferTooSmall;
    if (n < 0)
        return InvalidFormatParameters;
    bytesProduced = static_cast<std::uint32_t>(n);
    return Successful;
}

template <typename Sample>
ErrorCode encodeChunk(StreamHandle stream, std::uint32_t sampleCount, const Sample* input,
                      unsigned char* output, std::uint32_t& bytesProduced) {
    bytesProduced = 0;
    const std::shared_ptr<LameStream> s = table().find(stream);
    if (!s)
        return InvalidHandle;
    if (sampleCount > s->samplesPerChunk())
        return BufferTooSmall;
    if (!output || (sampleCount > 0 && !input))
        return InvalidFormatParameters;
    return producedBytes(s->encode(input, sampleCount, output), bytesProduced);
}

} // namespace

ErrorCode beEncodeChunk(StreamHandle stream, std::uint32_t sampleCount, const std::int16_t* input,
                        unsigned char* output, std::uint32_t& bytesProduced) {
    return encodeChunk(stream, sampleCount, input, output, bytesProduced);
}

ErrorCode beEncodeChunkInt32(StreamHandle stream, std::uint32_t sampleCount,
                             const std::int32_t* input, unsigned char* output,
                             std::uint32_t& bytesProduced) {
    return encodeChunk(stream, sampleCount, input, output, bytesProduced);
}

ErrorCode beEncodeChunkFloat(StreamHandle stream, std::uint32_t sampleCount, const float* input,
                             unsigned char* output, std::uint32_t& bytesProduced) {
    return encodeChunk(stream, sampleCount, input, output, bytesProduced);
}

ErrorCode beDeinitStream(StreamHandle stream, unsigned char* output, std::uint32_t& bytesProduced) {
    bytesProduced = 0;
    const std::shared_ptr<LameStream> s = table().find(stream);
    if (!s)
        return InvalidHandle;
    if (!output)
        return InvalidFormatParameters;
    return producedBytes(s->flush(output), bytesProduced);
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
