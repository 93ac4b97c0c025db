#include "engine/encode/mp3tagging.h"

void setReplayGain(id3tag::TagFields& fields, const std::optional<ReplayGain>& track,
                   const std::optional<ReplayGain>& album) {
    fields.trackGain = track ? track->gainText() : QString();
    fields.trackPeak = track ? track->peakText() : QString();
    fields.albumGain = album ? album->gainText() : QString();
    fields.albumPeak = album ? album->peakText() : QString();
}
