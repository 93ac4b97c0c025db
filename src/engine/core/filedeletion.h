#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <chrono>
#include <optional>

// The one delete-file operation of the program.
//
// Opens `path` for writing (creating it when missing, never truncating) and closes it, then
// deletes it, then waits about 0.2 s on a monotonic clock while letting pending events run.
// A missing file therefore counts as deleted. A read-only file (no write permission bit for
// anyone, whoever runs the program), a file another opener holds locked, or a file the
// folder does not let us create or remove is an error carrying the system's number and text
// and the source "p_DestroyFile"; the file then stays. Returns no error on success.
// GUI thread (it lets events run).
std::optional<VortanError> p_DestroyFile(const QString& path);

// Deletes `path` with p_DestroyFile and, when that succeeded, removes from the program's
// source tree (SourceTree::instance()) every node whose text equals `path`. The error of
// p_DestroyFile is returned and no node is touched. GUI thread.
std::optional<VortanError> DeleteFileAndNode(const QString& path);

// The question asked before a file is deleted: "Are you sure you want to delete this
// file?", then the file's path on a line of its own.
QString deleteQuestion(const QString& path);

namespace filedeletion {
// p_DestroyFile without its wait: for a file whose writer has closed it (a batch's source
// once its output is complete). Lets no events run.
std::optional<VortanError> destroyFile(const QString& path);
// The wait after a delete; 200 ms in the program, tests may shorten it.
extern std::chrono::milliseconds settleDelay;
} // namespace filedeletion
