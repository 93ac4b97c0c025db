#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

class QFile;

// File names as the system keeps them: bytes, meant as UTF-8 but not always valid UTF-8 (a
// name written by an old program in Latin-1, "caf\xe9.wav"). Qt's own conversion
// (QFile::encodeName/decodeName, QDir listings, QFileInfo, the command line) replaces such
// bytes, so the file can no longer be reached by the name it was listed under.
//
// decode() keeps every byte: valid UTF-8 becomes its characters, and each byte that is not
// part of a valid UTF-8 sequence becomes the lone surrogate U+DC00 + byte (U+DC80..U+DCFF,
// which valid UTF-8 can never give). encode() turns such surrogates back into the same bytes,
// so encode(decode(bytes)) == bytes for every name. Every path that reaches the system on
// the file side goes through encode(), and every name the system gives through decode().
//
// Pure: safe on any thread.
namespace nativepath {

// The bytes the system knows `path` by.
QByteArray encode(const QString& path);
// The path the system's bytes stand for; lossless (see above).
QString decode(const char* bytes, qsizetype size);
QString decode(const QByteArray& bytes);
QString decode(const char* zeroTerminated);

// Facts about a file, read with lstat/stat on the encoded path (links are followed).
bool exists(const QString& path);
bool isFile(const QString& path); // a regular file
bool isDir(const QString& path);
// Its size in bytes; -1 when it cannot be read (missing, no access).
std::int64_t fileSize(const QString& path);

// Opens `path` into `file` for reading (the file then owns the descriptor). False, with the
// system's errno in `error` when given, when it cannot be opened.
bool openForReading(QFile& file, const QString& path, int* error = nullptr);

// The current folder, and `path` made absolute against it and cleaned ("a/../b" is "b").
QString currentFolder();
QString absolute(const QString& path);
// `path` with every link followed and "." and ".." resolved (realpath); empty when it
// does not lead to something that exists.
QString canonical(const QString& path);

// Creates `path` and every missing folder above it; true when it is a folder afterwards.
bool makeFolders(const QString& path);

// The program's arguments as the system gave them, lossless (argv[0] included).
QStringList arguments(int argc, char** argv);

} // namespace nativepath
