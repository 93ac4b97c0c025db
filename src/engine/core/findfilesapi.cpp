#include "engine/core/findfilesapi.h"

#include "engine/platform/nativepath.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct Entry {
    QString name;
    bool folder = false;
};

bool entryBefore(const Entry& a, const Entry& b) {
    const int folded = QString::compare(a.name, b.name, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.name < b.name;
}

} // namespace

QString LocalFileSearch::extensionOf(const QString& name) {
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

QString LocalFileSearch::baseNameOf(const QString& name) {
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return (dot < 0 ? name : name.left(dot)).toLower();
}

void LocalFileSearch::setFileType(const QString& type) {
    QString t = type.trimmed().toLower();
    if (!t.startsWith(QLatin1Char('.')))
        t.prepend(QLatin1Char('.'));
    fileType_ = t;
}

QStringList LocalFileSearch::lstdirs() const {
    QStringList out;
    if (!current_.isEmpty())
        out.append(current_);
    for (auto it = pending_.rbegin(); it != pending_.rend(); ++it)
        out.append(*it);
    return out;
}

void LocalFileSearch::requestStop() {
    stopped_ = true;
    pending_.clear();
}

void LocalFileSearch::maybeYield() {
    if (!yield)
        return;
    if (!sinceYield_.isValid() || sinceYield_.elapsed() >= yieldIntervalMs) {
        yield();
        sinceYield_.restart();
    }
}

void LocalFileSearch::findfilesapi(const QString& folderIn, const QString& pattern) {
    (void)pattern; // every entry is read; matching happens below
    QString folder = folderIn.trimmed();
    if (!folder.endsWith(QLatin1Char('/')))
        folder.append(QLatin1Char('/'));

    std::vector<Entry> entries;
    {
        const QByteArray native = nativepath::encode(folder);
        DirHandle dir(::opendir(native.constData()));
        if (!dir)
            return; // unreadable: yields nothing
        while (const dirent* e = ::readdir(dir.get())) {
            const char* raw = e->d_name;
            if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
                continue;
            bool isFolder = false;
            bool isFile = false;
            if (e->d_type == DT_DIR) {
                isFolder = true;
            } else if (e->d_type == DT_REG) {
                isFile = true;
            } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                // Links count as what they point to, but linked folders are not entered.
                struct stat info {};
                const QByteArray full = native + raw;
                if (::stat(full.constData(), &info) == 0) {
                    isFile = S_ISREG(info.st_mode);
                    isFolder = S_ISDIR(info.st_mode) && e->d_type == DT_UNKNOWN;
                }
            }
            if (isFolder || isFile)
                entries.push_back({nativepath::decode(raw), isFolder});
        }
    }
    std::sort(entries.begin(), entries.end(), entryBefore);

    for (const Entry& entry : entries) {
        maybeYield();
        if (entry.folder) {
            if (entry.name.startsWith(QLatin1Char('.')))
                continue;
            const QString path = folder + entry.name + QLatin1Char('/');
            if (!stopped_)
                pending_.push_back(path); // searched right after the folder in progress
            foldersSeen_.insert(std::min<qsizetype>(1, foldersSeen_.size()), path);
            ++folderCount_;
            continue;
        }
        if (extensionOf(entry.name) != fileType_)
            continue;
        if (!fileName_.isEmpty() && baseNameOf(entry.name) != fileName_)
            continue;
        files_.append(folder + entry.name);
    }
}

void LocalFileSearch::run(const QString& startFolder) {
    if (running_)
        return; // a start from inside a yield of the running search
    files_.clear();
    foldersSeen_.clear();
    pending_.clear();
    folderCount_ = 0;
    stopped_ = false;
    running_ = true;
    sinceYield_.invalidate();
    QElapsedTimer clock;
    clock.start();

    QString start = startFolder.trimmed();
    if (!start.endsWith(QLatin1Char('/')))
        start.append(QLatin1Char('/'));
    current_ = start;
    foldersSeen_.append(start);

    while (!current_.isEmpty()) {
        if (folderStarted)
            folderStarted(current_);
        findfilesapi(current_);
        if (stopCheck && stopCheck())
            requestStop();
        if (stopped_ || pending_.empty()) {
            current_.clear();
            break;
        }
        current_ = pending_.back();
        pending_.pop_back();
    }
    elapsedSeconds_ = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    running_ = false;
}

QStringList findFiles(const QString& folder, const QString& type,
                      const std::function<void()>& yield) {
    LocalFileSearch search;
    search.setFileType(type);
    search.yield = yield;
    search.run(folder);
    return search.lstfiles();
}
