#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QObject;

namespace filedeletion {
// What follows a deletion, given its outcome (no error: deleted).
using Settled = std::function<void(const std::optional<VortanError>& failure)>;
} // namespace filedeletion

// The one delete-file operation of the program.
//
// Opens `path` for writing (creating it when missing, never truncating) and closes it, then
// deletes it, and returns the outcome at once. A missing file therefore counts as deleted. A
// read-only file (no write permission bit for anyone, whoever runs the program), a file
// another opener holds locked, or a file the folder does not let us create or remove is an
// error carrying the system's number and text and the source "p_DestroyFile"; the file then
// stays. Returns no error on success.
// `settled`, when given with a `context`, runs with the same outcome about 0.2 s later
// (settleDelay, on the monotonic clock) from a timer on `context`'s thread, so that what
// follows a deletion finds the file system settled; it never runs when `context` is
// destroyed first. GUI thread.
std::optional<VortanError> p_DestroyFile(const QString& path, const QObject* context = nullptr,
                                         filedeletion::Settled settled = {});

// Deletes `path` with p_DestroyFile at once and, when that succeeded, removes from the
// program's source tree (SourceTree::instance()) every node whose text equals `path` after
// the settling wait; then `done` runs with the outcome, unless `context` was destroyed
// meanwhile. A refused deletion touches no node. GUI thread.
void DeleteFileAndNode(const QString& path, const QObject* context,
                       filedeletion::Settled done = {});

// The question asked before a file is deleted: "Are you sure you want to delete this
// file?", then the file's path on a line of its own.
QString deleteQuestion(const QString& path);

namespace filedeletion {
// p_DestroyFile without its wait: for a file whose writer has closed it (a batch's source
// once its output is complete).
std::optional<VortanError> destroyFile(const QString& path);
// The wait after a delete; 200 ms in the program, tests may shorten it.
extern std::chrono::milliseconds settleDelay;
} // namespace filedeletion
