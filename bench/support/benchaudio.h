#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// Inputs the benchmarks make, and the way they time command-line runs.

// Stops the benchmark with `why` on standard error (exit status 1).
[[noreturn]] void benchFail(const QString& why);

// A CD-format WAV of `seconds` of a few drifting tones over noise; `seed` varies the tones.
void writeMusicWav(const QString& path, double seconds, unsigned seed);

// A BIN/CUE disc image of `trackSectors.size()` audio tracks of that many sectors each, of
// music-like audio; false when a file cannot be written.
bool writeDiscImage(const QString& cuePath, const QString& binPath,
                    const std::vector<int>& trackSectors);

struct Timing {
    double wall = 0; // seconds from the first start to the last end
    double cpu = 0;  // processor seconds (user and system) of the commands
};

// Runs the commands `jobs` at a time, a new one starting as soon as one ends; a command that
// fails stops the benchmark with its standard error.
Timing runPool(const std::vector<std::pair<QString, QStringList>>& commands, int jobs);

double median(std::vector<double> values);

// The program's run and the reference's, each a function that runs once and says how long
// it took.
struct Comparison {
    const char* what;
    std::function<Timing()> program;
    std::function<Timing()> reference;
};

// Runs `c` for `rounds` rounds, alternating which side goes first so that neither always
// meets a warm or a cold cache; prints each round and the medians; returns the ratio of the
// medians (program / reference).
double compare(const Comparison& c, int rounds);

// Empties `path`, creating it when missing.
void freshFolder(const QString& path);

// The full path of the tool `name` on PATH; stops the benchmark when it is missing.
QString toolPath(const char* name);
