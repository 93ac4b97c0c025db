#include "engine/pipeline/audioformat.h"

namespace pipeline {

QString extensionOf(OutputFormat format) {
    switch (format) {
    case OutputFormat::Wav:
        return QStringLiteral("wav");
    case OutputFormat::Mp3:
        return QStringLiteral("mp3");
    case OutputFormat::Flac:
        return QStringLiteral("flac");
    case OutputFormat::Opus:
        return QStringLiteral("opus");
    }
    return {};
}

QString displayNameOf(OutputFormat format) {
    switch (format) {
    case OutputFormat::Wav:
        return QStringLiteral("WAV");
    case OutputFormat::Mp3:
        return QStringLiteral("MP3");
    case OutputFormat::Flac:
        return QStringLiteral("FLAC");
    case OutputFormat::Opus:
        return QStringLiteral("Opus");
    }
    return {};
}

bool outputFormatFromName(const QString& name, OutputFormat& format) {
    QString key = name.trimmed().toLower();
    if (key.startsWith(QLatin1Char('.')))
        key.remove(0, 1);
    for (OutputFormat candidate :
         {OutputFormat::Wav, OutputFormat::Mp3, OutputFormat::Flac, OutputFormat::Opus}) {
        if (key == extensionOf(candidate)) {
            format = candidate;
            return true;
        }
    }
    return false;
}

} // namespace pipeline
