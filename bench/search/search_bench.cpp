// Times the finder window's search (hidden-lists mode, list updates included) against
// `find DIR -name '*.wav'` over the same generated tree, in the same run, and prints both and
// their ratio. Each is run once to warm the caches, then timed five times; the medians are
// compared.
//
// Usage: search_bench [file count, default 100000] [folder count, default 5000] [--show-lists]
// With --show-lists the result lists stay shown during the search.
// The tree: 50 top folders, the rest of the folders spread under them, the files spread
// evenly over all folders; half of them ".wav", the rest ".mp3" and ".txt". Runs offscreen in
// a temporary folder; touches nothing of the user's.
#include "engine/core/findfilesapi.h"
#include "window/prefs/folderlist.h"
#include "window/search/frmsearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs find over `root`; returns the milliseconds it took and sets `lines` to its output lines.
double timeFind(const QString& root, qsizetype& lines) {
    QProcess find;
    QElapsedTimer clock;
    clock.start();
    find.start(QStringLiteral("find"), {root, QStringLiteral("-name"), QStringLiteral("*.wav")});
    find.waitForFinished(-1);
    const QByteArray out = find.readAllStandardOutput();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    lines = out.count('\n');
    return ms;
}

// The walk alone, without a window: what the window's own work adds is the difference.
double timeEngine(const QString& root) {
    LocalFileSearch search;
    search.setFileType(QStringLiteral(".wav"));
    QElapsedTimer clock;
    clock.start();
    search.run(root);
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

double timeWindow(FrmSearch& window, qsizetype& found) {
    QEventLoop ended; // quits once the window has run its closing steps
    QObject::connect(&window.walker(), &SearchWalker::finished, &ended, &QEventLoop::quit,
                     Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    window.Command1->click(); // starts the walk on its own thread
    ended.exec();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    found = window.lstfiles->count();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes about window features it lacks are noise here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    std::vector<int> numbers;
    bool showLists = false;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--show-lists")
            showLists = true;
        else
            numbers.push_back(std::atoi(argv[i]));
    }
    const int files = numbers.size() > 0 ? std::max(1, numbers[0]) : 100000;
    const int folders = numbers.size() > 1 ? std::max(50, numbers[1]) : 5000;

    QTemporaryDir tree;
    if (!tree.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    std::vector<QString> paths;
    for (int top = 0; top < 50; ++top)
        paths.push_back(tree.filePath(QStringLiteral("top%1").arg(top, 2, 10, QLatin1Char('0'))));
    for (int i = 50; i < folders; ++i)
        paths.push_back(paths[std::size_t(i % 50)] + QStringLiteral("/folder %1").arg(i));
    for (const QString& path : paths)
        QDir().mkpath(path);
    static const char* const types[] = {"wav", "mp3", "wav", "txt"};
    for (int i = 0; i < files; ++i) {
        QFile f(QStringLiteral("%1/track %2.%3")
                    .arg(paths[std::size_t(i % folders)])
                    .arg(i, 6, 10, QLatin1Char('0'))
                    .arg(QLatin1String(types[i % 4])));
        if (!f.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
    }

    FrmSearch window;
    window.Form_Load();
    window.show();
    window.Dir1->setPath(tree.path());
    window.zFileExt->setText(QStringLiteral(".wav"));
    window.chkhidelist->setChecked(!showLists);

    qsizetype findLines = 0;
    qsizetype windowFound = 0;
    timeFind(tree.path(), findLines);
    timeWindow(window, windowFound);
    std::vector<double> findMs, windowMs, engineMs;
    for (int run = 0; run < 5; ++run) {
        findMs.push_back(timeFind(tree.path(), findLines));
        windowMs.push_back(timeWindow(window, windowFound));
        engineMs.push_back(timeEngine(tree.path()));
    }
    const double f = median(findMs);
    const double w = median(windowMs);
    std::printf("tree: %d files in %d folders, %lld .wav\n", files, folders,
                static_cast<long long>(findLines));
    std::printf("find -name '*.wav': %8.1f ms (median of 5)\n", f);
    std::printf("finder window:      %8.1f ms (median of 5, %lld found, lists %s)\n", w,
                static_cast<long long>(windowFound), showLists ? "shown" : "hidden");
    std::printf("  of which the walk: %8.1f ms (median of 5, no window)\n", median(engineMs));
    std::printf("ratio:              %8.2f (target 1.5 or less)\n", w / f);
    return windowFound == findLines ? 0 : 2;
}
