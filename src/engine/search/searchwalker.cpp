#include "engine/search/searchwalker.h"

#include "engine/core/findfilesapi.h"
#include "engine/platform/callposter.h"

#include <QElapsedTimer>

#include <system_error>

namespace {

// What the walk has found beyond what was reported already.
class ReportCursor {
  public:
    SearchWalker::Report take(const LocalFileSearch& search) {
        SearchWalker::Report report;
        const QStringList& files = search.lstfiles();
        report.files = files.mid(filesReported_);
        filesReported_ = files.size();
        // The start folder comes first; every later folder is inserted right behind it.
        const QStringList& folders = search.foldersSeen();
        if (folders.size() > foldersReported_) {
            report.folders =
                foldersReported_ == 0 ? folders : folders.mid(1, folders.size() - foldersReported_);
            foldersReported_ = folders.size();
        }
        report.queue = search.lstdirs();
        report.folderCount = search.folderCount();
        return report;
    }

  private:
    qsizetype filesReported_ = 0;
    qsizetype foldersReported_ = 0;
};

} // namespace

SearchWalker::SearchWalker(QObject* parent) : QObject(parent), poster_(new CallPoster(this)) {}

SearchWalker::~SearchWalker() {
    abandon();
}

bool SearchWalker::start(const QString& startFolder, const QString& fileType,
                         const QString& fileName) {
    if (running_)
        return false;
    join(); // the thread of the previous walk, which has posted its end already
    stop_ = false;
    abandon_ = false;
    running_ = true;
    const std::uint64_t generation = ++generation_;
    try {
        thread_ =
            std::thread(&SearchWalker::walk, this, startFolder, fileType, fileName, generation);
    } catch (const std::system_error&) {
        // No thread to walk on: the search ends having found nothing.
        poster_->post([this, generation] {
            if (generation != generation_)
                return;
            running_ = false;
            emit finished(Summary{});
        });
    }
    return true;
}

void SearchWalker::requestStop() {
    stop_ = true;
}

void SearchWalker::abandon() {
    abandon_ = true;
    stop_ = true;
    join();
    if (running_) {
        running_ = false;
        ++generation_; // what the walk posted before it ended is dropped
    }
}

void SearchWalker::join() {
    if (thread_.joinable())
        thread_.join();
}

// The walk's thread.
void SearchWalker::walk(const QString& startFolder, const QString& fileType,
                        const QString& fileName, std::uint64_t generation) {
    LocalFileSearch search;
    search.setFileType(fileType);
    search.setFileName(fileName);
    ReportCursor cursor;
    QElapsedTimer sinceReport;
    auto report = [&] {
        poster_->post([this, generation, found = cursor.take(search)] {
            if (generation == generation_)
                emit progress(found);
        });
        sinceReport.start();
    };

    search.yieldIntervalMs = reportInterval.count();
    search.yield = [&] {
        if (abandon_)
            search.requestStop(); // the rest of this folder's entries are only sorted through
        else
            report();
    };
    search.folderStarted = [&](const QString& folder) {
        if (!sinceReport.isValid() || sinceReport.elapsed() >= reportInterval.count())
            report();
        if (beforeFolder)
            beforeFolder(folder);
    };
    search.stopCheck = [this] { return stop_.load(); };
    search.run(startFolder);

    if (abandon_)
        return;
    report();
    Summary summary;
    summary.elapsedSeconds = search.elapsedSeconds();
    summary.folderCount = search.folderCount();
    summary.fileCount = search.fileCount();
    summary.stopped = search.stopped();
    poster_->post([this, generation, summary] {
        if (generation != generation_)
            return;
        running_ = false;
        join(); // the walk has ended: its thread is done or about to be
        emit finished(summary);
    });
}
