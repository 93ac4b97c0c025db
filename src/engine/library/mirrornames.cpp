#include "engine/library/mirrornames.h"

#include "engine/formats/outputfile.h"
#include "engine/platform/nativepath.h"

#include <QStringList>

namespace mirrornames {

namespace {

bool forbiddenOnWindows(QChar c) {
    static const QString forbidden = QStringLiteral("<>:\"\\|?*");
    // nativepath keeps each byte of a name that is not UTF-8 as U+DC80..U+DCFF.
    const bool rawByte = c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
    return c.unicode() < 0x20 || c.unicode() == 0x7F || rawByte || forbidden.contains(c);
}

bool reservedDeviceName(const QString& stem) {
    static const QStringList names = {QStringLiteral("con"), QStringLiteral("prn"),
                                      QStringLiteral("aux"), QStringLiteral("nul")};
    const QString lower = stem.toLower();
    if (names.contains(lower))
        return true;
    return lower.size() == 4 &&
           (lower.startsWith(QLatin1String("com")) || lower.startsWith(QLatin1String("lpt"))) &&
           lower[3] >= QLatin1Char('1') && lower[3] <= QLatin1Char('9');
}

} // namespace

QString stemOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}

QString extensionOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.mid(dot + 1).toLower() : QString();
}

QString portable(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name)
        out += forbiddenOnWindows(c) ? QLatin1Char('_') : c;
    while (out.endsWith(QLatin1Char('.')) || out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    if (out.isEmpty())
        return QStringLiteral("_");
    // "aux.mp3" names the device too: the part before the first dot decides.
    const qsizetype dot = out.indexOf(QLatin1Char('.'));
    const QString head = dot < 0 ? out : out.left(dot);
    if (reservedDeviceName(head))
        out.insert(head.size(), QLatin1Char('_'));
    return out;
}

QString portableFolder(const QString& relativeFolder) {
    if (relativeFolder.isEmpty())
        return relativeFolder;
    QStringList parts = relativeFolder.split(QLatin1Char('/'));
    for (QString& part : parts)
        part = portable(part);
    return parts.join(QLatin1Char('/'));
}

QString fittedName(const QString& stem, const QString& extension, int maxNameBytes, int number) {
    QString tail = number >= 2 ? QStringLiteral(" (%1)").arg(number) : QString();
    if (!extension.isEmpty())
        tail += QLatin1Char('.') + extension;
    const qsizetype room = maxNameBytes - nativepath::encode(tail).size();
    if (room <= 0)
        return {};
    const qsizetype kept = outputfile::fittingLength(stem, room);
    if (kept == 0 && !stem.isEmpty())
        return {};
    return stem.left(kept) + tail;
}

QString clashKey(const QString& name, bool ignoreCase) {
    return ignoreCase ? name.toCaseFolded() : name;
}

} // namespace mirrornames
