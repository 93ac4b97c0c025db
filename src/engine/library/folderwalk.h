#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

// The folders of a music library, walked one at a time. Not thread-safe; one walk runs on one
// thread (a worker's or the command line's).
namespace library {

// A regular file of a folder (a link is followed to what it names).
struct WalkedFile {
    QString name; // as the system keeps it (nativepath: bytes that are not UTF-8 kept)
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0; // modification time, nanoseconds since the epoch
};

struct WalkedFolder {
    int root = 0;                  // the index of the root it lies under
    QString path;                  // absolute
    QString relative;              // from its root, "" for the root itself, "A/B" below it
    std::vector<WalkedFile> files; // sorted by name
};

// Walks every folder under `roots` depth first, each folder's subfolders in name order, and
// hands out one folder (with its files) at a time, so that what the walk holds grows with the
// depth of the tree and the width of one folder, not with the size of the library. Links to
// folders are followed, and each folder is visited once, however many links lead to it: a
// link back to a folder above it (a loop) is reported and not followed. A folder that cannot
// be read, and a link that leads nowhere, is reported and left out. The folder `skipped` (the
// destination of a mirror), when it exists, is never entered, wherever a link leads to it:
// what is made there is never walked as a source.
class FolderWalk {
  public:
    // `problem` gets each report ("<path>: <reason>"), as it is met.
    FolderWalk(QStringList roots, std::function<void(const QString&)> problem,
               const QString& skipped = QString());

    // The next folder; false once every folder was handed out.
    bool next(WalkedFolder& folder);

  private:
    struct Pending {
        int root = 0;
        QString relative;
        int depth = 0;
        std::pair<std::uint64_t, std::uint64_t> id; // device, inode
    };

    QStringList roots_;
    std::function<void(const QString&)> problem_;
    std::vector<Pending> pending_;                               // a stack: the last is next
    std::vector<std::pair<std::uint64_t, std::uint64_t>> above_; // the folders above the last
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen_;
    int nextRoot_ = 0;
};

} // namespace library
