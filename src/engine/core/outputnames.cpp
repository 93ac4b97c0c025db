#include "engine/core/outputnames.h"

#include "engine/core/paths.h"
#include "engine/formats/outputfile.h"

QString OutputNames::numbered(const QString& path, int number) {
    return outputfile::numbered(path, number, outputfile::maxNameBytes(FolderOf(path)));
}

QString OutputNames::claim(const QString& wantedPath) {
    const int limit = outputfile::maxNameBytes(FolderOf(wantedPath));
    QString candidate = outputfile::numbered(wantedPath, 1, limit);
    for (int number = 2; claimed_.contains(candidate) || outputfile::nameInUse(candidate); ++number)
        candidate = outputfile::numbered(wantedPath, number, limit);
    claimed_.insert(candidate);
    return candidate;
}
