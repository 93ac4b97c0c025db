#include "engine/platform/id3tag/id3tag.h"

#include "engine/platform/id3tag/id3v2frames.h"

#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <commentsframe.h>

#include <id3v2framefactory.h>
#include <id3v2header.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>
#include <tfilestream.h>
#include <uniquefileidentifierframe.h>

#include <functional>
#include <memory>
#include <unistd.h>

namespace id3tag {

namespace detail {

const char* const musicBrainzOwner = "http://musicbrainz.org";

TagLib::String toTag(const QString& text) {
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}

QString fromTag(const TagLib::String& text) {
    return QString::fromUtf8(text.toCString(true));
}

void setText(TagLib::ID3v2::Tag& tag, const char* id, const QString& value) {
    tag.removeFrames(id);
    if (value.isEmpty())
        return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(toTag(value));
    tag.addFrame(frame); // the tag owns it
}

void setUserText(TagLib::ID3v2::Tag& tag, const QString& description, const QString& value) {
    const TagLib::String name = toTag(description);
    while (auto* old = TagLib::ID3v2::UserTextIdentificationFrame::find(&tag, name))
        tag.removeFrame(old);
    if (value.isEmpty())
        return;
    tag.addFrame(new TagLib::ID3v2::UserTextIdentificationFrame(
        name, TagLib::StringList(toTag(value)), TagLib::String::UTF8));
}

std::unique_ptr<TagLib::IOStream> streamOf(int fd, bool readOnly) {
    const int copy = ::dup(fd);
    if (copy >= 0)
        ::lseek(copy, 0, SEEK_SET);
    return std::make_unique<TagLib::FileStream>(copy, readOnly);
}

} // namespace detail

namespace {

using namespace detail;

const QString errorSource = QStringLiteral("ID3 tag");

VortanError tagError(int number, const QString& path, const QString& why) {
    return VortanError(number, errorSource, QStringLiteral("%1: %2").arg(path, why));
}

void setRecordingId(TagLib::ID3v2::Tag& tag, const QString& id) {
    // The list is copied: removing frames changes the tag's own.
    const TagLib::ID3v2::FrameList frames = tag.frameList("UFID");
    for (TagLib::ID3v2::Frame* frame : frames) {
        const auto* ufid = dynamic_cast<TagLib::ID3v2::UniqueFileIdentifierFrame*>(frame);
        if (ufid && ufid->owner() == musicBrainzOwner)
            tag.removeFrame(frame);
    }
    if (id.isEmpty())
        return;
    const QByteArray bytes = id.toUtf8();
    tag.addFrame(new TagLib::ID3v2::UniqueFileIdentifierFrame(
        musicBrainzOwner,
        TagLib::ByteVector(bytes.constData(), static_cast<unsigned>(bytes.size()))));
}

QString trackText(const TagFields& fields) {
    if (fields.trackNumber <= 0)
        return {};
    if (fields.trackTotal <= 0)
        return QString::number(fields.trackNumber);
    return QStringLiteral("%1/%2").arg(fields.trackNumber).arg(fields.trackTotal);
}

QString discText(const TagFields& fields) {
    if (fields.discTotal <= 0)
        return QString::number(fields.discNumber);
    return QStringLiteral("%1/%2").arg(fields.discNumber).arg(fields.discTotal);
}

QString dateText(const QString& date) {
    static const QRegularExpression form(QStringLiteral("^\\d{4}(-\\d{2}(-\\d{2})?)?$"));
    return form.match(date).hasMatch() ? date : QString();
}

// The size of the ID3v2 tag at the start of `file`; 0 without one.
std::int64_t tagBytesOf(TagLib::MPEG::File& file) {
    return file.hasID3v2Tag() ? file.ID3v2Tag()->header()->completeTagSize() : 0;
}

// The file a stream of `openStream` gives, read and written through TagLib. The stream
// outlives the file that uses it.
class TaggedFile {
  public:
    explicit TaggedFile(std::unique_ptr<TagLib::IOStream> stream)
        : stream_(std::move(stream)),
          file_(stream_.get(), TagLib::ID3v2::FrameFactory::instance(), false) {}
    TagLib::MPEG::File& file() { return file_; }

  private:
    std::unique_ptr<TagLib::IOStream> stream_;
    TagLib::MPEG::File file_;
};

using StreamMaker = std::function<std::unique_ptr<TagLib::IOStream>()>;

Result<std::int64_t> writeTagThrough(const StreamMaker& openStream, const QString& path,
                                     const TagFields& fields, const MoreFrames& more) {
    std::int64_t audioBytes = 0; // everything after the tag: it must come through whole
    bool emptyTag = false;       // no frame is left: the library then removes the tag
    {
        TaggedFile tagged(openStream());
        TagLib::MPEG::File& file = tagged.file();
        if (!file.isOpen())
            return tagError(VortanError::FileNotFound, path,
                            QCoreApplication::translate("id3tag", "cannot be opened"));
        if (file.readOnly())
            return tagError(VortanError::PathAccess, path,
                            QCoreApplication::translate("id3tag", "cannot be written"));
        if (!file.isValid())
            return tagError(VortanError::InvalidArgument, path,
                            QCoreApplication::translate("id3tag", "not an MPEG audio file"));
        audioBytes = file.length() - tagBytesOf(file);

        TagLib::ID3v2::Tag& tag = *file.ID3v2Tag(true);
        setText(tag, "TIT2", fields.title);
        setText(tag, "TPE1", fields.artist);
        setText(tag, "TPE2", fields.albumArtist);
        setText(tag, "TALB", fields.album);
        setText(tag, "TDRC", dateText(fields.date));
        setText(tag, "TRCK", trackText(fields));
        if (fields.discNumber > 0)
            setText(tag, "TPOS", discText(fields));
        setUserText(tag, QStringLiteral("MusicBrainz Album Id"), fields.releaseId);
        setUserText(tag, QStringLiteral("MusicBrainz Disc Id"), fields.discId);
        setRecordingId(tag, fields.recordingId);
        setText(tag, "TSRC", fields.isrc);
        setUserText(tag, QStringLiteral("CATALOGNUMBER"), fields.catalogNumber);
        setUserText(tag, QStringLiteral("REPLAYGAIN_TRACK_GAIN"), fields.trackGain);
        setUserText(tag, QStringLiteral("REPLAYGAIN_TRACK_PEAK"), fields.trackPeak);
        setUserText(tag, QStringLiteral("REPLAYGAIN_ALBUM_GAIN"), fields.albumGain);
        setUserText(tag, QStringLiteral("REPLAYGAIN_ALBUM_PEAK"), fields.albumPeak);
        if (!fields.comment.isEmpty()) {
            const TagLib::ID3v2::FrameList comments = tag.frameList("COMM"); // a copy
            for (TagLib::ID3v2::Frame* frame : comments)
                if (const auto* old = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
                    old && old->description().isEmpty())
                    tag.removeFrame(frame);
            auto* comment = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
            comment->setLanguage("eng");
            comment->setText(toTag(fields.comment));
            tag.addFrame(comment); // the tag owns it
        }
        if (more)
            more(tag);
        emptyTag = tag.isEmpty();
        if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                       TagLib::File::DoNotDuplicate))
            return tagError(
                VortanError::PathAccess, path,
                QCoreApplication::translate("id3tag", "the ID3v2 tag could not be saved"));
    } // closed: what follows reads the file as it now is

    // The library does not check its writes: a full disk or a size limit shows only here.
    TaggedFile reread(openStream());
    TagLib::MPEG::File& saved = reread.file();
    const std::int64_t tagBytes = saved.isOpen() ? tagBytesOf(saved) : 0;
    if (!saved.isOpen() || (tagBytes == 0) != emptyTag || saved.length() - tagBytes != audioBytes)
        return tagError(VortanError::PathAccess, path,
                        QCoreApplication::translate(
                            "id3tag", "the ID3v2 tag could not be written whole; the file "
                                      "may have lost audio"));
    return tagBytes;
}

} // namespace

Result<std::int64_t> writeTag(const QString& path, const TagFields& fields) {
    const QByteArray name = nativepath::encode(path);
    return writeTagThrough(
        [&name] { return std::make_unique<TagLib::FileStream>(name.constData(), false); }, path,
        fields, {});
}

Result<std::int64_t> writeTag(int fd, const QString& path, const TagFields& fields) {
    return detail::writeTag(fd, path, fields, {});
}

Result<std::int64_t> detail::writeTag(int fd, const QString& path, const TagFields& fields,
                                      const MoreFrames& more) {
    return writeTagThrough([fd] { return streamOf(fd, false); }, path, fields, more);
}

Result<std::vector<Frame>> readFrames(const QString& path) {
    const QByteArray name = nativepath::encode(path);
    TagLib::MPEG::File file(name.constData(), false);
    if (!file.isOpen())
        return tagError(VortanError::FileNotFound, path,
                        QCoreApplication::translate("id3tag", "cannot be opened"));
    std::vector<Frame> frames;
    if (!file.hasID3v2Tag())
        return frames;
    for (const TagLib::ID3v2::Frame* frame : file.ID3v2Tag()->frameList()) {
        const TagLib::ByteVector id = frame->frameID();
        Frame listed{QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size())), {}};
        if (const auto* ufid =
                dynamic_cast<const TagLib::ID3v2::UniqueFileIdentifierFrame*>(frame)) {
            const TagLib::ByteVector value = ufid->identifier();
            listed.text = QStringLiteral("[%1] %2").arg(
                fromTag(ufid->owner()),
                QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
        } else {
            listed.text = fromTag(frame->toString());
        }
        frames.push_back(listed);
    }
    return frames;
}

} // namespace id3tag
