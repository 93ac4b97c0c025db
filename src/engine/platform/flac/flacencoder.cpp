#include "engine/platform/flac/flacencoder.h"

#include <QCoreApplication>

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <vector>

namespace flac {

namespace {

const QString errorSource = QStringLiteral("FLAC");

VortanError flacError(const QString& description) {
    return VortanError(VortanError::InvalidArgument, errorSource, description);
}

// The reason a parameter was refused, in words, with the library's own name for it.
QString initStatusText(FLAC__StreamEncoderInitStatus status, const EncoderParameters& p) {
    QString why;
    switch (status) {
    case FLAC__STREAM_ENCODER_INIT_STATUS_INVALID_NUMBER_OF_CHANNELS:
        why = QCoreApplication::translate("FlacEncoder", "FLAC does not take %1 channels")
                  .arg(p.channels);
        break;
    case FLAC__STREAM_ENCODER_INIT_STATUS_INVALID_BITS_PER_SAMPLE:
        why = QCoreApplication::translate("FlacEncoder", "FLAC does not take %1-bit samples")
                  .arg(p.bitsPerSample);
        break;
    case FLAC__STREAM_ENCODER_INIT_STATUS_INVALID_SAMPLE_RATE:
        why = QCoreApplication::translate("FlacEncoder", "FLAC does not take a rate of %1 Hz")
                  .arg(p.sampleRate);
        break;
    default:
        why = QCoreApplication::translate("FlacEncoder", "the FLAC encoder refused its settings");
        break;
    }
    return QStringLiteral("%1 (%2)").arg(
        why, QString::fromLatin1(FLAC__StreamEncoderInitStatusString[status]));
}

FLAC__StreamEncoderWriteStatus writeCallback(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                             size_t bytes, uint32_t samples, uint32_t,
                                             void* client);
FLAC__StreamEncoderSeekStatus seekCallback(const FLAC__StreamEncoder*, FLAC__uint64 offset,
                                           void* client);
FLAC__StreamEncoderTellStatus tellCallback(const FLAC__StreamEncoder*, FLAC__uint64* offset,
                                           void* client);

} // namespace

struct StreamEncoder::Library {
    explicit Library(EncodedOutput& out) : output(out) {}
    ~Library() {
        // Deleting an encoder that was not finished would finish it, writing the buffered
        // audio and the header: an output given up is left as it is instead.
        discarded = true;
        if (encoder)
            FLAC__stream_encoder_delete(encoder);
        if (seekTable)
            FLAC__metadata_object_delete(seekTable);
        if (padding)
            FLAC__metadata_object_delete(padding);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    EncodedOutput& output;
    bool discarded = false;
    bool outputFailed = false;         // a callback refused; the output knows why
    std::int64_t seekTableOffset = -1; // where the seek table's block starts in the output
    FLAC__StreamEncoder* encoder = nullptr;
    FLAC__StreamMetadata* seekTable = nullptr;
    FLAC__StreamMetadata* padding = nullptr;
    FLAC__StreamMetadata* blocks[2] = {};
};

namespace {

StreamEncoder::Library& libraryOf(void* client) {
    return *static_cast<StreamEncoder::Library*>(client);
}

FLAC__StreamEncoderWriteStatus writeCallback(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                             size_t bytes, uint32_t samples, uint32_t,
                                             void* client) {
    auto& library = libraryOf(client);
    // Metadata blocks (no samples) come one per call, header first.
    if (samples == 0 && bytes > 0 && library.seekTableOffset < 0 &&
        (buffer[0] & 0x7F) == FLAC__METADATA_TYPE_SEEKTABLE)
        library.seekTableOffset = static_cast<std::int64_t>(library.output.position());
    if (library.discarded || !library.output.write(buffer, bytes)) {
        library.outputFailed = true;
        return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

FLAC__StreamEncoderSeekStatus seekCallback(const FLAC__StreamEncoder*, FLAC__uint64 offset,
                                           void* client) {
    auto& library = libraryOf(client);
    if (library.discarded || !library.output.seek(offset)) {
        library.outputFailed = true;
        return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    }
    return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus tellCallback(const FLAC__StreamEncoder*, FLAC__uint64* offset,
                                           void* client) {
    *offset = libraryOf(client).output.position();
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

} // namespace

StreamEncoder::StreamEncoder(std::unique_ptr<Library> library, int channels)
    : library_(std::move(library)), channels_(channels) {}

StreamEncoder::~StreamEncoder() = default;

Result<std::unique_ptr<StreamEncoder>> StreamEncoder::create(const EncoderParameters& parameters,
                                                             EncodedOutput& output) {
    if (parameters.channels < 1 || parameters.channels > maxChannels)
        return flacError(QCoreApplication::translate(
                             "FlacEncoder", "FLAC holds one to eight channels; the audio has %1")
                             .arg(parameters.channels));
    if (parameters.compressionLevel < 0 || parameters.compressionLevel > 8)
        return flacError(QCoreApplication::translate(
                             "FlacEncoder", "FLAC compression level %1 is not between 0 and 8")
                             .arg(parameters.compressionLevel));

    auto library = std::make_unique<Library>(output);
    library->encoder = FLAC__stream_encoder_new();
    if (!library->encoder)
        return flacError(QCoreApplication::translate(
            "FlacEncoder", "The FLAC encoder could not be created (out of memory)"));
    FLAC__StreamEncoder* e = library->encoder;
    FLAC__stream_encoder_set_verify(e, true);
    // The subset that every player streams holds up to 24 bits at the usual rates; wider
    // samples or higher rates are kept exactly rather than refused.
    FLAC__stream_encoder_set_streamable_subset(e, parameters.bitsPerSample <= 24 &&
                                                      parameters.sampleRate <= 655350);
    FLAC__stream_encoder_set_channels(e, static_cast<uint32_t>(parameters.channels));
    FLAC__stream_encoder_set_bits_per_sample(e, static_cast<uint32_t>(parameters.bitsPerSample));
    FLAC__stream_encoder_set_sample_rate(e, static_cast<uint32_t>(parameters.sampleRate));
    FLAC__stream_encoder_set_compression_level(e,
                                               static_cast<uint32_t>(parameters.compressionLevel));

    uint32_t blockCount = 0;
    if (parameters.expectedFrames > 0) {
        const auto total = static_cast<FLAC__uint64>(parameters.expectedFrames);
        FLAC__stream_encoder_set_total_samples_estimate(e, total);
        library->seekTable = FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE);
        const auto spacing = static_cast<uint32_t>(parameters.sampleRate) * seekPointSpacingSeconds;
        if (!library->seekTable ||
            !FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(
                library->seekTable, spacing, total) ||
            !FLAC__metadata_object_seektable_template_sort(library->seekTable, true))
            return flacError(QCoreApplication::translate(
                "FlacEncoder", "The FLAC seek table could not be made (out of memory)"));
        library->blocks[blockCount++] = library->seekTable;
    }
    library->padding = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING);
    if (!library->padding)
        return flacError(QCoreApplication::translate(
            "FlacEncoder", "The FLAC padding could not be made (out of memory)"));
    library->padding->length = paddingBytes;
    library->blocks[blockCount++] = library->padding;
    FLAC__stream_encoder_set_metadata(e, library->blocks, blockCount);

    const auto status = FLAC__stream_encoder_init_stream(e, writeCallback, seekCallback,
                                                         tellCallback, nullptr, library.get());
    std::unique_ptr<StreamEncoder> encoder(
        new StreamEncoder(std::move(library), parameters.channels));
    if (status == FLAC__STREAM_ENCODER_INIT_STATUS_ENCODER_ERROR)
        return encoder->stateError();
    if (status != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        return flacError(initStatusText(status, parameters));
    return encoder;
}

VortanError StreamEncoder::stateError() const {
    const FLAC__StreamEncoder* e = library_->encoder;
    const auto state = FLAC__stream_encoder_get_state(e);
    const QString libraryText =
        QString::fromLatin1(FLAC__stream_encoder_get_resolved_state_string(e));
    // libFLAC also reports samples outside the stream's width as its client's error.
    if (state == FLAC__STREAM_ENCODER_CLIENT_ERROR && !library_->outputFailed)
        return flacError(QCoreApplication::translate(
                             "FlacEncoder", "A sample lies outside the range of %1-bit audio (%2)")
                             .arg(FLAC__stream_encoder_get_bits_per_sample(e))
                             .arg(libraryText));
    if (state == FLAC__STREAM_ENCODER_VERIFY_MISMATCH_IN_AUDIO_DATA) {
        FLAC__uint64 sample = 0;
        uint32_t frame = 0, channel = 0, sampleInFrame = 0;
        FLAC__int32 expected = 0, got = 0;
        FLAC__stream_encoder_get_verify_decoder_error_stats(e, &sample, &frame, &channel,
                                                            &sampleInFrame, &expected, &got);
        return flacError(QCoreApplication::translate(
                             "FlacEncoder",
                             "The FLAC encoder's check failed: sample %1 of channel %2 decoded as "
                             "%3 instead of %4 (%5)")
                             .arg(sample)
                             .arg(channel + 1)
                             .arg(got)
                             .arg(expected)
                             .arg(libraryText));
    }
    return flacError(QCoreApplication::translate("FlacEncoder", "The FLAC encoder failed (%1)")
                         .arg(libraryText));
}

std::optional<VortanError> StreamEncoder::encode(const std::int32_t* samples, std::int64_t frames) {
    constexpr std::int64_t framesPerCall = 1 << 16;
    while (frames > 0) {
        const auto n = std::min(frames, framesPerCall);
        if (!FLAC__stream_encoder_process_interleaved(library_->encoder, samples,
                                                      static_cast<uint32_t>(n)))
            return stateError();
        samples += n * channels_;
        frames -= n;
    }
    return std::nullopt;
}

std::optional<VortanError> StreamEncoder::finish() {
    if (finished_)
        return std::nullopt;
    finished_ = true;
    if (!FLAC__stream_encoder_finish(library_->encoder))
        return stateError();
    return markUnreachedSeekPoints();
}

std::optional<VortanError> StreamEncoder::markUnreachedSeekPoints() {
    // The encoder fills in, in place, the points of the template that its frames reached.
    // Points past an end that came sooner than expected would be left naming offset 0:
    // they become placeholders, which decoders skip.
    FLAC__StreamMetadata* table = library_->seekTable;
    if (!table || library_->seekTableOffset < 0)
        return std::nullopt;
    bool changed = false;
    for (uint32_t i = 0; i < table->data.seek_table.num_points; ++i) {
        auto& point = table->data.seek_table.points[i];
        if (point.frame_samples == 0 &&
            point.sample_number != FLAC__STREAM_METADATA_SEEKPOINT_PLACEHOLDER) {
            point = {FLAC__STREAM_METADATA_SEEKPOINT_PLACEHOLDER, 0, 0};
            changed = true;
        }
    }
    if (!changed)
        return std::nullopt;
    std::vector<unsigned char> bytes;
    const auto put = [&bytes](std::uint64_t value, int size) {
        for (int b = size - 1; b >= 0; --b)
            bytes.push_back(static_cast<unsigned char>(value >> (8 * b)));
    };
    for (uint32_t i = 0; i < table->data.seek_table.num_points; ++i) {
        const auto& point = table->data.seek_table.points[i];
        put(point.sample_number, 8);
        put(point.stream_offset, 8);
        put(point.frame_samples, 2);
    }
    const auto pointsOffset =
        static_cast<std::uint64_t>(library_->seekTableOffset) + FLAC__STREAM_METADATA_HEADER_LENGTH;
    const auto end = library_->output.position();
    if (!library_->output.seek(pointsOffset) ||
        !library_->output.write(bytes.data(), bytes.size()) || !library_->output.seek(end))
        return flacError(QCoreApplication::translate("FlacEncoder",
                                                     "The FLAC seek table could not be rewritten"));
    return std::nullopt;
}

} // namespace flac
