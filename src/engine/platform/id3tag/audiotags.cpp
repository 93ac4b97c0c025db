#include "engine/platform/id3tag/audiotags.h"

#include "engine/platform/id3tag/id3v2frames.h"
#include "engine/platform/nativepath.h"

#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <aifffile.h>
#include <apetag.h>
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
#include <oggpageheader.h>
#include <opusfile.h>
#include <textidentificationframe.h>
#include <tfilestream.h>
#include <tpropertymap.h>
#include <uniquefileidentifierframe.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <wavpackfile.h>
#include <xiphcomment.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace audiotags {

namespace {

using id3tag::detail::fromTag;
using id3tag::detail::toTag;

const QString errorSource = QStringLiteral("Audio tags");

VortanError tagError(int number, const QString& path, const QString& why) {
    return VortanError(number, errorSource, QStringLiteral("%1: %2").arg(path, why));
}

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
// under the names taggers give them.
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

QString mimeFromData(const QByteArray& data) {
    if (data.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("image/jpeg");
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("image/png");
    return {};
}

// Adds a picture when its data is within `maxBytes`; the data is copied only then.
void addPicture(std::vector<Picture>& pictures, int type, const QString& mimeType,
                const QString& description, const TagLib::ByteVector& data,
                std::int64_t maxBytes) {
    if (data.isEmpty() || static_cast<std::int64_t>(data.size()) > maxBytes)
        return;
    Picture picture;
    picture.type = type;
    picture.description = description;
    picture.data = QByteArray(data.data(), static_cast<qsizetype>(data.size()));
    picture.mimeType = mimeType.isEmpty() ? mimeFromData(picture.data) : mimeType;
    pictures.push_back(std::move(picture));
}

void addFlacPictures(std::vector<Picture>& pictures, const TagLib::List<TagLib::FLAC::Picture*>& list,
                     std::int64_t maxBytes) {
    for (const TagLib::FLAC::Picture* p : list)
        addPicture(pictures, static_cast<int>(p->type()), fromTag(p->mimeType()),
                   fromTag(p->description()), p->data(), maxBytes);
}

// ---- reading each format ----

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
        {"TIT2", "TITLE"},    {"TPE1", "ARTIST"},   {"TPE2", "ALBUMARTIST"},
        {"TALB", "ALBUM"},    {"TDRC", "DATE"},     {"TCOM", "COMPOSER"},
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
            if (const auto* apic =
                    dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame))
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
        {"INAM", "TITLE"}, {"IART", "ARTIST"},  {"IPRD", "ALBUM"},      {"ICRD", "DATE"},
        {"IGNR", "GENRE"}, {"ICMT", "COMMENT"}, {"ITRK", "TRACKNUMBER"}, {"IPRT", "TRACKNUMBER"},
    };
    for (const auto& [id, name] : chunks)
        if (!fields.contains(QLatin1String(name)))
            add(fields, QLatin1String(name), fromTag(info.fieldText(id)));
}

QString mp4MimeType(TagLib::MP4::CoverArt::Format format) {
    switch (format) {
    case TagLib::MP4::CoverArt::JPEG: return QStringLiteral("image/jpeg");
    case TagLib::MP4::CoverArt::PNG: return QStringLiteral("image/png");
    case TagLib::MP4::CoverArt::GIF: return QStringLiteral("image/gif");
    case TagLib::MP4::CoverArt::BMP: return QStringLiteral("image/bmp");
    default: return {};
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
        {"\251nam", "TITLE"}, {"\251ART", "ARTIST"},   {"aART", "ALBUMARTIST"},
        {"\251alb", "ALBUM"}, {"\251day", "DATE"},     {"\251gen", "GENRE"},
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
                addPicture(pictures, 3, mp4MimeType(art.format()), {}, art.data(),
                           maxPictureBytes);
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

std::optional<double> decibels(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+))\\s*(?:dB)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toDouble();
}

std::optional<Gain> gainOf(const QString& gainText, const QString& peakText) {
    const std::optional<double> db = decibels(gainText);
    if (!db)
        return std::nullopt;
    bool ok = false;
    const double peak = peakText.trimmed().toDouble(&ok);
    return Gain{*db, ok && peak > 0 ? peak : 0};
}

// Opus's R128 gains: Q7.8 dB relative to -23 LUFS, 5 dB below ReplayGain's reference.
std::optional<Gain> r128Gain(const QString& text) {
    bool ok = false;
    const int q78 = text.trimmed().toInt(&ok);
    if (!ok || q78 < -32768 || q78 > 32767)
        return std::nullopt;
    return Gain{q78 / 256.0 + 5.0, 0};
}

QString r128Text(double gainDb) {
    const double q78 = std::round((gainDb - 5.0) * 256.0);
    return QString::number(static_cast<int>(std::clamp(q78, -32768.0, 32767.0)));
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

// ---- what a file is, from its first bytes ----

enum class Kind { Unknown, Mpeg, Flac, OggOpus, OggVorbis, OggFlac, Mp4, Wav, Aiff, WavPack };

Kind kindOf(TagLib::IOStream& stream) {
    stream.seek(0);
    TagLib::ByteVector head = stream.readBlock(12);
    long offset = 0;
    // An ID3v2 tag may stand before MPEG audio and (against the format) before FLAC.
    if (head.size() >= 10 && head.startsWith("ID3")) {
        const auto byte = [&head](unsigned i) { return static_cast<unsigned char>(head[i]); };
        const long size = (byte(6) & 0x7f) << 21 | (byte(7) & 0x7f) << 14 |
                          (byte(8) & 0x7f) << 7 | (byte(9) & 0x7f);
        offset = 10 + size + ((byte(5) & 0x10) ? 10 : 0);
        stream.seek(offset);
        head = stream.readBlock(12);
        stream.seek(0);
        return head.startsWith("fLaC") ? Kind::Flac : Kind::Mpeg;
    }
    if (head.size() < 12)
        return Kind::Unknown;
    if (head.startsWith("fLaC"))
        return Kind::Flac;
    if (head.startsWith("OggS")) {
        stream.seek(0);
        const TagLib::ByteVector page = stream.readBlock(512);
        stream.seek(0);
        // The first packet starts after the page header and its segment table.
        const unsigned segments = page.size() > 26 ? static_cast<unsigned char>(page[26]) : 0;
        const TagLib::ByteVector packet = page.mid(27 + segments, 16);
        if (packet.startsWith("OpusHead"))
            return Kind::OggOpus;
        if (packet.startsWith("\x01vorbis"))
            return Kind::OggVorbis;
        if (packet.startsWith("\x7f" "FLAC"))
            return Kind::OggFlac;
        return Kind::Unknown;
    }
    if (head.mid(4, 4) == "ftyp")
        return Kind::Mp4;
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return Kind::Wav;
    if (head.startsWith("FORM") && (head.mid(8, 4) == "AIFF" || head.mid(8, 4) == "AIFC"))
        return Kind::Aiff;
    if (head.startsWith("wvpk"))
        return Kind::WavPack;
    if (static_cast<unsigned char>(head[0]) == 0xff &&
        (static_cast<unsigned char>(head[1]) & 0xe0) == 0xe0)
        return Kind::Mpeg;
    return Kind::Unknown;
}

// The fields and pictures of the file in `stream`, of kind `kind`.
AudioTags readStream(TagLib::IOStream* stream, Kind kind, std::int64_t maxPictureBytes) {
    Fields fields;
    std::vector<Picture> pictures;
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
    case Kind::OggFlac: {
        std::unique_ptr<TagLib::Ogg::File> file;
        TagLib::Ogg::XiphComment* comment = nullptr;
        if (kind == Kind::OggOpus) {
            auto* opus = new TagLib::Ogg::Opus::File(stream, false);
            file.reset(opus);
            comment = opus->tag();
        } else if (kind == Kind::OggVorbis) {
            auto* vorbis = new TagLib::Ogg::Vorbis::File(stream, false);
            file.reset(vorbis);
            comment = vorbis->tag();
        } else {
            auto* flac = new TagLib::Ogg::FLAC::File(stream, false);
            file.reset(flac);
            comment = flac->tag();
        }
        if (!file->isValid() || !comment)
            break;
        readXiph(*comment, fields);
        addFlacPictures(pictures, comment->pictureList(), maxPictureBytes);
        break;
    }
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
    case Kind::Unknown: break;
    }
    AudioTags tags = tagsFrom(fields, kind == Kind::OggOpus);
    tags.pictures = std::move(pictures);
    return tags;
}

// ---- writing ----

QString gainText(double db) {
    return QString::asprintf("%+.2f dB", db);
}

QString peakText(const std::optional<Gain>& gain) {
    return gain && gain->peak > 0 ? QString::asprintf("%.6f", gain->peak) : QString();
}

QString pairText(int number, int total) {
    if (number <= 0)
        return {};
    return total > 0 ? QStringLiteral("%1/%2").arg(number).arg(total) : QString::number(number);
}

QString positive(int number) {
    return number > 0 ? QString::number(number) : QString();
}

id3tag::TagFields fieldsOf(const AudioTags& tags) {
    id3tag::TagFields fields;
    fields.title = tags.title;
    fields.artist = tags.artist;
    fields.albumArtist = tags.albumArtist;
    fields.album = tags.album;
    fields.date = tags.date;
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
        apic->setMimeType(toTag(picture.mimeType));
        apic->setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(picture.type));
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
    p->setType(static_cast<TagLib::FLAC::Picture::Type>(picture.type));
    p->setMimeType(toTag(picture.mimeType));
    p->setDescription(toTag(picture.description));
    p->setData(TagLib::ByteVector(picture.data.constData(),
                                  static_cast<unsigned>(picture.data.size())));
    return p;
}

// A FLAC metadata block holds at most 2^24 - 1 bytes; a PICTURE block adds 32 bytes and
// the MIME type and description to the picture.
bool fitsFlacBlock(const Picture& picture) {
    const std::int64_t bytes = 32 + picture.mimeType.toUtf8().size() +
                               picture.description.toUtf8().size() + picture.data.size();
    return bytes < (1 << 24);
}

// Where the frames of the FLAC stream start (after "fLaC" and its metadata blocks, and an
// ID3v2 tag before them); 0 when the stream is not FLAC.
long flacAudioStart(TagLib::IOStream& stream) {
    stream.seek(0);
    TagLib::ByteVector head = stream.readBlock(10);
    long at = 0;
    if (head.size() == 10 && head.startsWith("ID3")) {
        const auto byte = [&head](unsigned i) { return static_cast<unsigned char>(head[i]); };
        at = 10 + ((byte(6) & 0x7f) << 21 | (byte(7) & 0x7f) << 14 | (byte(8) & 0x7f) << 7 |
                   (byte(9) & 0x7f)) +
             ((byte(5) & 0x10) ? 10 : 0);
    }
    stream.seek(at);
    if (stream.readBlock(4) != "fLaC")
        return 0;
    at += 4;
    const long length = stream.length();
    for (bool last = false; !last;) {
        stream.seek(at);
        const TagLib::ByteVector block = stream.readBlock(4);
        if (block.size() < 4)
            return 0;
        last = (static_cast<unsigned char>(block[0]) & 0x80) != 0;
        at += 4 + static_cast<long>(block.toUInt(1U, 3U, true));
        if (at > length)
            return 0;
    }
    return at;
}

using id3tag::detail::streamOf;

std::optional<VortanError> writeFlac(int fd, const QString& path, const AudioTags& tags) {
    long audioBytes = 0;
    {
        const auto stream = streamOf(fd, false);
        if (!stream->isOpen())
            return tagError(VortanError::FileNotFound, path, QStringLiteral("cannot be opened"));
        const long start = flacAudioStart(*stream);
        audioBytes = stream->length() - start;
        TagLib::FLAC::File file(stream.get(), TagLib::ID3v2::FrameFactory::instance(), false);
        if (!file.isValid() || start == 0)
            return tagError(VortanError::InvalidArgument, path,
                            QStringLiteral("not a FLAC file"));
        TagLib::Ogg::XiphComment& comment = *file.xiphComment(true);
        setXiph(comment, tags, false);
        comment.removeAllPictures(); // pictures go in PICTURE blocks
        file.removePictures();
        for (const Picture& picture : tags.pictures)
            if (fitsFlacBlock(picture))
                file.addPicture(flacPicture(picture));
        if (!file.save())
            return tagError(VortanError::PathAccess, path,
                            QStringLiteral("the FLAC tags could not be saved"));
    }
    // The library does not check its writes: a full disk or a size limit shows only here.
    const auto reread = streamOf(fd, true);
    const long start = reread->isOpen() ? flacAudioStart(*reread) : 0;
    if (start == 0 || reread->length() - start != audioBytes)
        return tagError(VortanError::PathAccess, path,
                        QStringLiteral("the FLAC tags could not be written whole; the file "
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
        const auto stream = streamOf(fd, false);
        if (!stream->isOpen())
            return tagError(VortanError::FileNotFound, path, QStringLiteral("cannot be opened"));
        end = lastGranule(stream.get());
        TagLib::Ogg::Opus::File file(stream.get(), false);
        if (!end || !file.isValid() || !file.tag())
            return tagError(VortanError::InvalidArgument, path,
                            QStringLiteral("not an Ogg Opus file"));
        TagLib::Ogg::XiphComment& comment = *file.tag();
        setXiph(comment, tags, true);
        comment.removeAllPictures();
        for (const Picture& picture : tags.pictures)
            comment.addPicture(flacPicture(picture));
        if (!file.save())
            return tagError(VortanError::PathAccess, path,
                            QStringLiteral("the Opus tags could not be saved"));
    }
    const auto reread = streamOf(fd, true);
    if (!reread->isOpen() || lastGranule(reread.get()) != end)
        return tagError(VortanError::PathAccess, path,
                        QStringLiteral("the Opus tags could not be written whole; the file "
                                       "may have lost audio"));
    return std::nullopt;
}

std::optional<unsigned> wavFrames(TagLib::IOStream* stream) {
    TagLib::RIFF::WAV::File file(stream, true);
    if (!file.isValid() || !file.audioProperties())
        return std::nullopt;
    return file.audioProperties()->sampleFrames();
}

std::optional<VortanError> writeWav(int fd, const QString& path, const AudioTags& tags) {
    std::optional<unsigned> frames;
    {
        const auto stream = streamOf(fd, false);
        if (!stream->isOpen())
            return tagError(VortanError::FileNotFound, path, QStringLiteral("cannot be opened"));
        frames = wavFrames(stream.get());
        TagLib::RIFF::WAV::File file(stream.get(), false);
        if (!frames || !file.isValid())
            return tagError(VortanError::InvalidArgument, path,
                            QStringLiteral("not a WAV file"));
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
            return tagError(VortanError::PathAccess, path,
                            QStringLiteral("the WAV tags could not be saved"));
    }
    const auto reread = streamOf(fd, true);
    if (!reread->isOpen() || wavFrames(reread.get()) != frames)
        return tagError(VortanError::PathAccess, path,
                        QStringLiteral("the WAV tags could not be written whole; the file "
                                       "may have lost audio"));
    return std::nullopt;
}

} // namespace

Result<AudioTags> read(const QString& path, std::int64_t maxPictureBytes) {
    const QByteArray name = nativepath::encode(path);
    TagLib::FileStream stream(name.constData(), true);
    if (!stream.isOpen())
        return tagError(VortanError::FileNotFound, path, QStringLiteral("cannot be opened"));
    return readStream(&stream, kindOf(stream), maxPictureBytes);
}

std::optional<VortanError> write(int fd, const QString& path, Container container,
                                 const AudioTags& tags) {
    switch (container) {
    case Container::Mp3: {
        const auto written = id3tag::detail::writeTag(
            fd, path, fieldsOf(tags),
            [&tags](TagLib::ID3v2::Tag& tag) { setId3v2Extras(tag, tags); });
        if (!written)
            return written.error();
        return std::nullopt;
    }
    case Container::Flac: return writeFlac(fd, path, tags);
    case Container::Opus: return writeOpus(fd, path, tags);
    case Container::Wav: return writeWav(fd, path, tags);
    }
    return tagError(VortanError::InvalidArgument, path, QStringLiteral("unknown container"));
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
    tags.releaseId = fields.releaseId;
    tags.discId = fields.discId;
    tags.recordingId = fields.recordingId;
    tags.isrc = fields.isrc;
    tags.catalogNumber = fields.catalogNumber;
    tags.trackGain = gainOf(fields.trackGain, fields.trackPeak);
    tags.albumGain = gainOf(fields.albumGain, fields.albumPeak);
    return tags;
}

} // namespace audiotags
