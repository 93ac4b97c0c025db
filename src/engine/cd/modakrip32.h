#pragma once

#include "engine/platform/akrip/akrip.h"

#include <QString>

#include <cstdint>

// The program's use of the CD library: one open drive at a time, drive records and the
// library's error texts. The disc's table of contents is read with readDisc (engine/cd/disc.h).
//
// The drive is opened on the GUI thread; extraction jobs read sectors with the current handle
// on their own thread (the library serialises reads per handle).
namespace modAKRip32 {

// The handle of the open drive (the low byte of the library's handle); 0 before any open.
std::uint8_t currentCdHandle();

// A copy of drive record `index` of a fresh drive list. Throws VortanError (subscript out of
// range) for an index outside 0..7, after asking the library.
akrip::CdDriveRecord GetCDRecord(int index);
// The record's identification text with every zero byte dropped (not only trailing ones).
QString driveDisplayName(const akrip::CdDriveRecord& record);
// Opens drive `index` as the current drive: true when its disc's TOC could be read through
// the handle. A failed open leaves the handle 0.
bool OpenCDDrive(int index);
// Closes the current handle (0 included); the stored handle keeps its value.
void CloseCurrentCD();
// The text of the library's last error on this thread; empty for a code without one.
QString AspiErrorText();
// The text of library error `code` (0 "No error...", -1..-15); empty for any other code.
QString aspiErrorText(int code);
// What to tell the user of a call that failed with `code`, where the library found `reason`
// (the sector, the file, what the reader or the system said; lastErrorDetail). Without a
// reason it is the code's text. With one, the code's text is kept and the reason follows it,
// except that the manager's error gives the reason in place of its advice to ask the library
// for the actual error, which is that reason.
QString failureText(int code, const QString& reason);

} // namespace modAKRip32
