#include "engine/cd/offsetwindow.h"

#include <algorithm>

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

OffsetWindow::OffsetWindow(std::int64_t firstPair, std::int64_t pairCount)
    : firstPair_(firstPair), endPair_(firstPair + std::max<std::int64_t>(0, pairCount)) {
    if (endPair_ > firstPair_) {
        const std::int64_t first = floorDiv(firstPair_, pairsPerSector);
        const std::int64_t end = floorDiv(endPair_ - 1, pairsPerSector) + 1;
        firstLba_ = static_cast<std::int32_t>(first);
        sectorCount_ = static_cast<std::int32_t>(end - first);
    }
    nextPair_ = std::int64_t{firstLba_} * pairsPerSector;
}

OffsetWindow OffsetWindow::ofTrack(std::int32_t startLba, std::int32_t endLba, int offsetSamples) {
    return OffsetWindow(std::int64_t{startLba} * pairsPerSector + offsetSamples,
                        std::int64_t{std::max(0, endLba - startLba)} * pairsPerSector);
}

void OffsetWindow::feed(const unsigned char* sectors, std::int32_t count,
                        std::vector<unsigned char>& out) {
    if (count <= 0)
        return;
    const std::int64_t begin = nextPair_;
    nextPair_ += std::int64_t{count} * pairsPerSector;
    const std::int64_t from = std::max(begin, firstPair_);
    const std::int64_t to = std::min(nextPair_, endPair_);
    if (to <= from)
        return;
    const unsigned char* start = sectors + (from - begin) * 4;
    out.insert(out.end(), start, start + (to - from) * 4);
}

std::int32_t OffsetWindow::sameSide(std::int32_t lba, std::int32_t count, std::int32_t leadOutLba) {
    const std::int64_t end = std::int64_t{lba} + count;
    std::int64_t edge = end;
    if (lba < 0)
        edge = 0;
    else if (lba < leadOutLba)
        edge = leadOutLba;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::min(edge, end) - lba, 0, count));
}

WindowRead readWindow(OffsetWindow& window, const SectorRead& read, std::int32_t leadOutLba,
                      bool overreads,
                      const std::function<void(const std::vector<unsigned char>&)>& take,
                      const std::function<bool()>& cancelled) {
    constexpr std::int32_t sectorsPerRead = 64;
    std::vector<unsigned char> buffer(OffsetWindow::sectorBytes * sectorsPerRead);
    std::vector<unsigned char> piece;
    const std::int32_t end = window.firstLba() + window.sectorCount();
    for (std::int32_t lba = window.firstLba(); lba < end;) {
        if (cancelled && cancelled())
            return WindowRead{WindowRead::End::Cancelled, -1};
        const std::int32_t count =
            OffsetWindow::sameSide(lba, std::min(sectorsPerRead, end - lba), leadOutLba);
        const bool onDisc = OffsetWindow::onDisc(lba, leadOutLba);
        std::fill(buffer.begin(), buffer.end(), 0);
        if (onDisc || (overreads && lba >= leadOutLba)) {
            const auto got = static_cast<std::int32_t>(
                read(lba, static_cast<std::uint32_t>(count), buffer.data()));
            if (got != count) {
                if (onDisc) {
                    piece.clear();
                    window.feed(buffer.data(), got, piece);
                    take(piece);
                    return WindowRead{WindowRead::End::Failed, lba + got};
                }
                std::fill(buffer.begin(), buffer.end(), 0);
            }
        }
        piece.clear();
        window.feed(buffer.data(), count, piece);
        take(piece);
        lba += count;
    }
    return {};
}
