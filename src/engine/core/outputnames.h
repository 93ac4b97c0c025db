#pragma once

#include <QSet>
#include <QString>

// Chooses the names a batch writes under, so that it never writes over a file: not over one
// that was there before the batch (a lossless original, another program's file), and not
// over an output of its own written earlier in the same batch (two sources of one name from
// different folders).
//
// The wanted name is taken when no file, folder or link of that name exists and no earlier
// item of the batch claimed it. Otherwise the first free of "name (2).ext", "name (3).ext"...
// is taken, the number going before the extension (the part of the file name from its last
// "."). Names are compared exactly: "Take.mp3" and "take.mp3" are different files.
//
// One instance serves one batch. GUI thread.
class OutputNames {
  public:
    // The name to write for `wantedPath`, reserved for the rest of the batch.
    QString claim(const QString& wantedPath);

    // The numbered variant `number` (2, 3, ...) of `path`: "/d/take (2).mp3".
    static QString numbered(const QString& path, int number);

  private:
    QSet<QString> claimed_;
};
