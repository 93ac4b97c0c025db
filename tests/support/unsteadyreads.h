#pragma once

#include <QString>

#include <cstdint>

// A disc image that does not read the same twice, as a scratched disc or a drive without
// accurate stream does: the CD library reads an image's data file through the C library's
// stdio, and while this is armed, the bytes of one stretch of the file come back inverted to
// one reading thread: the n-th distinct thread to read in that stretch since arming. Each
// pass of an extraction reads on a thread of its own, but the error-correcting reader reads
// ahead and keeps what it read for the passes after (an earlier track's pass may read the
// stretch, a later one find it kept): which reader is which pass is fixed for a given disc
// and order of reads, and a test states what it found.
//
// In a test program: link this file (it is, whenever a test uses UnsteadyReads). In a child
// process: load the shared library unsteady_reads (LD_PRELOAD) with VORTAN_UNSTEADY_FILE set to
// the data file, VORTAN_UNSTEADY_BYTES to the stretch ("from-to", byte offsets, `to`
// excluded) and VORTAN_UNSTEADY_READER to n.
namespace fixtures {

class UnsteadyReads {
  public:
    // Arms it for the data file `dataPath` (however it is reached: through links too).
    UnsteadyReads(const QString& dataPath, std::int64_t from, std::int64_t to, int reader);
    ~UnsteadyReads(); // disarms
    UnsteadyReads(const UnsteadyReads&) = delete;
    UnsteadyReads& operator=(const UnsteadyReads&) = delete;

    // Distinct threads that have read in the stretch since arming.
    int readers() const;
};

} // namespace fixtures
