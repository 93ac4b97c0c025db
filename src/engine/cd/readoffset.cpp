#include "engine/cd/readoffset.h"

#include "engine/core/displaytext.h"
#include "engine/core/settings.h"
#include "engine/platform/akrip/cddrives.h"

#include <QCoreApplication>
#include <QSettings>

#include <cstdlib>

namespace readoffset {
namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(settings::applicationName));
}

// Slashes and backslashes are QSettings' group separators: a model text must not split.
QString groupOf(const QString& model) {
    QString key = model;
    key.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return QStringLiteral("Drive offsets/") + key;
}

} // namespace

QString modelOf(int driveIndex) {
    const auto all = cddrives::drives();
    if (driveIndex < 0 || driveIndex >= static_cast<int>(all.size()))
        return {};
    const auto& drive = all[static_cast<std::size_t>(driveIndex)];
    return drive.isImage ? QStringLiteral("Disc image") : drive.id.simplified();
}

namespace {

// What the store holds for `model`: Stored, Ignored (a value that is no offset), or none.
std::optional<Offset> read(const QString& model) {
    if (model.isEmpty())
        return std::nullopt;
    QSettings s = store();
    s.beginGroup(groupOf(model));
    if (!s.contains(QStringLiteral("Samples")))
        return std::nullopt;
    Offset offset;
    const QString text = s.value(QStringLiteral("Samples")).toString();
    bool ok = false;
    const int samples = text.trimmed().toInt(&ok);
    if (!ok || std::abs(samples) > maxSamples) {
        offset.source = Offset::Source::Ignored;
        offset.ignoredText = text;
        return offset;
    }
    offset.samples = samples;
    offset.overreads = s.value(QStringLiteral("Overreads")).toString().trimmed() == QLatin1String("1");
    offset.source = Offset::Source::Stored;
    return offset;
}

} // namespace

std::optional<Offset> stored(const QString& model) {
    std::optional<Offset> offset = read(model);
    if (offset && offset->source == Offset::Source::Ignored)
        return std::nullopt;
    return offset;
}

Offset forDrive(int driveIndex) {
    return read(modelOf(driveIndex)).value_or(Offset{});
}

Result<bool> store(const QString& model, int samples, bool overreads) {
    if (model.isEmpty())
        return VortanError(VortanError::InvalidArgument, QStringLiteral("Read offset"),
                           QCoreApplication::translate("readoffset", "There is no such drive."));
    if (std::abs(samples) > maxSamples)
        return VortanError(VortanError::InvalidArgument, QStringLiteral("Read offset"),
                           QCoreApplication::translate(
                               "readoffset", "A read offset is at most %1 samples either way.")
                               .arg(maxSamples));
    QSettings s = store();
    s.beginGroup(groupOf(model));
    s.setValue(QStringLiteral("Samples"), QString::number(samples));
    s.setValue(QStringLiteral("Overreads"), overreads ? QStringLiteral("1") : QStringLiteral("0"));
    s.endGroup();
    s.sync();
    if (s.status() != QSettings::NoError)
        return VortanError(
            VortanError::PathAccess, QStringLiteral("Read offset"),
            QCoreApplication::translate("readoffset", "The settings file %1 cannot be written.")
                .arg(s.fileName()));
    return true;
}

QString samplesText(int samples) {
    return (samples > 0 ? QStringLiteral("+") : QString()) + QString::number(samples) +
           QStringLiteral(" samples");
}

Result<bool> storeFound(const QString& model, int samples) {
    const std::optional<Offset> before = stored(model);
    return store(model, samples, before && before->overreads);
}

QString describe(const Offset& offset, const QString& model) {
    const QString figure = samplesText(offset.samples);
    switch (offset.source) {
    case Offset::Source::Stored:
        return QStringLiteral("%1 (stored for %2)").arg(figure, model);
    case Offset::Source::CommandLine:
        return QStringLiteral("%1 (given on the command line)").arg(figure);
    case Offset::Source::Found:
        return QStringLiteral("%1 (found against the AccurateRip database)").arg(figure);
    case Offset::Source::Ignored: {
        QString value = printable(offset.ignoredText);
        if (value.size() > 40)
            value = value.left(40) + QStringLiteral("...");
        return QStringLiteral("%1 (the value stored for %2, \"%3\", is no read offset from %4 to "
                              "%5 samples and is ignored)")
            .arg(figure, model, value, QString::number(-maxSamples), QString::number(maxSamples));
    }
    case Offset::Source::Default:
        break;
    }
    return QStringLiteral("%1 (none stored for %2)").arg(figure, model);
}

} // namespace readoffset
