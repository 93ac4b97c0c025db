#include "window/main/formatchoices.h"

#include "engine/core/settings.h"
#include "window/main/encodefile.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace formatchoices {

pipeline::OutputFormat formatNamed(const QString& name, pipeline::OutputFormat fallback) {
    pipeline::OutputFormat format = fallback;
    return pipeline::outputFormatFromName(name, format) ? format : fallback;
}

std::vector<pipeline::OutputFormat> formatsNamed(const QString& list) {
    std::vector<pipeline::OutputFormat> formats;
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    for (const QString& name : list.split(separators, Qt::SkipEmptyParts)) {
        pipeline::OutputFormat format{};
        if (pipeline::outputFormatFromName(name, format) &&
            std::find(formats.begin(), formats.end(), format) == formats.end())
            formats.push_back(format);
    }
    return formats;
}

QString namesOf(const std::vector<pipeline::OutputFormat>& formats) {
    QStringList names;
    for (const pipeline::OutputFormat format : formats)
        names << pipeline::extensionOf(format);
    return names.join(QLatin1Char(' '));
}

pipeline::OutputFormat audioConversionFormat() {
    return formatNamed(ConvertAudioTo, pipeline::OutputFormat::Mp3);
}

pipeline::EncoderSettings preferredEncoderSettings() {
    pipeline::EncoderSettings settings;
    settings.mp3 = fileEncoderConfig();
    settings.flacLevel = std::clamp<int>(FlacLevel, pipeline::minFlacLevel, pipeline::maxFlacLevel);
    settings.opusBitrateKbps = std::clamp<int>(OpusBitrateKbps, pipeline::minOpusBitrateKbps,
                                               pipeline::maxOpusBitrateKbps);
    return settings;
}

} // namespace formatchoices
