#include "engine/player/filemove.h"
#include "fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

namespace {

// A folder on another file system than the temporary folder's (the shared-memory one, where
// the system has it); invalid when there is none.
std::unique_ptr<QTemporaryDir> otherFileSystem() {
    auto dir = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/vortan-move-XXXXXX"));
    struct stat here = {}, there = {};
    if (!dir->isValid() || ::stat(QDir::tempPath().toLocal8Bit().constData(), &here) != 0 ||
        ::stat(dir->path().toLocal8Bit().constData(), &there) != 0 || here.st_dev == there.st_dev)
        return nullptr;
    return dir;
}

// Onto another file system the file is copied whole, with its permissions, replacing what
// had the name, and the original goes; no temporary file stays behind.
TEST(FileMove, AcrossFileSystemsTheFileIsCopiedThenRemoved) {
    const auto other = otherFileSystem();
    if (!other)
        GTEST_SKIP() << "no second file system to move to";
    QTemporaryDir here;
    const QString from = here.filePath(QStringLiteral("song.mp3"));
    const QByteArray bytes = QByteArray("ID3").repeated(500'000);
    fixtures::writeFile(from, bytes);
    ASSERT_EQ(::chmod(from.toLocal8Bit().constData(), 0640), 0);
    const QString to = other->filePath(QStringLiteral("moved.mp3"));
    fixtures::writeFile(to, "older");

    const auto moved = filemove::moveFile(from, to);
    ASSERT_TRUE(moved) << moved.error().description().toStdString();
    EXPECT_TRUE(moved->copied);
    EXPECT_TRUE(moved->originalKept.isEmpty());
    EXPECT_FALSE(QFile::exists(from));
    EXPECT_EQ(fixtures::readFile(to), bytes);
    struct stat info = {};
    ASSERT_EQ(::stat(to.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(other->path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("moved.mp3")});
}

// Within a file system a rename; a rename the system refuses names both files and why, and
// changes nothing.
TEST(FileMove, RenamesOrSaysWhyNot) {
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("a.wav"));
    fixtures::writeFile(from, "audio");
    const QString to = dir.filePath(QStringLiteral("b.wav"));
    const auto moved = filemove::moveFile(from, to);
    ASSERT_TRUE(moved);
    EXPECT_FALSE(moved->copied);
    EXPECT_EQ(fixtures::readFile(to), "audio");

    const QString nowhere = dir.filePath(QStringLiteral("no folder/c.wav"));
    const auto refused = filemove::moveFile(to, nowhere);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().description(),
              QStringLiteral("Cannot rename %1 to %2: No such file or directory").arg(to, nowhere));
    EXPECT_TRUE(QFile::exists(to));
}

} // namespace
