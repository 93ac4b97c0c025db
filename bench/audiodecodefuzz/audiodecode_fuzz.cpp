// Feeds arbitrary files to openSource, reads every source to its end, and reads the file's
// tags. The readers work on a path, so each input is written to one scratch file of this
// process first. Failures are values; only a crash or a sanitizer report is a finding.
#include "engine/pipeline/source.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    struct ScratchFile {
        QString path = QDir::temp().filePath(
            QStringLiteral("audiodecode_fuzz_%1").arg(QCoreApplication::applicationPid()));
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
    if (auto source = pipeline::openSource(path)) {
        pipeline::Source& opened = *source.value();
        const pipeline::AudioFormat format = opened.format();
        if (!format.valid())
            __builtin_trap(); // an open source always has a usable format
        std::vector<std::int32_t> block(1024 * static_cast<std::size_t>(format.channels));
        // Bounded: a tiny input may announce hours of audio (a FLAC header, an Ogg granule).
        for (int reads = 0; reads < 4096; ++reads) {
            const Result<std::int64_t> got = opened.read(block.data(), 1024);
            if (!got || got.value() == 0)
                break;
            if (got.value() > 1024)
                __builtin_trap();
            const std::int32_t limit = format.bitsPerSample >= 32
                                           ? INT32_MAX
                                           : (std::int32_t{1} << (format.bitsPerSample - 1)) - 1;
            for (std::int64_t i = 0; i < got.value() * format.channels; ++i)
                if (block[static_cast<std::size_t>(i)] > limit ||
                    block[static_cast<std::size_t>(i)] < -limit - 1)
                    __builtin_trap(); // a sample beyond the announced width
        }
    }
    (void)audiotags::read(path, 1 << 20);
    return 0;
}
