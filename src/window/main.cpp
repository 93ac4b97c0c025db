#include "engine/core/paths.h"
#include "engine/platform/dialogs.h"
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

    // A second instance ends at once, showing nothing.
    QLockFile instanceLock(instanceLockPath());
    if (!instanceLock.tryLock(0))
        return 0;

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
        rc = QApplication::exec();
    }
    dialogs::setHandler(nullptr);
    return rc;
}
