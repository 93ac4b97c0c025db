#pragma once

#include "engine/cd/accuraterip.h"
#include "engine/platform/error.h"

#include <QPointer>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace accuraterip {
class RecordLookup;
}

// How a rip reads the disc, and what proves a track read once at full speed.
namespace readmode {

enum class Mode {
    Secure,   // every sector through the error-correcting reader
    Fast,     // each track read once; re-read securely unless the database confirms it
    Paranoid, // secure, with a test pass before every copy
};

inline constexpr int defaultMinimumConfidence = 2;
inline constexpr int defaultRetryLimit = 20;
// Most single-sector retries a setting may ask for.
inline constexpr int maxRetryLimit = 1000;

// "secure", "fast", "paranoid": the setting's and the command line's names.
QString nameOf(Mode mode);
// The mode of a name (case-insensitive, blanks around it allowed); none for another text.
std::optional<Mode> fromName(const QString& name);
// The user's words: "Secure", "Fast, verified", "Paranoid".
QString textOf(Mode mode);

// The database's record of the disc a fast rip checks each track against: asked once, as the
// rip starts, while its first track is read.
//
// Made on the GUI thread (the command line's main thread), whose event loop carries the
// question; get() is for the workers. May be destroyed on any thread.
class RecordSource {
  public:
    RecordSource(const accuraterip::DiscKey& key, const QString& server, int timeoutMs);
    ~RecordSource();
    RecordSource(const RecordSource&) = delete;
    RecordSource& operator=(const RecordSource&) = delete;
    // The record (empty when the database does not hold the disc), or why the database could
    // not be asked; blocks until it has answered (within the look-up's timeout). Nothing when
    // `cancelled` answered true first (asked every few tens of milliseconds while waiting).
    // Never on the thread that made the source.
    std::optional<Result<accuraterip::Record>> get(const std::function<bool()>& cancelled);
    // The answer if it has come, without waiting; any thread.
    std::optional<Result<accuraterip::Record>> answered() const;

  private:
    struct Answer {
        std::mutex mutex;
        std::condition_variable came;
        std::optional<Result<accuraterip::Record>> answer;
    };
    std::shared_ptr<Answer> answer_;
    QPointer<accuraterip::RecordLookup> lookup_; // lives on the thread that made the source
};

// The Preferences' choices of how rips read (RipReadMode, MinimumConfidence,
// ReadRetryLimit), each brought within its bounds. GUI thread (the settings' copies).
struct Choices {
    Mode mode = Mode::Secure;
    int minimumConfidence = defaultMinimumConfidence;
    int retryLimit = defaultRetryLimit;
};
Choices fromSettings();

// A fast read's standing: accepted, or why the track is read again securely.
struct Judgement {
    enum Kind {
        Accepted,      // the record confirms it at the minimum confidence or above
        LowConfidence, // confirmed, below the minimum
        Mismatch,      // the record holds the track; its sums are not among them
        NotPresent,    // the record holds no rips of the track
        NoAnswer,      // the database could not be asked
    };
    Kind kind = NoAnswer;
    int confidence = 0;
    QString reason; // NoAnswer: why
};

// How sums `v1` and `v2` of the track at `position` of the record (recordPosition) stand
// against `answer` with `minimumConfidence`.
Judgement judge(const Result<accuraterip::Record>& answer, int position, std::uint32_t v1,
                std::uint32_t v2, int minimumConfidence);

// The log's account of a track's path. `first` is the fast read's judgement; `secure`, when
// the track was read again, that read's standing in the record (none when it was not asked).
QString pathText(const Judgement& first, int minimumConfidence,
                 const std::optional<Judgement>& secure);

} // namespace readmode
