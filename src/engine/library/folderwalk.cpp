#include "engine/library/folderwalk.h"

#include "engine/formats/outputfile.h"
#include "engine/platform/nativepath.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace library {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString joined(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

} // namespace

FolderWalk::FolderWalk(QStringList roots, std::function<void(const QString&)> problem,
                       const QString& skipped)
    : roots_(std::move(roots)), problem_(std::move(problem)) {
    struct stat info {};
    // Taken as seen: every way into it is then passed by as a folder already walked.
    if (!skipped.isEmpty() && ::stat(nativepath::encode(skipped).constData(), &info) == 0)
        seen_.insert({info.st_dev, info.st_ino});
}

bool FolderWalk::next(WalkedFolder& folder) {
    while (pending_.empty()) {
        if (nextRoot_ >= roots_.size())
            return false;
        const int root = nextRoot_++;
        struct stat info {};
        if (::stat(nativepath::encode(roots_[root]).constData(), &info) != 0) {
            problem_(roots_[root] + QStringLiteral(": ") + systemText(errno));
            continue;
        }
        const std::pair<std::uint64_t, std::uint64_t> id{info.st_dev, info.st_ino};
        if (!seen_.insert(id).second)
            continue; // the same folder given twice, or through a link
        pending_.push_back({root, QString(), 0, id});
    }
    Pending current = std::move(pending_.back());
    pending_.pop_back();
    above_.resize(static_cast<std::size_t>(current.depth));
    above_.push_back(current.id);

    folder.root = current.root;
    folder.relative = current.relative;
    folder.path = joined(roots_[current.root], current.relative);
    folder.files.clear();

    const std::unique_ptr<DIR, DirCloser> dir(
        ::opendir(nativepath::encode(folder.path).constData()));
    if (!dir) {
        const int error = errno; // before the message is made
        problem_(QCoreApplication::translate("FolderWalk", "%1: the folder cannot be read (%2)")
                     .arg(folder.path, systemText(error)));
        return true; // an empty folder: the walk goes on
    }
    std::vector<Pending> below;
    const int fd = ::dirfd(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* raw = entry->d_name;
        if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0)
            continue;
        const QString name = nativepath::decode(raw);
        if (outputfile::isTemporaryName(name))
            continue;
        struct stat info {};
        if (::fstatat(fd, raw, &info, 0) != 0) {
            problem_(joined(folder.path, name) + QStringLiteral(": ") +
                     (errno == ENOENT
                          ? QCoreApplication::translate("FolderWalk", "a link that leads nowhere")
                          : systemText(errno)));
            continue;
        }
        if (S_ISREG(info.st_mode)) {
            folder.files.push_back({name, static_cast<std::int64_t>(info.st_size),
                                    static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                                        info.st_mtim.tv_nsec});
        } else if (S_ISDIR(info.st_mode)) {
            const std::pair<std::uint64_t, std::uint64_t> id{info.st_dev, info.st_ino};
            if (std::find(above_.begin(), above_.end(), id) != above_.end()) {
                problem_(joined(folder.path, name) +
                         QCoreApplication::translate(
                             "FolderWalk", ": a link back to a folder above it (a loop); not "
                                           "followed"));
                continue;
            }
            if (!seen_.insert(id).second)
                continue; // reached through another link already
            below.push_back({current.root, joined(current.relative, name), current.depth + 1, id});
        }
    }
    std::sort(folder.files.begin(), folder.files.end(),
              [](const WalkedFile& a, const WalkedFile& b) { return a.name < b.name; });
    // The stack takes them last first, so that the first by name is walked first.
    std::sort(below.begin(), below.end(),
              [](const Pending& a, const Pending& b) { return a.relative > b.relative; });
    for (Pending& p : below)
        pending_.push_back(std::move(p));
    return true;
}

} // namespace library
