#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

// Local file search: walks a folder and all its subfolders, depth first, and lists every file
// whose extension (from the first dot of the name to its end, compared lower-cased) equals
// the wanted file type and, when a file name is given, whose base name (the name before that
// first dot, lower-cased) equals it lower-cased. A name without a dot has no extension and
// never matches a non-empty type. Folders whose names begin with "." are not entered;
// symbolic links to folders are not followed (no loops). Results are full paths with their
// exact case, in walk order.
//
// Walk order: the folder in progress is entry 0 of the folder queue; every subfolder found
// goes in right behind it, so the subfolder found last is searched next. Entries of one folder
// are taken in name order (ignoring case, then exact), which makes results repeatable.
//
// Thread: the thread that calls run(); the yield callback runs there between directory
// entries (at most every yieldInterval), and a stop (requestStop() or the stop callback) takes
// effect when the folder in progress is done.
class LocalFileSearch {
  public:
    // File type to match, e.g. ".wav" or "wav" (a "." is put in front); lower-cased.
    void setFileType(const QString& type);
    QString fileType() const { return fileType_; }
    // Optional base name; empty matches any name.
    void setFileName(const QString& name) { fileName_ = name.toLower(); }
    QString fileName() const { return fileName_; }

    // Lets pending events run; called between directory entries. Unset: never called.
    std::function<void()> yield;
    // Asked between folders: true ends the search.
    std::function<bool()> stopCheck;
    // How often `yield` runs at most.
    std::int64_t yieldIntervalMs = 20;
    // Called before each folder is read, with the folder (e.g. for "Searching . . . ").
    std::function<void(const QString& folder)> folderStarted;

    // Runs the whole search from `startFolder` (a "/" is appended when missing). Clears the
    // results of any previous run first. Ignored while a search is running.
    void run(const QString& startFolder);

    // Reads one folder: lists its matching files and queues its subfolders right behind the
    // folder in progress. `pattern` is the platform enumeration pattern and is always "*.*"
    // (every entry); matching happens here.
    void findfilesapi(const QString& folder, const QString& pattern = QStringLiteral("*.*"));

    // Stops the search when the folder in progress is done (the queue is emptied).
    void requestStop();
    bool stopped() const { return stopped_; }
    bool running() const { return running_; }

    // Results and counters of the last (or running) search.
    const QStringList& lstfiles() const { return files_; }
    // The folders seen, for display: the start folder first, then each new folder inserted at
    // position 1.
    const QStringList& foldersSeen() const { return foldersSeen_; }
    // The folders still to search; entry 0 is the folder in progress.
    QStringList lstdirs() const;
    std::int64_t folderCount() const { return folderCount_; }
    std::int64_t fileCount() const { return static_cast<std::int64_t>(files_.size()); }
    // Seconds the last run took (monotonic clock).
    double elapsedSeconds() const { return elapsedSeconds_; }

    // Extension and base name as matching sees them: "live.mix.wav" gives ".mix.wav" and
    // "live"; "README" gives an empty extension and "readme".
    static QString extensionOf(const QString& name);
    static QString baseNameOf(const QString& name);

  private:
    void maybeYield();

    QString fileType_ = QStringLiteral(".wav");
    QString fileName_;
    QStringList files_;
    QStringList foldersSeen_;
    QString current_;              // folder in progress (lstdirs entry 0)
    std::vector<QString> pending_; // the rest of the queue, next one at the back
    std::int64_t folderCount_ = 0;
    double elapsedSeconds_ = 0;
    bool stopped_ = false;
    bool running_ = false;
    QElapsedTimer sinceYield_;
};

// Paths of every file under `folder` whose type is `type` ("wav", ".mp3"...), in walk order.
// Used to scan the destination folder.
QStringList findFiles(const QString& folder, const QString& type,
                      const std::function<void()>& yield = {});
