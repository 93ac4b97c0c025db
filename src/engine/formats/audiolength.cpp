#include "engine/formats/audiolength.h"

#include <QCoreApplication>

namespace audiolength {

QString minutesSeconds(std::int64_t milliseconds) {
    const std::int64_t seconds = milliseconds > 0 ? milliseconds / 1000 : 0;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString incompleteSource(const QString& path, std::int64_t heldMs, std::int64_t announcedMs) {
    return QCoreApplication::translate(
               "audiolength", "%1: the file is incomplete: it holds %2 of %3 (what it holds was "
                              "converted)")
        .arg(path, minutesSeconds(heldMs), minutesSeconds(announcedMs));
}

} // namespace audiolength
