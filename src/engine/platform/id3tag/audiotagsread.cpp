#include "engine/platform/id3tag/audiotags.h"

#include "engine/platform/id3tag/id3v2frames.h"
#include "engine/platform/id3tag/tagconventions.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <aifffile.h>
#include <attachedpictureframe.h>
#include <commentsframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v1genres.h>
#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <textidentificationframe.h>
#include <tfilestream.h>
#include <tpropertymap.h>
#include <uniquefileidentifierframe.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <wavpackfile.h>
#include <xiphcomment.h>

#include <cerrno>
#include <cstring>
#include <memory>

// Reading: every format's tags gathered under Vorbis-comment names, then one mapping.
namespace audiotags {

namespace {

using namespace detail;
using id3tag::detail::fromTag;

// Every format's tags are first gathered under their Vorbis-comment names (upper case), so
// one mapping turns them into AudioTags.
using Fields = QMap<QString, QStringList>;

void add(Fields& fields, const QString& name, const QString& value) {
    if (!value.isEmpty())
        fields[name].append(value);
}

void add(Fields& fields, const QString& name, const TagLib::StringList& values) {
    for (const TagLib::String& value : values)
        add(fields, name, fromTag(value));
}

// The Vorbis-comment names of the fields ID3v2's TXXX frames and MP4's freeform atoms carry
// under the names taggers give them. (FFmpeg writes a comment as TXXX "comment"; COMM, read
// first, wins.)
const QMap<QString, QString>& namedFields() {
    static const QMap<QString, QString> names{
        {QStringLiteral("MUSICBRAINZ ALBUM ID"), QStringLiteral("MUSICBRAINZ_ALBUMID")},
        {QStringLiteral("MUSICBRAINZ ARTIST ID"), QStringLiteral("MUSICBRAINZ_ARTISTID")},
        {QStringLiteral("MUSICBRAINZ ALBUM ARTIST ID"),
         QStringLiteral("MUSICBRAINZ_ALBUMARTISTID")},
        {QStringLiteral("MUSICBRAINZ RELEASE GROUP ID"),
         QStringLiteral("MUSICBRAINZ_RELEASEGROUPID")},
        {QStringLiteral("MUSICBRAINZ RELEASE TRACK ID"),
         QStringLiteral("MUSICBRAINZ_RELEASETRACKID")},
        {QStringLiteral("MUSICBRAINZ TRACK ID"), QStringLiteral("MUSICBRAINZ_TRACKID")},
        {QStringLiteral("MUSICBRAINZ DISC ID"), QStringLiteral("MUSICBRAINZ_DISCID")},
        {QStringLiteral("CATALOGNUMBER"), QStringLiteral("CATALOGNUMBER")},
        {QStringLiteral("COMMENT"), QStringLiteral("COMMENT")},
        {QStringLiteral("ISRC"), QStringLiteral("ISRC")},
        {QStringLiteral("REPLAYGAIN_TRACK_GAIN"), QStringLiteral("REPLAYGAIN_TRACK_GAIN")},
        {QStringLiteral("REPLAYGAIN_TRACK_PEAK"), QStringLiteral("REPLAYGAIN_TRACK_PEAK")},
        {QStringLiteral("REPLAYGAIN_ALBUM_GAIN"), QStringLiteral("REPLAYGAIN_ALBUM_GAIN")},
        {QStringLiteral("REPLAYGAIN_ALBUM_PEAK"), QStringLiteral("REPLAYGAIN_ALBUM_PEAK")},
    };
    return names;
}

void addNamed(Fields& fields, const QString& name, const TagLib::StringList& values) {
    const auto found = namedFields().constFind(name.toUpper());
    if (found != namedFields().constEnd())
        add(fields, found.value(), values);
}

// ---- pictures ----

// Adds a picture when its data is within `maxBytes`; the data is copied only then.
void addPicture(std::vector<Picture>& pictures, int type, const QString& mimeType,
                const QString& description, const TagLib::ByteVector& data, std::int64_t maxBytes) {
    if (data.isEmpty() || static_cast<std::int64_t>(data.size()) > maxBytes)
        return;
    Picture picture;
    picture.type = type;
    picture.description = description;
    picture.mimeType = mimeType;
    picture.data = QByteArray(data.data(), static_cast<qsizetype>(data.size()));
    picture.mimeType = mimeOf(picture);
    pictures.push_back(std::move(picture));
}

void addFlacPictures(std::vector<Picture>& pictures,
                     const TagLib::List<TagLib::FLAC::Picture*>& list, std::int64_t maxBytes) {
    for (const TagLib::FLAC::Picture* p : list)
        addPicture(pictures, static_cast<int>(p->type()), fromTag(p->mimeType()),
                   fromTag(p->description()), p->data(), maxBytes);
}

// ---- reading each format ----

// A genre given by its ID3v1 number (as TagLib gives a version 2.3 "(17)") becomes its name.
QString id3Genre(const TagLib::String& text) {
    bool number = false;
    const int index = fromTag(text).toInt(&number);
    if (number) {
        const TagLib::String name = TagLib::ID3v1::genre(index);
        if (!name.isEmpty())
            return fromTag(name);
    }
    return fromTag(text);
}

void readId3v2(const TagLib::ID3v2::Tag& tag, Fields& fields, std::vector<Picture>& pictures,
               std::int64_t maxPictureBytes) {
    static const std::pair<const char*, const char*> textFrames[] = {
        {"TIT2", "TITLE"},       {"TPE1", "ARTIST"},     {"TPE2", "ALBUMARTIST"},
        {"TALB", "ALBUM"},       {"TDRC", "DATE"},       {"TCOM", "COMPOSER"},
        {"TRCK", "TRACKNUMBER"}, {"TPOS", "DISCNUMBER"}, {"TSRC", "ISRC"},
    };
    const TagLib::ID3v2::FrameListMap& frames = tag.frameListMap();
    for (const auto& [id, name] : textFrames) {
        const auto it = frames.find(id);
        if (it == frames.end())
            continue;
        for (const TagLib::ID3v2::Frame* frame : it->second)
            if (const auto* text =
                    dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame))
                add(fields, QLatin1String(name), text->fieldList());
    }
    if (const auto it = frames.find("TCON"); it != frames.end())
        for (const TagLib::ID3v2::Frame* frame : it->second)
            if (const auto* text =
                    dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame))
                for (const TagLib::String& genre : text->fieldList())
                    add(fields, QStringLiteral("GENRE"), id3Genre(genre));

    // The comment is the one without a description: described ones are programs' data.
    if (const auto it = frames.find("COMM"); it != frames.end())
        for (const TagLib::ID3v2::Frame* frame : it->second)
            if (const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame);
                comment && comment->description().isEmpty())
                add(fields, QStringLiteral("COMMENT"), fromTag(comment->text()));

    if (const auto it = frames.find("TXXX"); it != frames.end())
        for (const TagLib::ID3v2::Frame* frame : it->second)
            if (const auto* user =
                    dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(frame)) {
                TagLib::StringList values = user->fieldList();
                if (!values.isEmpty())
                    values.erase(values.begin()); // the description
                addNamed(fields, fromTag(user->description()), values);
            }

    if (const auto it = frames.find("UFID"); it != frames.end())
        for (const TagLib::ID3v2::Frame* frame : it->second)
            if (const auto* ufid =
                    dynamic_cast<const TagLib::ID3v2::UniqueFileIdentifierFrame*>(frame);
                ufid && ufid->owner() == id3tag::detail::musicBrainzOwner) {
                const TagLib::ByteVector id = ufid->identifier();
                add(fields, QStringLiteral("MUSICBRAINZ_TRACKID"),
                    QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())));
            }

    if (const auto it = frames.find("APIC"); it != frames.end())
        for (const TagLib::ID3v2::Frame* frame : it->second)
            if (const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame))
                addPicture(pictures, static_cast<int>(apic->type()), fromTag(apic->mimeType()),
                           fromTag(apic->description()), apic->picture(), maxPictureBytes);
}

void readXiph(const TagLib::Ogg::XiphComment& comment, Fields& fields) {
    for (const auto& [key, values] : comment.fieldListMap())
        add(fields, fromTag(key).toUpper(), values);
}

void readProperties(const TagLib::PropertyMap& properties, Fields& fields) {
    for (const auto& [key, values] : properties)
        add(fields, fromTag(key).toUpper(), values);
}

void readRiffInfo(const TagLib::RIFF::Info::Tag& info, Fields& fields) {
    static const std::pair<const char*, const char*> chunks[] = {
        {"INAM", "TITLE"}, {"IART", "ARTIST"},  {"IPRD", "ALBUM"},       {"ICRD", "DATE"},
        {"IGNR", "GENRE"}, {"ICMT", "COMMENT"}, {"ITRK", "TRACKNUMBER"}, {"IPRT", "TRACKNUMBER"},
    };
    for (const auto& [id, name] : chunks)
        if (!fields.contains(QLatin1String(name)))
            add(fields, QLatin1String(name), fromTag(info.fieldText(id)));
}

QString mp4MimeType(TagLib::MP4::CoverArt::Format format) {
    switch (format) {
    case TagLib::MP4::CoverArt::JPEG:
        return QStringLiteral("image/jpeg");
    case TagLib::MP4::CoverArt::PNG:
        return QStringLiteral("image/png");
    case TagLib::MP4::CoverArt::GIF:
        return QStringLiteral("image/gif");
    case TagLib::MP4::CoverArt::BMP:
        return QStringLiteral("image/bmp");
    default:
        return {};
    }
}

void addPair(Fields& fields, const QString& numberName, const QString& totalName,
             const TagLib::MP4::Item::IntPair& pair) {
    if (pair.first > 0)
        add(fields, numberName, QString::number(pair.first));
    if (pair.second > 0)
        add(fields, totalName, QString::number(pair.second));
}

void readMp4(const TagLib::MP4::Tag& tag, Fields& fields, std::vector<Picture>& pictures,
             std::int64_t maxPictureBytes) {
    static const std::pair<const char*, const char*> atoms[] = {
        {"\251nam", "TITLE"},    {"\251ART", "ARTIST"},  {"aART", "ALBUMARTIST"},
        {"\251alb", "ALBUM"},    {"\251day", "DATE"},    {"\251gen", "GENRE"},
        {"\251wrt", "COMPOSER"}, {"\251cmt", "COMMENT"},
    };
    const TagLib::String freeform("----:com.apple.iTunes:");
    for (const auto& [key, item] : tag.itemMap()) {
        if (key == "trkn") {
            addPair(fields, QStringLiteral("TRACKNUMBER"), QStringLiteral("TRACKTOTAL"),
                    item.toIntPair());
        } else if (key == "disk") {
            addPair(fields, QStringLiteral("DISCNUMBER"), QStringLiteral("DISCTOTAL"),
                    item.toIntPair());
        } else if (key == "covr") {
            for (const TagLib::MP4::CoverArt& art : item.toCoverArtList())
                addPicture(pictures, 3, mp4MimeType(art.format()), {}, art.data(), maxPictureBytes);
        } else if (key.startsWith(freeform)) {
            addNamed(fields, fromTag(key.substr(freeform.size())), item.toStringList());
        } else {
            for (const auto& [atom, name] : atoms)
                if (key == TagLib::String(atom, TagLib::String::Latin1))
                    add(fields, QLatin1String(name), item.toStringList());
        }
    }
}

// ---- from fields to AudioTags ----

// "3", "03", "3/12" give 3 (and 12 as the total); anything else 0.
std::pair<int, int> numberAndTotal(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d+)\\s*(?:/\\s*(\\d+))?\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return {0, 0};
    return {match.captured(1).toInt(), match.captured(2).toInt()};
}

AudioTags tagsFrom(const Fields& fields, bool opus) {
    const auto text = [&fields](const char* name) {
        return fields.value(QLatin1String(name)).join(QStringLiteral("; "));
    };
    const auto first = [&fields](const char* name) {
        const QStringList values = fields.value(QLatin1String(name));
        return values.isEmpty() ? QString() : values.front();
    };
    AudioTags tags;
    tags.title = text("TITLE");
    tags.artist = text("ARTIST");
    tags.albumArtist = text("ALBUMARTIST");
    if (tags.albumArtist.isEmpty())
        tags.albumArtist = text("ALBUM ARTIST");
    tags.album = text("ALBUM");
    tags.date = first("DATE");
    tags.genre = text("GENRE");
    tags.composer = text("COMPOSER");
    tags.comment = first("COMMENT");
    if (tags.comment.isEmpty())
        tags.comment = first("DESCRIPTION");
    std::tie(tags.trackNumber, tags.trackTotal) = numberAndTotal(first("TRACKNUMBER"));
    for (const char* name : {"TRACKTOTAL", "TOTALTRACKS"})
        if (tags.trackTotal == 0)
            tags.trackTotal = numberAndTotal(first(name)).first;
    std::tie(tags.discNumber, tags.discTotal) = numberAndTotal(first("DISCNUMBER"));
    for (const char* name : {"DISCTOTAL", "TOTALDISCS"})
        if (tags.discTotal == 0)
            tags.discTotal = numberAndTotal(first(name)).first;
    tags.isrc = first("ISRC");
    tags.catalogNumber = first("CATALOGNUMBER");
    tags.releaseId = first("MUSICBRAINZ_ALBUMID");
    tags.recordingId = first("MUSICBRAINZ_TRACKID");
    tags.releaseTrackId = first("MUSICBRAINZ_RELEASETRACKID");
    tags.artistId = first("MUSICBRAINZ_ARTISTID");
    tags.albumArtistId = first("MUSICBRAINZ_ALBUMARTISTID");
    tags.releaseGroupId = first("MUSICBRAINZ_RELEASEGROUPID");
    tags.discId = first("MUSICBRAINZ_DISCID");
    if (opus) {
        // An Opus player applies the header's output gain first; REPLAYGAIN_* fields
        // have no defined meaning there and are not read.
        tags.trackGain = r128Gain(first("R128_TRACK_GAIN"));
        tags.albumGain = r128Gain(first("R128_ALBUM_GAIN"));
    } else {
        tags.trackGain = gainOf(first("REPLAYGAIN_TRACK_GAIN"), first("REPLAYGAIN_TRACK_PEAK"));
        tags.albumGain = gainOf(first("REPLAYGAIN_ALBUM_GAIN"), first("REPLAYGAIN_ALBUM_PEAK"));
    }
    return tags;
}

// The Vorbis comments of the Ogg file in `stream`, read by a File `file` takes; none when
// the file is not valid.
TagLib::Ogg::XiphComment* oggComment(TagLib::IOStream* stream, Kind kind,
                                     std::unique_ptr<TagLib::File>& file) {
    TagLib::Ogg::XiphComment* comment = nullptr;
    if (kind == Kind::OggOpus) {
        auto opus = std::make_unique<TagLib::Ogg::Opus::File>(stream, false);
        comment = opus->tag();
        file = std::move(opus);
    } else if (kind == Kind::OggVorbis) {
        auto vorbis = std::make_unique<TagLib::Ogg::Vorbis::File>(stream, false);
        comment = vorbis->tag();
        file = std::move(vorbis);
    } else {
        auto flac = std::make_unique<TagLib::Ogg::FLAC::File>(stream, false);
        comment = flac->tag();
        file = std::move(flac);
    }
    return file->isValid() ? comment : nullptr;
}

// The fields and pictures of the file in `stream`, of kind `kind`.
AudioTags readStream(TagLib::IOStream* stream, Kind kind, std::int64_t maxPictureBytes) {
    Fields fields;
    std::vector<Picture> pictures;
    std::unique_ptr<TagLib::File> file; // an Ogg file, alive while its comments are read
    auto* factory = TagLib::ID3v2::FrameFactory::instance();
    switch (kind) {
    case Kind::Mpeg: {
        TagLib::MPEG::File file(stream, factory, false);
        if (!file.isValid())
            break;
        if (file.hasID3v2Tag())
            readId3v2(*file.ID3v2Tag(), fields, pictures, maxPictureBytes);
        if (fields.isEmpty()) // an ID3v1 or APE tag alone
            readProperties(file.properties(), fields);
        break;
    }
    case Kind::Flac: {
        TagLib::FLAC::File file(stream, factory, false);
        if (!file.isValid())
            break;
        if (file.hasXiphComment()) {
            readXiph(*file.xiphComment(), fields);
            addFlacPictures(pictures, file.xiphComment()->pictureList(), maxPictureBytes);
        }
        addFlacPictures(pictures, file.pictureList(), maxPictureBytes);
        if (fields.isEmpty() && file.hasID3v2Tag())
            readId3v2(*file.ID3v2Tag(), fields, pictures, maxPictureBytes);
        break;
    }
    case Kind::OggOpus:
    case Kind::OggVorbis:
    case Kind::OggFlac:
        if (TagLib::Ogg::XiphComment* comment = oggComment(stream, kind, file)) {
            readXiph(*comment, fields);
            addFlacPictures(pictures, comment->pictureList(), maxPictureBytes);
        }
        break;
    case Kind::Mp4: {
        TagLib::MP4::File file(stream, false);
        if (file.isValid() && file.hasMP4Tag())
            readMp4(*file.tag(), fields, pictures, maxPictureBytes);
        break;
    }
    case Kind::Wav: {
        TagLib::RIFF::WAV::File file(stream, false);
        if (!file.isValid())
            break;
        if (file.hasID3v2Tag())
            readId3v2(*file.ID3v2Tag(), fields, pictures, maxPictureBytes);
        if (file.hasInfoTag())
            readRiffInfo(*file.InfoTag(), fields);
        break;
    }
    case Kind::Aiff: {
        TagLib::RIFF::AIFF::File file(stream, false);
        if (file.isValid() && file.hasID3v2Tag())
            readId3v2(*file.tag(), fields, pictures, maxPictureBytes);
        break;
    }
    case Kind::WavPack: {
        TagLib::WavPack::File file(stream, false);
        if (file.isValid())
            readProperties(file.properties(), fields);
        break;
    }
    case Kind::Unknown:
        break;
    }
    AudioTags tags = tagsFrom(fields, kind == Kind::OggOpus);
    tags.pictures = std::move(pictures);
    return tags;
}

} // namespace

Result<AudioTags> read(const QString& path, std::int64_t maxPictureBytes) {
    const QByteArray name = nativepath::encode(path);
    errno = 0;
    TagLib::FileStream stream(name.constData(), true);
    if (!stream.isOpen()) {
        // The system's reason (no such file, no access, too many open files) is the news.
        const int error = errno;
        return tagError(VortanError::FileNotFound, path,
                        error ? QCoreApplication::translate("audiotagsread", "cannot be opened: %1")
                                    .arg(QString::fromLocal8Bit(std::strerror(error)))
                              : QCoreApplication::translate("audiotagsread", "cannot be opened"));
    }
    return readStream(&stream, kindOf(stream), maxPictureBytes);
}

} // namespace audiotags
