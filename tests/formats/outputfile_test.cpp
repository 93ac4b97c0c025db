// Outputs are written under a temporary name and put in place without replacing anything.
#include "engine/formats/outputfile.h"
#include "engine/platform/nativepath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAndClose(int fd, const QByteArray& bytes) {
    ASSERT_EQ(::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())), bytes.size());
    ASSERT_EQ(::close(fd), 0);
}

} // namespace

TEST(OutputFile, NumberedNamesFitTheFileSystemByWholeCharacters) {
    // 126 two-byte characters and ".mp3": 256 bytes, one too many; " (2)" needs 4 more.
    const QString stem(126, QChar(0x00e9));
    const QString path = QStringLiteral("/d/") + stem + QStringLiteral(".mp3");
    const QString first = outputfile::numbered(path, 1, 255);
    const QString second = outputfile::numbered(path, 2, 255);
    EXPECT_EQ(first, QStringLiteral("/d/") + QString(125, QChar(0x00e9)) + QStringLiteral(".mp3"));
    EXPECT_EQ(second,
              QStringLiteral("/d/") + QString(123, QChar(0x00e9)) + QStringLiteral(" (2).mp3"));
    EXPECT_EQ(outputfile::numbered(QStringLiteral("/d/.mp3"), 2), QStringLiteral("/d/.mp3 (2)"));
    EXPECT_EQ(outputfile::numbered(QStringLiteral("/d/take"), 3), QStringLiteral("/d/take (3)"));
}

// The cut is on a character boundary and as long as the bytes allow, whatever the characters
// weigh: one, two, three and four bytes, and bytes of a name that is not UTF-8.
TEST(OutputFile, FittingLengthCutsByWholeCharactersToTheBytesAllowed) {
    const QString text =
        nativepath::decode(QByteArray("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb5\xe9z"));
    const QByteArray bytes = nativepath::encode(text);
    for (qsizetype limit = 0; limit <= bytes.size() + 1; ++limit) {
        SCOPED_TRACE(limit);
        const qsizetype n = outputfile::fittingLength(text, limit);
        const qsizetype used = nativepath::encode(text.left(n)).size();
        EXPECT_LE(used, limit);
        EXPECT_FALSE(n > 0 && text[n - 1].isHighSurrogate());
        if (n < text.size()) { // the next character would not fit
            const qsizetype next = n + (text[n].isHighSurrogate() ? 2 : 1);
            EXPECT_GT(nativepath::encode(text.left(next)).size(), limit);
        }
    }
    const QString huge(4'000'000, QChar(0x00e9));
    EXPECT_EQ(outputfile::fittingLength(huge, 255), 127);
}

TEST(OutputFile, TemporaryFileIsExclusiveHiddenAndNeverFollowsALink) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wanted = dir.filePath(QStringLiteral("song.mp3"));
    const QString target = dir.filePath(QStringLiteral("precious.wav"));
    QFile precious(target);
    ASSERT_TRUE(precious.open(QIODevice::WriteOnly));
    precious.write("keep me");
    precious.close();
    // Something planted at the wanted name: the output must go neither through it nor over it.
    ASSERT_TRUE(QFile::link(target, wanted));

    auto created = outputfile::createTemporary(wanted);
    ASSERT_TRUE(created.ok()) << created.error().description().toStdString();
    const QString temporaryName = QFileInfo(created->temporaryPath).fileName();
    EXPECT_TRUE(outputfile::isTemporaryName(temporaryName));
    EXPECT_TRUE(temporaryName.startsWith(QLatin1Char('.')));
    EXPECT_FALSE(temporaryName.endsWith(QStringLiteral(".mp3")));
    // Locked while its writer holds it.
    const int other = ::open(QFile::encodeName(created->temporaryPath).constData(), O_RDONLY);
    ASSERT_GE(other, 0);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
    writeAndClose(created->fd, "new audio");

    auto published = outputfile::publish(created->temporaryPath, wanted);
    ASSERT_TRUE(published.ok()) << published.error().description().toStdString();
    EXPECT_EQ(published.value(), dir.filePath(QStringLiteral("song (2).mp3")));
    EXPECT_EQ(contentOf(published.value()), QByteArray("new audio"));
    EXPECT_EQ(contentOf(target), QByteArray("keep me"));
    EXPECT_TRUE(QFileInfo(wanted).isSymLink());
    EXPECT_FALSE(QFile::exists(created->temporaryPath));
}

TEST(OutputFile, PublishTakesTheNextNumberWhenNamesAreTakenMeanwhile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wanted = dir.filePath(QStringLiteral("a.wav"));
    auto first = outputfile::createTemporary(wanted);
    auto second = outputfile::createTemporary(wanted);
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_NE(first->temporaryPath, second->temporaryPath);
    writeAndClose(first->fd, "first");
    writeAndClose(second->fd, "second");
    // Another program takes both the name and its first number after the names were chosen.
    QFile(wanted).open(QIODevice::WriteOnly);
    QFile(dir.filePath(QStringLiteral("a (2).wav"))).open(QIODevice::WriteOnly);

    EXPECT_EQ(outputfile::publish(first->temporaryPath, wanted).value(),
              dir.filePath(QStringLiteral("a (3).wav")));
    EXPECT_EQ(outputfile::publish(second->temporaryPath, wanted).value(),
              dir.filePath(QStringLiteral("a (4).wav")));
    EXPECT_EQ(contentOf(dir.filePath(QStringLiteral("a (3).wav"))), QByteArray("first"));
    EXPECT_EQ(contentOf(wanted), QByteArray());
}

TEST(OutputFile, LeftoversAreRemovedOnlyWhenNoWriterHoldsThemAndTheyAreOld) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto held = outputfile::createTemporary(dir.filePath(QStringLiteral("held.mp3")));
    auto dead = outputfile::createTemporary(dir.filePath(QStringLiteral("dead.mp3")));
    auto young = outputfile::createTemporary(dir.filePath(QStringLiteral("young.mp3")));
    ASSERT_TRUE(held.ok() && dead.ok() && young.ok());
    ::close(dead->fd); // its writer was killed
    ::close(young->fd);
    const utimbuf old{0, 1000};
    for (const QString& path : {held->temporaryPath, dead->temporaryPath})
        ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &old), 0);
    QFile(dir.filePath(QStringLiteral("user.mp3"))).open(QIODevice::WriteOnly);

    const QStringList removed = outputfile::removeLeftovers(dir.path());
    EXPECT_EQ(removed, QStringList{dead->temporaryPath});
    EXPECT_TRUE(QFile::exists(held->temporaryPath));
    EXPECT_TRUE(QFile::exists(young->temporaryPath));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("user.mp3"))));
    ::close(held->fd);
}
