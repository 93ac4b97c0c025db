#include "engine/core/paths.h"
#include "engine/core/translation.h"
#include "engine/platform/dialogs.h"
#include "window/desktop/notifications.h"
#include "window/desktop/openwith.h"
#include "window/desktop/singleinstance.h"
#include "window/dialogs/widgetdialogs.h"
#include "window/main/form1.h"
#include "window/playlist/frmplaylist.h"
#include "window/prefs/frmprefs.h"
#include "window/search/frmsearch.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <csignal>

namespace {

// The lock that makes the program single-instance. It lives in the user's runtime folder
// (or /tmp when the platform has none) and is released when the process ends, even after
// a crash (a stale lock of a dead process is taken over).
QString instanceLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/mp3vortan.lock");
}

} // namespace

int main(int argc, char* argv[]) {
    // With SIGXFSZ ignored, a write past the file-size limit (ulimit -f) fails with EFBIG
    // and is reported as that file's failure, instead of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    // The texts in the user's language (LANG, LC_MESSAGES, LANGUAGE), English otherwise.
    translation::install();

    // The files and folders to open, as absolute paths: a running program has its own
    // working folder.
    const QStringList paths =
        openwith::absolutePaths(QApplication::arguments().mid(1), QDir::currentPath());

    // A later launch hands its files to the running program, which comes to the front, and
    // ends showing nothing. The lock decides which launch runs when two start together; the
    // one that lost waits a little for the winner to listen.
    const QString socket = singleinstance::socketPath();
    const QString activationToken = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (singleinstance::handOff(socket, paths, 5000, false, activationToken))
        return 0;
    QLockFile instanceLock(instanceLockPath());
    if (!instanceLock.tryLock(0)) {
        if (singleinstance::handOff(socket, paths, 10000, true, activationToken))
            return 0;
        qWarning("MP3 Vortan is running but did not answer; nothing was handed to it.");
        return 1;
    }

    QApplication::setApplicationName(QStringLiteral("MP3 Vortan v2.0"));
    QDir::setCurrent(ProgramFolder());

    WidgetDialogs widgetDialogs;
    dialogs::setHandler(&widgetDialogs);

    int rc = 0;
    {
        Form1 window;
        QObject::connect(&window, &Form1::programEndRequested, &app, &QApplication::quit,
                         Qt::QueuedConnection);
        FrmPrefs::serve(window);
        frmPlayList::serve(window);
        FrmSearch::serve(window);
        window.Form_Load();

        // Holding the lock, this program alone listens: a socket there is a crashed one's.
        singleinstance::Server launches(socket);
        auto* receiver = new openwith::LaunchReceiver(window);
        QObject::connect(&launches, &singleinstance::Server::pathsReceived, receiver,
                         &openwith::LaunchReceiver::receive);
        if (!launches.listen())
            qWarning("Later launches cannot reach this one: %s",
                     qPrintable(launches.errorString()));
        notifications::DBusSink desktopNotices;
        notifications::JobNotifier notifier(window, desktopNotices);
        if (!paths.isEmpty())
            openwith::openPaths(window, paths);
        rc = QApplication::exec();
    }
    dialogs::setHandler(nullptr);
    return rc;
}
