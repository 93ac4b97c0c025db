#pragma once

#include <QString>

// The path of the file a job of the main window is reading or producing, for the stop
// protocol, which lists a partly written WAV. GUI thread only.
inline QString CurrentFile;
