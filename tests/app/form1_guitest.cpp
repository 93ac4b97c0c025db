#include "formtest.h"

#include "engine/core/paths.h"
#include "window/main/frmpopup.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>

namespace {

// Records which batch the action button started, and what the window looked like then.
class RecordingForm : public Form1 {
  public:
    QStringList ran;
    bool minimisedDuringJob = false;
    bool popupDuringJob = false;

    void cmdStart_Click() override { record(QStringLiteral("extract")); }
    void cmdEncFile_Click() override { record(QStringLiteral("encode")); }
    void CmdDecoder_Click() override { record(QStringLiteral("decode")); }
    void cmdConvertAudio_Click() override { record(QStringLiteral("convert")); }

  private:
    void record(const QString& job) {
        ran << job;
        minimisedDuringJob = isMinimized() || isHidden();
        popupDuringJob = popup() != nullptr;
    }
};

// Closes the window from inside the job, as a user closing it mid-conversion does.
class ClosingForm : public Form1 {
  public:
    void cmdEncFile_Click() override { close(); }
};

// Stops its own job, then presses the action button again while still inside it.
class RestartingForm : public Form1 {
  public:
    int jobs = 0;
    void cmdEncFile_Click() override {
        ++jobs;
        if (jobs > 1)
            return;
        Command8_Click();
        CmdSelectAction->click();
    }
};

// A caption as shown, without the mark of its mnemonic.
QString shown(const QAction* action) {
    return QString(action->text()).remove(QLatin1Char('&'));
}

QStringList menuTexts(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator())
            out << shown(a);
    return out;
}

} // namespace

TEST_F(FormTest, ControlsAndMenusAreThereByTheirNames) {
    Form1& w = load();
    for (const char* name :
         {"TreeView1",       "Picture7",     "Picture8",  "Picture3",   "Picture4",   "Picture5",
          "Picture1",        "Picture2",     "Label3",    "Label2",     "lblStatus",  "Label33",
          "Label5",          "ProgressBar1", "DriveList", "cmbBitrate", "cmbQuality", "Check9",
          "CmdSelectAction", "Command4",     "C777",      "Copt",       "C5555555",   "Cmdhelp",
          "C1212",           "Command5",     "Command8",  "Command1",   "Command2",   "Command7"})
        EXPECT_NE(w.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(w.Command8->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(w.Check9->isVisible());

    auto* timer1 = w.findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer1, nullptr);
    EXPECT_TRUE(timer1->isSingleShot());
    EXPECT_EQ(timer1->interval(), 1000);
    EXPECT_EQ(w.findChild<QTimer*>(QStringLiteral("tmrWarning"))->interval(), 2000);
    EXPECT_EQ(w.findChild<QTimer*>(QStringLiteral("tmrRecord"))->interval(), 100);

    // Menu bar in declared order; the context menu is declared but never shown there.
    QStringList bar;
    for (QAction* a : w.menuBar()->actions())
        bar << shown(a) + (a->isVisible() ? QString() : QStringLiteral(" (hidden)"));
    EXPECT_EQ(bar, (texts({"File", "popup (hidden)", "Action", "CD", "Preferences", "Help"})));
    EXPECT_EQ(menuTexts(w.mnuFile),
              (texts({"Open", "Open Disc Image...", "Convert Folder...", "Exit"})));
    EXPECT_EQ(menuTexts(w.mnupopup),
              (texts({"Start!", "Remove from List", "Remove and Delete File", "Verify against Disc",
                      "Look Up Disc Information", "Minimize", "Exit"})));
    EXPECT_EQ(menuTexts(w.mnuActiopn), (texts({"Start ", "Stop", "Refresh List"})));
    EXPECT_EQ(menuTexts(w.mnuCD),
              (texts({"Look Up Disc Information", "Disc Information...", "Find Read Offset..."})));
    EXPECT_EQ(menuTexts(w.mnuPrefs), (texts({"Preferences", "Toolbars", "Search", "Playlist"})));
    EXPECT_EQ(menuTexts(w.mnuToolbars),
              (texts({"ToolBar", "CD Bar", "Activity Bar", "Status Bar"})));
    EXPECT_EQ(menuTexts(w.mnuHelp), texts({"Help File"}));
    for (const char* name :
         {"mnuOpenfile",     "mnuOpenImage",    "mnuExit",     "mnuStart2",   "mnuFileRemove",
          "mnuRemoveDelete", "mnuMinimize",     "mnuExit2",    "mnuStart",    "mnuStop",
          "mnuRefreshlist",  "mnuGetMainPrefs", "mnuToolbar",  "mnuCDbar",    "mnuActivityBar",
          "mnuStatusbar",    "mnuSearch",       "mnuPlaylist", "mnuHelpfile", "mnuLookUp",
          "mnuLookUp2",      "mnuDiscInfo"})
        EXPECT_NE(w.findChild<QAction*>(QLatin1String(name)), nullptr) << name;
    for (const char* name :
         {"mnuFile", "mnupopup", "mnuActiopn", "mnuCD", "mnuPrefs", "mnuToolbars", "mnuHelp"})
        EXPECT_NE(w.findChild<QMenu*>(QLatin1String(name)), nullptr) << name;
}

TEST_F(FormTest, StartUpCreatesTheStoredDestinationKeepingItsCase) {
    const QString wanted = dest.filePath(QStringLiteral("Out Dir/CD One"));
    WriteSetting(SettingKey::DecodePath, wanted + QStringLiteral("/"));
    makeFile(QStringLiteral("ignored.wav")); // not inside the destination
    Form1& w = load();

    EXPECT_TRUE(QFileInfo(wanted).isDir());
    EXPECT_EQ(DecodePath, wanted);
    EXPECT_EQ(settings::readText(SettingKey::DecodePath, {}), wanted);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("Destination:  ") + wanted + QStringLiteral("/"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("MP3 Vortan v2.0"));
    // An empty destination still gives the root and its eight groups.
    EXPECT_EQ(tree().nodeCount(), 9);
    EXPECT_TRUE(childTexts(SourceTree::WavText).isEmpty());
    EXPECT_EQ(w.Label33->text(), QStringLiteral("OFF"));
    EXPECT_EQ(dialogs().messages().size(), 0u);
}

TEST_F(FormTest, FirstRunMakesWavFilesBesideTheProgram) {
    settings::saveText(SettingKey::DecodePath, QString()); // nothing chosen yet
    const QString expected = ProgramFolder() + QStringLiteral("/WAVFiles");
    const bool existed = QFileInfo::exists(expected);
    load();
    EXPECT_TRUE(QFileInfo(expected).isDir());
    EXPECT_EQ(DecodePath, expected);
    EXPECT_EQ(settings::readText(SettingKey::DecodePath, {}), expected);
    if (!existed)
        QDir(expected).removeRecursively();
}

TEST_F(FormTest, ActionDispatchesOnTheSelectedNodesText) {
    const QString wav = makeFile(QStringLiteral("Song.wav"));
    const QString mp3 = makeFile(QStringLiteral("Tune.mp3"));
    const QString flac = makeFile(QStringLiteral("Take.flac"));
    auto& w = load<RecordingForm>();
    tree().lstTracks.add(QStringLiteral("Track  1 - 3:00"));
    tree().showfiles();

    const std::vector<std::pair<QString, QString>> cases = {
        {SourceTree::SelectedTracksText, QStringLiteral("extract")},
        {SourceTree::AvailableTracksText, QStringLiteral("extract")},
        {QStringLiteral("Track  1 - 3:00"), QStringLiteral("extract")},
        {wav, QStringLiteral("encode")},
        {SourceTree::SelectedWavText, QStringLiteral("encode")},
        {SourceTree::WavText, QStringLiteral("encode")},
        {mp3, QStringLiteral("decode")},
        {SourceTree::SelectedMp3Text, QStringLiteral("decode")},
        {SourceTree::Mp3Text, QStringLiteral("decode")},
        {flac, QStringLiteral("convert")},
        {SourceTree::SelectedAudioText, QStringLiteral("convert")},
        {SourceTree::AudioText, QStringLiteral("convert")},
        {SourceTree::RootText, QString()},
    };
    for (const auto& [text, job] : cases) {
        w.ran.clear();
        select(text);
        w.CmdSelectAction_Click();
        EXPECT_EQ(w.ran, job.isEmpty() ? QStringList{} : QStringList{job}) << text.toStdString();
    }

    // Nothing selected: no job, and the window comes back idle.
    w.ran.clear();
    tree().setSelectedNode(0);
    w.Disablem();
    w.CmdSelectAction_Click();
    EXPECT_TRUE(w.ran.isEmpty());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_FALSE(w.tmrWarning->isActive());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(FormTest, StartWhileAStoppedJobWindsDownIsIgnored) {
    auto& w = load<RestartingForm>();
    select(SourceTree::WavText);
    w.CmdSelectAction_Click();
    EXPECT_EQ(w.jobs, 1);
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
    // Once it has returned, the button starts a job again.
    w.CmdSelectAction_Click();
    EXPECT_EQ(w.jobs, 2);
}

TEST_F(FormTest, ActionGuardsTheDiskAndMinimisesWhenAsked) {
    WriteSetting(SettingKey::MinimizeOnStart, std::int16_t{1});
    WriteSetting(SettingKey::HDWarning, std::int16_t{1});
    auto& w = load<RecordingForm>();
    w.Label5->setVisible(true);
    select(SourceTree::WavText);
    w.CmdSelectAction_Click();
    ASSERT_EQ(w.ran, texts({"encode"}));
    EXPECT_TRUE(w.minimisedDuringJob);
    EXPECT_TRUE(w.popupDuringJob);
    // After the job: popup gone, window back, guard off, warning hidden.
    EXPECT_EQ(w.popup(), nullptr);
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.tmrWarning->isActive());
    EXPECT_FALSE(w.Label5->isVisible());
}

TEST_F(FormTest, DisablemLocksExactlyTheListedControlsAndClosesTheOtherWindows) {
    Form1& w = load();
    QSignalSpy decoder(&w, &Form1::decoderWindowUnloadRequested);
    QSignalSpy player(&w, &Form1::playerWindowUnloadRequested);
    QSignalSpy search(&w, &Form1::searchWindowUnloadRequested);
    const std::vector<QPushButton*> locked = {w.C777,     w.CmdSelectAction, w.Copt,
                                              w.C5555555, w.Cmdhelp,         w.Command4};
    const std::vector<QMenu*> lockedMenus = {w.mnuCD, w.mnuPrefs, w.mnuHelp, w.mnupopup};
    const std::vector<QAction*> lockedItems = {w.mnuStart2,      w.mnuRemoveDelete, w.mnuFileRemove,
                                               w.mnuOpenfile,    w.mnuOpenImage,    w.mnuStart,
                                               w.mnuRefreshlist, w.mnuConvertFolder};

    w.Disablem();
    for (QPushButton* b : locked)
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QMenu* m : lockedMenus)
        EXPECT_FALSE(m->isEnabled()) << m->objectName().toStdString();
    for (QAction* a : lockedItems)
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    // The stop commands stay usable while a job runs.
    for (QPushButton* b : {w.Command8, w.Command1, w.Command2, w.Command5})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    // Action > Stop and File > Exit too, in menus the keyboard can open.
    for (QMenu* m : {w.mnuFile, w.mnuActiopn})
        EXPECT_TRUE(m->isEnabled() && m->menuAction()->isEnabled())
            << m->objectName().toStdString();
    EXPECT_TRUE(w.mnuStop->isEnabled());
    EXPECT_TRUE(w.mnuExit->isEnabled());
    EXPECT_EQ(decoder.count(), 1);
    EXPECT_EQ(player.count(), 1);
    EXPECT_EQ(search.count(), 1);

    w.Enablem();
    for (QPushButton* b : locked)
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    for (QMenu* m : lockedMenus)
        EXPECT_TRUE(m->isEnabled()) << m->objectName().toStdString();
    for (QAction* a : lockedItems)
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(decoder.count(), 1); // Enablem reloads nothing
}

TEST_F(FormTest, ResizeStacksTheBarsAndGivesTheTreeTheRest) {
    Form1& w = load();
    w.resize(900, 600);
    QTest::qWait(0);
    QWidget* client = w.centralWidget();
    auto expectTreeFills = [&] {
        EXPECT_EQ(w.TreeView1->geometry(), QRect(QPoint(0, 0), w.Picture7->size()));
        EXPECT_EQ(w.Picture8->geometry().right(), client->width() - 1);
        EXPECT_LT(w.Picture7->geometry().right(), w.Picture8->x());
        EXPECT_EQ(w.Picture7->x(), 0);
    };

    // All bars shown.
    const int full = w.Picture3->height() + w.Picture4->height() + w.Picture5->height();
    EXPECT_EQ(w.Picture7->y(), full);
    EXPECT_EQ(w.Picture7->geometry().bottom() + 1,
              client->height() - w.Picture1->height() - w.Picture2->height());
    expectTreeFills();

    // Tool bar and CD bar hidden: the tree starts right below the strip.
    w.mnuToolbar->trigger();
    w.mnuCDbar_Click();
    EXPECT_FALSE(w.mnuToolbar->isChecked());
    EXPECT_FALSE(w.mnuCDbar->isChecked());
    EXPECT_TRUE(w.Picture3->isHidden());
    EXPECT_EQ(w.Picture5->y(), 0);
    EXPECT_EQ(w.Picture7->y(), w.Picture5->height());
    expectTreeFills();

    // Status bar hidden: the tree grows by its height.
    const int before = w.Picture7->height();
    w.mnuStatusbar->trigger();
    EXPECT_TRUE(w.Picture1->isHidden());
    EXPECT_EQ(w.Picture7->height(), before + w.Picture1->height());
    expectTreeFills();

    // And back.
    w.mnuToolbar_Click();
    EXPECT_TRUE(w.mnuToolbar->isChecked());
    EXPECT_EQ(w.Picture7->y(), w.Picture5->height() + w.Picture3->height());

    // The start menu shows the tool bar again before it starts.
    w.mnuToolbar_Click();
    w.mnuStart->trigger();
    EXPECT_TRUE(w.mnuToolbar->isChecked());
    EXPECT_FALSE(w.Picture3->isHidden());
}

TEST_F(FormTest, ProgressCaptionsAndTheIdleReset) {
    Form1& w = load();
    w.ChangeProgress(QStringLiteral("ignored"), 1, 3);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Progress 33.33 %"));
    EXPECT_EQ(w.Label33->text(), QStringLiteral("33.33 %"));
    EXPECT_EQ(w.ProgressBar1->value(), 33);
    w.ChangeProgress({}, 7.5f, 100);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Progress 07.50 %"));
    EXPECT_EQ(w.ProgressBar1->value(), 7);
    w.ChangeProgress({}, 3, 3);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Progress 100.00 %"));
    EXPECT_EQ(w.Label33->text(), QStringLiteral("100.00 %"));
    EXPECT_EQ(w.ProgressBar1->value(), 100);
    w.ChangeProgress({}, 1, 0); // no total: display unchanged
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Progress 100.00 %"));

    w.lblStatus->setText(QStringLiteral("busy"));
    w.Label3->setText(QStringLiteral("Encoding"));
    w.Timer1->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.Timer1->isActive(); }, 5000));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("MP3 Vortan v2.0"));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Next Action: Make a selection"));
    EXPECT_EQ(w.Label2->text(),
              QStringLiteral("Destination:  ") + DecodePath + QStringLiteral("/"));
    EXPECT_EQ(w.ProgressBar1->value(), 0);
    EXPECT_TRUE(w.Label33->text().isEmpty());
    EXPECT_TRUE(w.lblStatus->text().isEmpty());
}

TEST_F(FormTest, StopListsThePartlyWrittenFile) {
    Form1& w = load();
    const QString partial = makeFile(QStringLiteral("Track 3.wav"), 5000);
    CurrentFile = partial;
    w.Disablem();
    w.currentTrackNumber = 3;
    w.tmrWarning->start();
    w.Command8_Click();

    EXPECT_TRUE(w.Check9->isChecked());
    EXPECT_EQ(w.currentTrackNumber, 0);
    EXPECT_FALSE(w.tmrWarning->isActive());
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
    // Listed after the tree's delay (none here).
    EXPECT_TRUE(QTest::qWaitFor([this] { return !childTexts(SourceTree::WavText).isEmpty(); }));
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{partial});
    EXPECT_EQ(tree().List1.items(), QStringList{partial});

    // Stopping again lists nothing twice.
    w.Command8_Click();
    QTest::qWait(30);
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{partial});
    EXPECT_EQ(tree().List1.items(), QStringList{partial});
}

TEST_F(FormTest, IdleStopLeavesTheListsClean) {
    Form1& w = load();
    CurrentFile.clear();
    w.Command8_Click();
    EXPECT_TRUE(tree().List1.isEmpty());
    CurrentFile = dest.filePath(QStringLiteral("never-written.wav"));
    w.Command8_Click();
    QTest::qWait(30); // what the tree would list comes after its delay (none here)
    EXPECT_TRUE(tree().List1.isEmpty());
    EXPECT_TRUE(childTexts(SourceTree::WavText).isEmpty());
}

TEST_F(FormTest, StopWhileEncodingASelectedWavKeepsItSelected) {
    const QString source = makeFile(QStringLiteral("source.wav"));
    Form1& w = load();
    select(source);
    tree().MoveSelectedNode();
    ASSERT_EQ(childTexts(SourceTree::SelectedWavText), QStringList{source});
    CurrentFile = source; // the encoder's input
    w.Command8_Click();
    QTest::qWait(30);
    EXPECT_TRUE(tree().List1.isEmpty());
    EXPECT_EQ(tree().List5.items(), QStringList{source});
    EXPECT_TRUE(childTexts(SourceTree::WavText).isEmpty());
}

TEST_F(FormTest, StopVariantsCloseTheDecoder) {
    Form1& w = load();
    QSignalSpy decoder(&w, &Form1::decoderWindowUnloadRequested);
    w.Command1_Click();
    EXPECT_EQ(decoder.count(), 1);
    w.Command2_Click();
    EXPECT_EQ(decoder.count(), 2);
}

TEST_F(FormTest, HelpNamesTheMissingFileOrShowsThePage) {
    Form1& w = load();
    const QString path = Form1::helpFilePath();
    ASSERT_EQ(path, ProgramFolder() + QStringLiteral("/help/index.html"));
    const bool shipped = QFileInfo::exists(path);
    if (!shipped) {
        w.Cmdhelp_Click();
        ASSERT_EQ(dialogs().messages().size(), 1u);
        EXPECT_EQ(dialogs().lastMessage()->text,
                  QStringLiteral("Can't find \"") + path + QStringLiteral("\""));
        EXPECT_EQ(dialogs().lastMessage()->icon, dialogs::Icon::None);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile page(path);
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html><body><h1>Help page</h1><a href=\"https://example.org/x\">out</a>"
                   "</body></html>");
    }
    dialogs().clear();
    w.mnuHelpfile->trigger();
    auto* browser = w.findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->window()->isVisible());
    EXPECT_EQ(browser->source(), QUrl::fromLocalFile(path));
    EXPECT_TRUE(dialogs().messages().empty());
    if (!shipped) {
        // Links leaving the help folder go to the user's browser through the seam.
        emit browser->anchorClicked(QUrl(QStringLiteral("https://example.org/x")));
        ASSERT_FALSE(dialogs().records.empty());
        EXPECT_EQ(dialogs().records.back().kind, QStringLiteral("openUrl"));
        QDir(QFileInfo(path).path()).removeRecursively();
    }
}

TEST_F(FormTest, OtherWindowsAreOpenedThroughTheirRequests) {
    Form1& w = load();
    QSignalSpy player(&w, &Form1::playerWindowRequested);
    w.C5555555->click();
    EXPECT_EQ(player.count(), 1);
    EXPECT_TRUE(dialogs().messages().empty());
    // No search window listens yet: the user is told rather than left wondering.
    w.C777->click();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(dialogs().lastMessage()->text.contains(QStringLiteral("search")));
}

TEST_F(FormTest, ClosingStopsTheWorkAndUnloadsThePopup) {
    Form1& w = load();
    const QString partial = makeFile(QStringLiteral("out.wav"), 1000);
    CurrentFile = partial;
    w.mnuMinimize_Click();
    ASSERT_NE(w.popup(), nullptr);
    QSignalSpy end(&w, &Form1::programEndRequested);
    w.Command5_Click();
    EXPECT_EQ(w.popup(), nullptr);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(end.count(), 1);
    // Listed after the tree's delay (none here).
    EXPECT_TRUE(QTest::qWaitFor([this] { return !childTexts(SourceTree::WavText).isEmpty(); }));
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{partial});
}

// The window manager's close button ends the program as "Exit" does, once.
TEST_F(FormTest, ClosingByTheWindowEndsTheProgram) {
    Form1& w = load();
    QSignalSpy end(&w, &Form1::programEndRequested);
    w.close();
    EXPECT_EQ(end.count(), 1);
    w.Command5_Click();
    EXPECT_EQ(end.count(), 1);
}

TEST_F(FormTest, ClosingDuringAJobKeepsTheWindowClosed) {
    auto& w = load<ClosingForm>();
    select(SourceTree::WavText);
    w.CmdSelectAction_Click();
    EXPECT_FALSE(w.isVisible());
}
