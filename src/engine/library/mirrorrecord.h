#pragma once

#include "engine/platform/error.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QFile;

// What a mirror made in its destination, and from what: the record a later run reads to know
// which outputs are up to date and which files are its own to remove.
namespace library {

struct RecordEntry {
    enum class Kind { Converted, Copied, Cover };
    Kind kind = Kind::Converted;
    QString source; // absolute
    std::int64_t sourceSize = 0;
    std::int64_t sourceModifiedNs = 0;
    QString settings; // what the output was made with; two runs with equal texts make equal files
    // The folder's cover image offered to the output for embedding (a source without a
    // picture of its own takes it): its size, -1 for none, and modification time. Another
    // cover makes another output.
    std::int64_t coverSize = -1;
    std::int64_t coverModifiedNs = 0;
    bool operator==(const RecordEntry&) const = default;
};

// The record is one file at the destination's top, ".mp3vortan-mirror": a line per output
// (its path from the destination, its source with the source's size and modification time,
// the settings, and the cover offered), appended and flushed to the disk *before* the output is
// begun. So an output at its final name (complete, by the output mechanism's guarantee) always has
// its line, and a line whose output is missing or made from something else is simply made again. A
// later line about the same output replaces an earlier one; a last line cut short (a power cut) is
// ignored. Each run that writes rewrites the file without superseded lines, through a temporary
// name, when it has any.
//
// A run that writes holds an exclusive lock on the destination folder for as long as the
// record is open: two runs never write into one destination at once.
//
// remember() and forget() may be called from several threads at once (the batch's jobs);
// the rest belongs to the thread that opened the record.
class MirrorRecord {
  public:
    static QString fileName(); // ".mp3vortan-mirror"

    // The record of `destination` (an existing folder). `writable`: locked for this run and
    // compacted; otherwise only read (a dry run), and a missing record is empty. Fails with
    // the reason (another run holds the destination, the record cannot be read or written).
    static Result<std::unique_ptr<MirrorRecord>> open(const QString& destination, bool writable);
    ~MirrorRecord();
    MirrorRecord(const MirrorRecord&) = delete;
    MirrorRecord& operator=(const MirrorRecord&) = delete;

    // What the record says of `output` (a path from the destination); nothing when nothing.
    std::optional<RecordEntry> find(const QString& output) const;
    bool names(const QString& output) const;
    // Notes that a source of this run gives `output` (one the record names); what a later
    // remember() writes of it is unclaimed again.
    void claim(const QString& output) const;
    // The outputs the record names that no source of this run claimed, in name order.
    std::vector<QString> unclaimed() const;
    qsizetype size() const { return entries_.size(); }

    // Notes that `output` is being made as `entry` says: the line is on the disk when this
    // returns without an error.
    std::optional<VortanError> remember(const QString& output, const RecordEntry& entry);
    // Notes that `output` is no longer this program's (removed).
    std::optional<VortanError> forget(const QString& output);

  private:
    MirrorRecord(QString destination, int folderFd);
    std::optional<VortanError> load(QFile& file);
    std::optional<VortanError> rewrite();
    std::optional<VortanError> append(const QByteArray& line);
    VortanError failure(const QString& what, int error) const;

    QString destination_;
    QString path_;
    int folderFd_ = -1; // holds the lock; -1 for a read-only record
    int appendFd_ = -1;
    // An entry as it is held: a library's record is held whole, so its paths are kept as the
    // system's bytes (half the size of text) and its settings texts shared.
    struct Held {
        QByteArray source;
        std::int64_t sourceSize = 0;
        std::int64_t sourceModifiedNs = 0;
        QString settings;
        std::int64_t coverSize = -1;
        std::int64_t coverModifiedNs = 0;
        RecordEntry::Kind kind = RecordEntry::Kind::Converted;
        mutable bool claimed = false; // by a source of this run (claim())
    };
    Held held(const RecordEntry& entry);
    QString shared(const QString& settings);

    QHash<QByteArray, Held> entries_; // by output, as the system's bytes
    QStringList settingsTexts_;       // each settings text once, shared by the entries
    qsizetype lines_ = 0;             // entry lines in the file, superseded ones included
    mutable std::mutex mutex_;
};

} // namespace library
