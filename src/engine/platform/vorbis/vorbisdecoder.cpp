#include "engine/platform/vorbis/vorbisdecoder.h"

#include "engine/platform/nativepath.h"

#include <vorbis/vorbisfile.h>

#include <QCoreApplication>

#include <array>
#include <cstring>
#include <vector>

namespace {

const QString errorSource = QStringLiteral("libvorbisfile");

VortanError vorbisError(const QString& why) {
    return VortanError(VortanError::InvalidArgument, errorSource, why);
}

constexpr int maxChannels = 8;

// For each channel of the WAV order, the Vorbis channel that holds it (Vorbis I, section
// 4.3.9: one to eight channels have a fixed order; more keep theirs).
constexpr std::array<std::array<int, maxChannels>, maxChannels + 1> wavOrder = {{
    {},
    {0},
    {0, 1},
    {0, 2, 1},                // L C R            -> L R C
    {0, 1, 2, 3},             // FL FR RL RR
    {0, 2, 1, 3, 4},          // FL C FR RL RR    -> FL FR C RL RR
    {0, 2, 1, 5, 3, 4},       // FL C FR RL RR LFE -> FL FR C LFE RL RR
    {0, 2, 1, 6, 5, 3, 4},    // FL C FR SL SR RC LFE -> FL FR C LFE RC SL SR
    {0, 2, 1, 7, 5, 6, 3, 4}, // FL C FR SL SR RL RR LFE -> FL FR C LFE RL RR SL SR
}};

// Bytes asked of the decoder per call: a few thousand frames of 16-bit samples.
constexpr int readBytes = 4096 * 2 * maxChannels;

} // namespace

struct VorbisDecoder::Handle {
    OggVorbis_File file{};
    bool open = false;
    std::vector<char> bytes = std::vector<char>(readBytes);
    ~Handle() {
        if (open)
            ov_clear(&file); // closes the file ov_fopen opened
    }
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

VorbisDecoder::VorbisDecoder() : handle_(std::make_unique<Handle>()) {}
VorbisDecoder::~VorbisDecoder() = default;

Result<std::unique_ptr<VorbisDecoder>> VorbisDecoder::open(const QString& path, bool* notVorbis) {
    if (notVorbis)
        *notVorbis = false;
    std::unique_ptr<VorbisDecoder> self(new VorbisDecoder);
    OggVorbis_File* file = &self->handle_->file;
    const int opened = ov_fopen(nativepath::encode(path).constData(), file);
    if (opened != 0) {
        // ov_fopen closes the file itself when it fails.
        switch (opened) {
        case OV_ENOTVORBIS:
            if (notVorbis)
                *notVorbis = true;
            return vorbisError(
                QCoreApplication::translate("VorbisDecoder", "not an Ogg Vorbis stream"));
        case OV_EREAD:
            return vorbisError(
                QCoreApplication::translate("VorbisDecoder", "the file cannot be read"));
        case OV_EVERSION:
            return vorbisError(QCoreApplication::translate(
                "VorbisDecoder", "the Vorbis version is one the program does not read"));
        default:
            return vorbisError(QCoreApplication::translate(
                "VorbisDecoder", "the Vorbis stream's headers are damaged"));
        }
    }
    self->handle_->open = true;
    const vorbis_info* info = ov_info(file, -1);
    if (!info || info->rate <= 0 || info->channels <= 0)
        return vorbisError(QCoreApplication::translate("VorbisDecoder",
                                                       "the Vorbis stream's headers are damaged"));
    if (info->channels > 255)
        return vorbisError(QCoreApplication::translate(
            "VorbisDecoder", "the Vorbis stream has more channels than the program reads"));
    self->sampleRate_ = static_cast<int>(info->rate);
    self->channels_ = info->channels;
    self->link_ = file->current_link;
    const ogg_int64_t total = ov_pcm_total(file, -1);
    self->announcedFrames_ = total >= 0 ? static_cast<std::int64_t>(total) : -1;
    const long bitRate = ov_bitrate(file, -1);
    self->bitRate_ = bitRate > 0 ? bitRate : 0;
    return self;
}

void VorbisDecoder::fail(Failure failure, const QString& damage) {
    if (failure_ == Failure::None) {
        failure_ = failure;
        damage_ = damage;
    }
    ended_ = true;
}

void VorbisDecoder::decodeNext() {
    OggVorbis_File* file = &handle_->file;
    int link = link_;
    const long got = ov_read(file, handle_->bytes.data(), readBytes, 0, 2, 1, &link);
    if (got == OV_HOLE)
        return fail(Failure::Damaged,
                    QCoreApplication::translate("VorbisDecoder",
                                                "a page of the Ogg stream is missing or damaged"));
    if (got < 0)
        return fail(Failure::Damaged,
                    QCoreApplication::translate("VorbisDecoder", "the Vorbis stream is damaged"));
    if (got == 0) {
        ended_ = true;
        if (announcedFrames_ >= 0 && decodedFrames_ < announcedFrames_)
            failure_ = Failure::Truncated;
        return;
    }
    if (link != link_) {
        const vorbis_info* info = ov_info(file, link);
        if (!info || info->rate != sampleRate_ || info->channels != channels_)
            return fail(Failure::Damaged,
                        QCoreApplication::translate(
                            "VorbisDecoder",
                            "a later part of the stream has another rate or channel count"));
        link_ = link;
    }
    const auto channels = static_cast<std::size_t>(channels_);
    const std::size_t frames = static_cast<std::size_t>(got) / 2 / channels;
    pending_.values.resize(frames * channels);
    pending_.offset = 0;
    std::int32_t* out = pending_.values.data();
    const unsigned char* in = reinterpret_cast<const unsigned char*>(handle_->bytes.data());
    const auto sample = [in](std::size_t index) {
        return static_cast<std::int32_t>(static_cast<std::int16_t>(
            static_cast<std::uint16_t>(in[2 * index] | in[2 * index + 1] << 8)));
    };
    if (channels_ > 2 && channels_ <= maxChannels) {
        const auto& order = wavOrder[channels];
        for (std::size_t f = 0; f < frames; ++f)
            for (std::size_t c = 0; c < channels; ++c)
                *out++ = sample(f * channels + static_cast<std::size_t>(order[c]));
    } else {
        for (std::size_t i = 0; i < frames * channels; ++i)
            *out++ = sample(i);
    }
    decodedFrames_ += static_cast<std::int64_t>(frames);
}

std::int64_t VorbisDecoder::read(std::int32_t* samples, std::int64_t maxFrames,
                                 const std::atomic<bool>* stop) {
    return pending_.fill(samples, maxFrames, channels_, ended_, stop, [this] { decodeNext(); });
}
