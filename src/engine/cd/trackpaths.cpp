#include "engine/cd/trackpaths.h"

#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/formats/outputfile.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace {
constexpr int maxNameDraws = 1000;
constexpr qsizetype maxNameBytes = 255;

bool unsafeInFileName(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"/\\:*?\"<>|").contains(c);
}
} // namespace

long long drawFileNumber(const QString& discIdentity) {
    const long long d = LeadingNumber(discIdentity);
    const double u = QRandomGenerator::global()->generateDouble();
    return static_cast<long long>(std::floor(static_cast<double>(d) * u + 1.0));
}

QString trackOutputBase(const QString& folder, long long number, int track) {
    return folder + QStringLiteral("/%1-%2").arg(number).arg(track);
}

QString drawTrackPath(const QString& folder, const QString& discIdentity, int track,
                      const QString& extension, const QSet<QString>& taken) {
    QString path;
    for (int draw = 0; draw < maxNameDraws; ++draw) {
        path = trackOutputBase(folder, drawFileNumber(discIdentity), track) + extension;
        if (!taken.contains(path) && !outputfile::nameInUse(path))
            break;
    }
    return path;
}

QString trackFileName(int track, const QString& title, const QString& extension) {
    const QString prefix = QStringLiteral("%1 - ").arg(track, 2, 10, QLatin1Char('0'));
    const qsizetype room = maxNameBytes - prefix.size() - extension.toUtf8().size(); // ASCII prefix
    // Only the start of a title can reach the name: blanks and dots before it are dropped,
    // then as much as fits is taken (whole characters, one pass), made safe, and ended
    // without blanks or dots.
    qsizetype first = 0;
    while (first < title.size() && (title[first].isSpace() || title[first] == QLatin1Char('.')))
        ++first;
    const QStringView rest = QStringView(title).mid(first);
    QString safe =
        rest.left(outputfile::fittingLength(rest, std::max<qsizetype>(room, 0))).toString();
    for (QChar& c : safe)
        if (unsafeInFileName(c))
            c = QLatin1Char('_');
    qsizetype end = safe.size();
    while (end > 0 && (safe[end - 1].isSpace() || safe[end - 1] == QLatin1Char('.')))
        --end;
    safe.truncate(end);
    if (safe.isEmpty())
        return {};
    return prefix + safe + extension;
}
