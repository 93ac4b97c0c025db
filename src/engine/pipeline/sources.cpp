// The sources behind openSource: the file's content chooses the reader.
#include "engine/formats/audiolength.h"
#include "engine/formats/wavreader.h"
#include "engine/pipeline/source.h"
#include "engine/platform/activemp3/mpg123stream.h"
#include "engine/platform/ffmpeg/ffmpegdecoder.h"
#include "engine/platform/flac/flacdecoder.h"
#include "engine/platform/nativepath.h"
#include "engine/platform/vorbis/vorbisdecoder.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace pipeline {

static_assert(std::endian::native == std::endian::little,
              "WAV and decoded MP3 samples are read in place as little-endian integers");

namespace {

const QString errorSource = QStringLiteral("Source");

VortanError sourceError(const QString& text, int number = VortanError::InvalidArgument) {
    return VortanError(number, errorSource, text);
}

std::int64_t framesToMs(std::int64_t frames, int sampleRate) {
    return sampleRate > 0 ? frames * 1000 / sampleRate : 0;
}

// A source that ended cleanly `held` sample frames into the `announced` its header states.
// Less than a second missing is said in milliseconds, so that it never reads "3:00 of 3:00".
QString incompleteReason(const QString& path, std::int64_t held, std::int64_t announced,
                         int sampleRate) {
    const std::int64_t missingMs =
        std::max<std::int64_t>(1, framesToMs(announced - held, sampleRate));
    if (missingMs >= 1000)
        return audiolength::incompleteSource(path, framesToMs(held, sampleRate),
                                             framesToMs(announced, sampleRate));
    return path + QCoreApplication::translate(
                      "Source",
                      ": the file is incomplete: %1 ms of its audio are missing (it holds %2 "
                      "of %3 samples; what it holds was converted)")
                      .arg(missingMs)
                      .arg(held)
                      .arg(announced);
}

// Damage that ends the audio early: the audio before it is good and was handed out.
QString damagedReason(const QString& path, std::int64_t held, int sampleRate,
                      const QString& damage) {
    return path + QCoreApplication::translate(
                      "Source",
                      ": the file is incomplete: its audio is damaged after %1 (%2; what it "
                      "holds before was converted)")
                      .arg(audiolength::minutesSeconds(framesToMs(held, sampleRate)), damage);
}

// The failure a source reports once the audio before it has been handed out.
class PendingFailure {
  public:
    void set(QString text) {
        if (!failure_)
            failure_ = sourceError(std::move(text));
    }
    bool isSet() const { return failure_.has_value(); }
    const VortanError& error() const { return *failure_; }

  private:
    std::optional<VortanError> failure_;
};

// ----------------------------------------------------------------------------------------
// WAV: integer PCM kept at its width; floating point converted to 24-bit integer, clipped.

class WavSource final : public Source {
  public:
    WavSource(QString path, const WavFormat& wav, WavSampleType type)
        : path_(std::move(path)), wav_(wav), type_(type) {
        // A rate beyond an int's range is left at 0: the source is then refused.
        format_.sampleRate = wav.sampleRate <= 0x7FFFFFFF ? static_cast<int>(wav.sampleRate) : 0;
        format_.channels = wav.channels;
        const bool isFloat = type == WavSampleType::Float32 || type == WavSampleType::Float64;
        format_.bitsPerSample = isFloat ? 24 : wav.bitsPerSample;
        format_.lossless = !isFloat;
        remainingFrames_ = wav.frameCount();
    }

    Result<bool> open() {
        int error = 0;
        if (!nativepath::openForReading(file_, path_, &error) || !file_.seek(wav_.dataOffset))
            return sourceError(
                path_ + QCoreApplication::translate("Source", ": the file cannot be read: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(error))));
        return true;
    }

    const AudioFormat& format() const override { return format_; }
    std::int64_t announcedFrames() const override {
        return wav_.announcedDataLength / wav_.blockAlign;
    }
    QString codecName() const override { return QStringLiteral("WAV"); }
    std::int64_t bitRate() const override { return std::int64_t{wav_.byteRate} * 8; }

    Result<std::int64_t> read(std::int32_t* samples, std::int64_t maxFrames,
                              const std::atomic<bool>* stop) override {
        if (failure_.isSet())
            return failure_.error();
        // Chunks of a few thousand frames: a stop is looked at between them.
        constexpr std::int64_t chunkFrames = 16384;
        std::int64_t stored = 0;
        while (stored < maxFrames && remainingFrames_ > 0 && !(stop && stop->load())) {
            const std::int64_t want = std::min({maxFrames - stored, remainingFrames_, chunkFrames});
            bytes_.resize(static_cast<std::size_t>(want * wav_.blockAlign));
            const qint64 got = file_.read(bytes_.data(), static_cast<qint64>(bytes_.size()));
            const std::int64_t frames = got > 0 ? got / wav_.blockAlign : 0;
            convert(bytes_.data(), frames, samples + stored * format_.channels);
            stored += frames;
            readFrames_ += frames;
            remainingFrames_ -= frames;
            if (frames < want) { // the file shrank, or reading it failed
                remainingFrames_ = 0;
                failure_.set(
                    incompleteReason(path_, readFrames_, announcedFrames(), format_.sampleRate));
            }
        }
        if (remainingFrames_ == 0 && wav_.dataTruncated)
            failure_.set(
                incompleteReason(path_, readFrames_, announcedFrames(), format_.sampleRate));
        if (stored == 0 && failure_.isSet())
            return failure_.error();
        return stored;
    }

  private:
    // The sample layout is chosen once per block, so that each loop is a plain one the
    // compiler can vectorise.
    template <typename Decode>
    static void decodeAll(const unsigned char* b, std::int64_t count, std::int32_t* out,
                          Decode decode) {
        for (std::int64_t i = 0; i < count; ++i)
            out[i] = decode(b, static_cast<std::size_t>(i));
    }

    void convert(const char* in, std::int64_t frames, std::int32_t* out) const {
        const auto* b = reinterpret_cast<const unsigned char*>(in);
        const std::int64_t count = frames * format_.channels;
        using Bytes = const unsigned char*;
        switch (type_) {
        case WavSampleType::Int8:
            decodeAll(b, count, out,
                      [](Bytes p, std::size_t i) { return static_cast<std::int32_t>(p[i]) - 128; });
            break;
        case WavSampleType::Int16:
            // Read in place: WAV is little-endian, as the machine is.
            decodeAll(b, count, out, [](Bytes p, std::size_t i) -> std::int32_t {
                std::int16_t v = 0;
                std::memcpy(&v, p + 2 * i, sizeof v);
                return v;
            });
            break;
        case WavSampleType::Int24:
            decodeAll(b, count, out, [](Bytes p, std::size_t i) {
                const std::uint32_t v = static_cast<std::uint32_t>(p[3 * i]) |
                                        static_cast<std::uint32_t>(p[3 * i + 1]) << 8 |
                                        static_cast<std::uint32_t>(p[3 * i + 2]) << 16;
                return static_cast<std::int32_t>(v << 8) >> 8;
            });
            break;
        case WavSampleType::Int32:
            decodeAll(b, count, out, [](Bytes p, std::size_t i) {
                std::uint32_t v = 0;
                for (int k = 3; k >= 0; --k)
                    v = v << 8 | p[4 * i + static_cast<std::size_t>(k)];
                return static_cast<std::int32_t>(v);
            });
            break;
        case WavSampleType::Float32:
            decodeAll(b, count, out, [](Bytes p, std::size_t i) {
                std::uint32_t v = 0;
                for (int k = 3; k >= 0; --k)
                    v = v << 8 | p[4 * i + static_cast<std::size_t>(k)];
                float f = 0;
                std::memcpy(&f, &v, sizeof f);
                return toInt24(f);
            });
            break;
        case WavSampleType::Float64:
            decodeAll(b, count, out, [](Bytes p, std::size_t i) {
                std::uint64_t v = 0;
                for (int k = 7; k >= 0; --k)
                    v = v << 8 | p[8 * i + static_cast<std::size_t>(k)];
                double d = 0;
                std::memcpy(&d, &v, sizeof d);
                return toInt24(d);
            });
            break;
        case WavSampleType::Unsupported:
            std::fill(out, out + count, 0);
            break;
        }
    }

    // Full scale +-1.0 to 24 bits; beyond full scale is clipped, not wrapped.
    static std::int32_t toInt24(double value) {
        if (!(value == value))
            return 0; // NaN
        const double scaled = std::nearbyint(value * 8388608.0);
        return static_cast<std::int32_t>(std::clamp(scaled, -8388608.0, 8388607.0));
    }

    QString path_;
    WavFormat wav_;
    WavSampleType type_;
    AudioFormat format_;
    QFile file_;
    std::vector<char> bytes_;
    std::int64_t remainingFrames_ = 0;
    std::int64_t readFrames_ = 0;
    PendingFailure failure_;
};

// ----------------------------------------------------------------------------------------
// MP3 through libmpg123, gapless, at 16 bits.

// `count` 16-bit samples as the decoder gives them (little-endian, as the machine is) into
// `out`. A plain loop of its own, which the compiler vectorises.
void widen16(const char* in, std::int64_t count, std::int32_t* out) {
    for (std::int64_t i = 0; i < count; ++i) {
        std::int16_t v = 0;
        std::memcpy(&v, in + 2 * i, sizeof v);
        out[i] = v;
    }
}

class Mp3Source final : public Source {
  public:
    Mp3Source(QString path, std::unique_ptr<Mpg123Stream> stream)
        : path_(std::move(path)), stream_(std::move(stream)),
          buffer_(4 * stream_->maxFrameBytes()) {
        format_.sampleRate = stream_->format().sampleRate;
        format_.channels = stream_->format().channels;
        format_.bitsPerSample = 16;
        format_.lossless = false;
    }

    const AudioFormat& format() const override { return format_; }
    std::int64_t announcedFrames() const override {
        return stream_->lengthRecorded() ? stream_->expectedFrames() : -1;
    }
    std::int64_t expectedFrames() const override {
        return stream_->expectedFrames() > 0 ? stream_->expectedFrames() : -1;
    }
    QString codecName() const override { return QStringLiteral("MP3"); }

    Result<std::int64_t> read(std::int32_t* samples, std::int64_t maxFrames,
                              const std::atomic<bool>* stop) override {
        const int blockAlign = stream_->format().blockAlign();
        std::int64_t stored = 0;
        while (stored < maxFrames) {
            if (offset_ == filled_) {
                if (stream_->ended() || (stop && stop->load()))
                    break;
                filled_ = stream_->read(buffer_.data(), buffer_.size(), stop);
                offset_ = 0;
                if (filled_ == 0 && !stream_->ended())
                    break; // stopped
                continue;
            }
            const std::int64_t take = std::min<std::int64_t>(
                maxFrames - stored, static_cast<std::int64_t>(filled_ - offset_) / blockAlign);
            widen16(buffer_.data() + offset_, take * format_.channels,
                    samples + stored * format_.channels);
            offset_ += static_cast<std::size_t>(take * blockAlign);
            stored += take;
            decoded_ += take;
        }
        if (stored == 0 && stream_->ended()) {
            if (stream_->failed())
                return sourceError(
                    damagedReason(path_, decoded_, format_.sampleRate, stream_->error()));
            if (stream_->lengthRecorded() && decoded_ < stream_->expectedFrames())
                return sourceError(incompleteReason(path_, decoded_, stream_->expectedFrames(),
                                                    format_.sampleRate));
        }
        return stored;
    }

  private:
    QString path_;
    std::unique_ptr<Mpg123Stream> stream_;
    AudioFormat format_;
    std::vector<char> buffer_;
    std::size_t filled_ = 0;
    std::size_t offset_ = 0;
    std::int64_t decoded_ = 0;
};

// ----------------------------------------------------------------------------------------
// FLAC through libFLAC: bits as stored, the MD5 signature checked at the end.

class FlacSource final : public Source {
  public:
    FlacSource(QString path, std::unique_ptr<FlacDecoder> decoder, std::int64_t fileSize)
        : path_(std::move(path)), decoder_(std::move(decoder)) {
        format_.sampleRate = decoder_->sampleRate();
        format_.channels = decoder_->channels();
        format_.bitsPerSample = decoder_->bitsPerSample();
        format_.lossless = true;
        const std::int64_t total = decoder_->totalFrames();
        if (total > 0 && fileSize > decoder_->audioOffset())
            bitRate_ =
                static_cast<std::int64_t>(static_cast<double>(fileSize - decoder_->audioOffset()) *
                                          8.0 * format_.sampleRate / static_cast<double>(total));
    }

    const AudioFormat& format() const override { return format_; }
    std::int64_t announcedFrames() const override {
        return decoder_->totalFrames() > 0 ? decoder_->totalFrames() : -1;
    }
    QString codecName() const override { return QStringLiteral("FLAC"); }
    std::int64_t bitRate() const override { return bitRate_; }

    Result<std::int64_t> read(std::int32_t* samples, std::int64_t maxFrames,
                              const std::atomic<bool>* stop) override {
        const std::int64_t stored = decoder_->read(samples, maxFrames, stop);
        if (stored > 0 || !decoder_->ended() || !decoder_->failed())
            return stored;
        const std::int64_t held = decoder_->decodedFrames();
        switch (decoder_->failure()) {
        case FlacDecoder::Failure::Truncated:
            return sourceError(
                incompleteReason(path_, held, decoder_->totalFrames(), format_.sampleRate));
        case FlacDecoder::Failure::Md5Mismatch:
            return sourceError(path_ + QCoreApplication::translate(
                                           "Source",
                                           ": the file is damaged: its audio does not match the "
                                           "MD5 signature it records"));
        case FlacDecoder::Failure::Damaged:
        case FlacDecoder::Failure::None:
            break;
        }
        return sourceError(damagedReason(path_, held, format_.sampleRate, decoder_->damage()));
    }

  private:
    QString path_;
    std::unique_ptr<FlacDecoder> decoder_;
    AudioFormat format_;
    std::int64_t bitRate_ = 0;
};

// ----------------------------------------------------------------------------------------
// Ogg Vorbis through the reference decoder: FFmpeg trims a stream that fits on one page
// wrongly (a second of audio gains or loses a few hundred samples), libvorbisfile never.

class VorbisSource final : public Source {
  public:
    VorbisSource(QString path, std::unique_ptr<VorbisDecoder> decoder)
        : path_(std::move(path)), decoder_(std::move(decoder)) {
        format_.sampleRate = decoder_->sampleRate();
        format_.channels = decoder_->channels();
        format_.bitsPerSample = VorbisDecoder::bitsPerSample;
        format_.lossless = false;
    }

    const AudioFormat& format() const override { return format_; }
    std::int64_t announcedFrames() const override { return decoder_->announcedFrames(); }
    QString codecName() const override { return QStringLiteral("Ogg Vorbis"); }
    std::int64_t bitRate() const override { return decoder_->bitRate(); }

    Result<std::int64_t> read(std::int32_t* samples, std::int64_t maxFrames,
                              const std::atomic<bool>* stop) override {
        const std::int64_t stored = decoder_->read(samples, maxFrames, stop);
        if (stored > 0 || !decoder_->ended() || !decoder_->failed())
            return stored;
        const std::int64_t held = decoder_->decodedFrames();
        if (decoder_->failure() == VorbisDecoder::Failure::Truncated)
            return sourceError(
                incompleteReason(path_, held, decoder_->announcedFrames(), format_.sampleRate));
        return sourceError(damagedReason(path_, held, format_.sampleRate, decoder_->damage()));
    }

  private:
    QString path_;
    std::unique_ptr<VorbisDecoder> decoder_;
    AudioFormat format_;
};

// ----------------------------------------------------------------------------------------
// Everything else through FFmpeg.

class FfmpegSource final : public Source {
  public:
    FfmpegSource(QString path, std::unique_ptr<FfmpegDecoder> decoder)
        : path_(std::move(path)), decoder_(std::move(decoder)) {
        format_.sampleRate = decoder_->sampleRate();
        format_.channels = decoder_->channels();
        format_.bitsPerSample = decoder_->bitsPerSample();
        format_.lossless = decoder_->lossless();
    }

    const AudioFormat& format() const override { return format_; }
    std::int64_t announcedFrames() const override { return decoder_->announcedFrames(); }
    QString codecName() const override { return decoder_->codecName(); }
    std::int64_t bitRate() const override { return decoder_->bitRate(); }

    Result<std::int64_t> read(std::int32_t* samples, std::int64_t maxFrames,
                              const std::atomic<bool>* stop) override {
        const std::int64_t stored = decoder_->read(samples, maxFrames, stop);
        if (stored > 0 || !decoder_->ended() || !decoder_->failed())
            return stored;
        const std::int64_t held = decoder_->decodedFrames();
        if (decoder_->failure() == FfmpegDecoder::Failure::Truncated &&
            decoder_->damage().isEmpty())
            return sourceError(
                incompleteReason(path_, held, decoder_->announcedFrames(), format_.sampleRate));
        return sourceError(damagedReason(path_, held, format_.sampleRate, decoder_->damage()));
    }

  private:
    QString path_;
    std::unique_ptr<FfmpegDecoder> decoder_;
    AudioFormat format_;
};

// ----------------------------------------------------------------------------------------

// What the first bytes of the file say it is.
enum class Kind { Wav, Flac, Ogg, OtherContainer, Unknown };

// The length of an ID3v2 tag at the start of `head`, footer included; 0 when there is none.
std::int64_t id3v2Length(const QByteArray& head) {
    if (head.size() < 10 || !head.startsWith("ID3"))
        return 0;
    const auto byte = [&head](int i) { return static_cast<unsigned char>(head[i]); };
    if ((byte(6) | byte(7) | byte(8) | byte(9)) & 0x80)
        return 0; // not a syncsafe size: not a tag
    const std::int64_t size = std::int64_t{byte(6)} << 21 | std::int64_t{byte(7)} << 14 |
                              std::int64_t{byte(8)} << 7 | byte(9);
    return 10 + size + ((byte(5) & 0x10) ? 10 : 0);
}

Kind kindOf(const QByteArray& head) {
    if (head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return Kind::Wav;
    if (head.startsWith("fLaC"))
        return Kind::Flac;
    if (head.startsWith("OggS"))
        return Kind::Ogg;
    static const char* const containers[] = {"FORM",
                                             "wvpk",
                                             "MAC ",
                                             "TTA1",
                                             "RIFF",
                                             "RF64",
                                             "caff",
                                             "\x30\x26\xb2\x75",
                                             "\x1a\x45\xdf\xa3",
                                             ".snd"};
    for (const char* magic : containers)
        if (head.startsWith(magic))
            return Kind::OtherContainer;
    if (head.size() >= 8 && head.mid(4, 4) == "ftyp")
        return Kind::OtherContainer;
    return Kind::Unknown;
}

Result<std::unique_ptr<Source>> openWithFfmpeg(const QString& path, const QString& otherwise) {
    FfmpegDecoder::Refusal refusal = FfmpegDecoder::Refusal::NotReadable;
    auto decoder = FfmpegDecoder::open(path, &refusal);
    if (!decoder)
        return sourceError(path + QStringLiteral(": ") +
                           (refusal == FfmpegDecoder::Refusal::NotReadable && !otherwise.isEmpty()
                                ? otherwise
                                : decoder.error().description()));
    return std::unique_ptr<Source>(new FfmpegSource(path, std::move(decoder.value())));
}

// A source whose header describes no usable audio (a rate of 0 or beyond 32 bits, no
// channels) is refused rather than handed on.
Result<std::unique_ptr<Source>> usable(const QString& path, std::unique_ptr<Source> source) {
    if (!source->format().valid())
        return sourceError(
            path + QCoreApplication::translate("Source",
                                               ": the file's description of its audio is damaged"));
    return source;
}

Result<std::unique_ptr<Source>> openByContent(const QString& path);

// Why `path` cannot be opened at all, checked before any reader looks at it; nothing when it
// is a file that can be read.
std::optional<VortanError> unreadable(const QString& path) {
    if (!nativepath::exists(path))
        return sourceError(path +
                               QCoreApplication::translate("Source", ": the file does not exist"),
                           VortanError::FileNotFound);
    if (!nativepath::isFile(path))
        return sourceError(path + QCoreApplication::translate("Source", ": not a file"),
                           VortanError::PathAccess);
    return std::nullopt;
}

// The program's WAV reader over `path`, whose header readWavFormat gave as `wav`.
Result<std::unique_ptr<Source>> openWav(const QString& path, const WavFormat& wav) {
    auto source = std::make_unique<WavSource>(path, wav, wav.sampleType());
    if (auto opened = source->open(); !opened)
        return opened.error();
    return std::unique_ptr<Source>(std::move(source));
}

Result<std::unique_ptr<Source>> openMp3(const QString& path) {
    auto mp3 = Mpg123Stream::open(path);
    if (!mp3)
        return mp3.error();
    return std::unique_ptr<Source>(new Mp3Source(path, std::move(mp3.value())));
}

} // namespace

Result<std::unique_ptr<Source>> openSource(const QString& path) {
    auto source = openByContent(path);
    if (!source)
        return source;
    return usable(path, std::move(source.value()));
}

namespace {

Result<std::unique_ptr<Source>> openByContent(const QString& path) {
    if (auto error = unreadable(path))
        return *error;
    QFile file;
    int error = 0;
    if (!nativepath::openForReading(file, path, &error))
        return sourceError(
            path + QCoreApplication::translate("Source", ": the file cannot be read: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(error))),
            VortanError::PathAccess);
    const std::int64_t size = file.size();
    if (size == 0)
        return sourceError(path + QCoreApplication::translate("Source", ": the file is empty"));
    constexpr int headBytes = 16;
    QByteArray head = file.read(headBytes);
    // A tag before the audio says nothing of the format: what follows it does.
    if (const std::int64_t tag = id3v2Length(head); tag > 0) {
        head = tag < size && file.seek(tag) ? file.read(headBytes) : QByteArray();
    }
    file.close();

    switch (kindOf(head)) {
    case Kind::Wav: {
        auto wav = readWavFormat(path);
        if (!wav)
            return sourceError(wav.error().description());
        const WavSampleType type = wav.value().sampleType();
        if (type == WavSampleType::Unsupported) // A-law, ADPCM, ... in a RIFF file
            return openWithFfmpeg(path, QCoreApplication::translate(
                                            "Source",
                                            "the WAV file's audio is coded in a way the program "
                                            "does not read"));
        return openWav(path, wav.value());
    }
    case Kind::Flac: {
        auto decoder = FlacDecoder::open(path);
        if (!decoder)
            return sourceError(
                path + QCoreApplication::translate("Source", ": the FLAC file cannot be read: %1")
                           .arg(decoder.error().description()));
        return std::unique_ptr<Source>(new FlacSource(path, std::move(decoder.value()), size));
    }
    case Kind::Ogg: {
        bool notVorbis = false;
        auto decoder = VorbisDecoder::open(path, &notVorbis);
        if (decoder)
            return std::unique_ptr<Source>(new VorbisSource(path, std::move(decoder.value())));
        if (!notVorbis)
            return sourceError(path + QStringLiteral(": ") + decoder.error().description());
        return openWithFfmpeg(path, QString()); // Opus, FLAC in Ogg, ...
    }
    case Kind::OtherContainer:
        return openWithFfmpeg(path, QString());
    case Kind::Unknown:
        break;
    }
    // MP3 has no magic of its own: its decoder checks that the frames follow one another.
    if (auto mp3 = openMp3(path))
        return mp3;
    return openWithFfmpeg(path, QString());
}

} // namespace

Result<std::unique_ptr<Source>> openWavSource(const QString& path) {
    if (auto error = unreadable(path))
        return *error;
    auto wav = readWavFormat(path);
    if (!wav)
        return sourceError(wav.error().description());
    if (wav.value().sampleType() == WavSampleType::Unsupported)
        return sourceError(path + QCoreApplication::translate(
                                      "Source",
                                      ": the WAV file's audio is coded in a way the program "
                                      "does not read"));
    auto source = openWav(path, wav.value());
    if (!source)
        return source;
    return usable(path, std::move(source.value()));
}

Result<std::unique_ptr<Source>> openMp3Source(const QString& path) {
    if (auto error = unreadable(path))
        return *error;
    auto source = openMp3(path);
    if (!source)
        return sourceError(path + QStringLiteral(": ") + source.error().description());
    return usable(path, std::move(source.value()));
}

bool hasAudioExtension(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1) // no extension, or a name that only starts with a dot
        return false;
    const QString extension = path.mid(dot + 1).toLower();
    return extension == QLatin1String("wav") || extension == QLatin1String("mp3") ||
           otherAudioExtensions().contains(extension);
}

const QStringList& otherAudioExtensions() {
    static const QStringList extensions = {
        QStringLiteral("flac"), QStringLiteral("ogg"),  QStringLiteral("oga"),
        QStringLiteral("opus"), QStringLiteral("m4a"),  QStringLiteral("m4b"),
        QStringLiteral("mp4"),  QStringLiteral("aac"),  QStringLiteral("aif"),
        QStringLiteral("aiff"), QStringLiteral("aifc"), QStringLiteral("wv"),
        QStringLiteral("ape"),  QStringLiteral("tta"),  QStringLiteral("wma"),
        QStringLiteral("mka"),  QStringLiteral("caf"),  QStringLiteral("ac3"),
        QStringLiteral("mp2")};
    return extensions;
}

} // namespace pipeline
