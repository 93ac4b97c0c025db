#pragma once

#include "engine/platform/error.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

// A disc's front cover as a rip embeds it and writes it beside the tracks: the picture's bytes
// as they came (a JPEG or a PNG), checked to be a whole image of bounded size before anything
// uses them. Pure file and image work (QtGui's image readers, no window): safe on any thread.
namespace cover {

// The largest picture taken, in bytes: a look-up's answer and a chosen file alike.
inline constexpr std::int64_t maxCoverBytes = 10 * 1024 * 1024;
// The most pixels a picture may have. The header is read first: a larger picture is refused
// before any of it is decoded, so a small file announcing a huge image costs no memory.
inline constexpr std::int64_t maxCoverPixels = 25'000'000;
// The longest side of the preview a window shows.
inline constexpr int previewSide = 300;

struct FrontCover {
    audiotags::Picture picture; // type 3 (front cover), "image/jpeg" or "image/png"
    QSize pixels;               // of the picture itself
    QString source;             // where it came from: the web address or the local file
    QImage preview;             // the picture within previewSide pixels a side

    // "cover.jpg", or "cover.png" for a PNG: the name of the file written beside the tracks.
    QString fileName() const;
    // "500 × 500 pixels, 43,210 bytes".
    QString sizeText() const;
};

// The cover in `bytes`, which came from `source` (named in messages). Fails when the bytes
// are more than maxCoverBytes, are neither a JPEG nor a PNG, announce more than
// maxCoverPixels, or cannot be decoded whole.
Result<FrontCover> fromBytes(const QByteArray& bytes, const QString& source);
// The cover in the image file `path`: as fromBytes, and fails when the file cannot be read.
Result<FrontCover> fromFile(const QString& path);

// What writing the cover beside a rip's files came to.
struct SavedFile {
    QString path;         // the file written, or the one that was there already
    bool skipped = false; // a file of that name was there: it is left as it is
};
// Writes `cover` into `folder` under its fileName(), through a temporary name that takes the
// final one only once complete. A file the user has at that name is never replaced: nothing is
// written then (`skipped`). Fails with the reason, naming the file.
Result<SavedFile> saveBeside(const QString& folder, const FrontCover& cover);

} // namespace cover
