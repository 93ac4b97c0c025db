#pragma once

#include "engine/platform/error.h"

#include <QString>
#include <QStringList>

#include <memory>

// Outputs are never half-written at their final name and never replace anything.
//
// An output is written under a temporary name in the folder of the name it is meant to take
// (".vortan-unfinished-XXXXXXXX-name.part", hidden, and saying what it is), created exclusively
// without following links, and locked (flock) for as long as its writer holds it open. Once
// complete, flushed to the disk and closed, publish() puts it at its wanted name with a
// rename that never replaces: when the name was taken meanwhile, it takes the collision
// rule's next number ("name (2).mp3"). A crash or a kill leaves only the temporary file;
// removeLeftovers() cleans them up on the next run.
//
// Pure file-system work: safe on any thread.
namespace outputfile {

// The numbered variant `number` (2, 3, ...) of `path`, the number going before the extension
// (the part of the file name from its last "."; a leading "." is not an extension):
// "/d/take.mp3" gives "/d/take (2).mp3". Number 1 (or less) is `path` itself. The file name is
// shortened by whole characters before its extension so that it fits `maxNameBytes` bytes in
// the file system's encoding.
QString numbered(const QString& path, int number, int maxNameBytes = 255);

// How many UTF-16 units of `text` make its longest start that ends on a character boundary
// (never inside a surrogate pair) and takes at most `maxBytes` bytes in the file system's
// encoding (nativepath::encode). One pass over the text, however long.
qsizetype fittingLength(QStringView text, qsizetype maxBytes);

// The longest file name (in bytes) the file system holding `folder` takes; 255 when it does
// not say.
int maxNameBytes(const QString& folder);

// True when some file, folder or link (a dangling one included) has the name `path`.
bool nameInUse(const QString& path);

// A new, empty file under a fresh temporary name beside `wantedPath`, opened for reading and
// writing (O_EXCL, O_NOFOLLOW, close-on-exec) and locked exclusively. The caller owns `fd`.
struct Created {
    int fd = -1;
    QString temporaryPath;
};
// `systemError`, when given, receives the system's errno of a failure.
Result<Created> createTemporary(const QString& wantedPath, int* systemError = nullptr);

// Puts the complete, closed file `temporaryPath` at `wantedPath`, or at the first numbered
// variant of it that is free at that moment; never replaces a file. The folder is flushed to
// the disk where the file system allows, so that the new name survives a crash. Returns the name
// taken. On failure the temporary file stays where it is (the caller removes it or reports it).
// `systemError`, when given, receives the system's errno of a failure.
Result<QString> publish(const QString& temporaryPath, const QString& wantedPath,
                        int* systemError = nullptr);

// One output under way, from its temporary file (createTemporary) until it is put in place
// (commit) or removed (discard). The destructor discards an output that was neither, so a
// failure on any path leaves nothing behind, and never anything at the wanted name.
//
// Used by one thread at a time.
class PendingOutput {
  public:
    // `systemError`, when given, receives the system's errno of a failure.
    static Result<std::unique_ptr<PendingOutput>> create(const QString& wantedPath,
                                                         int* systemError = nullptr);
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // The locked descriptor, open for reading and writing; -1 once committed or discarded.
    // Writers may work on duplicates of it (dup): the lock lasts while this one is open.
    int fd() const { return fd_; }
    const QString& temporaryPath() const { return temporaryPath_; }
    const QString& wantedPath() const { return wantedPath_; }

    // Flushes the file to the disk (fdatasync), closes it and publishes it (see publish):
    // returns the name taken. When any step fails the temporary file is removed and the
    // reason, naming the wanted path, is returned (and its errno in `systemError`, when
    // given).
    Result<QString> commit(int* systemError = nullptr);
    // Closes and removes the temporary file. Harmless once committed or discarded.
    void discard();

  private:
    PendingOutput(int fd, QString temporaryPath, QString wantedPath);

    int fd_ = -1;
    QString temporaryPath_;
    QString wantedPath_;
};

// Writes `bytes` whole into a new file meant for `wantedPath` (a PendingOutput committed once
// every byte is written): a file that could not be written whole is removed, never left
// looking complete. Returns the name taken; on failure the reason names `wantedPath`.
Result<QString> writeWhole(const QString& wantedPath, const QByteArray& bytes,
                           int* systemError = nullptr);

// True for the name (without folder) of a temporary file made by createTemporary.
bool isTemporaryName(const QString& fileName);

// Removes the temporary files of `folder` that no writer holds (their lock can be taken) and
// that have not changed for `minimumAgeSeconds`: leftovers of a run that crashed or was killed.
// Returns the paths removed.
QStringList removeLeftovers(const QString& folder, int minimumAgeSeconds = 60);

} // namespace outputfile
