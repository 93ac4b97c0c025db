#include "engine/platform/flac/flacdecoder.h"

#include "engine/platform/nativepath.h"

#include <FLAC/stream_decoder.h>

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace {

const QString errorSource = QStringLiteral("libFLAC");

VortanError flacError(const QString& why) {
    return VortanError(VortanError::InvalidArgument, errorSource, why);
}

QString damageText(FLAC__StreamDecoderErrorStatus status) {
    switch (status) {
    case FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC:
        return QCoreApplication::translate("FlacDecoder", "a frame lost its sync");
    case FLAC__STREAM_DECODER_ERROR_STATUS_BAD_HEADER:
        return QCoreApplication::translate("FlacDecoder", "a frame header is damaged");
    case FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH:
        return QCoreApplication::translate("FlacDecoder", "a frame fails its CRC check");
    case FLAC__STREAM_DECODER_ERROR_STATUS_UNPARSEABLE_STREAM:
        return QCoreApplication::translate("FlacDecoder", "a frame cannot be decoded");
    case FLAC__STREAM_DECODER_ERROR_STATUS_BAD_METADATA:
        return QCoreApplication::translate("FlacDecoder", "a metadata block is damaged");
    }
    return QCoreApplication::translate("FlacDecoder", "the stream is damaged");
}

// The samples are widened to at least 8 bits, the narrowest width the pipeline carries.
constexpr int minimumBits = 8;

} // namespace

struct FlacDecoder::Handle {
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    ~Handle() {
        if (decoder)
            FLAC__stream_decoder_delete(decoder); // finishes a stream still open
    }
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

struct FlacDecoder::Callbacks {
    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*,
                                                const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* client) {
        auto* self = static_cast<FlacDecoder*>(client);
        const unsigned blockSize = frame->header.blocksize;
        const int channels = static_cast<int>(frame->header.channels);
        const int bits = static_cast<int>(frame->header.bits_per_sample);
        if (!self->haveStreamInfo_ || channels != self->channels_ ||
            std::max(bits, minimumBits) != self->bitsPerSample_) {
            self->failure_ = Failure::Damaged;
            self->damage_ = QCoreApplication::translate(
                "FlacDecoder", "a frame's format differs from the stream's");
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        const int shift = bits < minimumBits ? minimumBits - bits : 0;
        self->pending_.values.resize(static_cast<std::size_t>(blockSize) * channels);
        std::int32_t* out = self->pending_.values.data();
        for (unsigned i = 0; i < blockSize; ++i)
            for (int c = 0; c < channels; ++c)
                *out++ =
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(buffer[c][i]) << shift);
        self->pending_.offset = 0;
        self->decodedFrames_ += blockSize;
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }

    static void metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block,
                         void* client) {
        auto* self = static_cast<FlacDecoder*>(client);
        if (block->type != FLAC__METADATA_TYPE_STREAMINFO || self->haveStreamInfo_)
            return;
        const FLAC__StreamMetadata_StreamInfo& info = block->data.stream_info;
        self->sampleRate_ = static_cast<int>(info.sample_rate);
        self->channels_ = static_cast<int>(info.channels);
        self->bitsPerSample_ = std::max(static_cast<int>(info.bits_per_sample), minimumBits);
        self->totalFrames_ = static_cast<std::int64_t>(info.total_samples);
        self->haveStreamInfo_ = true;
    }

    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status,
                      void* client) {
        auto* self = static_cast<FlacDecoder*>(client);
        if (self->failure_ == Failure::None) { // the first damage is the one that counts
            self->failure_ = Failure::Damaged;
            self->damage_ = damageText(status);
        }
    }
};

FlacDecoder::~FlacDecoder() = default;

Result<std::unique_ptr<FlacDecoder>> FlacDecoder::open(const QString& path) {
    std::unique_ptr<FlacDecoder> self(new FlacDecoder);
    self->decoder_ = std::make_unique<Handle>();
    FLAC__StreamDecoder* decoder = self->decoder_->decoder;
    if (!decoder)
        return flacError(QCoreApplication::translate("FlacDecoder", "out of memory"));
    FLAC__stream_decoder_set_md5_checking(decoder, true);
    const FLAC__StreamDecoderInitStatus init = FLAC__stream_decoder_init_file(
        decoder, nativepath::encode(path).constData(), &Callbacks::write, &Callbacks::metadata,
        &Callbacks::error, self.get());
    if (init != FLAC__STREAM_DECODER_INIT_STATUS_OK)
        return flacError(
            init == FLAC__STREAM_DECODER_INIT_STATUS_ERROR_OPENING_FILE
                ? QCoreApplication::translate("FlacDecoder", "the file cannot be opened")
                : QString::fromUtf8(FLAC__StreamDecoderInitStatusString[init]));
    if (!FLAC__stream_decoder_process_until_end_of_metadata(decoder) || !self->haveStreamInfo_ ||
        self->failure_ != Failure::None)
        return flacError(
            self->failure_ != Failure::None
                ? self->damage_
                : QCoreApplication::translate(
                      "FlacDecoder", "not a FLAC file, or its stream information is damaged"));
    if (self->sampleRate_ <= 0 || self->channels_ <= 0)
        return flacError(
            QCoreApplication::translate("FlacDecoder", "its stream information is damaged"));
    FLAC__uint64 position = 0;
    if (FLAC__stream_decoder_get_decode_position(decoder, &position))
        self->audioOffset_ = static_cast<std::int64_t>(position);
    return self;
}

void FlacDecoder::finishStream() {
    ended_ = true;
    // finish() checks the MD5 signature; it is only meaningful over the whole stream.
    const bool md5Matches = FLAC__stream_decoder_finish(decoder_->decoder);
    if (failure_ != Failure::None)
        return;
    if (totalFrames_ > 0 && decodedFrames_ < totalFrames_)
        failure_ = Failure::Truncated;
    else if (totalFrames_ > 0 && decodedFrames_ > totalFrames_) {
        failure_ = Failure::Damaged;
        damage_ = QCoreApplication::translate(
            "FlacDecoder", "it holds more audio than its stream information announces");
    } else if (!md5Matches)
        failure_ = Failure::Md5Mismatch;
}

void FlacDecoder::decodeNext() {
    FLAC__StreamDecoder* decoder = decoder_->decoder;
    const std::int64_t before = decodedFrames_;
    while (!ended_ && decodedFrames_ == before) {
        const bool processed = FLAC__stream_decoder_process_single(decoder);
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(decoder);
        if (failure_ != Failure::None) {
            // A damaged stream ends at the damage; libFLAC would go on with what follows.
            if (failure_ == Failure::Damaged && state == FLAC__STREAM_DECODER_END_OF_STREAM &&
                totalFrames_ > 0 && decodedFrames_ < totalFrames_)
                failure_ = Failure::Truncated; // the file's data simply ran out mid-frame
            ended_ = true;
            // The frame with the damage (libFLAC hands it out as silence) is left out.
            pending_.clear();
            decodedFrames_ = before;
            FLAC__stream_decoder_finish(decoder);
            return;
        }
        if (!processed || state == FLAC__STREAM_DECODER_END_OF_STREAM ||
            state == FLAC__STREAM_DECODER_ABORTED) {
            if (!processed && state != FLAC__STREAM_DECODER_END_OF_STREAM) {
                failure_ = Failure::Damaged;
                damage_ = QString::fromUtf8(FLAC__StreamDecoderStateString[state]);
            }
            finishStream();
            return;
        }
    }
}

std::int64_t FlacDecoder::read(std::int32_t* samples, std::int64_t maxFrames,
                               const std::atomic<bool>* stop) {
    return pending_.fill(samples, maxFrames, channels_, ended_, stop, [this] { decodeNext(); });
}
