#include "mp3decode.h"

#include <QFile>

#include <mpg123.h>

#include <memory>

namespace mp3decode {

namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};

FrameInfo frameInfo(mpg123_handle* h) {
    mpg123_frameinfo2 info{};
    FrameInfo f;
    if (mpg123_info2(h, &info) != MPG123_OK)
        return f;
    f.version = info.version == MPG123_1_0 ? 1 : info.version == MPG123_2_0 ? 2 : 25;
    f.layer = info.layer;
    f.rate = info.rate;
    f.mode = info.mode;
    f.bitrateKbps = info.bitrate;
    f.crc = info.flags & MPG123_CRC;
    f.copyright = info.flags & MPG123_COPYRIGHT;
    f.privateBit = info.flags & MPG123_PRIVATE;
    f.original = info.flags & MPG123_ORIGINAL;
    return f;
}

} // namespace

Decoded decodeFile(const QString& path) {
    Decoded out;
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleDeleter> h(mpg123_new(nullptr, &err));
    if (!h) {
        out.error = QStringLiteral("mpg123_new failed");
        return out;
    }
    mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h.get());
    for (const long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(h.get(), rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h.get(), QFile::encodeName(path).constData()) != MPG123_OK) {
        out.error = QString::fromUtf8(mpg123_strerror(h.get()));
        return out;
    }
    while (true) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int r = mpg123_decode_frame(h.get(), &frameNumber, &audio, &bytes);
        if (r == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(h.get(), &rate, &channels, &encoding);
            out.rate = rate;
            out.channels = channels;
            continue;
        }
        if (r == MPG123_DONE)
            break;
        if (r != MPG123_OK) {
            out.error = QString::fromUtf8(mpg123_strerror(h.get()));
            break;
        }
        out.frames.push_back(frameInfo(h.get()));
        const auto* s = reinterpret_cast<const std::int16_t*>(audio);
        out.samples.insert(out.samples.end(), s, s + bytes / 2);
    }
    out.ok = !out.frames.empty() && out.error.isEmpty();
    if (out.frames.empty() && out.error.isEmpty())
        out.error = QStringLiteral("no MPEG audio frame");
    return out;
}

} // namespace mp3decode
