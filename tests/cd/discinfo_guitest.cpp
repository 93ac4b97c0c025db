// The main window's disc information over a disc image with CD-Text: the disc ID and the
// tracks' tool tips, the MusicBrainz look-up against a local service, the "Disc Information"
// dialog, and ripped files named after the titles.
#include "cdformtest.h"
#include "fixtures.h"
#include "musicbrainzservice.h"
#include "riplogtext.h"

#include "engine/platform/discid/mbdiscid.h"
#include "engine/platform/id3tag/id3tag.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

using namespace mbservice;

const QString lookUpTitle = QStringLiteral("Look Up Disc Information");

class DiscInfoFormTest : public CdFormTest {
  protected:
    // Two tracks with CD-Text, one title holding characters no file name may.
    Form1& loadDisc() {
        DiscImageOptions options;
        options.title = QStringLiteral("Sea Songs");
        options.performer = QStringLiteral("Ann Vale");
        image = disc(QStringLiteral("album"),
                     {{150, 440, QStringLiteral("Wind/Rain"), QStringLiteral("Ann Vale")},
                      {100, 1000, QStringLiteral("Why?"), {}}},
                     options);
        return load();
    }
    // The tool tip of the entry of track `track` under "Available Tracks".
    QString toolTip(int track) {
        for (const auto id : tree().childrenOf(node(SourceTree::AvailableTracksText)))
            if (tree().trackOf(id) == track)
                return tree().data(tree().indexOf(id), Qt::ToolTipRole).toString();
        return QStringLiteral("(no entry)");
    }
    QStringList titles(const DiscInfo& info) {
        QStringList out;
        for (const TrackInfo& track : info.tracks)
            out << track.title;
        return out;
    }
    // Starts a look-up from `action` and waits for its answer; the window is never blocked
    // meanwhile.
    void lookUp(Form1& w, QAction* action) {
        action->trigger();
        EXPECT_TRUE(w.isLookingUp());
        EXPECT_FALSE(w.mnuLookUp->isEnabled()); // no second look-up while one runs
        EXPECT_TRUE(QTest::qWaitFor([&w] { return !w.isLookingUp(); }, 60000));
        EXPECT_TRUE(w.mnuLookUp->isEnabled());
    }
    DiscImage image;
};

TEST_F(DiscInfoFormTest, TheListingShowsTheDiscIdAndEachTracksTitle) {
    Form1& w = loadDisc();
    const auto toc = cddrives::readToc(0);
    ASSERT_TRUE(toc.ok());
    const auto id = mbdiscid::musicBrainzDisc(toc.value());
    ASSERT_TRUE(id.ok());
    EXPECT_EQ(w.lblDiscId->text(), id->id);
    EXPECT_EQ(w.lblCDID->text(), QString::number(cddrives::freedbDiscId(toc.value())));
    EXPECT_EQ(tree().lstTracks.items(), texts({"Track  1 - 0:02", "Track  2 - 0:01"}));
    EXPECT_EQ(toolTip(1), QStringLiteral("Wind/Rain"));
    EXPECT_EQ(toolTip(2), QStringLiteral("Why?"));
    EXPECT_EQ(w.discInfo().album, QStringLiteral("Sea Songs"));
    EXPECT_EQ(w.discInfo().discId, id->id);
    EXPECT_TRUE(dialogs().messages().empty());
}

TEST_F(DiscInfoFormTest, ALookUpTakesTheReleaseChosenAndACancelChangesNothing) {
    LocalService service;
    service.body = discAnswer(
        release("rel-1", "Sea Songs", "1998", "GB", medium(1, 2, {}, "First")) + "," +
        release("rel-2", "Sea Songs Deluxe", "2005-03", "US", medium(1, 2, {}, "Second")));
    WriteSetting(SettingKey::MusicBrainzServer, service.address());
    Form1& w = loadDisc();

    // Escape: nothing changes.
    dialogs().choices.push_back(std::nullopt);
    lookUp(w, w.mnuLookUp);
    const ScriptedDialogs::Record* choice = dialogs().last(QStringLiteral("chooseRow"));
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->items.size(), 2);
    EXPECT_EQ(choice->preselected, 0);
    EXPECT_EQ(choice->items[1],
              QStringLiteral("Sea Songs Deluxe | Ann Vale & The Tides | 2005-03 | "
                             "US |  |  |  | CD | 1"));
    EXPECT_EQ(choice->labels.size(), 9);
    EXPECT_EQ(titles(w.discInfo()), texts({"Wind/Rain", "Why?"}));

    // From the tree's context menu on the track group this time.
    select(SourceTree::AvailableTracksText);
    dialogs().choices.push_back(1);
    lookUp(w, w.mnuLookUp2);
    EXPECT_EQ(service.requests, 2);
    const DiscInfo info = w.discInfo();
    EXPECT_EQ(info.album, QStringLiteral("Sea Songs Deluxe"));
    EXPECT_EQ(info.artist, QStringLiteral("Ann Vale & The Tides"));
    EXPECT_EQ(info.releaseId, QStringLiteral("rel-2"));
    EXPECT_EQ(info.discId, w.lblDiscId->text());
    EXPECT_EQ(titles(info), texts({"Second 1", "Second 2"}));
    EXPECT_EQ(toolTip(1), QStringLiteral("Second 1"));
    EXPECT_TRUE(dialogs().messages().empty());

    // The dialog shows what was looked up; listing the disc again keeps it.
    w.cmdRefresh->click();
    w.mnuDiscInfo->trigger(); // unscripted: cancelled
    const ScriptedDialogs::Record* form = dialogs().last(QStringLiteral("form"));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->message.title, QStringLiteral("Disc Information"));
    EXPECT_EQ(form->labels, texts({"Album", "Artist", "Year or date", "Track 1", "Track 1 artist",
                                   "Track 2", "Track 2 artist"}));
    EXPECT_EQ(form->items, texts({"Sea Songs Deluxe", "Ann Vale & The Tides", "2005-03", "Second 1",
                                  "Ann Vale", "Second 2", "Ann Vale"}));
    EXPECT_EQ(w.discInfo().album, QStringLiteral("Sea Songs Deluxe"));
}

TEST_F(DiscInfoFormTest, AFailedOrEmptyLookUpIsSaidAndChangesNothing) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    WriteSetting(SettingKey::MusicBrainzServer,
                 QStringLiteral("localhost:%1").arg(closed.serverPort()));
    closed.close();
    Form1& w = loadDisc();
    lookUp(w, w.mnuLookUp);
    ASSERT_EQ(dialogs().messages().size(), 1u);
    const dialogs::Message refused = dialogs().messages()[0];
    EXPECT_EQ(refused.title, lookUpTitle);
    EXPECT_EQ(refused.icon, dialogs::Icon::Exclamation);
    EXPECT_TRUE(refused.text.contains(QStringLiteral("cannot be reached")))
        << refused.text.toStdString();
    EXPECT_EQ(w.discInfo().album, QStringLiteral("Sea Songs"));
    EXPECT_EQ(toolTip(2), QStringLiteral("Why?"));

    LocalService service;
    service.status = 404;
    service.body = R"({"error":"Not Found"})";
    WriteSetting(SettingKey::MusicBrainzServer, service.address());
    dialogs().clear();
    lookUp(w, w.mnuLookUp);
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().messages()[0].text,
              QStringLiteral("MusicBrainz does not know this disc (disc ID %1).")
                  .arg(w.lblDiscId->text()));
    EXPECT_EQ(titles(w.discInfo()), texts({"Wind/Rain", "Why?"}));

    // A drive with no disc listed has nothing to look up.
    QFile::remove(image.binPath);
    QFile::remove(image.cuePath);
    w.cmdRefresh->click();
    EXPECT_TRUE(w.lblDiscId->text().isEmpty());
    dialogs().clear();
    w.mnuLookUp->trigger();
    EXPECT_FALSE(w.isLookingUp());
    ASSERT_NE(dialogs().lastMessage(), nullptr);
    EXPECT_TRUE(dialogs().lastMessage()->text.startsWith(QStringLiteral("There is no music disc")));
    EXPECT_EQ(service.requests, 1);
}

// The dialog shows each track's own artist; a new album artist reaches the tracks that had the
// album's, and a guest keeps theirs.
TEST_F(DiscInfoFormTest, TrackArtistsAreShownAndANewAlbumArtistReachesTheTracksThatHadIt) {
    DiscImageOptions options;
    options.title = QStringLiteral("Sea Songs");
    options.performer = QStringLiteral("Ann Vale");
    image = disc(QStringLiteral("duo"),
                 {{150, 440, QStringLiteral("Wind"), QStringLiteral("Ann Vale")},
                  {100, 1000, QStringLiteral("Guest"), QStringLiteral("Bo Lund")}},
                 options);
    Form1& w = load();
    dialogs().forms.push_back(texts({"Sea Songs", "Ann V.", "", "Wind", "", "Guest", "Bo Lund"}));
    w.mnuDiscInfo->trigger();
    const auto shown = dialogs().last(QStringLiteral("form"));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->labels, texts({"Album", "Artist", "Year or date", "Track 1", "Track 1 artist",
                                    "Track 2", "Track 2 artist"}));
    EXPECT_EQ(shown->items, texts({"Sea Songs", "Ann Vale", "", "Wind", "", "Guest", "Bo Lund"}));
    EXPECT_EQ(w.discInfo().trackArtist(1), QStringLiteral("Ann V."));
    EXPECT_EQ(w.discInfo().trackArtist(2), QStringLiteral("Bo Lund"));
}

// Two images of one track layout share their disc ID, yet each keeps its own information: the
// one without CD-Text is not ripped, tagged or logged as the other, and an edit reaches only
// the disc it was made for.
TEST_F(DiscInfoFormTest, ImagesOfOneLayoutKeepTheirOwnInformation) {
    loadDisc();
    const DiscImage plain = disc(QStringLiteral("plain"), {{150, 660}, {100, 880}});
    Form1& w = *form;
    w.fillDriveList();
    ASSERT_EQ(w.DriveList->count(), 2);
    const QString discId = w.lblDiscId->text();
    const auto choose = [&w](int drive) {
        w.DriveList->setCurrentIndex(drive);
        emit w.DriveList->activated(drive);
    };
    choose(1);
    EXPECT_EQ(w.lblDiscId->text(), discId);
    EXPECT_TRUE(w.discInfo().album.isEmpty());
    EXPECT_EQ(toolTip(1), QString());

    w.optMP3->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(outputs().size(), 2);
    const auto frames = id3tag::readFrames(outputs()[0]);
    ASSERT_TRUE(frames.ok());
    for (const id3tag::Frame& frame : frames.value())
        EXPECT_FALSE(frame.text.contains(QStringLiteral("Sea Songs")) ||
                     frame.text.contains(QStringLiteral("Wind")))
            << frame.id.toStdString() << " " << frame.text.toStdString();
    const QString log = riplogtext::ripLog(dest.path());
    EXPECT_FALSE(log.isEmpty());
    EXPECT_FALSE(log.contains(QStringLiteral("Sea Songs")));

    dialogs().forms.push_back(texts({"Plain Album", "", "", "Calm", "", "", ""}));
    w.mnuDiscInfo->trigger();
    EXPECT_EQ(w.discInfo().album, QStringLiteral("Plain Album"));
    choose(0);
    EXPECT_EQ(w.discInfo().album, QStringLiteral("Sea Songs"));
    EXPECT_EQ(toolTip(1), QStringLiteral("Wind/Rain"));
    choose(1);
    EXPECT_EQ(w.discInfo().album, QStringLiteral("Plain Album"));
    EXPECT_EQ(toolTip(1), QStringLiteral("Calm"));
}

TEST_F(DiscInfoFormTest, EditedTitlesAreKeptAndNameTheRippedFiles) {
    Form1& w = loadDisc();
    // Cancel keeps everything; a date that is none is said and the form comes back as typed.
    dialogs().forms.push_back(std::nullopt);
    w.mnuDiscInfo->trigger();
    EXPECT_EQ(titles(w.discInfo()), texts({"Wind/Rain", "Why?"}));
    const QStringList typed =
        texts({" Sea Songs (Live) ", "Ann Vale", "June", "Wind/Rain", "", "What? Now: *Live*", ""});
    QStringList fixed = typed;
    fixed[2] = QStringLiteral("1998-06");
    dialogs().forms = {typed, fixed};
    w.mnuDiscInfo->trigger();
    ASSERT_NE(dialogs().lastMessage(), nullptr);
    EXPECT_TRUE(dialogs().lastMessage()->text.contains(QStringLiteral("\"June\"")));
    EXPECT_EQ(dialogs().last(QStringLiteral("form"))->items, typed);
    EXPECT_EQ(w.discInfo().album, QStringLiteral("Sea Songs (Live)"));
    EXPECT_EQ(w.discInfo().date, QStringLiteral("1998-06"));
    EXPECT_EQ(titles(w.discInfo()), texts({"Wind/Rain", "What? Now: *Live*"}));

    // Listing the disc again keeps the edits; the extraction names its files after them.
    w.cmdRefresh->click();
    EXPECT_EQ(toolTip(2), QStringLiteral("What? Now: *Live*"));
    WriteSetting(SettingKey::NameFromDisc, std::int16_t(1));
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    const QStringList files = outputs();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(QFileInfo(files[0]).fileName(), QStringLiteral("01 - Wind_Rain.wav"));
    EXPECT_EQ(QFileInfo(files[1]).fileName(), QStringLiteral("02 - What_ Now_ _Live_.wav"));
    for (int t = 1; t <= 2; ++t)
        EXPECT_EQ(fixtures::readFile(files[t - 1]).mid(44, image.trackAudio(t).size()),
                  image.trackAudio(t))
            << t;
}

} // namespace
