// Feeds arbitrary text to the cue sheet reader. What it accepts must come back the same from
// the canonical sheet libcdio is given: tracks numbered from 1, in the same places and modes.
#include "engine/platform/akrip/cuesheet.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto sheet = cuesheet::parse(text, QStringLiteral("fuzz.cue"));
    if (!sheet)
        return 0;
    for (const cuesheet::Track& track : sheet->tracks) {
        if (track.number < 1 || track.number > 99 || track.startSector < 0 ||
            track.startSector > cuesheet::maxSector)
            std::abort();
        cuesheet::decodedText(track.title);
    }
    const int count = static_cast<int>(sheet->tracks.size());
    // The canonical sheet of a one-file sheet (a sheet of several files is joined first).
    if (sheet->files.size() == 1) {
        const auto canonical = cuesheet::parse(
            cuesheet::forLibrary(sheet.value(), count, QStringLiteral("image.bin")), QString());
        if (!canonical || static_cast<int>(canonical->tracks.size()) != count)
            std::abort();
        for (int i = 0; i < count; ++i) {
            const auto at = static_cast<std::size_t>(i);
            if (canonical->tracks[at].number != i + 1 ||
                canonical->tracks[at].startSector != sheet->tracks[at].startSector ||
                canonical->tracks[at].audio != sheet->tracks[at].audio)
                std::abort();
        }
    }
    // Joined into one data file (each file a few minutes long), the tracks still start in
    // order and the canonical sheet reads back.
    const std::vector<std::int32_t> fileSectors(sheet->files.size(), 75 * 60 * 5);
    const auto joined = cuesheet::joined(sheet.value(), fileSectors, true, QString());
    if (!joined)
        return 0;
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const cuesheet::Track& track = joined->tracks[at];
        if (track.startSector < 0 || track.startSector > cuesheet::maxSector ||
            (i > 0 && track.startSector <= joined->tracks[at - 1].startSector) ||
            track.pregapStart >= track.startSector)
            std::abort();
    }
    if (!cuesheet::parse(cuesheet::forLibrary(joined.value(), count, QStringLiteral("image.bin")),
                         QString()))
        std::abort();
    return 0;
}
