// The main window and the front cover: fetched from a stand-in Cover Art Archive once a look-up
// has chosen the release, shown in "Disc Information...", replaced there by a picture the user
// chooses or removed, and embedded in a rip with the cover file beside it; the form's picture
// and buttons offscreen.
#include "cdformtest.h"
#include "coverservice.h"
#include "fixtures.h"
#include "musicbrainzservice.h"
#include "riplogtext.h"

#include "engine/platform/id3tag/audiotags.h"
#include "window/dialogs/formdialog.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

using coverservice::releaseId;

class CoverFormTest : public CdFormTest {
  protected:
    Form1& loadDisc() {
        image = disc(QStringLiteral("album"), {{150, 440}, {100, 1000}});
        return load();
    }
    // Rips "Available Tracks" to MP3 and gives the pictures of each file, and the log.
    std::vector<std::vector<audiotags::Picture>> ripMp3(Form1& w, QString* log) {
        w.optMP3->setChecked(true);
        select(SourceTree::AvailableTracksText);
        w.CmdSelectAction_Click();
        waitForJob();
        *log = riplogtext::ripLog(dest.path());
        std::vector<std::vector<audiotags::Picture>> out;
        for (const QString& file : outputs()) {
            const auto tags = audiotags::read(file);
            EXPECT_TRUE(tags.ok()) << file.toStdString();
            out.push_back(tags.ok() ? tags->pictures : std::vector<audiotags::Picture>{});
        }
        return out;
    }
    // Answers every form with the values it shows.
    void answerFormsAsShown() {
        dialogs().formShown = [](const QString&, const QList<dialogs::FormField>& fields) {
            QStringList values;
            for (const dialogs::FormField& field : fields)
                values << field.value;
            return std::optional<QStringList>(values);
        };
    }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = images.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    // MusicBrainz's answer for the disc: the one release the archive is asked about.
    static QByteArray oneRelease() {
        return mbservice::discAnswer(mbservice::release(releaseId.toLatin1().constData(), "Tides",
                                                        "2005", "GB",
                                                        mbservice::medium(1, 2, {}, "Song")));
    }
    DiscImage image;
};

TEST_F(CoverFormTest, TheChosenReleasesCoverIsShownAndEmbeddedInTheRip) {
    mbservice::LocalService musicBrainz;
    musicBrainz.body = oneRelease();
    coverservice::CoverArchive archive;
    const QByteArray picture = coverservice::jpeg(500, 500);
    archive.serve(releaseId, picture);
    WriteSetting(SettingKey::MusicBrainzServer, musicBrainz.address());
    WriteSetting(SettingKey::CoverArtServer, archive.address());
    Form1& w = loadDisc();

    w.mnuLookUp->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.isLookingUp() && !w.isFetchingCover(); }, 60000));
    const Form1::DiscCover known = w.discCover();
    ASSERT_TRUE(known.picture.has_value()) << known.note.toStdString();
    EXPECT_EQ(known.picture->picture.data, picture);
    const QString source = archive.url(QStringLiteral("/store/front-500.jpg"));
    EXPECT_EQ(known.picture->source, source);

    w.mnuDiscInfo->trigger(); // unscripted: cancelled
    const ScriptedDialogs::Record* shown = dialogs().last(QStringLiteral("form"));
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->pictures.size(), 1u);
    EXPECT_FALSE(shown->pictures[0].image.isNull());
    EXPECT_TRUE(shown->pictures[0].caption.startsWith(source));

    QString log;
    for (const auto& pictures : ripMp3(w, &log)) {
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0].data, picture);
    }
    EXPECT_TRUE(log.contains(QStringLiteral("Cover: %1 (500 × 500 pixels").arg(source)))
        << log.toStdString();
    EXPECT_EQ(fixtures::readFile(dest.filePath(QStringLiteral("cover.jpg"))), picture);
    EXPECT_TRUE(dialogs().messages().empty());
}

// A release the archive holds no cover for: the status line says so after the release, and
// the rip goes on without one.
TEST_F(CoverFormTest, AFailedFetchIsSaidInTheStatusLine) {
    mbservice::LocalService musicBrainz;
    musicBrainz.body = oneRelease();
    coverservice::CoverArchive archive;
    WriteSetting(SettingKey::MusicBrainzServer, musicBrainz.address());
    WriteSetting(SettingKey::CoverArtServer, archive.address());
    Form1& w = loadDisc();

    w.mnuLookUp->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.isLookingUp() && !w.isFetchingCover(); }, 60000));
    EXPECT_FALSE(w.discCover().picture.has_value());
    const QString status = w.lblStatus->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("Disc information: "))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral(" \u2014 No front cover: ") + w.discCover().note))
        << status.toStdString();
    EXPECT_TRUE(dialogs().messages().empty());
}

TEST_F(CoverFormTest, APictureChosenInDiscInformationIsKeptForTheRip) {
    Form1& w = loadDisc();
    const QByteArray mine = coverservice::png(64, 48);
    const QString chosen = writeFile(QStringLiteral("front.png"), mine);
    const QString notPicture = writeFile(QStringLiteral("notes.jpg"), "plain words");
    answerFormsAsShown();

    // A file that is no picture is said and changes nothing; then the picture is taken.
    dialogs().files = {QStringList{notPicture}, QStringList{chosen}};
    dialogs().pictureActions = {dialogs::PictureAction::Choose, dialogs::PictureAction::Choose};
    w.mnuDiscInfo->trigger();
    const ScriptedDialogs::Record* form = dialogs().last(QStringLiteral("form"));
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(form->pictures.size(), 3u);
    EXPECT_TRUE(form->pictures[0].image.isNull());
    EXPECT_TRUE(form->pictures[1].image.isNull());
    EXPECT_EQ(form->pictures[2].image.size(), QSize(64, 48));
    EXPECT_TRUE(form->pictures[2].caption.contains(QStringLiteral("64 × 48 pixels")));
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(dialogs().messages()[0].text.contains(QStringLiteral("neither a JPEG nor a PNG")));
    ASSERT_TRUE(w.discCover().picture.has_value());
    EXPECT_EQ(w.discCover().picture->source, chosen);

    QString log;
    for (const auto& pictures : ripMp3(w, &log)) {
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0].mimeType, QStringLiteral("image/png"));
        EXPECT_EQ(pictures[0].data, mine);
    }
    EXPECT_TRUE(log.contains(QStringLiteral("Cover: %1 (64 × 48 pixels").arg(chosen)))
        << log.toStdString();
    // A PNG is written as what it is.
    EXPECT_EQ(fixtures::readFile(dest.filePath(QStringLiteral("cover.png"))), mine);
}

TEST_F(CoverFormTest, ARemovedPictureLeavesTheRipWithoutOneAndACancelKeepsIt) {
    Form1& w = loadDisc();
    const QString chosen = writeFile(QStringLiteral("front.jpg"), coverservice::jpeg(40, 40));
    answerFormsAsShown();
    dialogs().files = {QStringList{chosen}};
    dialogs().pictureActions = {dialogs::PictureAction::Choose};
    w.mnuDiscInfo->trigger();
    ASSERT_TRUE(w.discCover().picture.has_value());

    // Removed, then cancelled: the picture stays.
    dialogs().formShown = nullptr;
    dialogs().forms.push_back(std::nullopt);
    dialogs().pictureActions = {dialogs::PictureAction::Remove};
    w.mnuDiscInfo->trigger();
    ASSERT_TRUE(w.discCover().picture.has_value());

    answerFormsAsShown();
    dialogs().pictureActions = {dialogs::PictureAction::Remove};
    w.mnuDiscInfo->trigger();
    EXPECT_FALSE(w.discCover().picture.has_value());
    QString log;
    for (const auto& pictures : ripMp3(w, &log))
        EXPECT_TRUE(pictures.empty());
    EXPECT_TRUE(log.contains(QStringLiteral("Cover: none (removed in Disc Information)\n")))
        << log.toStdString();
    EXPECT_FALSE(QFile::exists(dest.filePath(QStringLiteral("cover.jpg"))));
}

TEST_F(CoverFormTest, TheFormShowsThePictureAndItsButtonsChangeIt) {
    Form1& w = load();
    std::vector<dialogs::PictureAction> pressed;
    dialogs::FormPicture none{QStringLiteral("Front cover"), {}, QStringLiteral("No front cover.")};
    dialogs::FormPicture some{QStringLiteral("Front cover"), QImage(400, 200, QImage::Format_RGB32),
                              QStringLiteral("/tmp/x.jpg\n400 × 200 pixels, 10 bytes")};
    some.image.fill(Qt::red);
    FormDialog dialog(
        QStringLiteral("Disc Information"), {{QStringLiteral("Album"), QStringLiteral("A")}}, none,
        [&](dialogs::PictureAction action) {
            pressed.push_back(action);
            return action == dialogs::PictureAction::Choose ? some : none;
        },
        &w);
    ASSERT_NE(dialog.pictureView(), nullptr);
    EXPECT_FALSE(dialog.removePictureButton()->isEnabled()); // nothing to remove
    EXPECT_EQ(dialog.pictureCaption()->text(), QStringLiteral("No front cover."));
    dialog.choosePictureButton()->click();
    ASSERT_EQ(pressed, std::vector<dialogs::PictureAction>{dialogs::PictureAction::Choose});
    EXPECT_TRUE(dialog.removePictureButton()->isEnabled());
    const QPixmap shown = dialog.pictureView()->pixmap();
    EXPECT_FALSE(shown.isNull());
    EXPECT_LE(std::max(shown.width(), shown.height()), dialog.pictureView()->width());
    EXPECT_EQ(dialog.pictureCaption()->text(), some.caption);
    dialog.removePictureButton()->click();
    EXPECT_EQ(pressed.back(), dialogs::PictureAction::Remove);
    EXPECT_TRUE(dialog.pictureView()->pixmap().isNull());
    EXPECT_EQ(dialog.values(), QStringList{QStringLiteral("A")});
}

} // namespace
