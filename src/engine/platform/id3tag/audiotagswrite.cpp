#include "engine/platform/id3tag/audiotags.h"

#include "engine/platform/id3tag/id3v2frames.h"
#include "engine/platform/id3tag/tagconventions.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <attachedpictureframe.h>
#include <commentsframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <oggpageheader.h>
#include <opusfile.h>
#include <wavfile.h>
#include <xiphcomment.h>

// Writing: each output's tags in its container's convention, checked after the save.
namespace audiotags {

namespace {

using namespace detail;
using id3tag::detail::streamOf;
using id3tag::detail::toTag;

QString pairText(int number, int total) {
    if (number <= 0)
        return {};
    return total > 0 ? QStringLiteral("%1/%2").arg(number).arg(total) : QString::number(number);
}

QString positive(int number) {
    return number > 0 ? QString::number(number) : QString();
}

// The date as TDRC holds it: "2001-05-12T07:00:00Z" gives "2001-05-12".
QString id3Date(const QString& date) {
    static const QRegularExpression form(QStringLiteral("^\\d{4}(-\\d{2}(-\\d{2})?)?(?!\\d)"));
    return form.match(date).captured();
}

id3tag::TagFields fieldsOf(const AudioTags& tags) {
    id3tag::TagFields fields;
    fields.title = tags.title;
    fields.artist = tags.artist;
    fields.albumArtist = tags.albumArtist;
    fields.album = tags.album;
    fields.date = id3Date(tags.date);
    fields.trackNumber = tags.trackNumber;
    fields.trackTotal = tags.trackTotal;
    fields.releaseId = tags.releaseId;
    fields.discId = tags.discId;
    fields.recordingId = tags.recordingId;
    fields.isrc = tags.isrc;
    fields.catalogNumber = tags.catalogNumber;
    if (tags.trackGain) {
        fields.trackGain = gainText(tags.trackGain->gainDb);
        fields.trackPeak = peakText(tags.trackGain);
    }
    if (tags.albumGain) {
        fields.albumGain = gainText(tags.albumGain->gainDb);
        fields.albumPeak = peakText(tags.albumGain);
    }
    return fields;
}

// ID3v2 and FLAC name picture types 0 to 20; another is written as 0, "other".
int knownType(int type) {
    return type >= 0 && type <= 20 ? type : 0;
}

void setId3v2Extras(TagLib::ID3v2::Tag& tag, const AudioTags& tags) {
    using id3tag::detail::setText;
    using id3tag::detail::setUserText;
    setText(tag, "TCON", tags.genre);
    setText(tag, "TCOM", tags.composer);
    setText(tag, "TPOS", pairText(tags.discNumber, tags.discTotal));
    setUserText(tag, QStringLiteral("MusicBrainz Artist Id"), tags.artistId);
    setUserText(tag, QStringLiteral("MusicBrainz Album Artist Id"), tags.albumArtistId);
    setUserText(tag, QStringLiteral("MusicBrainz Release Group Id"), tags.releaseGroupId);
    setUserText(tag, QStringLiteral("MusicBrainz Release Track Id"), tags.releaseTrackId);

    const TagLib::ID3v2::FrameList comments = tag.frameList("COMM"); // a copy: frames go
    for (TagLib::ID3v2::Frame* frame : comments)
        if (const auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
            comment && comment->description().isEmpty())
            tag.removeFrame(frame);
    if (!tags.comment.isEmpty()) {
        auto* comment = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
        comment->setLanguage("eng");
        comment->setText(toTag(tags.comment));
        tag.addFrame(comment);
    }

    tag.removeFrames("APIC");
    for (const Picture& picture : tags.pictures) {
        auto* apic = new TagLib::ID3v2::AttachedPictureFrame;
        apic->setTextEncoding(TagLib::String::UTF8);
        apic->setMimeType(toTag(mimeOf(picture)));
        apic->setType(
            static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(knownType(picture.type)));
        apic->setDescription(toTag(picture.description));
        apic->setPicture(TagLib::ByteVector(picture.data.constData(),
                                            static_cast<unsigned>(picture.data.size())));
        tag.addFrame(apic);
    }
}

void setField(TagLib::Ogg::XiphComment& comment, const char* name, const QString& value) {
    comment.removeFields(name);
    if (!value.isEmpty())
        comment.addField(name, toTag(value));
}

// The Vorbis comments of `tags`; ReplayGain as REPLAYGAIN_* or, in Opus, as R128 gains.
void setXiph(TagLib::Ogg::XiphComment& comment, const AudioTags& tags, bool opus) {
    setField(comment, "TITLE", tags.title);
    setField(comment, "ARTIST", tags.artist);
    setField(comment, "ALBUMARTIST", tags.albumArtist);
    setField(comment, "ALBUM ARTIST", {});
    setField(comment, "ALBUM", tags.album);
    setField(comment, "DATE", tags.date);
    setField(comment, "GENRE", tags.genre);
    setField(comment, "COMPOSER", tags.composer);
    setField(comment, "COMMENT", tags.comment);
    setField(comment, "DESCRIPTION", {});
    setField(comment, "TRACKNUMBER", positive(tags.trackNumber));
    setField(comment, "TRACKTOTAL", positive(tags.trackTotal));
    setField(comment, "TOTALTRACKS", {});
    setField(comment, "DISCNUMBER", positive(tags.discNumber));
    setField(comment, "DISCTOTAL", positive(tags.discTotal));
    setField(comment, "TOTALDISCS", {});
    setField(comment, "ISRC", tags.isrc);
    setField(comment, "CATALOGNUMBER", tags.catalogNumber);
    setField(comment, "MUSICBRAINZ_ALBUMID", tags.releaseId);
    setField(comment, "MUSICBRAINZ_TRACKID", tags.recordingId);
    setField(comment, "MUSICBRAINZ_RELEASETRACKID", tags.releaseTrackId);
    setField(comment, "MUSICBRAINZ_ARTISTID", tags.artistId);
    setField(comment, "MUSICBRAINZ_ALBUMARTISTID", tags.albumArtistId);
    setField(comment, "MUSICBRAINZ_RELEASEGROUPID", tags.releaseGroupId);
    setField(comment, "MUSICBRAINZ_DISCID", tags.discId);
    const auto gain = [](const std::optional<Gain>& g) {
        return g ? gainText(g->gainDb) : QString();
    };
    const bool rg = !opus;
    setField(comment, "REPLAYGAIN_TRACK_GAIN", rg ? gain(tags.trackGain) : QString());
    setField(comment, "REPLAYGAIN_TRACK_PEAK", rg ? peakText(tags.trackGain) : QString());
    setField(comment, "REPLAYGAIN_ALBUM_GAIN", rg ? gain(tags.albumGain) : QString());
    setField(comment, "REPLAYGAIN_ALBUM_PEAK", rg ? peakText(tags.albumGain) : QString());
    if (opus) {
        setField(comment, "R128_TRACK_GAIN",
                 tags.trackGain ? r128Text(tags.trackGain->gainDb) : QString());
        setField(comment, "R128_ALBUM_GAIN",
                 tags.albumGain ? r128Text(tags.albumGain->gainDb) : QString());
    }
}

TagLib::FLAC::Picture* flacPicture(const Picture& picture) {
    auto* p = new TagLib::FLAC::Picture;
    p->setType(static_cast<TagLib::FLAC::Picture::Type>(knownType(picture.type)));
    p->setMimeType(toTag(mimeOf(picture)));
    p->setDescription(toTag(picture.description));
    p->setData(
        TagLib::ByteVector(picture.data.constData(), static_cast<unsigned>(picture.data.size())));
    return p;
}

// A FLAC metadata block holds at most 2^24 - 1 bytes; a PICTURE block adds 32 bytes and
// the MIME type and description to the picture.
bool fitsFlacBlock(const Picture& picture) {
    const std::int64_t bytes = 32 + mimeOf(picture).toUtf8().size() +
                               picture.description.toUtf8().size() + picture.data.size();
    return bytes < (1 << 24);
}

std::optional<VortanError> writeFlac(int fd, const QString& path, const AudioTags& tags) {
    long audioBytes = 0;
    {
        const auto measured = streamOf(fd, true);
        if (!measured->isOpen())
            return tagError(VortanError::FileNotFound, path,
                            QCoreApplication::translate("audiotagswrite", "cannot be opened"));
        const long start = flacAudioStart(*measured);
        audioBytes = start > 0 ? measured->length() - start : 0;
    }
    {
        const auto stream = streamOf(fd, false);
        TagLib::FLAC::File file(stream.get(), TagLib::ID3v2::FrameFactory::instance(), false);
        if (audioBytes <= 0 || !file.isValid())
            return tagError(VortanError::InvalidArgument, path,
                            QCoreApplication::translate("audiotagswrite", "not a FLAC file"));
        TagLib::Ogg::XiphComment& comment = *file.xiphComment(true);
        setXiph(comment, tags, false);
        comment.removeAllPictures(); // pictures go in PICTURE blocks
        file.removePictures();
        for (const Picture& picture : tags.pictures)
            if (fitsFlacBlock(picture))
                file.addPicture(flacPicture(picture));
        if (!file.save())
            return tagError(
                VortanError::PathAccess, path,
                QCoreApplication::translate("audiotagswrite", "the FLAC tags could not be saved"));
    }
    // The library does not check its writes: a full disk or a size limit shows only here.
    const auto reread = streamOf(fd, true);
    const long start = reread->isOpen() ? flacAudioStart(*reread) : 0;
    if (start == 0 || reread->length() - start != audioBytes)
        return tagError(VortanError::PathAccess, path,
                        QCoreApplication::translate(
                            "audiotagswrite", "the FLAC tags could not be written whole; the file "
                                              "may have lost audio"));
    return std::nullopt;
}

// The granule position of the last page: where the audio ends.
std::optional<long long> lastGranule(TagLib::IOStream* stream) {
    TagLib::Ogg::Opus::File file(stream, false);
    if (!file.isValid())
        return std::nullopt;
    const TagLib::Ogg::PageHeader* last = file.lastPageHeader();
    if (!last)
        return std::nullopt;
    return last->absoluteGranularPosition();
}

std::optional<VortanError> writeOpus(int fd, const QString& path, const AudioTags& tags) {
    std::optional<long long> end;
    {
        const auto measured = streamOf(fd, true);
        if (!measured->isOpen())
            return tagError(VortanError::FileNotFound, path,
                            QCoreApplication::translate("audiotagswrite", "cannot be opened"));
        if (kindOf(*measured) == Kind::OggOpus)
            end = lastGranule(measured.get());
    }
    {
        const auto stream = streamOf(fd, false);
        TagLib::Ogg::Opus::File file(stream.get(), false);
        if (!end || !file.isValid() || !file.tag())
            return tagError(VortanError::InvalidArgument, path,
                            QCoreApplication::translate("audiotagswrite", "not an Ogg Opus file"));
        TagLib::Ogg::XiphComment& comment = *file.tag();
        setXiph(comment, tags, true);
        comment.removeAllPictures();
        for (const Picture& picture : tags.pictures)
            comment.addPicture(flacPicture(picture));
        if (!file.save())
            return tagError(
                VortanError::PathAccess, path,
                QCoreApplication::translate("audiotagswrite", "the Opus tags could not be saved"));
    }
    const auto reread = streamOf(fd, true);
    if (!reread->isOpen() || lastGranule(reread.get()) != end)
        return tagError(VortanError::PathAccess, path,
                        QCoreApplication::translate(
                            "audiotagswrite", "the Opus tags could not be written whole; the file "
                                              "may have lost audio"));
    return std::nullopt;
}

std::optional<unsigned> wavFrames(TagLib::IOStream* stream) {
    TagLib::RIFF::WAV::File file(stream, true);
    if (!file.isValid() || !file.audioProperties())
        return std::nullopt;
    return file.audioProperties()->sampleFrames();
}

// Whether the file holds all the RIFF header says it does: a chunk cut short by a failed
// write leaves the header's size beyond the file's end.
bool riffWhole(TagLib::IOStream& stream) {
    stream.seek(0);
    const TagLib::ByteVector header = stream.readBlock(8);
    stream.seek(0);
    return header.size() == 8 && 8 + static_cast<long>(header.toUInt(4U, false)) <= stream.length();
}

std::optional<VortanError> writeWav(int fd, const QString& path, const AudioTags& tags) {
    std::optional<unsigned> frames;
    {
        const auto measured = streamOf(fd, true);
        if (!measured->isOpen())
            return tagError(VortanError::FileNotFound, path,
                            QCoreApplication::translate("audiotagswrite", "cannot be opened"));
        if (kindOf(*measured) == Kind::Wav)
            frames = wavFrames(measured.get());
    }
    {
        const auto stream = streamOf(fd, false);
        TagLib::RIFF::WAV::File file(stream.get(), false);
        if (!frames || !file.isValid())
            return tagError(VortanError::InvalidArgument, path,
                            QCoreApplication::translate("audiotagswrite", "not a WAV file"));
        TagLib::RIFF::Info::Tag& info = *file.InfoTag();
        const auto set = [&info](const char* id, const QString& value) {
            info.removeField(id);
            if (!value.isEmpty())
                info.setFieldText(id, toTag(value));
        };
        set("INAM", tags.title);
        set("IART", tags.artist);
        set("IPRD", tags.album);
        set("ICRD", tags.date);
        set("IGNR", tags.genre);
        set("ICMT", tags.comment);
        set("ITRK", positive(tags.trackNumber));
        if (!file.save(TagLib::RIFF::WAV::File::Info, TagLib::File::StripNone))
            return tagError(
                VortanError::PathAccess, path,
                QCoreApplication::translate("audiotagswrite", "the WAV tags could not be saved"));
    }
    const auto reread = streamOf(fd, true);
    if (!reread->isOpen() || !riffWhole(*reread) || wavFrames(reread.get()) != frames)
        return tagError(VortanError::PathAccess, path,
                        QCoreApplication::translate(
                            "audiotagswrite", "the WAV tags could not be written whole; the file "
                                              "may have lost audio"));
    return std::nullopt;
}

} // namespace

std::optional<VortanError> write(int fd, const QString& path, Container container,
                                 const AudioTags& tags) {
    switch (container) {
    case Container::Mp3: {
        const auto written =
            id3tag::detail::writeTag(fd, path, fieldsOf(tags), [&tags](TagLib::ID3v2::Tag& tag) {
                setId3v2Extras(tag, tags);
            });
        if (!written)
            return written.error();
        return std::nullopt;
    }
    case Container::Flac:
        return writeFlac(fd, path, tags);
    case Container::Opus:
        return writeOpus(fd, path, tags);
    case Container::Wav:
        return writeWav(fd, path, tags);
    }
    return tagError(VortanError::InvalidArgument, path,
                    QCoreApplication::translate("audiotagswrite", "unknown container"));
}

AudioTags fromTagFields(const id3tag::TagFields& fields) {
    AudioTags tags;
    tags.title = fields.title;
    tags.artist = fields.artist;
    tags.albumArtist = fields.albumArtist;
    tags.album = fields.album;
    tags.date = fields.date;
    tags.trackNumber = fields.trackNumber;
    tags.trackTotal = fields.trackTotal;
    tags.discNumber = fields.discNumber;
    tags.discTotal = fields.discTotal;
    tags.releaseId = fields.releaseId;
    tags.discId = fields.discId;
    tags.recordingId = fields.recordingId;
    tags.isrc = fields.isrc;
    tags.catalogNumber = fields.catalogNumber;
    tags.trackGain = gainOf(fields.trackGain, fields.trackPeak);
    tags.albumGain = gainOf(fields.albumGain, fields.albumPeak);
    tags.comment = fields.comment;
    return tags;
}

} // namespace audiotags
