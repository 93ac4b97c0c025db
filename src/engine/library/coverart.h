#pragma once

#include "engine/platform/error.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QString>

#include <cstdint>

// An album folder's cover image: found by its name, embedded at a bounded size. Pure file
// and image work (QtGui's QImage, no window): safe on any thread.
namespace library {

// A picture embedded in an output takes at most this many bytes; a larger one is scaled down.
inline constexpr std::int64_t maxEmbeddedPictureBytes = 512 * 1024;
// ... and at most this many pixels a side once scaled.
inline constexpr int maxEmbeddedPictureSide = 1000;

// How well `fileName` names a folder's cover: "cover.*" 1, "folder.*" 2, "front.*" 3 (a JPEG
// or PNG by its extension, any case); 0 for any other file.
int coverRank(const QString& fileName);

// The picture of the image file `path` to embed as the front cover: the file's bytes when
// they are within maxEmbeddedPictureBytes, otherwise the image scaled to fit
// maxEmbeddedPictureSide and saved as a JPEG within the bound. Fails when the file cannot be
// read or is neither a JPEG nor a PNG.
Result<audiotags::Picture> embeddablePicture(const QString& path);

} // namespace library
