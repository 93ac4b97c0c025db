#pragma once

#include "engine/platform/akrip/akrip.h"

#include <QString>

#include <cstdint>

// The program's use of the CD library: one open drive at a time, its table of contents,
// drive records and the library's error texts.
//
// The drive is opened and its TOC read on the GUI thread; extraction jobs read the TOC's
// ranges before they start and read sectors with the current handle on their own thread
// (the library serialises reads per handle).
namespace modAKRip32 {

// The TOC of the drive opened last. Changes only when a drive is opened.
akrip::TocRecord& toc();
// The handle of the open drive (the low byte of the library's handle); 0 before any open.
std::uint8_t currentCdHandle();

// A copy of drive record `index` of a fresh drive list. Throws VortanError (subscript out of
// range) for an index outside 0..7, after asking the library.
akrip::CdDriveRecord GetCDRecord(int index);
// The record's identification text with every zero byte dropped (not only trailing ones).
QString driveDisplayName(const akrip::CdDriveRecord& record);
// Opens drive `index` as the current drive and reads its TOC into toc(): true when the TOC
// was read. A failed open leaves the TOC as it was and the handle 0.
bool OpenCDDrive(int index);
// The start address of `entry` as a signed LBA. Throws VortanError (overflow) when its top
// byte is 128 or more.
std::int32_t TocAddressToLBA(const akrip::TocEntry& entry);
// Closes the current handle (0 included); the stored handle keeps its value.
void CloseCurrentCD();
// The text of the library's last error on this thread; empty for a code without one.
QString AspiErrorText();
// The text of library error `code` (0 "No error...", -1..-15); empty for any other code.
QString aspiErrorText(int code);

// Start (inclusive) and end (exclusive) LBA of `track` (1..99) from toc(). Throws VortanError
// for a track outside 1..99 and for an address that overflows.
struct TrackRange {
    std::int32_t startLba = 0;
    std::int32_t endLba = 0;
};
TrackRange trackRange(int track);

} // namespace modAKRip32
