#include "app/outputnames.h"

#include "app/paths.h"

#include <QFile>

#include <sys/stat.h>

namespace {

// Anything of that name, a dangling link included: writing through it would create or
// replace whatever the link names.
bool nameInUse(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

} // namespace

QString OutputNames::numbered(const QString& path, int number) {
    const QString folder = FolderOf(path);
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype cut = dot > 0 ? dot : name.size(); // ".hidden" has no extension
    return folder + name.left(cut) + QStringLiteral(" (%1)").arg(number) + name.mid(cut);
}

QString OutputNames::claim(const QString& wantedPath) {
    QString candidate = wantedPath;
    for (int number = 2; claimed_.contains(candidate) || nameInUse(candidate); ++number)
        candidate = numbered(wantedPath, number);
    claimed_.insert(candidate);
    return candidate;
}
