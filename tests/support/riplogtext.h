#pragma once
// Reading the rip logs the tests make.
#include <QString>
#include <QStringList>

#include <cstdint>

namespace riplogtext {

// A checksum as the log writes it: eight upper-case hexadecimal digits.
QString hex(std::uint32_t value);

// The log's block of track `track`, from its heading to the next blank line; empty when the
// log has none.
QString trackBlock(const QString& log, int track);

// The text of the one rip log in `folder`, once there is one (waiting some seconds, events
// running); empty (and a failure) when there is none or more.
QString ripLog(const QString& folder);

// The names of the cue sheets in `folder` once there are `count` of them: the window writes
// them after the log, on a worker, once the AccurateRip database has answered.
QStringList cueSheets(const QString& folder, int count = 1);

} // namespace riplogtext
