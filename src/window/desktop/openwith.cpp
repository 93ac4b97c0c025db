#include "window/desktop/openwith.h"

#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/platform/dialogs.h"
#include "window/main/form1.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace openwith {

QStringList absolutePaths(const QStringList& arguments, const QString& workingFolder) {
    QStringList paths;
    const QDir base(workingFolder);
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        QString path = argument;
        if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            path = QUrl(argument).toLocalFile();
        if (path.isEmpty())
            continue;
        paths << QDir::cleanPath(base.absoluteFilePath(path));
    }
    return paths;
}

namespace {

bool isCueSheet(const QFileInfo& info) {
    return info.suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0;
}

// The listable files of `folder` and its subfolders, in path order. Links to folders are not
// followed, so a link back up the tree cannot make the walk endless.
QStringList audioFilesUnder(const SourceTree& tree, const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Readable | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (tree.isListedKind(path))
            files << path;
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

Outcome openPaths(Form1& window, const QStringList& paths) {
    Outcome outcome;
    SourceTree& tree = window.tree();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            outcome.listed << audioFilesUnder(tree, path);
        } else if (info.isFile() && isCueSheet(info)) {
            if (window.openDiscImage(path))
                outcome.images << path;
        } else if (info.isFile() && tree.isListedKind(path)) {
            outcome.listed << path;
        } else {
            outcome.refused << path;
        }
    }
    for (const QString& file : std::as_const(outcome.listed))
        tree.addClosedFile(file);
    if (!outcome.refused.isEmpty())
        dialogs::msgBox(QStringLiteral("These could not be opened (not a WAV, MP3 or audio file, "
                                       "a cue sheet or a folder):\n\n") +
                            outcome.refused.join(QLatin1Char('\n')),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, QStringLiteral("Open"));
    return outcome;
}

LaunchReceiver::LaunchReceiver(Form1& window) : QObject(&window), window_(window) {
    connect(&window, &Form1::jobEnded, this, &LaunchReceiver::openPending);
}

void LaunchReceiver::receive(const QStringList& paths) {
    window_.restoreWindow();
    // The tray icon was there to bring the window back, unless the user keeps it there.
    if (DesktopIcon != 1 && !window_.isJobRunning())
        window_.unloadPopup();
    pending_ << paths;
    if (!window_.isJobRunning())
        openPending();
}

void LaunchReceiver::openPending() {
    if (pending_.isEmpty())
        return;
    openPaths(window_, std::exchange(pending_, {}));
}

} // namespace openwith
