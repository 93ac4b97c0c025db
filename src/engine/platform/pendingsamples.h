#pragma once

#include <algorithm>
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
};
