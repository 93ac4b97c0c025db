// File > Convert Folder...: a music folder mirrored through the window's batch.
#include "fixtures.h"
#include "formtest.h"

#include <QAction>

namespace {

class ConvertFolderTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        ASSERT_TRUE(library.isValid());
        QDir().mkpath(library.filePath(QStringLiteral("Album")));
        fixtures::writeFile(library.filePath(QStringLiteral("Album/01 Song.wav")),
                            fixtures::wavBytes(fixtures::sine(440, 1.0)));
    }
    QStringList texts() const {
        QStringList out;
        for (const dialogs::Message& m : testsupport::scriptedDialogs().messages())
            out << m.text;
        return out;
    }
    QTemporaryDir library;
};

} // namespace

TEST_F(ConvertFolderTest, AFolderIsConvertedOnceItsPreviewIsConfirmedAndThenIsUpToDate) {
    Form1& w = load();
    const QString out = dest.filePath(QStringLiteral("mirror"));
    const QStringList form{library.path(),         out,
                           QStringLiteral("flac"), QStringLiteral("5"),
                           QStringLiteral("no"),   QStringLiteral("no")};
    dialogs().folders.push_back(library.path());
    dialogs().forms.push_back(form);
    dialogs().answers.push_back(dialogs::Answer::Yes);
    w.mnuConvertFolder->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return texts().size() == 2 && !w.isJobRunning(); }, 60000))
        << texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(texts()[0].startsWith(QLatin1String("1 files to convert, 0 to copy, 0 up to date")))
        << texts()[0].toStdString();
    EXPECT_EQ(testsupport::scriptedDialogs().messages()[0].buttons, dialogs::Buttons::YesNo);
    EXPECT_TRUE(texts()[1].startsWith(QLatin1String("Converted: 1\nCopied: 0\nUp to date: 0\n"
                                                    "Failed: 0")))
        << texts()[1].toStdString();
    EXPECT_TRUE(QFileInfo(out + QStringLiteral("/Album/01 Song.flac")).size() > 1000);

    // Again: nothing to do, and a "No" to the preview changes nothing.
    dialogs().folders.push_back(library.path());
    dialogs().forms.push_back(form);
    dialogs().answers.push_back(dialogs::Answer::No);
    w.mnuConvertFolder->trigger();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return texts().size() == 3 && !w.isPlanningFolder(); }, 60000));
    EXPECT_TRUE(texts()[2].startsWith(QLatin1String("0 files to convert, 0 to copy, 1 up to date")))
        << texts()[2].toStdString();
}

TEST_F(ConvertFolderTest, ADestinationInsideTheFolderIsRefusedAndAWrongFormatNamed) {
    Form1& w = load();
    const QString inside = library.filePath(QStringLiteral("Album/out"));
    dialogs().folders.push_back(library.path());
    dialogs().forms.push_back(QStringList{library.path(), inside, QStringLiteral("mp3"), QString(),
                                          QStringLiteral("no"), QStringLiteral("no")});
    w.mnuConvertFolder->trigger();
    ASSERT_EQ(texts().size(), 1);
    EXPECT_TRUE(texts()[0].contains(QLatin1String("lies inside the source folder")));
    EXPECT_FALSE(QFileInfo::exists(inside));

    dialogs().folders.push_back(library.path());
    dialogs().forms.push_back(QStringList{library.path(), dest.filePath(QStringLiteral("m")),
                                          QStringLiteral("ogg"), QString(), QStringLiteral("no"),
                                          QStringLiteral("no")});
    w.mnuConvertFolder->trigger();
    ASSERT_EQ(texts().size(), 2);
    EXPECT_TRUE(texts()[1].contains(QLatin1String("\"ogg\" is not one of mp3, flac, opus, wav")));
}
