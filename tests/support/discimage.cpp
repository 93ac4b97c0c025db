#include "discimage.h"

#include "fixtures.h"

#include <QDir>
#include <QRandomGenerator>

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr int sectorBytes = 2352;
constexpr int framesPerSector = sectorBytes / 4; // 16-bit stereo
constexpr double amplitude = 16000.0;

void appendSine(QByteArray& out, int sectors, double frequencyHz) {
    const qsizetype begin = out.size();
    out.resize(begin + qsizetype{sectors} * sectorBytes);
    auto* bytes = reinterpret_cast<unsigned char*>(out.data() + begin);
    const int frames = sectors * framesPerSector;
    for (int i = 0; i < frames; ++i) {
        const auto sample = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * frequencyHz * i / 44100.0)));
        const auto u = static_cast<std::uint16_t>(sample);
        for (int channel = 0; channel < 2; ++channel) {
            bytes[4 * i + 2 * channel] = static_cast<unsigned char>(u & 0xFF);
            bytes[4 * i + 2 * channel + 1] = static_cast<unsigned char>(u >> 8);
        }
    }
}

// Sectors of a data track: a byte pattern that is no audio.
void appendData(QByteArray& out, int sectors) {
    const qsizetype begin = out.size();
    out.resize(begin + qsizetype{sectors} * sectorBytes);
    std::uint32_t x = 2463534242u;
    for (qsizetype i = begin; i < out.size(); ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<char>(x);
    }
}

QString msf(int lba) {
    return QStringLiteral("%1:%2:%3")
        .arg(lba / (60 * 75), 2, 10, QLatin1Char('0'))
        .arg(lba / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(lba % 75, 2, 10, QLatin1Char('0'));
}

// A cue sheet's TITLE or PERFORMER line, or nothing for an empty text.
QString textLine(const char* keyword, const QString& text, const char* indent) {
    return text.isEmpty() ? QString()
                          : QStringLiteral("%1%2 \"%3\"\n")
                                .arg(QLatin1String(indent), QLatin1String(keyword), text);
}

} // namespace

QByteArray DiscImage::trackAudio(int track) const {
    const auto i = static_cast<std::size_t>(track - 1);
    return audio.mid(qsizetype{trackStartLba.at(i)} * sectorBytes,
                     qsizetype{trackSectors.at(i)} * sectorBytes);
}

DiscImage writeDiscImage(const QString& dir, const QString& name,
                         const std::vector<ImageTrack>& tracks, const DiscImageOptions& options) {
    DiscImage image;
    const QString binName =
        options.binName.isEmpty() ? name + QStringLiteral(".bin") : options.binName;
    image.cuePath = QDir(dir).filePath(name + QStringLiteral(".cue"));
    image.binPath = QDir(dir).filePath(binName);

    QString cue = (options.catalog.isEmpty() ? QString()
                                             : QStringLiteral("CATALOG %1\n").arg(options.catalog)) +
                  textLine("TITLE", options.title, "") +
                  textLine("PERFORMER", options.performer, "") +
                  QStringLiteral("FILE \"%1\" %2\n").arg(binName, options.fileType);
    int lba = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const ImageTrack& track = tracks[i];
        cue += QStringLiteral("  TRACK %1 %2\n")
                   .arg(options.firstTrack + static_cast<int>(i), 2, 10, QLatin1Char('0'))
                   .arg(track.data ? QStringLiteral("MODE1/2352") : QStringLiteral("AUDIO")) +
               textLine("TITLE", track.title, "    ") +
               textLine("PERFORMER", track.performer, "    ") +
               (track.isrc.isEmpty() ? QString() : QStringLiteral("    ISRC %1\n").arg(track.isrc));
        if (track.pregapSectors > 0) {
            cue += QStringLiteral("    INDEX 00 %1\n").arg(msf(lba));
            appendData(image.audio, track.pregapSectors);
            lba += track.pregapSectors;
        }
        cue += QStringLiteral("    INDEX 01 %1\n").arg(msf(lba));
        image.trackStartLba.push_back(lba);
        image.trackSectors.push_back(track.sectors);
        if (track.data)
            appendData(image.audio, track.sectors);
        else
            appendSine(image.audio, track.sectors, track.frequencyHz);
        lba += track.sectors;
    }
    fixtures::writeFile(image.cuePath, cue.toUtf8());
    fixtures::writeFile(image.binPath, image.audio);
    return image;
}

void fillWithNoise(DiscImage& image, quint32 seed) {
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32*>(image.audio.data()), image.audio.size() / 4);
    replaceData(image, image.audio);
}

QByteArray readWithOffset(const QByteArray& audio, int offsetSamples) {
    QByteArray read(audio.size(), '\0');
    const qsizetype shift = qsizetype{offsetSamples} * 4;
    for (qsizetype at = 0; at < read.size(); at += 4)
        if (at - shift >= 0 && at - shift < audio.size())
            std::memcpy(read.data() + at, audio.constData() + at - shift, 4);
    return read;
}

void replaceData(const DiscImage& image, const QByteArray& audio) {
    fixtures::writeFile(image.binPath, audio);
}
