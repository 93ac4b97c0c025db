#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Decoded samples waiting to be handed out, interleaved: what a decoder made of the last frame
// it decoded, handed out in whatever pieces its reader asks for.
struct PendingSamples {
    std::vector<std::int32_t> values;
    std::size_t offset = 0; // the first value not yet handed out

    bool drained() const { return offset == values.size(); }
    void clear() {
        values.clear();
        offset = 0;
    }
    // Copies up to `maxFrames` sample frames of `channels` values each into `out` and returns
    // how many it copied.
    std::int64_t takeInto(std::int32_t* out, std::int64_t maxFrames, int channels) {
        const auto width = static_cast<std::size_t>(channels);
        const std::int64_t available = static_cast<std::int64_t>((values.size() - offset) / width);
        const std::int64_t take = std::min(available, maxFrames);
        const std::size_t count = static_cast<std::size_t>(take) * width;
        std::memcpy(out, values.data() + offset, count * sizeof(std::int32_t));
        offset += count;
        return take;
    }
    // A decoder's read: hands out up to `maxFrames` sample frames into `out`, calling
    // `decodeNext` (which refills the pending samples, or sets `ended`) whenever they run
    // out, until the stream has ended or `stop` is set. Returns the frames stored.
    template <typename DecodeNext>
    std::int64_t fill(std::int32_t* out, std::int64_t maxFrames, int channels, const bool& ended,
                      const std::atomic<bool>* stop, DecodeNext&& decodeNext) {
        std::int64_t stored = 0;
        while (stored < maxFrames) {
            if (drained()) {
                if (ended || (stop && stop->load()))
                    break;
                clear();
                decodeNext();
                continue;
            }
            stored += takeInto(out + stored * channels, maxFrames - stored, channels);
        }
        return stored;
    }
};
