#pragma once

#include <QString>
#include <QStringView>

// The names a mirror gives its outputs. Pure: safe on any thread.
namespace mirrornames {

// `name` (one file or folder name, no "/") made valid on FAT, exFAT and NTFS: each of
// <>:"\|?* and each control character becomes "_", as does each byte of a name that is not
// UTF-8 (nativepath's lone surrogates); trailing dots and spaces go; a name the Windows
// family reserves for devices ("CON", "aux.mp3", "LPT1") gets "_" after its stem; a name left
// empty becomes "_".
QString portable(const QString& name);

// `relativeFolder` ("A/B", "" for the top) with each of its names made portable.
QString portableFolder(const QString& relativeFolder);

// The file name of an output: `stem` + "." + `extension` (with " (n)" after the stem when
// `number` is 2 or more), its stem shortened by whole characters (never inside a UTF-8
// sequence) so that the name takes at most `maxNameBytes` bytes on the disk. Empty when not
// even one character of the stem fits.
QString fittedName(const QString& stem, const QString& extension, int maxNameBytes, int number = 1);

// The key two output names clash on in one folder: the name itself, or its case-folded form
// when the destination ignores case (portable names).
QString clashKey(const QString& name, bool ignoreCase);

// The stem ("a" of "a.flac"; a leading "." starts a hidden name, not an extension) and the
// extension (lower case, without the dot; empty when none).
QString stemOf(const QString& fileName);
QString extensionOf(const QString& fileName);

} // namespace mirrornames
