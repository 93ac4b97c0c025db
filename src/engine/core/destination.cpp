#include "engine/core/destination.h"

#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/platform/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString defaultDestinationParent() {
    const QString programFolder = ProgramFolder();
    if (!InstalledProgram() && QFileInfo(programFolder).isWritable())
        return programFolder;
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() ? QDir::homePath() + QStringLiteral("/Music") : music;
}

QString storedDestinationFolder() {
    const QString stored = settings::readText(SettingKey::DecodePath, QString());
    if (QDir::isAbsolutePath(stored)) {
        const QString path = QDir::cleanPath(stored);
        if (path != QLatin1String("/"))
            return path;
    }
    return defaultDestinationParent() + QStringLiteral("/WAVFiles");
}

bool createDestination(const QString& path) {
    bool made = false;
    {
        const dialogs::BusyPointer busy;
        made = MakeDirsQuietly(path);
    }
    // One message for a folder that cannot be made: this one, which names it.
    if (!made) {
        dialogs::msgBox(
            QCoreApplication::translate("destination", "Error in creating the path ") + path +
            QCoreApplication::translate("destination",
                                        "  Create a new Destination path using the selection "
                                        "controls"));
        return false;
    }
    settings::saveText(SettingKey::DecodePath, path);
    return true;
}

QString inDestination(const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path) || DecodePath.isEmpty())
        return path;
    return QDir::cleanPath(DecodePath + QLatin1Char('/') + path);
}
