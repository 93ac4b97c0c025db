#pragma once

#include "engine/cd/accuraterip.h"
#include "engine/core/boundedget.h"
#include "engine/platform/error.h"

#include <QObject>
#include <QString>

#include <functional>

// Asks the AccurateRip database for a disc's record.
namespace accuraterip {

inline constexpr int defaultTimeoutMs = 5000;
// The largest answer read: a record is some kilobytes (nine bytes a track a submission group).
inline constexpr qint64 maxAnswerBytes = 64 * 1024;

// Where the database is, from the text of the one setting (AccurateRipServer): "host" or
// "host:port", optionally after "http://" or "https://". Port 443 (or "https://") means
// HTTPS, any other plain HTTP, which is all the public service speaks; a host alone means
// port 80. Fails on an empty host or a port outside 1..65535.
Result<boundedget::ServerAddress> serverAddress(const QString& text);

struct LookupRequest {
    DiscKey key;
    QString server;                   // the setting's text
    int timeoutMs = defaultTimeoutMs; // the whole request, connecting included
};

// One look-up at a time. Lives on the thread that creates it, which must run an event loop;
// nothing here ever waits.
class RecordLookup : public QObject {
    Q_OBJECT

  public:
    // The disc's record; an empty one (no chunks) when the database does not hold the disc
    // (404), so that every track is "Not present in the database". Errors, each a reason that
    // completes "could not be asked: ...": a setting that names no server, no connection
    // (refused, host not found), no whole answer within the timeout, an HTTP error, an answer
    // cut short or larger than maxAnswerBytes, an answer that is no record of the disc.
    using Result = ::Result<Record>;
    using Done = std::function<void(const Result&)>;

    explicit RecordLookup(QObject* parent = nullptr);
    ~RecordLookup() override;

    // Starts asking and returns at once. `done` runs once, later, on this object's thread.
    // A look-up still running is abandoned first: its `done` never runs.
    void start(const LookupRequest& request, Done done);
    // Abandons the running look-up; its `done` never runs.
    void cancel();
    bool isRunning() const { return pending_.isRunning(); }

  private:
    void answered(const boundedget::Outcome& outcome);

    boundedget::PendingLookup<Record> pending_{this};
    LookupRequest request_;
    QString serverText_;
};

} // namespace accuraterip
