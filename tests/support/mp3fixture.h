#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// MP3 test material made with libmp3lame.
namespace fixtures {

// Encodes interleaved 16-bit `samples` of `channels` (1 or 2) at `sampleRate` to a
// constant-bitrate MP3 (mono or joint stereo) with a LAME Info header, so decoders can
// trim the encoder delay. Fails the running test when the encoder refuses.
QByteArray mp3Bytes(const std::vector<std::int16_t>& samples, int sampleRate = 44100,
                    int channels = 2, int bitrateKbps = 128);

// Like mp3Bytes, but variable bitrate (LAME's VBR mode at quality `vbrQuality`, 0 best to
// 9), with a Xing header in the first frame giving the frame count.
QByteArray mp3VbrBytes(const std::vector<std::int16_t>& samples, int sampleRate = 44100,
                       int channels = 2, int vbrQuality = 4);

// mp3Bytes written to `path`.
void writeMp3(const QString& path, const std::vector<std::int16_t>& samples, int sampleRate = 44100,
              int channels = 2, int bitrateKbps = 128);

} // namespace fixtures
