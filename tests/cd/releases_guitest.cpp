// A disc several releases hold, in the window: the table it is chosen from (through the
// dialogs seam, and the table itself with the keyboard), the choice remembered for the disc,
// and a disc of a set ripped under a file-name template with its disc tags.
#include "cdformtest.h"
#include "musicbrainzservice.h"

#include "engine/platform/id3tag/audiotags.h"
#include "window/dialogs/rowchoicedialog.h"

#include <QAction>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

using namespace mbservice;

class ReleaseChoiceTest : public CdFormTest {
  protected:
    void lookUp(Form1& w) {
        w.mnuLookUp->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&w] { return !w.isLookingUp(); }, 60000));
    }
};

TEST_F(ReleaseChoiceTest, TheChoiceIsRememberedAndTheSetIsNamedAndTagged) {
    LocalService service;
    service.body =
        discAnswer(release("rel-single", "Tides", "1999", "US", medium(1, 2, {}, "Single")) + "," +
                   release("rel-set", "Tides", "2005", "GB",
                           medium(1, 4, {}, "One") + "," + medium(2, 2, {}, "Two") + "," +
                               medium(3, 5, {}, "Three")));
    WriteSetting(SettingKey::MusicBrainzServer, service.address());
    disc(QStringLiteral("set"), {{150, 440}, {100, 1000}});
    Form1& w = load();

    dialogs().choices.push_back(1);
    lookUp(w);
    const ScriptedDialogs::Record* offered = dialogs().last(QStringLiteral("chooseRow"));
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->preselected, 0);
    EXPECT_EQ(offered->labels.front(), QStringLiteral("Title"));
    EXPECT_EQ(offered->items[1], QStringLiteral("Tides | Ann Vale & The Tides | 2005 | GB |  |  |  "
                                                "| CD | 3"));
    EXPECT_EQ(w.discInfo().releaseId, QStringLiteral("rel-set"));
    EXPECT_EQ(w.discInfo().discNumber, 2);
    EXPECT_EQ(w.discInfo().discTotal, 3);

    // Asked again, the release chosen before is offered first; Escape takes it.
    dialogs().choices.push_back(std::nullopt);
    lookUp(w);
    EXPECT_EQ(dialogs().last(QStringLiteral("chooseRow"))->preselected, 1);
    EXPECT_EQ(w.discInfo().releaseId, QStringLiteral("rel-set"));

    WriteSetting(SettingKey::NameFromDisc, std::int16_t(1));
    WriteSetting(SettingKey::FileNameTemplate,
                 QStringLiteral("{albumartist}/{album}/[{disc}-]{track} - {title}"));
    w.optFLAC->click();
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    const QStringList files = outputs();
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(files[1].endsWith(QStringLiteral("/Ann Vale & The Tides/Tides/2-02 - Two 2.flac")))
        << files[1].toStdString();
    const auto tags = audiotags::read(files[1]);
    ASSERT_TRUE(tags.ok()) << tags.error().description().toStdString();
    EXPECT_EQ(tags->discNumber, 2);
    EXPECT_EQ(tags->discTotal, 3);
    EXPECT_EQ(tags->title, QStringLiteral("Two 2"));
}

TEST(RowChoiceDialog, ArrowsAndEnterChooseAndEscapeCancels) {
    dialogs::RowChoice choice;
    choice.title = QStringLiteral("Releases");
    choice.prompt = QStringLiteral("Choose yours:");
    choice.columns = QStringList{QStringLiteral("Title"), QStringLiteral("Country")};
    for (const char* country : {"GB", "US", "DE"})
        choice.rows << QStringList{QStringLiteral("Tides"), QString::fromLatin1(country)};
    choice.preselected = 1;

    {
        RowChoiceDialog dialog(choice);
        dialog.show();
        EXPECT_EQ(dialog.table()->columnCount(), 2);
        EXPECT_EQ(dialog.table()->currentItem()->text(1), QStringLiteral("US"));
        QTest::keyClick(dialog.table(), Qt::Key_Down);
        QTest::keyClick(dialog.table(), Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.picked(), 2);
    }
    {
        RowChoiceDialog dialog(choice);
        dialog.show();
        QTest::keyClick(dialog.table(), Qt::Key_Up);
        QTest::keyClick(dialog.table(), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.picked(), -1);
    }
    {
        choice.preselected = 7; // no such row: the first
        RowChoiceDialog dialog(choice);
        dialog.show();
        QTest::keyClick(dialog.table(), Qt::Key_Enter);
        EXPECT_EQ(dialog.picked(), 0);
    }
}

} // namespace
