#pragma once

#include "engine/library/mirrorrecord.h"
#include "fixtures.h"

#include <QDir>
#include <QDirIterator>

#include <map>

namespace mirrortest {

// Every file under `folder` (the record left out), by its path from there: its bytes.
inline std::map<QString, QByteArray> tree(const QString& folder) {
    std::map<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (it.fileName() != library::MirrorRecord::fileName())
            out[QDir(folder).relativeFilePath(file)] = fixtures::readFile(file);
    }
    return out;
}

} // namespace mirrortest
