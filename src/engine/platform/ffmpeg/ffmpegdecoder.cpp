#include "engine/platform/ffmpeg/ffmpegdecoder.h"

#include "engine/platform/nativepath.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

namespace {

const QString errorSource = QStringLiteral("FFmpeg");

QString errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// Containers that carry audio. Anything else a probe might take a file for (playlists,
// image sequences, subtitle files, network manifests) is refused.
const char* const allowedContainers =
    "ogg,mov,mp4,m4a,matroska,webm,aiff,wv,ape,tta,flac,wav,w64,rf64,mp3,aac,ac3,eac3,dts,"
    "asf,caf,au,voc,mpc,mpc8,tak,dsf,avi,mpeg,mpegts,flv,amr,mlp,truehd,shn,ircam,iff,aa,"
    "oma,xwma,wsaud,mtaf,rm,nut,alac";

// Everything a file could hold beyond its audio (a cover, a giant tag) is read once by the
// demuxer; these bound how much it reads to find the streams.
constexpr std::int64_t probeBytes = 5 << 20;

constexpr std::uint32_t fourcc(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

bool isProtectedTag(std::uint32_t tag) {
    return tag == fourcc('d', 'r', 'm', 's') || tag == fourcc('e', 'n', 'c', 'a') ||
           tag == fourcc('d', 'r', 'm', 'a') || tag == fourcc('p', '6', '0', '8');
}

// Containers whose stated length is exact (sample tables, granule positions, a header's
// sample count), not estimated from a bit rate or rounded to milliseconds.
bool exactLength(const AVInputFormat* container) {
    static const char* const exact[] = {
        "ogg", "mov,mp4,m4a,3gp,3g2,mj2", "wv", "ape", "tta", "aiff", "flac", "wav", "w64", "caf"};
    return std::any_of(std::begin(exact), std::end(exact), [container](const char* name) {
        return std::strcmp(container->name, name) == 0;
    });
}

bool isIntegerFormat(AVSampleFormat format) {
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S32:
        return true;
    default:
        return false;
    }
}

QString codecLabel(AVCodecID id) {
    switch (id) {
    case AV_CODEC_ID_VORBIS:
        return QStringLiteral("Vorbis");
    case AV_CODEC_ID_OPUS:
        return QStringLiteral("Opus");
    case AV_CODEC_ID_AAC:
        return QStringLiteral("AAC");
    case AV_CODEC_ID_ALAC:
        return QStringLiteral("ALAC");
    case AV_CODEC_ID_FLAC:
        return QStringLiteral("FLAC");
    case AV_CODEC_ID_WAVPACK:
        return QStringLiteral("WavPack");
    case AV_CODEC_ID_APE:
        return QStringLiteral("Monkey's Audio");
    case AV_CODEC_ID_TTA:
        return QStringLiteral("TTA");
    case AV_CODEC_ID_MP3:
        return QStringLiteral("MP3");
    case AV_CODEC_ID_MP2:
        return QStringLiteral("MP2");
    case AV_CODEC_ID_AC3:
        return QStringLiteral("AC-3");
    case AV_CODEC_ID_EAC3:
        return QStringLiteral("E-AC-3");
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
        return QStringLiteral("WMA");
    default:
        break;
    }
    if (const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id)) {
        if (QByteArray(descriptor->name).startsWith("pcm_"))
            return QStringLiteral("PCM");
        return QString::fromUtf8(descriptor->long_name ? descriptor->long_name : descriptor->name);
    }
    return QCoreApplication::translate("FfmpegDecoder", "unknown");
}

// The decoder's name as the user knows the format: the codec in its container.
QString formatLabel(const AVInputFormat* container, AVCodecID id) {
    const QString codec = codecLabel(id);
    const QByteArray name(container->name);
    if (name == "ogg")
        return id == AV_CODEC_ID_OPUS ? codec : QStringLiteral("Ogg ") + codec;
    if (name.startsWith("mov,"))
        return codec + QStringLiteral(" (M4A)");
    if (name == "aiff")
        return codec == QStringLiteral("PCM") ? QStringLiteral("AIFF")
                                              : QStringLiteral("AIFF-C ") + codec;
    if (name == "wv" || name == "ape" || name == "tta" || name == "flac" || name == "aac" ||
        name == "mp3" || name == "ac3" || name == "eac3")
        return codec;
    if (name == "matroska,webm")
        return codec + QStringLiteral(" (Matroska)");
    return codec + QStringLiteral(" (") +
           QString::fromUtf8(container->name).section(QLatin1Char(','), 0, 0) + QLatin1Char(')');
}

} // namespace

struct FfmpegDecoder::Handles {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwrContext* resampler = nullptr;
    std::vector<std::uint8_t> converted; // the resampler's interleaved output

    ~Handles() {
        swr_free(&resampler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

FfmpegDecoder::FfmpegDecoder() : h_(std::make_unique<Handles>()) {}
FfmpegDecoder::~FfmpegDecoder() = default;

Result<std::unique_ptr<FfmpegDecoder>> FfmpegDecoder::open(const QString& path, Refusal* refusal) {
    static std::once_flag quieted;
    std::call_once(quieted, [] { av_log_set_level(AV_LOG_QUIET); });
    const auto refuse = [refusal](Refusal why, const QString& text) {
        if (refusal)
            *refusal = why;
        return VortanError(VortanError::InvalidArgument, errorSource, text);
    };
    const QString notReadable =
        QCoreApplication::translate("FfmpegDecoder", "the file is in no format the program reads");

    std::unique_ptr<FfmpegDecoder> self(new FfmpegDecoder);
    Handles& h = *self->h_;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", allowedContainers, 0);
    av_dict_set_int(&options, "probesize", probeBytes, 0);
    const QByteArray url = QByteArray("file:") + nativepath::encode(path);
    const int opened = avformat_open_input(&h.format, url.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return refuse(Refusal::NotReadable, notReadable);
    if (avformat_find_stream_info(h.format, nullptr) < 0)
        return refuse(Refusal::NotReadable, notReadable);

    AVStream* stream = nullptr;
    for (unsigned i = 0; i < h.format->nb_streams; ++i) {
        AVStream* candidate = h.format->streams[i];
        if (!stream && candidate->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            stream = candidate;
            self->streamIndex_ = static_cast<int>(i);
        } else {
            candidate->discard = AVDISCARD_ALL;
        }
    }
    if (!stream)
        return refuse(Refusal::NoAudio,
                      QCoreApplication::translate("FfmpegDecoder", "the file holds no audio"));
    const QString protectedText = QCoreApplication::translate(
        "FfmpegDecoder", "the audio is protected (DRM) and cannot be read");
    if (isProtectedTag(stream->codecpar->codec_tag) ||
        av_stream_get_side_data(stream, AV_PKT_DATA_ENCRYPTION_INIT_INFO, nullptr))
        return refuse(Refusal::Protected, protectedText);
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return refuse(Refusal::NotReadable,
                      QCoreApplication::translate("FfmpegDecoder",
                                                  "the file's audio is in a code the program "
                                                  "does not read"));
    h.codec = avcodec_alloc_context3(codec);
    h.packet = av_packet_alloc();
    h.frame = av_frame_alloc();
    if (!h.codec || !h.packet || !h.frame)
        return refuse(Refusal::NotReadable,
                      QCoreApplication::translate("FfmpegDecoder", "out of memory"));
    if (avcodec_parameters_to_context(h.codec, stream->codecpar) < 0)
        return refuse(Refusal::NotReadable, notReadable);
    h.codec->pkt_timebase = stream->time_base;
    if (avcodec_open2(h.codec, codec, nullptr) < 0)
        return refuse(
            Refusal::NotReadable,
            QCoreApplication::translate("FfmpegDecoder", "the file's audio cannot be decoded"));

    // A length the container states exactly: the decoder's padding at the start (Opus's
    // pre-skip) is not audio.
    const int codecRate = stream->codecpar->sample_rate;
    if (exactLength(h.format->iformat) && stream->duration != AV_NOPTS_VALUE &&
        stream->duration > 0 && codecRate > 0)
        self->announcedFrames_ = std::max<std::int64_t>(
            0, av_rescale_q(stream->duration, stream->time_base, AVRational{1, codecRate}) -
                   std::max(0, stream->codecpar->initial_padding));

    // FFmpeg ends an Ogg stream at its last granule itself (and a chained Ogg file may well
    // hold more than its last link says), but leaves an MP4's padding after the length its
    // edit list gives: that is cut here.
    self->trimToAnnounced_ = std::strcmp(h.format->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2") == 0;

    // The first frame fixes the format (some decoders only learn it from the stream).
    while (self->pending_.values.empty() && !self->ended_)
        if (!self->decodeNext())
            break;
    if (self->failure_ != Failure::None && self->decodedFrames_ == 0) {
        if (self->damage_ == protectedText)
            return refuse(Refusal::Protected, protectedText);
        return refuse(
            Refusal::NotReadable,
            QCoreApplication::translate("FfmpegDecoder", "the file's audio cannot be decoded: %1")
                .arg(self->damage_));
    }
    if (self->sampleRate_ <= 0) { // not one frame: the stream is empty
        self->sampleRate_ = h.codec->sample_rate;
        self->channels_ = h.codec->ch_layout.nb_channels;
        if (self->sampleRate_ <= 0 || self->channels_ <= 0)
            return refuse(Refusal::NoAudio,
                          QCoreApplication::translate("FfmpegDecoder", "the file holds no audio"));
        self->lossless_ = false;
        self->bitsPerSample_ = 16;
    }

    if (self->sampleRate_ != codecRate)
        self->announcedFrames_ = -1;
    self->bitRate_ = stream->codecpar->bit_rate > 0 ? stream->codecpar->bit_rate
                                                    : std::max<std::int64_t>(0, h.format->bit_rate);
    self->codecName_ = formatLabel(h.format->iformat, stream->codecpar->codec_id);
    return self;
}

void FfmpegDecoder::fail(Failure failure, const QString& why) {
    if (failure_ == Failure::None) {
        failure_ = failure;
        damage_ = why;
    }
    ended_ = true;
}

void FfmpegDecoder::finishStream() {
    ended_ = true;
    if (failure_ == Failure::None && announcedFrames_ > 0 && decodedFrames_ < announcedFrames_)
        failure_ = Failure::Truncated;
}

bool FfmpegDecoder::decodeNext() {
    Handles& h = *h_;
    for (;;) {
        const int received = avcodec_receive_frame(h.codec, h.frame);
        if (received == 0) {
            const bool corrupt =
                (h.frame->flags & AV_FRAME_FLAG_CORRUPT) != 0 || h.frame->decode_error_flags != 0;
            const bool converted = !corrupt && convert(h.frame);
            av_frame_unref(h.frame);
            if (corrupt) {
                fail(Failure::Damaged, QCoreApplication::translate(
                                           "FfmpegDecoder", "a frame of its audio is damaged"));
                return false;
            }
            if (!converted)
                return false;
            if (!pending_.values.empty())
                return true;
            continue;
        }
        if (received == AVERROR_EOF) {
            finishStream();
            return false;
        }
        if (received != AVERROR(EAGAIN)) {
            fail(Failure::Damaged,
                 QCoreApplication::translate("FfmpegDecoder", "its audio cannot be decoded (%1)")
                     .arg(errorText(received)));
            return false;
        }
        if (flushed_) { // the decoder wants more, but there is none
            finishStream();
            return false;
        }
        const int read = av_read_frame(h.format, h.packet);
        if (read == AVERROR_EOF) {
            flushed_ = true;
            avcodec_send_packet(h.codec, nullptr);
            continue;
        }
        if (read < 0) {
            fail(Failure::Truncated,
                 QCoreApplication::translate("FfmpegDecoder", "reading it failed (%1)")
                     .arg(errorText(read)));
            return false;
        }
        if (h.packet->stream_index != streamIndex_) {
            av_packet_unref(h.packet);
            continue;
        }
        if (av_packet_get_side_data(h.packet, AV_PKT_DATA_ENCRYPTION_INFO, nullptr)) {
            av_packet_unref(h.packet);
            fail(Failure::Damaged,
                 QCoreApplication::translate("FfmpegDecoder",
                                             "the audio is protected (DRM) and cannot be read"));
            return false;
        }
        const int sent = avcodec_send_packet(h.codec, h.packet);
        av_packet_unref(h.packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            fail(Failure::Damaged,
                 QCoreApplication::translate("FfmpegDecoder", "its audio is damaged (%1)")
                     .arg(errorText(sent)));
            return false;
        }
    }
}

bool FfmpegDecoder::convert(const AVFrame* frame) {
    Handles& h = *h_;
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const int channels = frame->ch_layout.nb_channels;
    if (frame->nb_samples <= 0)
        return true;
    if (channels <= 0 || frame->sample_rate <= 0 || format == AV_SAMPLE_FMT_NONE) {
        fail(Failure::Damaged,
             QCoreApplication::translate("FfmpegDecoder", "a frame of its audio has no format"));
        return false;
    }
    if (sampleRate_ == 0) { // the first frame
        const AVCodecDescriptor* descriptor = avcodec_descriptor_get(h.codec->codec_id);
        const bool losslessCodec = descriptor && (descriptor->props & AV_CODEC_PROP_LOSSLESS);
        sampleRate_ = frame->sample_rate;
        channels_ = channels;
        if (losslessCodec && isIntegerFormat(format)) {
            lossless_ = true;
            const int width = av_get_bytes_per_sample(format) * 8;
            const int raw = h.codec->bits_per_raw_sample;
            bitsPerSample_ = raw >= 8 && raw < width ? raw : width;
            shift_ = width - bitsPerSample_;
        } else {
            lossless_ = false;
            // A lossy code has nothing beyond 16 bits to keep; floating-point samples of a
            // lossless one are kept at 24.
            bitsPerSample_ = losslessCodec ? 24 : 16;
        }
    } else if (frame->sample_rate != sampleRate_ || channels != channels_ ||
               (lossless_ && format != inputFormat_)) {
        if (lossless_ || channels != channels_) {
            fail(Failure::Damaged, QCoreApplication::translate(
                                       "FfmpegDecoder", "its audio changes its format midway"));
            return false;
        }
    }

    const std::size_t values = static_cast<std::size_t>(frame->nb_samples) * channels_;
    if (lossless_) {
        inputFormat_ = format;
        pending_.values.resize(values);
        const bool planar = av_sample_fmt_is_planar(format);
        const AVSampleFormat packed = av_get_packed_sample_fmt(format);
        std::int32_t* out = pending_.values.data();
        for (int i = 0; i < frame->nb_samples; ++i) {
            for (int c = 0; c < channels_; ++c) {
                const std::size_t at = planar ? static_cast<std::size_t>(i)
                                              : static_cast<std::size_t>(i) * channels_ + c;
                const std::uint8_t* plane = frame->extended_data[planar ? c : 0];
                std::int32_t value = 0;
                if (packed == AV_SAMPLE_FMT_U8)
                    value = static_cast<std::int32_t>(plane[at]) - 128;
                else if (packed == AV_SAMPLE_FMT_S16)
                    value = reinterpret_cast<const std::int16_t*>(plane)[at] >> shift_;
                else
                    value = reinterpret_cast<const std::int32_t*>(plane)[at] >> shift_;
                *out++ = value;
            }
        }
    } else {
        // Re-made when the input changes (a chained stream): the output stays as pinned.
        if (!h.resampler || format != inputFormat_) {
            swr_free(&h.resampler);
            const AVSampleFormat outFormat =
                bitsPerSample_ == 16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_S32;
            AVChannelLayout layout{};
            const bool copied = av_channel_layout_copy(&layout, &frame->ch_layout) == 0;
            const bool made =
                copied &&
                swr_alloc_set_opts2(&h.resampler, &layout, outFormat, sampleRate_, &layout, format,
                                    frame->sample_rate, 0, nullptr) == 0 &&
                av_opt_set_int(h.resampler, "dither_method", SWR_DITHER_NONE, 0) == 0 &&
                swr_init(h.resampler) == 0;
            av_channel_layout_uninit(&layout);
            if (!made) {
                fail(Failure::Damaged,
                     QCoreApplication::translate("FfmpegDecoder", "its audio cannot be converted"));
                return false;
            }
            inputFormat_ = format;
        }
        const int room = swr_get_out_samples(h.resampler, frame->nb_samples);
        if (room < 0) {
            fail(Failure::Damaged,
                 QCoreApplication::translate("FfmpegDecoder", "its audio cannot be converted"));
            return false;
        }
        const int bytesPerSample = bitsPerSample_ == 16 ? 2 : 4;
        h.converted.resize(static_cast<std::size_t>(room) * channels_ * bytesPerSample);
        std::uint8_t* out = h.converted.data();
        const int made =
            swr_convert(h.resampler, &out, room,
                        const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
        if (made < 0) {
            fail(Failure::Damaged,
                 QCoreApplication::translate("FfmpegDecoder", "its audio cannot be converted"));
            return false;
        }
        const std::size_t count = static_cast<std::size_t>(made) * channels_;
        pending_.values.resize(count);
        if (bytesPerSample == 2) {
            const auto* in = reinterpret_cast<const std::int16_t*>(h.converted.data());
            std::copy(in, in + count, pending_.values.begin());
        } else {
            const auto* in = reinterpret_cast<const std::int32_t*>(h.converted.data());
            for (std::size_t i = 0; i < count; ++i)
                pending_.values[i] = in[i] >> 8;
        }
    }
    pending_.offset = 0;
    std::int64_t frames = static_cast<std::int64_t>(pending_.values.size()) / channels_;
    if (trimToAnnounced_ && announcedFrames_ >= 0 && decodedFrames_ + frames > announcedFrames_) {
        frames = std::max<std::int64_t>(0, announcedFrames_ - decodedFrames_);
        pending_.values.resize(static_cast<std::size_t>(frames) * channels_);
    }
    decodedFrames_ += frames;
    return true;
}

std::int64_t FfmpegDecoder::read(std::int32_t* samples, std::int64_t maxFrames,
                                 const std::atomic<bool>* stop) {
    return pending_.fill(samples, maxFrames, channels_, ended_, stop, [this] { decodeNext(); });
}
