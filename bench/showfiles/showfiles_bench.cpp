// Builds the source tree from a generated destination folder and reports the time of
// showfiles (median of five runs) and the peak memory it adds.
//
// Usage: showfiles_bench [file count, default 10000] [--short]
// The folder holds half WAV and half MP3 files of 128 bytes each, a tenth of them in
// subfolders, plus some files of other types the scan must skip.
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

long maxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool makeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int count = 10000;
    bool shortNames = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--short"))
            shortNames = true;
        else if (arg.toInt() > 0)
            count = arg.toInt();
    }

    QTemporaryDir dest;
    if (!dest.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const QByteArray bytes(128, 'x');
    for (int sub = 0; sub < 10; ++sub)
        QDir(dest.path()).mkdir(QStringLiteral("sub%1").arg(sub));
    for (int i = 0; i < count; ++i) {
        const QString folder =
            i % 10 == 0 ? dest.filePath(QStringLiteral("sub%1").arg(i % 100 / 10)) : dest.path();
        const QString name = QStringLiteral("%1/track %2.%3")
                                 .arg(folder)
                                 .arg(i, 5, 10, QLatin1Char('0'))
                                 .arg(i % 2 ? QStringLiteral("mp3") : QStringLiteral("wav"));
        if (!makeFile(name, bytes)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    for (int i = 0; i < count / 20; ++i)
        makeFile(dest.filePath(QStringLiteral("notes %1.txt").arg(i)), bytes);

    DecodePath = dest.path();
    ShowFullPath = shortNames ? 0 : 1;

    SourceTree tree;
    const long rssBefore = maxRssKb();
    std::vector<double> ms;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        tree.showfiles();
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    const long rssAfter = maxRssKb();
    std::sort(ms.begin(), ms.end());

    const int files = tree.List1.count() + tree.List2.count();
    std::printf("files found: %d (WAV %d, MP3 %d), nodes: %d, %s names\n", files,
                tree.List1.count(), tree.List2.count(), tree.nodeCount(),
                shortNames ? "short" : "full");
    std::printf("showfiles: median %.1f ms (min %.1f, max %.1f) over 5 runs\n", ms[2], ms.front(),
                ms.back());
    std::printf("peak memory: %ld kB before, %ld kB after (+%ld kB)\n", rssBefore, rssAfter,
                rssAfter - rssBefore);
    return files == count ? 0 : 2;
}
