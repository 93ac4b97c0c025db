#pragma once

// What the media-control devices share: the words of a command, its answer, time formats,
// the playback clock, and the openers of the device types. Private to the media-control
// layer; GUI thread, as the layer is.
#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/audio/pcmplayer.h"
#include "engine/platform/mci/mci.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace mci::detail {

// The words of a command: runs of non-blank characters, or "quoted text" (a path with
// spaces), quotes removed. Each word remembers where it stands in the command, so that a
// path can be taken as written, spaces and all.
struct Words {
    QString text;
    std::vector<QString> items;
    std::vector<std::pair<qsizetype, qsizetype>> spans; // [begin, end) in text, quotes included

    static Words split(const QString& command);
    std::size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }
    // Word `i` is the keyword `keyword` (case-insensitive).
    bool is(std::size_t i, const char* keyword) const {
        return i < items.size() &&
               items[i].compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    // The words from `i` on are exactly `keywords`.
    bool are(std::size_t i, std::initializer_list<const char*> keywords) const {
        if (items.size() - std::min(i, items.size()) != keywords.size())
            return false;
        for (const char* keyword : keywords)
            if (!is(i++, keyword))
                return false;
        return true;
    }
    Words from(std::size_t i) const {
        Words rest;
        rest.text = text;
        if (i < items.size()) {
            const auto at = static_cast<std::ptrdiff_t>(i);
            rest.items.assign(items.begin() + at, items.end());
            rest.spans.assign(spans.begin() + at, spans.end());
        }
        return rest;
    }
    void erase(std::size_t i) {
        const auto at = static_cast<std::ptrdiff_t>(i);
        items.erase(items.begin() + at);
        spans.erase(spans.begin() + at);
    }
    // Words [first, end) as one text, as the command has them (a path with spaces); a single
    // quoted word gives its text without the quotes.
    QString joined(std::size_t first, std::size_t end) const {
        end = std::min(end, items.size());
        if (first >= end)
            return {};
        if (end - first == 1)
            return items[first];
        return text.mid(spans[first].first, spans[end - 1].second - spans[first].first);
    }
};

// What a command answers: its code, and its text when it has one.
struct Answer {
    std::uint32_t code = Success;
    std::optional<QString> text;
};

inline Answer failure(std::uint32_t code) {
    return Answer{code, std::nullopt};
}

inline Answer text(const QString& value) {
    return Answer{Success, value};
}

// Positions and lengths are given in milliseconds unless "set <alias> time format hms" asks
// for "m:ss".
enum class TimeFormat { Milliseconds, Hms };

// `ms` in `format`: whole milliseconds, or "m:ss" rounded down to whole seconds.
QString formatTime(std::int64_t ms, TimeFormat format);

// A position given in `format`: whole milliseconds, or "s", "m:ss" or "h:mm:ss".
std::optional<std::int64_t> parseTime(const QString& value, TimeFormat format);

// "set <alias> time format ..." for every device with a time format; nothing when the words
// are about something else.
std::optional<Answer> setTimeFormat(const Words& words, TimeFormat& format);

// "from <position> to <position>" of a play command, each optional.
struct PlayRange {
    std::optional<std::int64_t> fromMs;
    std::optional<std::int64_t> toMs;
};

// The range of a play command's words; none, with `error` set, when they are not one.
std::optional<PlayRange> parsePlayRange(const Words& words, TimeFormat format, Answer& error);

// One open device. Each device type answers the commands sent to its alias.
class Device {
  public:
    virtual ~Device() = default;
    // `verb` in lower case; `words` follow the alias.
    virtual Answer run(const QString& verb, const Words& words) = 0;
    // After a "play ... wait": returns when the playback has ended.
    virtual void waitForEnd() {}
};

// A medium played on the output, and where in the medium the sound is: the sample frame
// playback started from plus the frames the output has played since (its clock, so the
// position follows what is heard). A playback that ended or was stopped leaves the position
// where the sound ended. Its player is released at the next command after it ended by
// itself.
class Playback {
  public:
    explicit Playback(int sampleRate) : sampleRate_(sampleRate) {}

    // Starts playing `source` (of the medium's rate) from frame `fromFrame` of the medium.
    // CannotLoadDriver when there is no audio server (nothing plays then).
    std::uint32_t start(const PcmFormat& format, std::shared_ptr<audio::PcmSource> source,
                        std::int64_t fromFrame, const QString& name) {
        stop();
        auto player = audio::PcmPlayer::start(format, std::move(source), name);
        if (!player)
            return CannotLoadDriver;
        player_ = std::move(player.value());
        startFrame_ = fromFrame;
        return Success;
    }
    void stop() {
        if (!player_)
            return;
        player_->stop();
        positionFrame_ = startFrame_ + player_->playedFrames();
        player_.reset();
    }
    // Releases a player whose audio has ended, so it holds no connection while idle.
    void release() {
        if (player_ && player_->finished())
            stop();
    }
    void waitForEnd() {
        if (player_)
            player_->wait();
        release();
    }
    bool playing() const { return player_ && !player_->finished(); }
    std::int64_t positionFrame() const {
        return player_ ? startFrame_ + player_->playedFrames() : positionFrame_;
    }
    std::int64_t positionMs() const { return positionFrame() * 1000 / sampleRate_; }

  private:
    int sampleRate_;
    std::unique_ptr<audio::PcmPlayer> player_;
    std::int64_t startFrame_ = 0;
    std::int64_t positionFrame_ = 0;
};

// "stop" and "set <alias> time format ..." of a device that plays, answered alike by all.
Answer stopOrSetTime(const QString& verb, const Words& words, Playback& playback,
                     TimeFormat& format);

// The device types "open" knows. Each opens a device for `element`, what the open names
// inside the type (a file, "new"; empty when nothing), or sets `answer` and returns null.
std::unique_ptr<Device> openCdAudio(const QString& element, Answer& answer);
std::unique_ptr<Device> openWaveAudio(const QString& element, Answer& answer);
std::unique_ptr<Device> openSequencer(const QString& element, Answer& answer);

// A "waveaudio" device opened with "new": a recording of the default input.
std::unique_ptr<Device> newWaveRecording();

} // namespace mci::detail
