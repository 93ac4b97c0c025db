#include "engine/platform/discid/mbdiscid.h"

#include <discid/discid.h>

#include <array>
#include <memory>

#include <QCoreApplication>

namespace mbdiscid {

namespace {

const QString errorSource = QStringLiteral("libdiscid");

constexpr int leadInSectors = 150;

struct DiscIdFree {
    void operator()(DiscId* disc) const { discid_free(disc); }
};

VortanError refused(const QString& text) {
    return VortanError(VortanError::InvalidArgument, errorSource, text);
}

} // namespace

Result<MusicBrainzDisc> musicBrainzDisc(const cddrives::DiscToc& toc) {
    int count = toc.trackCount();
    while (count > 0 && !toc.isAudio(count - 1))
        --count;
    if (count == 0)
        return refused(QCoreApplication::translate("mbdiscid", "The disc holds no audio track"));
    const int last = toc.firstTrack + count - 1;
    if (toc.firstTrack < 1 || last > 99)
        return refused(QCoreApplication::translate(
                           "mbdiscid", "Tracks %1 to %2 are not tracks of an audio disc")
                           .arg(toc.firstTrack)
                           .arg(last));
    // The first session's lead-out: where the audio ends.
    const int audioEnd = count < toc.trackCount() ? toc.trackEnd(count - 1) : toc.leadOutLba;

    // offsets[0] is the lead-out, offsets[n] the start of track n.
    std::array<int, 100> offsets{};
    offsets[0] = audioEnd + leadInSectors;
    for (int i = 0; i < count; ++i)
        offsets[static_cast<std::size_t>(toc.firstTrack + i)] =
            toc.trackStartLba[static_cast<std::size_t>(i)] + leadInSectors;

    std::unique_ptr<DiscId, DiscIdFree> disc(discid_new());
    if (!disc)
        return refused(QCoreApplication::translate("mbdiscid", "libdiscid has no memory"));
    if (!discid_put(disc.get(), toc.firstTrack, last, offsets.data()))
        return refused(
            QCoreApplication::translate("mbdiscid", "The table of contents is refused: %1")
                .arg(QString::fromUtf8(discid_get_error_msg(disc.get()))));
    MusicBrainzDisc out;
    out.id = QString::fromLatin1(discid_get_id(disc.get()));
    out.toc = QString::fromLatin1(discid_get_toc_string(disc.get()))
                  .replace(QLatin1Char(' '), QLatin1Char('+'));
    return out;
}

} // namespace mbdiscid
