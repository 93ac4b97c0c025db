#pragma once

#include "engine/platform/id3tag/id3tag.h"
#include "engine/platform/loudness/loudnessmeter.h"

#include <optional>

// Sets the ReplayGain texts of `fields` to the track's and the album's values; a value not
// known (silence, or no album measured) writes no frames.
void setReplayGain(id3tag::TagFields& fields, const std::optional<ReplayGain>& track,
                   const std::optional<ReplayGain>& album);
