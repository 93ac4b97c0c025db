#include "cd/trackpaths.h"

#include "app/settings.h"
#include "app/sourcetree.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cmath>

namespace {
constexpr int maxNameDraws = 1000;
}

long long drawFileNumber(const QString& discIdentity) {
    const long long d = LeadingNumber(discIdentity);
    const double u = QRandomGenerator::global()->generateDouble();
    return static_cast<long long>(std::floor(static_cast<double>(d) * u + 1.0));
}

QString trackOutputBase(long long number, int track) {
    return DecodePath + QStringLiteral("/%1-%2").arg(number).arg(track);
}

QString drawTrackPath(const QString& discIdentity, int track, const QString& extension,
                      const QSet<QString>& taken) {
    QString path;
    for (int draw = 0; draw < maxNameDraws; ++draw) {
        path = trackOutputBase(drawFileNumber(discIdentity), track) + extension;
        if (!taken.contains(path) && !QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            break;
    }
    return path;
}
