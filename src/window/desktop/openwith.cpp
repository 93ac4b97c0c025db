#include "window/desktop/openwith.h"

#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/platform/dialogs.h"
#include "window/main/form1.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include <QCoreApplication>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
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

// The files under `folders` (and their subfolders) whose extension is one of `extensions`
// (lower case), in path order. Runs on a worker thread of its own: a folder may hold a whole
// music library. Links to folders are not followed, so a link back up the tree cannot make
// the walk endless; `stop` ends the walk early.
QStringList filesUnder(const QStringList& folders, const QSet<QString>& extensions,
                       const std::atomic<bool>& stop) {
    QStringList files;
    for (const QString& folder : folders) {
        QDirIterator it(folder, QDir::Files | QDir::Readable | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext() && !stop) {
            const QString path = it.next();
            if (extensions.contains(it.fileInfo().suffix().toLower()))
                files << path;
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A walk of folders on a worker thread; emits `walked` on the GUI thread and deletes itself.
// Destroyed first (the window closing), it stops the walk and waits for its thread.
class FolderWalk : public QObject {
    Q_OBJECT
  public:
    FolderWalk(QStringList folders, QSet<QString> extensions, QObject* parent) : QObject(parent) {
        thread_.reset(QThread::create(
            [this, folders = std::move(folders), extensions = std::move(extensions)] {
                files_ = filesUnder(folders, extensions, stop_);
            }));
        connect(thread_.get(), &QThread::finished, this, [this] {
            thread_->wait();
            emit walked(files_);
            deleteLater();
        });
        thread_->start();
    }
    ~FolderWalk() override {
        stop_ = true;
        thread_->wait();
    }

  signals:
    void walked(const QStringList& files);

  private:
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> stop_{false};
    QStringList files_; // the worker's until it has finished
};

} // namespace

void openPaths(Form1& window, const QStringList& paths, std::function<void(const Outcome&)> done) {
    Outcome outcome;
    QStringList folders;
    SourceTree& tree = window.tree();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            folders << path;
        } else if (info.isFile() && isCueSheet(info)) {
            if (window.openDiscImage(path))
                outcome.images << path;
        } else if (info.isFile() && tree.isListedKind(path)) {
            outcome.listed << path;
        } else {
            outcome.refused << path;
        }
    }
    // The files are listed, and what was refused said, once the folders have been walked.
    auto finish = [&window, outcome, done = std::move(done)](const QStringList& found) mutable {
        for (const QString& file : found)
            if (window.tree().isListedKind(file))
                outcome.listed << file;
        for (const QString& file : std::as_const(outcome.listed))
            window.tree().addClosedFile(file);
        if (!outcome.refused.isEmpty())
            dialogs::msgBox(
                QCoreApplication::translate("LaunchReceiver",
                                            "These could not be opened (not a WAV, MP3 or audio "
                                            "file, a cue sheet or a folder):\n\n") +
                    outcome.refused.join(QLatin1Char('\n')),
                dialogs::Buttons::Ok, dialogs::Icon::Exclamation,
                QCoreApplication::translate("LaunchReceiver", "Open"));
        if (done)
            done(outcome);
    };
    if (folders.isEmpty()) {
        finish({});
        return;
    }
    QSet<QString> extensions{QStringLiteral("wav"), QStringLiteral("mp3")};
    for (const QString& extension : std::as_const(tree.audioExtensions))
        extensions.insert(extension.toLower());
    auto* walk = new FolderWalk(folders, extensions, &window);
    QObject::connect(walk, &FolderWalk::walked, &window, std::move(finish));
}

LaunchReceiver::LaunchReceiver(Form1& window) : QObject(&window), window_(window) {
    connect(&window, &Form1::jobEnded, this, &LaunchReceiver::openPending);
}

void LaunchReceiver::receive(const QStringList& paths, const QString& activationToken) {
    // Qt's Wayland platform activates a window with the token it finds here, then drops it.
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(u"wayland"))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
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

#include "openwith.moc"
