#include "mp3fixture.h"

#include "fixtures.h"

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <algorithm>
#include <memory>

namespace fixtures {

namespace {

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};

// A negative `vbrQuality` encodes at the constant `bitrateKbps`.
QByteArray encode(const std::vector<std::int16_t>& samples, int sampleRate, int channels,
                  int bitrateKbps, int vbrQuality) {
    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    EXPECT_TRUE(lame);
    if (!lame || (channels != 1 && channels != 2)) {
        ADD_FAILURE() << "cannot set up the MP3 encoder";
        return {};
    }
    lame_global_flags* gf = lame.get();
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, sampleRate);
    lame_set_out_samplerate(gf, sampleRate);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    if (vbrQuality < 0) {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, bitrateKbps);
    } else {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, static_cast<float>(vbrQuality));
    }
    lame_set_quality(gf, 5);
    lame_set_bWriteVbrTag(gf, 1);
    if (lame_init_params(gf) < 0) {
        ADD_FAILURE() << "encoder refuses " << sampleRate << " Hz, " << channels << " ch, "
                      << bitrateKbps << " kbit/s";
        return {};
    }

    QByteArray out;
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    constexpr std::size_t chunk = 8192; // sample frames per encoder call
    std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200 + 16384);
    std::vector<short> left(chunk);
    for (std::size_t first = 0; first < frames; first += chunk) {
        const std::size_t n = std::min(chunk, frames - first);
        int written = 0;
        if (channels == 2) {
            written = lame_encode_buffer_interleaved(
                gf, const_cast<short*>(samples.data() + first * 2), static_cast<int>(n),
                buffer.data(), static_cast<int>(buffer.size()));
        } else {
            std::copy_n(samples.data() + first, n, left.data());
            written = lame_encode_buffer(gf, left.data(), left.data(), static_cast<int>(n),
                                         buffer.data(), static_cast<int>(buffer.size()));
        }
        if (written < 0) {
            ADD_FAILURE() << "encoder error " << written;
            return {};
        }
        out.append(reinterpret_cast<const char*>(buffer.data()), written);
    }
    const int tail = lame_encode_flush(gf, buffer.data(), static_cast<int>(buffer.size()));
    if (tail > 0)
        out.append(reinterpret_cast<const char*>(buffer.data()), tail);
    // The Info header (first frame) is only complete once the stream is.
    const std::size_t tagBytes = lame_get_lametag_frame(gf, buffer.data(), buffer.size());
    if (tagBytes > 0 && tagBytes <= static_cast<std::size_t>(out.size()))
        out.replace(0, static_cast<qsizetype>(tagBytes),
                    QByteArray(reinterpret_cast<const char*>(buffer.data()),
                               static_cast<qsizetype>(tagBytes)));
    return out;
}

} // namespace

QByteArray mp3Bytes(const std::vector<std::int16_t>& samples, int sampleRate, int channels,
                    int bitrateKbps) {
    return encode(samples, sampleRate, channels, bitrateKbps, -1);
}

QByteArray mp3VbrBytes(const std::vector<std::int16_t>& samples, int sampleRate, int channels,
                       int vbrQuality) {
    return encode(samples, sampleRate, channels, 0, vbrQuality);
}

void writeMp3(const QString& path, const std::vector<std::int16_t>& samples, int sampleRate,
              int channels, int bitrateKbps) {
    writeFile(path, mp3Bytes(samples, sampleRate, channels, bitrateKbps));
}

} // namespace fixtures
