#pragma once

#include <QString>

#include <atomic>

// Flags shared by every long job. The stop operations and the disk-space guard set them on
// the GUI thread; job loops and worker threads read them between units of work.

// Stop the batch before its next item.
inline std::atomic<bool> StopRequested{false};
// End the file being produced after its current chunk.
inline std::atomic<bool> CancelRequested{false};

// The path of the file a job is producing. GUI thread only.
inline QString CurrentFile;
