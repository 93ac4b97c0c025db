#include "engine/player/playliststore.h"

#include <QSettings>

namespace playliststore {

namespace {

const QString countKey = QStringLiteral("music/HowMany");

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Trevalo v2.0"));
}

QString entryKey(int number) {
    return QStringLiteral("music/") + QString::number(number);
}

} // namespace

QStringList load() {
    QSettings settings = store();
    bool ok = false;
    int count = settings.value(countKey, QStringLiteral("0")).toString().trimmed().toInt(&ok);
    if (!ok || count < 0 || count > maxEntries)
        count = 0;
    QStringList entries;
    for (int i = 1; i <= count; ++i) {
        const QString path = settings.value(entryKey(i), QStringLiteral("0")).toString();
        entries.append(path == QLatin1String("0") ? QStringLiteral("Empty") : path);
    }
    return entries;
}

void storeCount(int count) {
    store().setValue(countKey, QString::number(count));
}

void storeEntry(int number, const QString& path) {
    store().setValue(entryKey(number), path);
}

void rewrite(const QStringList& entries) {
    QSettings settings = store();
    settings.setValue(countKey, QStringLiteral("0"));
    for (int i = 0; i < entries.size(); ++i) {
        settings.setValue(countKey, QString::number(i + 1));
        settings.setValue(entryKey(i + 1), entries[i]);
    }
    // Paths of a longer list are not kept behind the count.
    settings.beginGroup(QStringLiteral("music"));
    for (const QString& key : settings.childKeys()) {
        bool number = false;
        if (key.toLongLong(&number) > entries.size() && number)
            settings.remove(key);
    }
    settings.endGroup();
}

} // namespace playliststore
