#pragma once

#include <QString>
#include <QStringList>

// The stored play list: per-user settings of application "Trevalo v2.0", section "music".
// "HowMany" holds the number of entries, keys "1" ... "n" their paths in list order; keys
// above the count (a store written by an older program) are never read, and a rewrite
// removes them. Values are text. The file is ~/.config/Trevalo v2.0.conf. GUI thread.
namespace playliststore {

inline constexpr int maxEntries = 65535;

// The stored entries: "HowMany" (absent: 0) entries, key i's path, or "Empty" where key i
// is absent (or holds "0"). A count that is not a whole number from 0 to maxEntries reads
// as 0, so a damaged store shows an empty list instead of failing or running away.
QStringList load();
// Stores "HowMany" = `count`.
void storeCount(int count);
// Stores key `number` = `path`.
void storeEntry(int number, const QString& path);
// Writes the whole list: "HowMany" 0, then each entry in turn, its count and its key; then
// removes the numbered keys above the new count.
void rewrite(const QStringList& entries);

} // namespace playliststore
