#pragma once

#include <QString>

#include <cstdint>

// Lengths of audio as the program says them. Pure: safe on any thread.
namespace audiolength {

// "m:ss" (whole seconds, rounded down): 3,400 ms is "0:03", 754,000 ms is "12:34".
QString minutesSeconds(std::int64_t milliseconds);

// Why a converted file counts as failed although its audio was converted: its source holds
// less than its header announces. "<path>: the file is incomplete: it holds 0:03 of 0:10
// (what it holds was converted)".
QString incompleteSource(const QString& path, std::int64_t heldMs, std::int64_t announcedMs);

} // namespace audiolength
