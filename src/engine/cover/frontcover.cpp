#include "engine/cover/frontcover.h"

#include "engine/formats/outputfile.h"
#include "engine/platform/nativepath.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLocale>

#include <cstring>

namespace cover {

namespace {

const QString errorSource = QStringLiteral("Cover");

VortanError refused(const QString& source, const QString& why) {
    return VortanError(VortanError::InvalidArgument, errorSource,
                       QCoreApplication::translate("FrontCover", "%1: %2").arg(source, why));
}

// Whether a JPEG's bytes end with its end-of-image marker (blank bytes after it aside): the
// JPEG reader decodes a picture cut short without failing, the missing part grey.
bool endsWhole(const QByteArray& jpeg) {
    qsizetype end = jpeg.size();
    while (end > 0 && (jpeg[end - 1] == '\0' || jpeg[end - 1] == '\n' || jpeg[end - 1] == '\r' ||
                       jpeg[end - 1] == ' '))
        --end;
    return end >= 2 && jpeg[end - 2] == '\xFF' && jpeg[end - 1] == '\xD9';
}

} // namespace

QString FrontCover::fileName() const {
    return picture.mimeType == QLatin1String("image/png") ? QStringLiteral("cover.png")
                                                          : QStringLiteral("cover.jpg");
}

QString FrontCover::sizeText() const {
    const QLocale english(QLocale::English);
    return QCoreApplication::translate("FrontCover", "%1 × %2 pixels, %3 bytes")
        .arg(pixels.width())
        .arg(pixels.height())
        .arg(english.toString(static_cast<qlonglong>(picture.data.size())));
}

Result<FrontCover> fromBytes(const QByteArray& bytes, const QString& source) {
    if (bytes.size() > maxCoverBytes)
        return refused(source,
                       QCoreApplication::translate("FrontCover", "the picture is larger than %1 MB")
                           .arg(maxCoverBytes / (1024 * 1024)));
    FrontCover cover;
    cover.source = source;
    cover.picture.type = 3;
    if (bytes.startsWith("\xFF\xD8\xFF"))
        cover.picture.mimeType = QStringLiteral("image/jpeg");
    else if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        cover.picture.mimeType = QStringLiteral("image/png");
    else
        return refused(source, QCoreApplication::translate(
                                   "FrontCover", "this is neither a JPEG nor a PNG image"));
    if (cover.picture.mimeType == QLatin1String("image/jpeg") && !endsWhole(bytes))
        return refused(source,
                       QCoreApplication::translate("FrontCover", "the JPEG image is cut short"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // The size from the header, before any pixel is decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return refused(
            source, QCoreApplication::translate("FrontCover", "the image's size cannot be read"));
    if (static_cast<std::int64_t>(size.width()) * size.height() > maxCoverPixels)
        return refused(source, QCoreApplication::translate(
                                   "FrontCover", "the image has %1 × %2 pixels, more than "
                                                 "a cover may have (%3 million)")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .arg(maxCoverPixels / 1'000'000));
    // Decoded at the preview's size: a JPEG reader decodes at that scale, which bounds the
    // memory and the time, and the whole image is still read, so a damaged one is refused.
    if (size.width() > previewSide || size.height() > previewSide)
        reader.setScaledSize(size.scaled(previewSide, previewSide, Qt::KeepAspectRatio));
    QImage preview;
    if (!reader.read(&preview) || preview.isNull())
        return refused(source,
                       QCoreApplication::translate("FrontCover", "the image cannot be read (%1)")
                           .arg(reader.errorString()));
    cover.pixels = size;
    cover.preview = preview;
    cover.picture.data = bytes;
    return cover;
}

Result<FrontCover> fromFile(const QString& path) {
    QFile file;
    int error = 0;
    if (!nativepath::openForReading(file, path, &error))
        return refused(path, QString::fromLocal8Bit(std::strerror(error)));
    // One byte past the bound tells a file that is too large without reading it whole.
    const QByteArray bytes = file.read(maxCoverBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refused(path, file.errorString());
    return fromBytes(bytes, path);
}

Result<SavedFile> saveBeside(const QString& folder, const FrontCover& cover) {
    SavedFile saved;
    const QString wanted = QDir(folder).filePath(cover.fileName());
    if (outputfile::nameInUse(wanted)) {
        saved.path = wanted;
        saved.skipped = true;
        return saved;
    }
    auto written = outputfile::writeWhole(wanted, cover.picture.data);
    if (!written)
        return written.error();
    saved.path = written.value();
    return saved;
}

} // namespace cover
