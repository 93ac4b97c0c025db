#include "engine/core/paths.h"

#include "engine/platform/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString LastFolder;

QString FileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString FolderOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isWavPath(const QString& path) {
    return path.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive);
}

bool isMp3Path(const QString& path) {
    return path.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
}

QString StemOf(const QString& path, QLatin1StringView extension) {
    const QString name = FileNameOf(path);
    if (name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive))
        return name.left(name.size() - extension.size());
    return name;
}

QString OutputPathFor(const QString& folder, const QString& source, QLatin1StringView from,
                      QLatin1StringView to) {
    return folder + QLatin1Char('/') + StemOf(source, from) + to;
}

QString BaseName(const QString& path) {
    const QString name = FileNameOf(path);
    const QString& from = name.isEmpty() ? path : name;
    if (from.size() < 4)
        return from;
    return from.left(from.size() - 4);
}

QString SplitPath(const QString& path) {
    LastFolder = FolderOf(path);
    return FileNameOf(path);
}

bool MakeDirs(const QString& path) {
    bool made = false;
    {
        const dialogs::BusyPointer busy;
        made = MakeDirsQuietly(path);
    }
    if (made)
        return true;
    dialogs::msgBox(
        QCoreApplication::translate(
            "paths", "Error While Attempting to Create Directories on Destination Drive."),
        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, QStringLiteral("SETUP"));
    return false;
}

bool MakeDirsQuietly(const QString& path) {
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    QDir current(QStringLiteral("/"));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (!current.exists(part) && !current.mkdir(part))
            return false;
        if (!current.cd(part))
            return false; // exists but is not a folder, or cannot be entered
    }
    return true;
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

namespace {

QString installedDataFolder() {
    return QDir::cleanPath(ProgramFolder() + QLatin1Char('/') +
                           QStringLiteral(VORTAN_DATA_FROM_PROGRAM));
}

} // namespace

bool InstalledProgram() {
    return QFileInfo(installedDataFolder()).isDir();
}

QString HelpFolder() {
    return (InstalledProgram() ? installedDataFolder() : ProgramFolder()) + QStringLiteral("/help");
}

QString TranslationsFolder() {
    return (InstalledProgram() ? installedDataFolder() : ProgramFolder()) +
           QStringLiteral("/translations");
}
