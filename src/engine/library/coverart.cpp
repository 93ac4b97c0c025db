#include "engine/library/coverart.h"

#include "engine/library/mirrornames.h"
#include "engine/platform/nativepath.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <cstring>

namespace library {

int coverRank(const QString& fileName) {
    const QString extension = mirrornames::extensionOf(fileName);
    if (extension != QLatin1String("jpg") && extension != QLatin1String("jpeg") &&
        extension != QLatin1String("png"))
        return 0;
    const QString stem = mirrornames::stemOf(fileName).toLower();
    if (stem == QLatin1String("cover"))
        return 1;
    if (stem == QLatin1String("folder"))
        return 2;
    if (stem == QLatin1String("front"))
        return 3;
    return 0;
}

Result<audiotags::Picture> embeddablePicture(const QString& path) {
    const auto refused = [&path](const QString& why) {
        return VortanError(VortanError::InvalidArgument, path, path + QStringLiteral(": ") + why);
    };
    QFile file;
    int error = 0;
    if (!nativepath::openForReading(file, path, &error))
        return refused(QString::fromLocal8Bit(std::strerror(error)));
    // A file far beyond any cover is not read whole.
    if (file.size() > 64 * 1024 * 1024)
        return refused(QCoreApplication::translate("coverart", "too large for a cover image"));
    const QByteArray bytes = file.readAll();
    audiotags::Picture picture;
    picture.type = 3;
    if (bytes.startsWith("\xFF\xD8\xFF"))
        picture.mimeType = QStringLiteral("image/jpeg");
    else if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        picture.mimeType = QStringLiteral("image/png");
    else
        return refused(QCoreApplication::translate("coverart", "neither a JPEG nor a PNG image"));
    if (bytes.size() <= maxEmbeddedPictureBytes) {
        picture.data = bytes;
        return picture;
    }
    QImage image;
    if (!image.loadFromData(bytes))
        return refused(QCoreApplication::translate("coverart", "the image cannot be read"));
    int side = maxEmbeddedPictureSide;
    for (int quality = 90; side >= 100; side = side * 3 / 4, quality = std::max(quality - 10, 60)) {
        QImage scaled =
            image.width() > side || image.height() > side
                ? image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : image;
        if (scaled.hasAlphaChannel()) {
            QImage flat(scaled.size(), QImage::Format_RGB32);
            flat.fill(Qt::white);
            for (int y = 0; y < scaled.height(); ++y)
                for (int x = 0; x < scaled.width(); ++x) {
                    const QColor c = scaled.pixelColor(x, y);
                    const double a = c.alphaF();
                    flat.setPixelColor(
                        x, y,
                        QColor::fromRgbF(static_cast<float>(c.redF() * a + (1 - a)),
                                         static_cast<float>(c.greenF() * a + (1 - a)),
                                         static_cast<float>(c.blueF() * a + (1 - a))));
                }
            scaled = flat;
        }
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        if (!scaled.save(&buffer, "JPEG", quality))
            return refused(QCoreApplication::translate(
                "coverart", "the image cannot be scaled down (no JPEG writer)"));
        if (encoded.size() <= maxEmbeddedPictureBytes) {
            picture.mimeType = QStringLiteral("image/jpeg");
            picture.data = encoded;
            return picture;
        }
    }
    return refused(
        QCoreApplication::translate("coverart", "the image cannot be made small enough to embed"));
}

} // namespace library
