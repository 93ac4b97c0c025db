#pragma once

#include "engine/cd/offsetfind.h"
#include "engine/platform/error.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <optional>

class QThread;
namespace accuraterip {
class RecordLookup;
}

// "Find Read Offset...": asks the AccurateRip database for the record of the disc in a drive,
// then reads one or two of its tracks on a thread of its own and compares them with the record
// at every offset of the margin; the offsets that match are shown, and the best is stored for
// the drive's model once the user says yes. The GUI thread never waits. Deletes itself when
// done; deleting it earlier stops the reading and waits for the thread to end.
class ReadOffsetFinder : public QObject {
    Q_OBJECT

  public:
    ReadOffsetFinder(int driveIndex, QObject* parent);
    ~ReadOffsetFinder() override;
    ReadOffsetFinder(const ReadOffsetFinder&) = delete;
    ReadOffsetFinder& operator=(const ReadOffsetFinder&) = delete;

    // Starts: false (and said to the user) when the drive has no readable disc.
    bool start();

  signals:
    // Once, when the finder is done (found, stored or not, or failed and said why).
    void ended(const QString& statusText);

  private:
    void searched();
    void finish(const QString& statusText);

    int drive_ = -1;
    accuraterip::RecordLookup* lookup_ = nullptr; // child
    QThread* worker_ = nullptr;
    std::atomic<bool> cancelled_{false};
    std::optional<Result<offsetfind::Search>> search_; // written by the worker before it ends
};
