// File names reach the system as the very bytes they were given.
#include "engine/platform/nativepath.h"

#include "engine/core/findfilesapi.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(NativePath, EveryByteSequenceComesBackAsItWas) {
    const QByteArray names[] = {
        "plain.wav",
        "caf\xc3\xa9 \xe2\x99\xab \xf0\x9f\x8e\xb5.mp3", // valid UTF-8, astral plane included
        "caf\xe9.wav",                                   // Latin-1
        "\xff\xfe\x80\xc0\xaf",                          // never valid anywhere
        "\xed\xa0\x80\xed\xb2\xa9",                      // UTF-8 of surrogates: not valid
        "\xf4\x90\x80\x80 \xe0\x80\xaf",                 // above U+10FFFF, overlong
        "cut \xe2\x99",                                  // a sequence cut short
    };
    for (const QByteArray& name : names) {
        const QString decoded = nativepath::decode(name);
        EXPECT_EQ(nativepath::encode(decoded), name) << name.toHex().toStdString();
    }
    // Valid UTF-8 reads as its characters, as Qt reads it.
    EXPECT_EQ(nativepath::decode(names[1]), QString::fromUtf8(names[1]));
}

// A name Qt's own conversion would mangle is listed by a folder scan and reached by that
// listing.
TEST(NativePath, ScannedNamesReachTheirFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray native = QFile::encodeName(dir.path()) + "/caf\xe9.wav";
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "RIFF", 4), 4);
    ::close(fd);

    const QStringList found = findFiles(dir.path(), QStringLiteral("wav"));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(nativepath::encode(found.front()), native);
    EXPECT_TRUE(nativepath::isFile(found.front()));
    EXPECT_EQ(nativepath::fileSize(found.front()), 4);
    QFile file;
    ASSERT_TRUE(nativepath::openForReading(file, found.front()));
    EXPECT_EQ(file.readAll(), QByteArray("RIFF"));
    ::unlink(native.constData()); // beyond the reach of QTemporaryDir's own clean-up
}
