// Feeds arbitrary files to the MP3 header and tag reader. The reader works on a path, so each
// input is written to one scratch file of this process first. Only VortanError may leave it.
#include "engine/formats/mp3info.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    struct ScratchFile {
        QString path = QDir::temp().filePath(
            QStringLiteral("mp3info_fuzz_%1.mp3").arg(QCoreApplication::applicationPid()));
        ~ScratchFile() { QFile::remove(path); }
    };
    static const ScratchFile scratch;
    const QString& path = scratch.path;
    QFile::remove(path); // a new file each time: rewriting one in place syncs it on close
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    Mp3HeaderRecord record;
    try {
        ReadMp3Info(path, true, true, record);
    } catch (const VortanError&) {
    }
    BitsToNumber(QString::fromLatin1(reinterpret_cast<const char*>(data),
                                     static_cast<qsizetype>(std::min<std::size_t>(size, 64))));
    return 0;
}
