// Output names of a batch never point at a file that exists or was claimed before.
#include "engine/core/outputnames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(OutputNames, TakenNamesGetTheFirstFreeNumberBeforeTheExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto path = [&dir](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
    QFile(path("take.mp3")).open(QIODevice::WriteOnly);
    QFile(path("take (2).mp3")).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir(QStringLiteral("song.wav"));
    // A link to nowhere: writing through it would create whatever it names.
    QFile::link(path("nowhere"), path("dangling.wav"));

    OutputNames names;
    EXPECT_EQ(names.claim(path("take.mp3")), path("take (3).mp3"));
    EXPECT_EQ(names.claim(path("take.mp3")), path("take (4).mp3")); // claimed just before
    EXPECT_EQ(names.claim(path("song.wav")), path("song (2).wav"));
    EXPECT_EQ(names.claim(path("dangling.wav")), path("dangling (2).wav"));
    EXPECT_EQ(names.claim(path("Take.mp3")), path("Take.mp3")); // another file on Linux
    EXPECT_EQ(names.claim(path("free.wav")), path("free.wav"));
    EXPECT_EQ(OutputNames::numbered(QStringLiteral("/a.b/noext"), 2),
              QStringLiteral("/a.b/noext (2)"));
    EXPECT_EQ(OutputNames::numbered(QStringLiteral("/d/.hidden"), 2),
              QStringLiteral("/d/.hidden (2)"));
    EXPECT_EQ(OutputNames::numbered(QStringLiteral("/d/a.tar.gz"), 2),
              QStringLiteral("/d/a.tar (2).gz"));
}
