#include "engine/pipeline/wavencoder.h"

#include "engine/pipeline/filesink.h"

#include <QCoreApplication>

#include <bit>
#include <cstring>
#include <vector>

namespace pipeline {

static_assert(std::endian::native == std::endian::little,
              "WAV samples are stored in place as little-endian integers");

namespace {

const QString errorSource = QStringLiteral("WAV");

void putU16(unsigned char* b, std::uint32_t v) {
    b[0] = static_cast<unsigned char>(v);
    b[1] = static_cast<unsigned char>(v >> 8);
}

void putU32(unsigned char* b, std::uint32_t v) {
    putU16(b, v & 0xFFFF);
    putU16(b + 2, v >> 16);
}

// KSDATAFORMAT_SUBTYPE_PCM: {00000001-0000-0010-8000-00AA00389B71}, as stored.
constexpr unsigned char pcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

VortanError tooLarge(const QString& path) {
    return VortanError(VortanError::Overflow, errorSource,
                       QCoreApplication::translate("WavEncoder",
                                                   "%1: a WAV file holds at most 4 GiB of audio; "
                                                   "this audio takes more")
                           .arg(path));
}

class WavEncoder final : public Encoder {
  public:
    WavEncoder(const WavLayout& layout, std::unique_ptr<FileSink> sink, QString path,
               std::int64_t announcedBytes)
        : layout_(layout), sink_(std::move(sink)), path_(std::move(path)),
          announcedBytes_(announcedBytes) {}

    std::optional<VortanError> write(const AudioBlock& block) override;
    std::optional<VortanError> finish() override;
    std::int64_t bytesWritten() const override { return sink_->bytesWritten(); }

  private:
    std::optional<VortanError> failed(VortanError error) {
        if (!failure_)
            failure_ = std::move(error);
        return failure_;
    }

    WavLayout layout_;
    std::unique_ptr<FileSink> sink_;
    QString path_;
    std::int64_t announcedBytes_ = 0;
    std::int64_t dataBytes_ = 0;
    std::vector<unsigned char> bytes_;
    std::optional<VortanError> failure_;
    bool finished_ = false;
};

std::optional<VortanError> WavEncoder::write(const AudioBlock& block) {
    if (failure_)
        return failure_;
    const auto sampleCount =
        static_cast<std::size_t>(block.frames) * static_cast<std::size_t>(layout_.format.channels);
    const auto byteCount = static_cast<std::int64_t>(sampleCount) * layout_.containerBytes;
    if (dataBytes_ + byteCount > layout_.maxDataBytes())
        return failed(tooLarge(path_));

    bytes_.resize(static_cast<std::size_t>(byteCount));
    unsigned char* out = bytes_.data();
    const std::int32_t* in = block.samples;
    const int width = layout_.containerBytes;
    const int shift = width * 8 - layout_.format.bitsPerSample;
    switch (width) {
    case 1:
        // 8-bit WAV samples are unsigned, centred on 128.
        for (std::size_t i = 0; i < sampleCount; ++i)
            out[i] = static_cast<unsigned char>(in[i] + 128);
        break;
    case 2: // stored in place: WAV is little-endian, as the machine is
        for (std::size_t i = 0; i < sampleCount; ++i) {
            const auto v = static_cast<std::int16_t>(static_cast<std::uint32_t>(in[i]) << shift);
            std::memcpy(out + 2 * i, &v, sizeof v);
        }
        break;
    case 4:
        for (std::size_t i = 0; i < sampleCount; ++i) {
            const std::uint32_t v = static_cast<std::uint32_t>(in[i]) << shift;
            std::memcpy(out + 4 * i, &v, sizeof v);
        }
        break;
    default:
        for (std::size_t i = 0; i < sampleCount; ++i) {
            const std::uint32_t v = static_cast<std::uint32_t>(in[i]) << shift;
            for (int b = 0; b < width; ++b)
                *out++ = static_cast<unsigned char>(v >> (8 * b));
        }
        break;
    }
    if (!sink_->write(bytes_.data(), bytes_.size()))
        return failed(*sink_->failure());
    dataBytes_ += byteCount;
    return std::nullopt;
}

std::optional<VortanError> WavEncoder::finish() {
    if (finished_)
        return failure_;
    finished_ = true;
    if (!failure_) {
        // A RIFF chunk of odd length is followed by a pad byte.
        const unsigned char pad = 0;
        bool ok = (dataBytes_ % 2 == 0) || sink_->write(&pad, 1);
        if (ok && dataBytes_ != announcedBytes_) {
            const auto header = wavHeader(layout_, dataBytes_);
            ok = sink_->seek(0) &&
                 sink_->write(header.data(), static_cast<std::size_t>(layout_.headerBytes()));
        }
        if (!ok)
            failed(*sink_->failure());
    }
    if (auto closeFailure = sink_->close())
        failed(*closeFailure);
    return failure_;
}

} // namespace

WavLayout::WavLayout(const AudioFormat& f)
    : format(f), containerBytes((f.bitsPerSample + 7) / 8),
      extensible(f.channels > 2 || f.bitsPerSample > 16 || f.bitsPerSample % 8 != 0) {}

std::int64_t WavLayout::maxDataBytes() const {
    // RIFF size = the header after its first 8 bytes + the audio + a pad byte when odd.
    const std::int64_t room = 0xFFFFFFFFLL - (headerBytes() - 8);
    return room % 2 == 0 ? room : room - 1;
}

std::uint32_t waveChannelMask(int channels) {
    static constexpr std::uint32_t masks[] = {0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};
    return channels >= 1 && channels <= 8 ? masks[channels - 1] : 0;
}

std::array<unsigned char, 68> wavHeader(const WavLayout& layout, std::int64_t dataBytes) {
    std::array<unsigned char, 68> h{};
    unsigned char* b = h.data();
    const auto& f = layout.format;
    const auto data = static_cast<std::uint32_t>(dataBytes);
    const std::uint32_t fmtBytes = layout.extensible ? 40 : 16;
    const auto riffBytes = static_cast<std::uint32_t>(layout.headerBytes() - 8) + data + (data & 1);
    std::memcpy(b, "RIFF", 4);
    putU32(b + 4, riffBytes);
    std::memcpy(b + 8, "WAVE", 4);
    std::memcpy(b + 12, "fmt ", 4);
    putU32(b + 16, fmtBytes);
    putU16(b + 20, layout.extensible ? 0xFFFE : 1);
    putU16(b + 22, static_cast<std::uint32_t>(f.channels));
    putU32(b + 24, static_cast<std::uint32_t>(f.sampleRate));
    putU32(b + 28, static_cast<std::uint32_t>(f.sampleRate) *
                       static_cast<std::uint32_t>(layout.blockAlign()));
    putU16(b + 32, static_cast<std::uint32_t>(layout.blockAlign()));
    putU16(b + 34, static_cast<std::uint32_t>(layout.containerBytes * 8));
    unsigned char* next = b + 36;
    if (layout.extensible) {
        putU16(b + 36, 22); // the extension's size
        putU16(b + 38, static_cast<std::uint32_t>(f.bitsPerSample));
        putU32(b + 40, waveChannelMask(f.channels));
        std::memcpy(b + 44, pcmSubFormat, sizeof pcmSubFormat);
        next = b + 60;
    }
    std::memcpy(next, "data", 4);
    putU32(next + 4, data);
    return h;
}

Result<std::unique_ptr<Encoder>> makeWavEncoder(const AudioFormat& input,
                                                const EncoderTarget& target) {
    const WavLayout layout(input);
    if (input.channels > 0xFFFF ||
        static_cast<std::int64_t>(input.sampleRate) * layout.blockAlign() > 0xFFFFFFFFLL)
        return VortanError(VortanError::InvalidArgument, errorSource,
                           QCoreApplication::translate(
                               "WavEncoder", "%1: a WAV file cannot hold %2 channels at %3 Hz")
                               .arg(target.path)
                               .arg(input.channels)
                               .arg(input.sampleRate));
    std::int64_t announced = 0;
    if (target.expectedFrames > 0) {
        announced = target.expectedFrames * layout.blockAlign();
        if (target.expectedFrames > layout.maxDataBytes() / layout.blockAlign())
            return tooLarge(target.path);
    }
    auto sink = FileSink::open(target.fd, target.path, errorSource);
    if (!sink)
        return sink.error();
    const auto header = wavHeader(layout, announced);
    if (!sink.value()->write(header.data(), static_cast<std::size_t>(layout.headerBytes())))
        return *sink.value()->failure();
    return std::unique_ptr<Encoder>(
        std::make_unique<WavEncoder>(layout, std::move(sink.value()), target.path, announced));
}

} // namespace pipeline
