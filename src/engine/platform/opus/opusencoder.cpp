#include "engine/platform/opus/opusencoder.h"

#include <QCoreApplication>
#include <QString>

#include <opusenc.h>

#include <algorithm>

namespace opus {

namespace {

const QString errorSource = QStringLiteral("Opus");

VortanError opusError(const QString& description) {
    return VortanError(VortanError::InvalidArgument, errorSource, description);
}

VortanError libraryError(int code) {
    return opusError(QCoreApplication::translate("OpusEncoder", "The Opus encoder failed (%1)")
                         .arg(QString::fromUtf8(ope_strerror(code))));
}

// For each channel of the Vorbis order, the channel of the WAVE order it is taken from
// (index: channel count - 1). The WAVE layouts are the usual ones of each count: 3.0 (L R C),
// quad, 5.0, 5.1, 6.1 (with back centre and sides) and 7.1.
constexpr int vorbisFromWave[maxChannels][maxChannels] = {
    {0},
    {0, 1},
    {0, 2, 1},
    {0, 1, 2, 3},
    {0, 2, 1, 3, 4},
    {0, 2, 1, 4, 5, 3},
    {0, 2, 1, 5, 6, 4, 3},
    {0, 2, 1, 6, 7, 4, 5, 3},
};

int writePage(void* client, const unsigned char* data, opus_int32 bytes) {
    return static_cast<EncodedOutput*>(client)->write(data, static_cast<std::size_t>(bytes)) ? 0
                                                                                             : 1;
}

// The output is closed by its owner, who reports that step's result.
int closeStream(void*) {
    return 0;
}

} // namespace

struct StreamEncoder::Library {
    Library() = default;
    ~Library() {
        if (encoder)
            ope_encoder_destroy(encoder);
        if (comments)
            ope_comments_destroy(comments);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    OggOpusComments* comments = nullptr;
    OggOpusEnc* encoder = nullptr;
};

StreamEncoder::StreamEncoder(std::unique_ptr<Library> library, int channels)
    : library_(std::move(library)), channels_(channels) {}

StreamEncoder::~StreamEncoder() = default;

Result<std::unique_ptr<StreamEncoder>> StreamEncoder::create(const EncoderParameters& parameters,
                                                             EncodedOutput& output) {
    if (parameters.channels < 1 || parameters.channels > maxChannels)
        return opusError(QCoreApplication::translate(
                             "OpusEncoder", "Opus holds one to eight channels; the audio has %1")
                             .arg(parameters.channels));
    if (parameters.bitrateKbps < minBitrateKbps || parameters.bitrateKbps > maxBitrateKbps)
        return opusError(
            QCoreApplication::translate(
                "OpusEncoder", "An Opus bitrate of %1 kbit/s is not between %2 and %3 kbit/s")
                .arg(parameters.bitrateKbps)
                .arg(minBitrateKbps)
                .arg(maxBitrateKbps));

    auto library = std::make_unique<Library>();
    library->comments = ope_comments_create();
    if (!library->comments)
        return libraryError(OPE_ALLOC_FAIL);
    const OpusEncCallbacks callbacks{writePage, closeStream};
    const int family = parameters.channels > 2 ? 1 : 0;
    int error = OPE_OK;
    library->encoder =
        ope_encoder_create_callbacks(&callbacks, &output, library->comments, parameters.sampleRate,
                                     parameters.channels, family, &error);
    if (!library->encoder) {
        if (error != OPE_BAD_ARG)
            return libraryError(error);
        return opusError(QCoreApplication::translate(
                             "OpusEncoder", "The Opus encoder refused %1 channels at %2 Hz (%3)")
                             .arg(parameters.channels)
                             .arg(parameters.sampleRate)
                             .arg(QString::fromUtf8(ope_strerror(error))));
    }
    error = ope_encoder_ctl(library->encoder, OPUS_SET_BITRATE(parameters.bitrateKbps * 1000));
    if (error != OPE_OK)
        return libraryError(error);
    // A file has no channel to meter its rate: unconstrained VBR spends on each frame what it
    // is worth, the best sound for the bytes (the library's default keeps a reservoir for
    // links of fixed capacity). The bitrate is then the average over varied material.
    error = ope_encoder_ctl(library->encoder, OPUS_SET_VBR_CONSTRAINT(0));
    if (error != OPE_OK)
        return libraryError(error);
    return std::unique_ptr<StreamEncoder>(
        new StreamEncoder(std::move(library), parameters.channels));
}

template <typename Sample, typename Write>
std::optional<VortanError> StreamEncoder::encodeWith(Write write, const Sample* samples,
                                                     std::int64_t frames,
                                                     std::vector<Sample>& reordered) {
    constexpr std::int64_t framesPerCall = 1 << 14;
    const auto channels = static_cast<std::size_t>(channels_);
    while (frames > 0) {
        const auto n = std::min(frames, framesPerCall);
        const Sample* in = samples;
        if (channels_ > 2) {
            const int* order = vorbisFromWave[channels_ - 1];
            reordered.resize(static_cast<std::size_t>(n) * channels);
            for (std::size_t f = 0; f < static_cast<std::size_t>(n); ++f)
                for (std::size_t c = 0; c < channels; ++c)
                    reordered[f * channels + c] =
                        samples[f * channels + static_cast<std::size_t>(order[c])];
            in = reordered.data();
        }
        if (const int error = write(library_->encoder, in, static_cast<int>(n)); error != OPE_OK)
            return libraryError(error);
        audioWritten_ = true;
        samples += static_cast<std::size_t>(n) * channels;
        frames -= n;
    }
    return std::nullopt;
}

std::optional<VortanError> StreamEncoder::encode(const std::int16_t* samples, std::int64_t frames) {
    return encodeWith(ope_encoder_write, samples, frames, reorderedInt_);
}

std::optional<VortanError> StreamEncoder::encode(const float* samples, std::int64_t frames) {
    return encodeWith(ope_encoder_write_float, samples, frames, reorderedFloat_);
}

std::optional<VortanError> StreamEncoder::finish() {
    if (finished_)
        return std::nullopt;
    finished_ = true;
    // Drained before any audio, libopusenc 0.2.1 works on memory it never set and may fail an
    // assertion, ending the process. An empty input is given one silent sample frame instead:
    // the stream then decodes to one or two sample frames of silence (1/24,000 s).
    if (!audioWritten_) {
        const std::vector<float> silence(static_cast<std::size_t>(channels_), 0.0f);
        if (auto error = encode(silence.data(), 1))
            return error;
    }
    if (const int error = ope_encoder_drain(library_->encoder); error != OPE_OK)
        return libraryError(error);
    return std::nullopt;
}

} // namespace opus
