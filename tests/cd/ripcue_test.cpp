// The cue sheet beside a rip when tracks failed: numbers never move, pregaps go into a file
// only when that file holds its whole track.
#include "engine/cd/ripcue.h"

#include <gtest/gtest.h>

namespace {

// A disc of five tracks of 100 sectors from sector 0, each after the first with a pregap of
// 20 sectors.
riplog::Log logOfFive() {
    riplog::Log log;
    cddrives::DiscToc toc;
    toc.trackStartLba = {0, 100, 200, 300, 400};
    toc.leadOutLba = 500;
    toc.pregapLba = {-1, 80, 180, 280, 380};
    log.discToc = toc;
    return log;
}

std::string sheet(const riplog::Log& log) {
    return cuewriter::write(ripcue::sheetOf(log, QStringLiteral("WAVE"))).toStdString();
}

riplog::Track track(int number, riplog::TrackResult result, bool file, std::int32_t read = -1) {
    riplog::Track t;
    t.number = number;
    t.startLba = (number - 1) * 100;
    t.endLba = number * 100;
    t.result = result;
    t.sectorsRead = read;
    if (file)
        t.outputFile = QStringLiteral("/out/%1.wav").arg(number);
    return t;
}

TEST(RipCue, FailedTracksKeepTheirNumbersAndNoLaterTrackMoves) {
    using R = riplog::TrackResult;
    riplog::Log log = logOfFive();
    log.tracks = {
        track(1, R::CopyOk, true), track(2, R::ReadErrors, true, 60), // cut at sector 60 of 100
        track(3, R::CopyOk, true), track(4, R::Failed, false), track(5, R::NotStarted, false)};
    EXPECT_EQ(sheet(log), std::string("FILE \"1.wav\" WAVE\n"
                                      "  TRACK 01 AUDIO\n"
                                      "    INDEX 01 00:00:00\n"
                                      "  TRACK 02 AUDIO\n"
                                      "    REM RESULT \"Copy finished with read errors\"\n"
                                      "    INDEX 00 00:01:05\n"
                                      "FILE \"2.wav\" WAVE\n"
                                      "    INDEX 01 00:00:00\n"
                                      // The file before holds 60 sectors: the gap is silence.
                                      "FILE \"3.wav\" WAVE\n"
                                      "  TRACK 03 AUDIO\n"
                                      "    PREGAP 00:00:20\n"
                                      "    INDEX 01 00:00:00\n")); // nothing after the last file

    // Only the tracks asked for count: 2 and 4 of them, 4 failed with nothing kept.
    log.tracks = {track(2, R::CopyOk, true), track(3, R::Failed, false), track(4, R::CopyOk, true)};
    EXPECT_EQ(sheet(log), std::string("FILE \"2.wav\" WAVE\n"
                                      "  TRACK 02 AUDIO\n"
                                      "    PREGAP 00:00:20\n"
                                      "    INDEX 01 00:00:00\n"
                                      "REM TRACK 03 \"Copy failed: no file was kept\"\n"
                                      "FILE \"4.wav\" WAVE\n"
                                      "  TRACK 04 AUDIO\n"
                                      "    PREGAP 00:00:20\n"
                                      "    INDEX 01 00:00:00\n"));
}

// The audio before the first track (30 sectors): the first track's gap in the hidden track's
// file when both were ripped; without the first track, a track of its own.
TEST(RipCue, TheHiddenTrackIsTheFirstTracksGapOrATrackOfItsOwn) {
    using R = riplog::TrackResult;
    riplog::Log log = logOfFive();
    log.discToc->trackStartLba[0] = 30;
    log.discToc->hiddenTrackSectors = 30;
    riplog::Track hidden = track(0, R::CopyOk, true);
    hidden.startLba = 0;
    hidden.endLba = 30;
    riplog::Track first = track(1, R::CopyOk, true);
    first.startLba = 30;

    log.tracks = {hidden};
    EXPECT_EQ(sheet(log), std::string("FILE \"0.wav\" WAVE\n"
                                      "  TRACK 01 AUDIO\n"
                                      "    TITLE \"Hidden track\"\n"
                                      "    INDEX 01 00:00:00\n"));

    log.tracks = {hidden, first, track(2, R::CopyOk, true)};
    EXPECT_EQ(sheet(log), std::string("FILE \"0.wav\" WAVE\n"
                                      "  TRACK 01 AUDIO\n"
                                      "    INDEX 00 00:00:00\n"
                                      "FILE \"1.wav\" WAVE\n"
                                      "    INDEX 01 00:00:00\n"
                                      "  TRACK 02 AUDIO\n"
                                      "    INDEX 00 00:00:50\n"
                                      "FILE \"2.wav\" WAVE\n"
                                      "    INDEX 01 00:00:00\n"));

    // Tracks 3 and 4 follow the hidden track's as 2 and 3, whatever became of it.
    hidden.result = R::ReadErrors;
    hidden.sectorsRead = 10;
    log.tracks = {hidden, track(3, R::CopyOk, true), track(4, R::CopyOk, true)};
    EXPECT_EQ(sheet(log), std::string("FILE \"0.wav\" WAVE\n"
                                      "  TRACK 01 AUDIO\n"
                                      "    REM RESULT \"Copy finished with read errors\"\n"
                                      "    TITLE \"Hidden track\"\n"
                                      "    INDEX 01 00:00:00\n"
                                      "FILE \"3.wav\" WAVE\n"
                                      "  TRACK 02 AUDIO\n"
                                      "    PREGAP 00:00:20\n"
                                      "    INDEX 01 00:00:00\n"
                                      "  TRACK 03 AUDIO\n"
                                      "    INDEX 00 00:01:05\n"
                                      "FILE \"4.wav\" WAVE\n"
                                      "    INDEX 01 00:00:00\n"));
}

} // namespace
