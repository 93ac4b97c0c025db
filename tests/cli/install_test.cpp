// `cmake --install` of this build into a temporary prefix: the files a desktop needs are there
// and the installed programs run from the prefix alone.
#include "clirun.h"
#include "fixtures.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Install, PutsProgramsHelpMenuEntryIconAndManualPageWhereTheyBelong) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const CliRun installed =
        runProgram(QStringLiteral(VORTAN_CMAKE),
                   {QStringLiteral("--install"), QStringLiteral(VORTAN_BUILD_DIR),
                    QStringLiteral("--prefix"), prefix.path()},
                   QProcessEnvironment::systemEnvironment(), prefix.path());
    ASSERT_EQ(installed.exitCode, 0) << installed.err.toStdString();

    for (const char* file :
         {"bin/mp3vortan", "bin/mp3vortan-cli", "share/mp3vortan/help/index.html",
          "share/applications/mp3vortan.desktop", "share/icons/hicolor/32x32/apps/mp3vortan.png",
          "share/man/man1/mp3vortan-cli.1.gz", "share/mp3vortan/translations/mp3vortan_de.qm"})
        EXPECT_TRUE(QFileInfo(prefix.filePath(QString::fromLatin1(file))).isFile()) << file;
    const QByteArray entry =
        fixtures::readFile(prefix.filePath(QStringLiteral("share/applications/mp3vortan.desktop")));
    EXPECT_TRUE(entry.contains("\nCategories=AudioVideo;Audio;\n"));
    EXPECT_TRUE(entry.contains("\nIcon=mp3vortan\n"));

    // Run from the prefix with nothing of the build tree: the installed program keeps its
    // files out of its own folder, so a first run writes into the Music folder.
    const QString home = prefix.filePath(QStringLiteral("home"));
    const QProcessEnvironment env = headlessEnvironment(home);
    const QString program = prefix.filePath(QStringLiteral("bin/mp3vortan-cli"));
    const CliRun version = runProgram(program, {QStringLiteral("--version")}, env, prefix.path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("mp3vortan-cli " VORTAN_VERSION "\n"));

    // The installed program finds its translation: German help for a German user.
    QProcessEnvironment german = env;
    german.remove(QStringLiteral("LC_ALL"));
    german.remove(QStringLiteral("LC_MESSAGES"));
    german.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
    const CliRun help = runProgram(program, {QStringLiteral("--help")}, german, prefix.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Aufruf: mp3vortan-cli"))) << help.out.left(80).toStdString();

    fixtures::writeFile(prefix.filePath(QStringLiteral("tone.wav")),
                        fixtures::wavBytes(fixtures::sine(440, 1.0)));
    const CliRun encoded = runProgram(
        program, {QStringLiteral("encode"), QStringLiteral("tone.wav")}, env, prefix.path());
    EXPECT_EQ(encoded.exitCode, 0) << encoded.err.toStdString();
    EXPECT_EQ(encoded.out.trimmed(), home + QStringLiteral("/Music/WAVFiles/tone.mp3"));
    EXPECT_FALSE(QFileInfo::exists(prefix.filePath(QStringLiteral("bin/WAVFiles"))));
}
