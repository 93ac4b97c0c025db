#pragma once

#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/audio/pcmplayer.h"
#include "engine/platform/error.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>

namespace audio {

// The audio of a PCM WAV file (8- or 16-bit, one or two channels) as a source for a
// PcmPlayer, in 16-bit samples (8-bit audio is widened). Plays a range of sample frames,
// the whole file unless setRange() says otherwise.
//
// Used by one thread at a time (the playback thread while it plays).
class WavFileSource final : public PcmSource {
  public:
    // Fails with a readable reason when the file is missing (VortanError::FileNotFound),
    // is not a WAV file, or holds audio other than the PCM above.
    static Result<std::unique_ptr<WavFileSource>> open(const QString& path);

    // The audio as it is played (16-bit at the file's rate and channels).
    PcmFormat format() const { return format_; }
    std::int64_t frameCount() const { return frameCount_; }
    // The next read starts at frame `from` and the audio ends before frame `to`; both are
    // clamped to the file.
    void setRange(std::int64_t from, std::int64_t to);

    std::size_t read(char* buffer, std::size_t capacity) override;
    QString errorText() const override { return error_; }

  private:
    WavFileSource() = default;

    QFile file_;
    PcmFormat format_;
    int bytesPerSample_ = 2; // in the file
    std::int64_t dataOffset_ = 0;
    std::int64_t frameCount_ = 0;
    std::int64_t nextFrame_ = 0;
    std::int64_t endFrame_ = 0;
    QString error_;
};

} // namespace audio
