#include "engine/cd/offsetsearch.h"

#include <algorithm>

namespace offsetsearch {

namespace {

// Exact sums of position x pair need more than 64 bits (below 2^80).
__extension__ typedef unsigned __int128 Wide;

// The 1-based positions of the track's pairs that the sums count.
struct Counted {
    std::int64_t first = 1;
    std::int64_t last = 0;
    std::int64_t count() const { return std::max<std::int64_t>(0, last - first + 1); }
};

Counted countedOf(const ripcheck::TrackPlace& place) {
    Counted counted;
    counted.first = place.firstOnDisc ? ripcheck::skippedPairs : 1;
    counted.last = place.lastOnDisc ? place.pairCount - ripcheck::skippedPairs : place.pairCount;
    return counted;
}

// The pair at 1-based position `position` of the track corrected by the offset whose window
// starts at `start` of the read.
std::uint32_t pairAt(const MarginRead& read, std::int64_t start, std::int64_t position) {
    return read.pairs[static_cast<std::size_t>(start + position - 1)];
}

constexpr std::uint64_t modulus = 0xFFFFFFFFull; // 2^32 - 1

} // namespace

Sums sumsAt(const MarginRead& read, int offset) {
    const Counted counted = countedOf(read.place);
    const std::int64_t start = read.margin + offset;
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    for (std::int64_t position = counted.first; position <= counted.last; ++position) {
        const std::uint64_t product =
            std::uint64_t{pairAt(read, start, position)} * static_cast<std::uint64_t>(position);
        low += static_cast<std::uint32_t>(product);
        high += static_cast<std::uint32_t>(product >> 32);
    }
    return Sums{low, low + high};
}

std::vector<Match> findOffsets(const MarginRead& read,
                               const std::vector<accuraterip::TrackEntry>& entries) {
    std::vector<Match> matches;
    const Counted counted = countedOf(read.place);
    const auto n = counted.count();
    const auto expected =
        static_cast<std::size_t>(read.place.pairCount) + 2 * static_cast<std::size_t>(read.margin);
    if (n == 0 || read.margin < 0 || read.pairs.size() != expected)
        return matches;

    // At each offset, exactly: products = the sum of position x pair over the counted
    // positions (no wrap-around: below 2^80), pairs = the sum of the pairs.
    Wide products = 0;
    std::uint64_t pairs = 0;
    std::int64_t start = 0; // offset -margin
    for (std::int64_t position = counted.first; position <= counted.last; ++position) {
        const std::uint32_t pair = pairAt(read, start, position);
        products += Wide{pair} * static_cast<std::uint64_t>(position);
        pairs += pair;
    }

    for (int offset = -read.margin;; ++offset, ++start) {
        // v1 is the low 32 bits of `products`. v2 = (L + H) mod 2^32, with L and H the exact
        // sums of the products' low and high halves: L + 2^32 H = products and
        // L = v1 + 2^32 j with 0 <= j < n, so v2 = (v1 + Q - j) mod 2^32 where
        // Q = (products - v1) / 2^32; and L + H is congruent to `products` modulo 2^32 - 1
        // and below 2n x 2^32. A checksum failing either condition is not this offset's v2;
        // one meeting both is checked against the sums computed in full.
        const auto v1 = static_cast<std::uint32_t>(products);
        const auto q = static_cast<std::uint32_t>((products - v1) >> 32);
        const auto residue = static_cast<std::uint64_t>(products % modulus);
        Sums exact;
        bool exactKnown = false;
        for (const accuraterip::TrackEntry& entry : entries) {
            if (entry.confidence == 0)
                continue;
            int version = 0;
            if (entry.checksum == v1) {
                version = 1;
            } else {
                const std::uint32_t j = v1 + q - entry.checksum;
                const std::uint64_t k = (residue + modulus - entry.checksum % modulus) % modulus;
                if (static_cast<std::int64_t>(j) < n && static_cast<std::int64_t>(k) < 2 * n) {
                    if (!exactKnown) {
                        exact = sumsAt(read, offset);
                        exactKnown = true;
                    }
                    if (exact.v2 == entry.checksum)
                        version = 2;
                }
            }
            if (version == 0)
                continue;
            const auto same = std::find_if(matches.begin(), matches.end(), [&](const Match& m) {
                return m.offset == offset && m.version == version;
            });
            if (same != matches.end())
                same->confidence += entry.confidence;
            else
                matches.push_back(Match{offset, version, entry.confidence});
        }
        if (offset == read.margin)
            break;
        // One pair further on: every counted pair moves down one position, the first leaves,
        // the pair after the last comes in.
        const std::uint32_t leaving = pairAt(read, start, counted.first);
        const std::uint32_t entering = pairAt(read, start, counted.last + 1);
        products = products - pairs -
                   Wide{leaving} * static_cast<std::uint64_t>(counted.first - 1) +
                   Wide{entering} * static_cast<std::uint64_t>(counted.last);
        pairs = pairs - leaving + entering;
    }
    return matches;
}

} // namespace offsetsearch
