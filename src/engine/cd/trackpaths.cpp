#include "engine/cd/trackpaths.h"

#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/formats/outputfile.h"

#include <QRandomGenerator>

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
    QString safe;
    safe.reserve(title.size());
    for (const QChar c : title)
        safe.append(unsafeInFileName(c) ? QLatin1Char('_') : c);
    safe = safe.trimmed();
    while (safe.startsWith(QLatin1Char('.')))
        safe.remove(0, 1);
    const QString prefix = QStringLiteral("%1 - ").arg(track, 2, 10, QLatin1Char('0'));
    const qsizetype room = maxNameBytes - prefix.toUtf8().size() - extension.toUtf8().size();
    // Cut by whole characters (never inside a surrogate pair) until the UTF-8 fits.
    while (!safe.isEmpty() && safe.toUtf8().size() > room)
        safe.chop(safe.size() >= 2 && safe.back().isLowSurrogate() ? 2 : 1);
    while (safe.endsWith(QLatin1Char('.')) || safe.endsWith(QLatin1Char(' ')))
        safe.chop(1);
    if (safe.isEmpty())
        return {};
    return prefix + safe + extension;
}
