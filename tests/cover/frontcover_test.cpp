// Pictures a rip takes as the front cover: what is refused before it costs memory, and the
// cover file written beside the tracks without replacing the user's.
#include "coverservice.h"

#include "engine/cover/frontcover.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FrontCover, AJpegOrAPngIsTakenAsItCameWithItsSizeAndABoundedPreview) {
    const QByteArray bytes = coverservice::jpeg(640, 480);
    const auto jpeg = cover::fromBytes(bytes, QStringLiteral("https://example.org/front.jpg"));
    ASSERT_TRUE(jpeg.ok()) << jpeg.error().description().toStdString();
    EXPECT_EQ(jpeg->picture.data, bytes);
    EXPECT_EQ(jpeg->picture.mimeType, QStringLiteral("image/jpeg"));
    EXPECT_EQ(jpeg->picture.type, 3);
    EXPECT_EQ(jpeg->pixels, QSize(640, 480));
    EXPECT_EQ(jpeg->preview.size(), QSize(300, 225));
    EXPECT_EQ(jpeg->fileName(), QStringLiteral("cover.jpg"));
    EXPECT_EQ(jpeg->sizeText(), QStringLiteral("640 × 480 pixels, %1 bytes")
                                    .arg(QLocale(QLocale::English).toString(bytes.size())));

    const auto png = cover::fromBytes(coverservice::png(40, 30), QStringLiteral("a.png"));
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png->picture.mimeType, QStringLiteral("image/png"));
    EXPECT_EQ(png->pixels, QSize(40, 30));
    EXPECT_EQ(png->preview.size(), QSize(40, 30));
    EXPECT_EQ(png->fileName(), QStringLiteral("cover.png"));
}

TEST(FrontCover, WhatIsNoPictureOrTooLargeIsRefusedWithTheReason) {
    const auto refusal = [](const QByteArray& bytes) {
        const auto got = cover::fromBytes(bytes, QStringLiteral("src"));
        EXPECT_FALSE(got.ok());
        return got.ok() ? QString() : got.error().description();
    };
    EXPECT_TRUE(refusal("<html><body>Not Found</body></html>")
                    .contains(QStringLiteral("neither a JPEG nor a PNG")));
    EXPECT_TRUE(refusal({}).contains(QStringLiteral("neither a JPEG nor a PNG")));
    // A JPEG cut short after its header is no picture.
    const QByteArray whole = coverservice::jpeg(200, 200);
    EXPECT_FALSE(refusal(whole.left(whole.size() / 3)).isEmpty());
    // 20,000 × 20,000 pixels in a few hundred bytes: refused from the header alone.
    const QString huge = refusal(coverservice::jpegAnnouncing(20000, 20000));
    EXPECT_TRUE(huge.contains(QStringLiteral("20000 × 20000"))) << huge.toStdString();
    // More than 10 MB, whatever it holds.
    QByteArray large = coverservice::jpeg(16, 16);
    large.append(QByteArray(cover::maxCoverBytes, '\0'));
    EXPECT_TRUE(refusal(large).contains(QStringLiteral("10 MB")));
}

TEST(FrontCover, AFileIsReadWithinTheBoundAndNamedInMessages) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("my cover.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(coverservice::jpeg(120, 100));
    file.close();
    const auto read = cover::fromFile(path);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->source, path);
    EXPECT_EQ(read->pixels, QSize(120, 100));

    const auto missing = cover::fromFile(dir.filePath(QStringLiteral("none.jpg")));
    ASSERT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error().description().contains(QStringLiteral("none.jpg")));
}

TEST(FrontCover, TheCoverFileNeverReplacesOneTheUserHas) {
    QTemporaryDir dir;
    const auto cover = cover::fromBytes(coverservice::jpeg(50, 50), QStringLiteral("x"));
    ASSERT_TRUE(cover.ok());
    const auto saved = cover::saveBeside(dir.path(), cover.value());
    ASSERT_TRUE(saved.ok()) << saved.error().description().toStdString();
    EXPECT_FALSE(saved->skipped);
    EXPECT_EQ(saved->path, dir.filePath(QStringLiteral("cover.jpg")));
    QFile written(saved->path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), cover->picture.data);
    written.close();

    // The user's own cover.jpg stays as it is; nothing else is written.
    const auto other = cover::fromBytes(coverservice::jpeg(60, 60), QStringLiteral("y"));
    ASSERT_TRUE(other.ok());
    const auto again = cover::saveBeside(dir.path(), other.value());
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(again->skipped);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), cover->picture.data);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("cover.jpg")});

    // A folder that cannot take it: the reason names the file.
    const auto failed =
        cover::saveBeside(dir.filePath(QStringLiteral("missing/folder")), cover.value());
    ASSERT_FALSE(failed.ok());
    EXPECT_TRUE(failed.error().description().contains(QStringLiteral("cover.jpg")));
}

} // namespace
