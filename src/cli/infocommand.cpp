// mp3vortan-cli info: the MPEG header values, ID3v1 tag and ID3v2 frames of MP3 files.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "engine/formats/mp3info.h"
#include "engine/platform/id3tag/id3tag.h"
#include "engine/platform/nativepath.h"
#include "engine/player/tagwriter.h"

#include <vector>

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

} // namespace

int info(const Options& options, Interruption& interruption) {
    int status = 0;
    bool first = true;
    for (const QString& path : options.arguments) {
        // A whole file may be read for its length.
        const Mp3Facts facts =
            interruption.abandonable<Mp3Facts>([&path] { return mp3Facts(path); });
        if (!facts.readable) {
            status = fail(path + QStringLiteral(": File contains no data"));
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
