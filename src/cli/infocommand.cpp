// mp3vortan-cli info: the MPEG header values, ID3v1 tag and ID3v2 frames of MP3 and WAV
// files; the stream values and tags of files in every other format.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "engine/formats/audiolength.h"
#include "engine/formats/mp3info.h"
#include "engine/pipeline/source.h"
#include "engine/platform/id3tag/audiotags.h"
#include "engine/platform/id3tag/id3tag.h"
#include "engine/platform/nativepath.h"
#include "engine/player/tagwriter.h"

#include <memory>
#include <optional>
#include <vector>

#include <QCoreApplication>

namespace cli {

namespace {

// What `info` reads of one file.
struct Mp3Facts {
    qint64 size = -1;
    bool readable = false; // a regular file with something to read
    Mp3HeaderRecord record;
    QString problem; // the first reading's failure; the rest is shown regardless
    std::vector<id3tag::Frame> frames;
};

Mp3Facts mp3Facts(const QString& path) {
    Mp3Facts facts;
    facts.size = nativepath::fileSize(path);
    facts.readable = nativepath::isFile(path) && facts.size >= 100;
    if (!facts.readable)
        return facts;
    try {
        ReadMp3Info(path, true, true, facts.record);
    } catch (const VortanError& error) {
        facts.problem = error.description(); // the panel shows the record regardless
    }
    if (auto frames = id3tag::readFrames(path))
        facts.frames = std::move(frames.value());
    else if (facts.problem.isEmpty())
        facts.problem = frames.error().description();
    return facts;
}

// An ID3v1 field as its text: the block pads each field with NULs (or spaces) after it.
QString fieldText(const QString& value) {
    const qsizetype end = value.indexOf(QChar(0));
    return end < 0 ? value : value.left(end);
}

// What `info` reads of a file in another format than MP3 or WAV: its stream values, as the
// decoder announces them (nothing is decoded), and its tags.
struct StreamFacts {
    QString codec;
    pipeline::AudioFormat format;
    std::int64_t frames = -1;
    std::int64_t bitRate = 0;
    std::int64_t size = 0;
    audiotags::AudioTags tags;
    QString problem;
};

// The facts of `path` when it is neither MP3 nor WAV; nothing when it is one of them (or
// cannot be opened as audio at all), so that those keep their MPEG panel.
std::optional<StreamFacts> streamFacts(const QString& path) {
    auto source = pipeline::openSource(path);
    if (!source)
        return std::nullopt;
    const pipeline::Source& opened = *source.value();
    if (opened.codecName() == QLatin1String("MP3") || opened.codecName() == QLatin1String("WAV"))
        return std::nullopt;
    StreamFacts facts;
    facts.codec = opened.codecName();
    facts.format = opened.format();
    facts.frames = opened.announcedFrames();
    facts.bitRate = opened.bitRate();
    facts.size = nativepath::fileSize(path);
    source.value().reset(); // one open file at a time
    if (auto tags = audiotags::read(path))
        facts.tags = std::move(tags.value());
    else
        facts.problem = tags.error().description();
    return facts;
}

QString field(const char* name) {
    return QString::fromLatin1(name).leftJustified(19, QLatin1Char(' '));
}

QString boolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString gainText(const audiotags::Gain& gain) {
    return QStringLiteral("%1 dB, peak %2").arg(gain.gainDb, 0, 'f', 2).arg(gain.peak, 0, 'f', 6);
}

QString countText(int number, int total) {
    return total > 0 ? QStringLiteral("%1/%2").arg(number).arg(total) : QString::number(number);
}

void printStream(const StreamFacts& facts) {
    const pipeline::AudioFormat& format = facts.format;
    print(field("Format") + facts.codec);
    print(field("SampleRate") + QString::number(format.sampleRate));
    print(field("Channels") + QString::number(format.channels));
    print(field("BitsPerSample") + QString::number(format.bitsPerSample));
    print(field("Lossless") + boolText(format.lossless));
    if (facts.frames >= 0 && format.sampleRate > 0) {
        print(field("Duration") +
              audiolength::minutesSeconds(facts.frames * 1000 / format.sampleRate));
        print(field("Samples") + QString::number(facts.frames));
    }
    if (facts.bitRate > 0)
        print(field("Bitrate") + QStringLiteral("%1 kbit/s").arg((facts.bitRate + 500) / 1000));
    print(field("Length") + QString::number(facts.size) + QStringLiteral(" bytes"));

    const audiotags::AudioTags& tags = facts.tags;
    const std::pair<const char*, const QString*> texts[] = {
        {"Title", &tags.title},
        {"Artist", &tags.artist},
        {"AlbumArtist", &tags.albumArtist},
        {"Album", &tags.album},
        {"Date", &tags.date},
        {"Genre", &tags.genre},
        {"Composer", &tags.composer},
        {"Comment", &tags.comment},
        {"ISRC", &tags.isrc},
        {"CatalogNumber", &tags.catalogNumber},
        {"MB Release", &tags.releaseId},
        {"MB Recording", &tags.recordingId},
        {"MB ReleaseTrack", &tags.releaseTrackId},
        {"MB Artist", &tags.artistId},
        {"MB AlbumArtist", &tags.albumArtistId},
        {"MB ReleaseGroup", &tags.releaseGroupId},
        {"MB Disc", &tags.discId}};
    for (const auto& [name, value] : texts)
        if (!value->isEmpty())
            print(field(name) + *value);
    if (tags.trackNumber > 0)
        print(field("Track") + countText(tags.trackNumber, tags.trackTotal));
    if (tags.discNumber > 0)
        print(field("Disc") + countText(tags.discNumber, tags.discTotal));
    if (tags.trackGain)
        print(field("TrackGain") + gainText(*tags.trackGain));
    if (tags.albumGain)
        print(field("AlbumGain") + gainText(*tags.albumGain));
    for (const audiotags::Picture& picture : tags.pictures)
        print(field("Picture") + QStringLiteral("type %1, %2, %3 bytes")
                                     .arg(picture.type)
                                     .arg(picture.mimeType)
                                     .arg(picture.data.size()));
}

} // namespace

int info(const Options& options, Interruption& interruption) {
    int status = 0;
    bool first = true;
    for (const QString& path : options.arguments) {
        const std::optional<StreamFacts> stream =
            interruption.abandonable<std::optional<StreamFacts>>(
                [&path] { return streamFacts(path); });
        if (stream) {
            if (options.arguments.size() > 1) {
                if (!first)
                    print(QString());
                print(path + QLatin1Char(':'));
            }
            first = false;
            printStream(*stream);
            if (!stream->problem.isEmpty())
                status = fail(stream->problem.contains(path)
                                  ? stream->problem
                                  : path + QStringLiteral(": ") + stream->problem);
            continue;
        }
        // A whole file may be read for its length.
        const Mp3Facts facts =
            interruption.abandonable<Mp3Facts>([&path] { return mp3Facts(path); });
        if (!facts.readable) {
            status =
                fail(path + QCoreApplication::translate("cli::Info", ": File contains no data"));
            continue;
        }
        if (options.arguments.size() > 1) {
            if (!first)
                print(QString());
            print(path + QLatin1Char(':'));
        }
        first = false;
        for (const QString& line : tagwriter::headerLines(facts.record))
            print(line);
        const QStringList names = tagwriter::tagFieldNames();
        const QStringList values = tagwriter::tagFieldValues(facts.record);
        for (qsizetype i = 0; i < names.size(); ++i)
            print(names[i].leftJustified(19, QLatin1Char(' ')) + fieldText(values[i]));
        print(QStringLiteral("Length").leftJustified(19, QLatin1Char(' ')) +
              QString::number(facts.size) + QStringLiteral(" bytes"));
        for (const id3tag::Frame& frame : facts.frames)
            print(QStringLiteral("ID3v2 %1: %2").arg(frame.id, frame.text));
        if (!facts.problem.isEmpty())
            status =
                fail(facts.problem.contains(path) ? facts.problem
                                                  : path + QStringLiteral(": ") + facts.problem);
    }
    return status;
}

} // namespace cli
