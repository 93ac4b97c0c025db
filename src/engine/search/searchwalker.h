#pragma once

#include <QObject>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

class CallPoster;

// Runs the local file search (LocalFileSearch) on a thread of its own, so that the thread
// that owns this object stays free while folders are read. What the walk finds reaches the
// owner's thread by signals, in walk order: reports while it runs, then finished().
//
// Threads: the object, its member functions and its signals belong to the owner's thread;
// the walk runs on a thread started by start(), which is joined when the walk has ended (or
// by abandon() and the destructor). One walk at a time.
class SearchWalker : public QObject {
    Q_OBJECT
  public:
    // What the walk found since the previous report.
    struct Report {
        QStringList files; // new results (full paths, exact case), to append in this order
        // Folders newly seen, in the order shown: the first report holds the start folder
        // then the folders found so far; later ones hold only new folders, the one found
        // last first, to go in right behind the start folder.
        QStringList folders;
        QStringList queue;            // the folders still to search; entry 0 is in progress
        std::int64_t folderCount = 0; // subfolders found so far
    };
    // How a walk ended.
    struct Summary {
        double elapsedSeconds = 0; // monotonic clock
        std::int64_t folderCount = 0;
        std::int64_t fileCount = 0;
        bool stopped = false; // ended by requestStop()
    };

    explicit SearchWalker(QObject* parent = nullptr);
    // Abandons a walk under way (see abandon()).
    ~SearchWalker() override;

    // Starts searching `startFolder` and its subfolders for files of `fileType` (and, when
    // not empty, of base name `fileName`; see LocalFileSearch) and returns at once. False,
    // and nothing changes, while a walk runs.
    bool start(const QString& startFolder, const QString& fileType, const QString& fileName);
    // Ends the walk once the folder in progress has been read; its last reports and
    // finished() follow. Harmless when no walk runs.
    void requestStop();
    // Ends the walk within the folder in progress and waits for its thread, without letting
    // events run: no report and no finished() of it follow. For an owner going away.
    void abandon();

    // From start() until finished() has been emitted or abandon() has returned.
    bool running() const { return running_; }
    // Whether the walk under way (or the last one) was asked to stop.
    bool stopRequested() const { return stop_; }

    // How often a running walk reports at most; the start of the walk is reported at once.
    std::chrono::milliseconds reportInterval{20};
    // Runs on the walk's thread as each folder is about to be read, after the report that
    // names it as the folder in progress has been sent: lets a test hold a walk at a known
    // point. Set while no walk runs.
    std::function<void(const QString& folder)> beforeFolder;

  signals:
    void progress(const SearchWalker::Report& report);
    void finished(const SearchWalker::Summary& summary);

  private:
    void walk(const QString& startFolder, const QString& fileType, const QString& fileName,
              std::uint64_t generation);
    void join();

    CallPoster* poster_ = nullptr; // hands the walk's reports to the owner's thread
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> abandon_{false};
    bool running_ = false;
    // Numbers the walks: a report of an abandoned walk still queued is dropped.
    std::uint64_t generation_ = 0;
};
