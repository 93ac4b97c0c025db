#pragma once

#include "engine/platform/error.h"
#include "engine/platform/id3tag/id3tag.h"

#include <QString>

#include <tiostream.h>
#include <tstring.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace TagLib::ID3v2 {
class Tag;
}

// The pieces of the ID3v2 writer that id3tag and audiotags share; private to this folder.
namespace id3tag::detail {

// The owner of the UFID frame that holds a MusicBrainz recording id.
extern const char* const musicBrainzOwner;

TagLib::String toTag(const QString& text);
QString fromTag(const TagLib::String& text);

// Replaces the text frame `id` (removes it when `value` is empty).
void setText(TagLib::ID3v2::Tag& tag, const char* id, const QString& value);
// Replaces the TXXX frames described `description` (removes them when `value` is empty).
void setUserText(TagLib::ID3v2::Tag& tag, const QString& description, const QString& value);

// A TagLib stream over a duplicate of `fd`, at the file's start: closing the stream closes
// the duplicate, never `fd`. A stream that cannot be made reports itself not open.
std::unique_ptr<TagLib::IOStream> streamOf(int fd, bool readOnly);

// Sets frames beyond those of TagFields, after them, before the tag is saved.
using MoreFrames = std::function<void(TagLib::ID3v2::Tag&)>;

// writeTag(fd, path, fields) with `more` applied to the tag before it is saved.
Result<std::int64_t> writeTag(int fd, const QString& path, const TagFields& fields,
                              const MoreFrames& more);

} // namespace id3tag::detail
