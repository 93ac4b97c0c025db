#pragma once

#include "engine/cd/disc.h"
#include "engine/cd/discinfo.h"
#include "engine/cd/ripcompletion.h"
#include "engine/cover/frontcover.h"
#include "engine/pipeline/audioformat.h"
#include "engine/prefs/drivespace.h"
#include "engine/service/windowbatch.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;
class QTimer;
class ConvertFolderDialog;
namespace library {
class MirrorRun;
struct MirrorRequest;
} // namespace library
class QTreeView;
class QWidget;
class SourceTree;
class TreeViewEvents;
class frmpopup;
struct TrackSpan;
struct TwoStepRecording;
enum class EncodeFileResult;
namespace coverarchive {
class CoverFetch;
}
namespace musicbrainz {
class DiscLookup;
}

// The main window: the source tree, the action button and its job dispatch, the bars, the
// progress display, the stop protocol and the program's shutdown. Lives on the GUI thread
// for the whole run; other windows and the batch jobs reach its controls through the
// public members below (each control's objectName is its member name).
class Form1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The main window while it exists (the most recently constructed one), else nullptr.
    static Form1* instance();

    // ---- Life cycle ---------------------------------------------------------------------
    // The start-up sequence; shows the window. Every step's failure is skipped.
    void Form_Load();
    // Lays out the panels inside the client area (see form1layout.cpp for the rules).
    void Form_Resize();
    // Idle captions: the next action (SourceTree::statusLine), the destination, the program
    // title, bar at 0.
    void ResetStatus();
    // Lock / unlock the controls while a job runs. The first Disablem after an Enablem also
    // asks the decoder, player and search windows to unload so none of them can act on files
    // during the job; locking again (the batch's next file) asks nothing.
    void Disablem();
    void Enablem();
    // Between Disablem and Enablem: a job is at work.
    bool controlsLocked() const { return controlsLocked_; }

    // ---- Commands -----------------------------------------------------------------------
    // Starts the job for the selected tree node and returns; a batch runs on after it
    // (conversions()), and the window becomes idle again when it has ended. Ignored while a
    // job runs.
    void CmdSelectAction_Click();
    // True from the dispatch of a job until it has ended (a stopped job winding down
    // included).
    bool isJobRunning() const;
    void mnuStart_Click();
    // Stop protocol: stop everything and list the partly written CurrentFile. While a job
    // runs, the window says it is finishing the current file and stays locked until the job
    // has returned.
    void Command8_Click();
    // Stop variant used by the disk-space guard: stop before the next file.
    void Command1_Click();
    // Stop variant that also aborts the file being produced (its output is ended properly,
    // only shorter, and its source is kept).
    void Command2_Click();
    void Command7_Click();
    // Refresh: list the CD again, then rebuild the tree.
    void C1212_Click();
    void Cmdhelp_Click();
    // Loads the tray popup, then hides the window (minimises it when there is no tray).
    void mnuMinimize_Click();
    // Closes the window and ends the program. During a job, the job is first stopped as
    // Command2 does, and the window closes once it has returned.
    void Command5_Click();
    void mnuToolbar_Click();
    void mnuCDbar_Click();
    void mnuStatusbar_Click();
    void mnuActivityBar_Click();
    // "Open": picks a WAV, MP3 or audio file and lists it in the tree.
    void OpenFileIntoTree();
    // Lets the user drag the window by its background.
    void N1Drag();

    // ---- Progress -----------------------------------------------------------------------
    // Caption "Progress 07.50 %", Label33 "07.50 %", ProgressBar1 at the whole percent.
    // `status` is accepted and not shown. A total of 0 or less leaves the display as it is.
    void ChangeProgress(const QString& status, float current, float total);
    // The one-shot tick of Timer1: back to the idle display.
    void Timer1_Timer();

    // ---- Tray popup ---------------------------------------------------------------------
    // Loads the tray popup (idempotent); it shows the tray icon while loaded.
    void loadPopup();
    // Unloads the tray popup and removes its icon; nothing happens when it is not loaded.
    void unloadPopup();
    frmpopup* popup() const;
    // Shows the window again after "Minimize" (restores it when it was minimised).
    void restoreWindow();

    // ---- Destination --------------------------------------------------------------------
    // Settles DecodePath: the stored folder, or on a first run "WAVFiles" in the program's
    // folder (the user's Music folder when that is not writable or the program is installed);
    // creates it and stores it.
    void settleDestinationFolder();
    // Label2 shows DecodePath as the destination.
    void showDestination();
    // The help page shown by Cmdhelp_Click, in HelpFolder().
    static QString helpFilePath();

    // ---- Disk-space guard (diskguard.cpp) -----------------------------------------------
    // Measures the fixed file systems and the one holding DecodePath, keeps the
    // destination's figure and hands the report to driveSpaceRefreshed.
    void RefreshDriveSpace();
    // The guard's tick while a job runs: below "HDStopNo" MB (with "HDstopdecoding" on) the
    // job stops before its next file, as Command1 stops it; below "HDWarningNo" MB (with
    // "HDWarning" on) Label5 shows. Both comparisons are strict. A destination that cannot
    // be measured triggers neither.
    void tmrWarning_Timer();
    // The guard's check before a file starts (every batch of this window asks it through
    // fileBatch's mayStart; the CD batches too): with "HDWarning" on, the destination is
    // measured now, so a file shorter than the tick is guarded as well. Below the stop level
    // (with stopping on), or when the file's output (`expectedBytes`, -1 when unknown) would
    // not fit in the free space beside what the files under way are still to write
    // (`reservedBytes`), the guard stops the work as its tick does and false is returned:
    // the file must not start. Below the warning level Label5 shows. True: start.
    bool diskGuardAllows(std::int64_t expectedBytes = -1, std::int64_t reservedBytes = 0);
    // Why the guard stopped the job under way (or the last one); empty when it did not.
    const QString& lowSpaceReason() const { return lowSpaceReason_; }
    // The destination's free MB at the last RefreshDriveSpace; empty before the first one
    // and when it could not be measured.
    std::optional<std::int64_t> destinationFreeMb() const { return destinationFreeMb_; }

    // ---- Job entry points -------------------------------------------------------------
    // Virtual so that the dispatch of CmdSelectAction_Click can be observed. Each lives with
    // its batch: the WAV batch in wavbatch.cpp, the MP3 batch in window/decoder/cmddecoder.cpp,
    // the extraction batch in cdbatch.cpp, the audio conversion in audiobatch.cpp.
    virtual void cmdStart_Click();
    virtual void cmdEncFile_Click();
    virtual void CmdDecoder_Click();
    // Converts the audio files of the selected audio group, or the selected audio file, to
    // the format Preferences names ("Convert audio files to"), into the destination folder.
    virtual void cmdConvertAudio_Click();
    // What every batch of this window does around its files: when a file starts, CurrentFile
    // set to its source, `captions` run, the cancel button shown and the controls locked;
    // the file's progress shown in Label33 and ProgressBar1; the disk-space guard asked
    // before each. The caller adds its after-file steps.
    WindowBatch fileBatch(const QString& verb, std::function<void(const WorkItem&)> captions);
    // The window's choices as a batch takes them when it starts: DecodePath, the encoder
    // record of the stored bitrate and quality (fileEncoderConfig), "Files at once", the
    // delete rule, test and copy, names from the disc, the format audio files are converted
    // to and every format's choices (formatchoices::preferredEncoderSettings).
    ConversionSettings conversionSettings() const;
    // Starts `work` with the window's reactions and returns at once; when it has ended,
    // `batch.ended` runs, then the window becomes idle again (endJob). False when nothing
    // started (another batch runs).
    bool startBatch(WindowBatch batch, ConversionBatch work);
    // The conversions of this window: stop and abort go to it.
    ConversionService& conversions() { return *conversions_; }
    // While several files of `batch` (of `count` files) run at once, the caption and Label3
    // name them ("Encoding a.wav, b.wav", `action` "Encoding") and Label2 the destination
    // folder.
    void runInParallel(WindowBatch& batch, const QString& action, qsizetype count);
    // The last batch a job ran through the shared batch loop: its items with the outputs
    // written and how each ended.
    const BatchReport& lastBatch() const { return lastBatch_; }
    void recordBatch(BatchReport report) { lastBatch_ = std::move(report); }
    // The job goes on after its batch has ended until releaseJob(): steps that end later (a
    // rip's outputs put in place) keep the controls locked meanwhile.
    void holdJob() { jobHeld_ = true; }
    void releaseJob();
    // The extraction batch's paths: one step (digital reading, cdbatch.cpp) and two steps
    // (recording the sound card while the CD plays). Each takes the track to show first.
    void StartTrackRecording3(int trackNumber);
    virtual void StartTrackRecording2(int trackNumber);
    // Fills cmbBitrate and cmbQuality at start-up (wavbatch.cpp).
    void fillEncoderLists();
    void cmbBitrate_Click();
    void cmbQuality_Click();

    // ---- CD side (cdlisting.cpp, cdbatch.cpp) ------------------------------------------
    // Reads the disc in the media drive once (readDisc) and lists its tracks into lstTracks,
    // each entry carrying its track (start-up and refresh); fills lblCDID, lblNumTracks and
    // trackLengthsMs, and keeps the disc read as the listed disc.
    void cmdRefresh_Click();
    // Fills DriveList with the CD drives (start-up).
    void fillDriveList();
    // The drive chosen in DriveList: opens it (closing the one open before).
    void DriveList_Click();
    // The user's choice in DriveList: the drive is opened and its disc listed, so that the
    // tracks, identity and disc information shown are always those of the drive read.
    void driveChosen();
    // "Open Disc Image...": a cue sheet becomes a drive after the others, is opened and its
    // tracks are listed.
    void mnuOpenImage_Click();
    // Opens the cue sheet `cuePath` as "Open Disc Image..." opens the one picked; false (the
    // reason said) when it cannot be opened.
    bool openDiscImage(const QString& cuePath);
    // "Convert Folder...": music folders mirrored into another in one format (engine's
    // library::MirrorRun): opens the "Convert Folder" dialog (and returns at once) for the
    // folders and choices and the count of what would be done; once it is accepted, the walk
    // on a thread of its own, then the batch with the window's progress, Stop, tray and disk
    // guard, and a message with the summary. Ignored while a job or another walk runs; brings
    // back the dialog already open (convertfolder.cpp).
    void mnuConvertFolder_Click();
    bool isPlanningFolder() const { return folderPlanning_ != nullptr; }
    // The open "Convert Folder" dialog, or nullptr.
    ConvertFolderDialog* convertFolderDialog() const;
    // Compares the selected WAV node's file with its track of the disc in the media drive
    // (by checksums) on a thread of its own and returns; the window, drawn but taking no
    // input meanwhile, says whether they match once the thread has ended. Ignored while a
    // comparison runs.
    void mnuVerify_Click();
    bool isVerifying() const { return verifying_ != nullptr; }
    // The one-step batch over lstRecord: each track to a WAV or MP3 as optWAV/optMP3 say.
    void Command6_Click();
    // The same, MP3 only, with the stored bitrate and quality choices; the files are not
    // listed in the tree.
    void Command3_Click();
    void Check3_Click();
    void Chk2Stage_Click();
    // "Extract to" chose another format: stored, and its "Also write" box disabled (the
    // format is written anyway).
    void optExtractTo_Click();
    // An "Also write" box changed: the formats checked are stored.
    void chkAlsoWrite_Click();
    // The format "Extract to" names.
    pipeline::OutputFormat extractToFormat() const;
    // Every format a rip writes each track in: the "Extract to" format, then each other one
    // whose "Also write" box is checked, in the boxes' order (WAV, MP3, FLAC, Opus).
    std::vector<pipeline::OutputFormat> extractionFormats() const;
    // Two-step extraction (capturebatch.cpp): ends the recording under way at once, keeping
    // it, and the batch after it.
    void cmdCancel_Click();
    // Plays the CD from the current track's start; stops playing and recording.
    void Command11_Click();
    void Command12_Click();
    // Where track `track` lies on the disc, from the last listing.
    TrackSpan trackSpan(int track) const;
    // Track lengths in milliseconds of the last full listing, by track number (element 0
    // unused).
    std::vector<std::int32_t> trackLengthsMs;
    // The lstRecord entry worked on (-1: none).
    int lstRecordIndex = -1;
    // Where a real-time recording of the current track ends on the disc, in milliseconds.
    std::int64_t recordEndMs = 0;

    // ---- Disc information (discwindow.cpp) --------------------------------------------
    // "Look Up Disc Information": asks the MusicBrainz service (server: MusicBrainzServer)
    // which releases hold the listed disc and returns at once; the answer arrives later on
    // this thread. The chosen release (the user picks one of several), merged with the
    // disc's CD-Text, becomes the disc's information. No disc, an unknown disc or a failed
    // look-up is said and changes nothing. Does nothing while a look-up runs.
    void mnuLookUp_Click();
    bool isLookingUp() const { return lookingUp_; }
    // "Disc Information...": album, artist, date and each track's title to edit; OK keeps
    // the edits for the disc for the rest of the run.
    void mnuDiscInfo_Click();
    // "Find Read Offset...": the drive's read offset, found against the AccurateRip database
    // with the disc in it (ReadOffsetFinder); refused while a conversion runs or a search does.
    void mnuFindOffset_Click();
    // What the listed disc is known as (its discId set when one could be computed); empty
    // when no music disc is listed. Kept per disc for the run, so listing a disc again keeps
    // what was looked up or edited.
    DiscInfo discInfo() const;
    // The listed disc's front cover as a rip takes it: the release's, fetched from the Cover
    // Art Archive (CoverArtServer, CoverArtSize) once a look-up has chosen the release, or a
    // picture chosen in "Disc Information..."; none, `note` then saying why (for the rip log;
    // empty when none was asked for). Kept per disc for the run, as discInfo() is.
    struct DiscCover {
        std::optional<cover::FrontCover> picture;
        QString note;
        // Chosen or removed in "Disc Information...": a later look-up does not replace it.
        bool usersChoice = false;
    };
    DiscCover discCover() const;
    // From a look-up's answer to the cover's (which never blocks the window).
    bool isFetchingCover() const;

    // ---- The source tree ----------------------------------------------------------------
    SourceTree& tree() { return *tree_; }
    // Track number shared with the extraction jobs; set by a release on a track node.
    int currentTrackNumber = 0;

    // ---- Controls -----------------------------------------------------------------------
    QTreeView* TreeView1 = nullptr;
    QWidget* Picture7 = nullptr; // tree panel
    QWidget* Picture8 = nullptr; // right-hand panel
    QWidget* Picture3 = nullptr; // tool bar
    QWidget* Picture4 = nullptr; // CD bar
    QWidget* Picture5 = nullptr; // strip above the tree
    QWidget* Picture1 = nullptr; // status bar
    QWidget* Picture2 = nullptr; // activity bar
    QLabel* Label3 = nullptr;    // next action
    QLabel* Label2 = nullptr;    // destination
    QLabel* lblStatus = nullptr;
    QLabel* Label33 = nullptr; // percentage
    QLabel* Label5 = nullptr;  // low drive space warning
    QProgressBar* ProgressBar1 = nullptr;
    QComboBox* DriveList = nullptr;
    QLabel* lblNoDrive = nullptr; // in DriveList's place while it names no drive
    QComboBox* cmbBitrate = nullptr;
    QComboBox* cmbQuality = nullptr;
    // CD bar.
    QPushButton* cmdRefresh = nullptr; // "Reset"
    QLabel* lblCDID = nullptr;
    QLabel* lblDiscId = nullptr; // the listed disc's MusicBrainz disc ID
    QLabel* lblNumTracks = nullptr;
    QRadioButton* optWAV = nullptr;
    QRadioButton* optMP3 = nullptr;
    QRadioButton* optFLAC = nullptr;
    QRadioButton* optOpus = nullptr;
    // "Also write": a format written beside the "Extract to" one, from the same read.
    QCheckBox* chkAlsoWav = nullptr;
    QCheckBox* chkAlsoMp3 = nullptr;
    QCheckBox* chkAlsoFlac = nullptr;
    QCheckBox* chkAlsoOpus = nullptr;
    QCheckBox* chkPrivate = nullptr;
    QCheckBox* chkCRC = nullptr;
    QCheckBox* chkCopyright = nullptr;
    QCheckBox* chkOriginal = nullptr;
    QCheckBox* Chk2Stage = nullptr;
    QCheckBox* Check3 = nullptr;
    QPushButton* cmdStart = nullptr;
    QPushButton* Command6 = nullptr;  // hidden: the one-step batch
    QPushButton* Command3 = nullptr;  // hidden: the MP3-only batch
    QPushButton* Command11 = nullptr; // play the current track
    QPushButton* Command12 = nullptr; // stop playing
    QTimer* Timer1 = nullptr;         // one-shot idle reset, 1000 ms
    QTimer* tmrWarning = nullptr;     // disk-space guard, 2000 ms
    QTimer* tmrRecord = nullptr;      // record-capture watch, 100 ms
    QCheckBox* Check9 = nullptr;      // hidden: stops a real-time recording
    QPushButton* CmdSelectAction = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* C777 = nullptr;
    QPushButton* Copt = nullptr;
    QPushButton* C5555555 = nullptr;
    QPushButton* Cmdhelp = nullptr;
    QPushButton* C1212 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command7 = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuOpenfile = nullptr;
    QAction* mnuOpenImage = nullptr;
    QAction* mnuConvertFolder = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnupopup = nullptr; // the tree's context menu
    QAction* mnuStart2 = nullptr;
    QAction* mnuFileRemove = nullptr;
    QAction* mnuRemoveDelete = nullptr;
    QAction* mnuVerify = nullptr;  // "Verify against Disc", on WAV nodes
    QAction* mnuLookUp2 = nullptr; // "Look Up Disc Information", on track nodes and groups
    QAction* mnuMinimize = nullptr;
    QAction* mnuExit2 = nullptr;
    QMenu* mnuActiopn = nullptr;
    QAction* mnuStart = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuRefreshlist = nullptr;
    QMenu* mnuCD = nullptr;
    QAction* mnuLookUp = nullptr;     // "Look Up Disc Information"
    QAction* mnuDiscInfo = nullptr;   // "Disc Information..."
    QAction* mnuFindOffset = nullptr; // "Find Read Offset..."
    QMenu* mnuPrefs = nullptr;
    QAction* mnuGetMainPrefs = nullptr;
    QMenu* mnuToolbars = nullptr;
    QAction* mnuToolbar = nullptr;
    QAction* mnuCDbar = nullptr;
    QAction* mnuActivityBar = nullptr;
    QAction* mnuStatusbar = nullptr;
    QAction* mnuSearch = nullptr;
    QAction* mnuPlaylist = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpfile = nullptr;

  signals:
    // Asked of the windows that must not act on files while a job runs.
    void decoderWindowUnloadRequested();
    void playerWindowUnloadRequested();
    void searchWindowUnloadRequested();
    // The other windows, opened from this one's menus and buttons.
    void playerWindowRequested();
    void searchWindowRequested();
    void preferencesWindowRequested();
    // Every RefreshDriveSpace, for the preferences window's drive panel.
    void driveSpaceRefreshed(const ModSysInfo::DriveSpaceReport& report);
    // The window has unloaded and the program should end (connected to the application's
    // quit by the program entry).
    void programEndRequested();
    // The steps after a rip have ended: the log and the cue sheets are written, and the
    // AccurateRip database has answered when it was asked.
    void ripEnded(const RipEnding& ending);
    // The job has ended and the window is idle again (emitted before it is shown again).
    void jobEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool controlsLocked_ = false; // between Disablem and Enablem
    void buildControls();
    void buildToolBar(QWidget* client);
    void buildCdBar(QWidget* client);
    void buildTreeArea(QWidget* client);
    void buildRightPanel(QWidget* client);
    void buildStatusBars(QWidget* client);
    void buildMenus();
    void connectCommands();
    void toggleBar(QAction* menu, QWidget* bar);
    // Sizes the bars to their contents and the right-hand panel to its widest control, makes
    // the window's least size the one that shows every control whole, then lays out.
    void fitPanels();
    bool layoutPending_ = false; // a fitPanels is queued
    // DriveList while it names a drive; otherwise lblNoDrive in its place.
    void showDriveListOrHint();
    void centreOnScreen();
    // Emits `request` when some window listens to it; otherwise says the window is not
    // available yet.
    void openOtherWindow(void (Form1::*request)(), const QString& notAvailableText);
    void showNotAvailable(const QString& text);
    // Stops the work, unloads the tray popup, removes the crash filter and asks for the
    // program's end; runs once.
    void unloadWindow();
    void requestCloseAfterJob();
    // The job has ended (or none started): the guard stops, the tray icon goes, the controls
    // unlock and the idle display follows; or the window closes when that was asked.
    void endJob();
    // Stops the work for lack of room on the destination's disk; `reason` says how much.
    void lowSpaceStop(const QString& reason);
    void setCdControlsEnabled(bool enabled);
    // The "Extract to" option and the "Also write" box of each format, in the order WAV, MP3,
    // FLAC, Opus.
    struct FormatControls {
        pipeline::OutputFormat format;
        QRadioButton* extractTo;
        QCheckBox* alsoWrite;
    };
    std::vector<FormatControls> formatControls() const;
    // "Extract to" and "Also write" as the settings hold them (start-up).
    void showStoredExtractionFormats();
    // The "Also write" box of the "Extract to" format is disabled, the others enabled.
    void enableAlsoWriteBoxes();
    // `disc` is the disc listed now (a music disc): kept, with its information for the run.
    void noteListedDisc(const Disc& disc);
    void forgetListedDisc();
    // The listed disc as it is in its drive now (stillInDrive). When another disc is there,
    // says so and gives nothing: a batch over the listed tracks would read the wrong disc.
    std::optional<Disc> listedDiscNow();
    // The menus' and tree's hooks of the disc information (constructor).
    void connectDiscInformation();
    void applyLookup(const QString& key, const DiscInfo& cdText, const DiscInfo& release);
    // Two-step extraction (capturebatch.cpp): the batch's work, the window's part in it, the
    // steps after each recorded track and at the end.
    ConversionBatch recordingWork(TwoStepRecording& run) const;
    WindowBatch recordingBatch(const std::shared_ptr<TwoStepRecording>& run);
    // After a recorded track: each format asked beside WAV is made of it and tagged, and the
    // recording is deleted or listed; `done` follows once these steps have ended.
    void recordingFinished(const std::shared_ptr<TwoStepRecording>& run, const WorkItem& item,
                           const JobResult& result, const WindowBatch::StepsDone& done);
    // The album's gain into the files made, the rip log, and the window idle again.
    void recordingEnded(TwoStepRecording& run, const BatchReport& report);
    // Encodes recording `at` on recordingEncodes_ to the formats from run.encodedTo[step] on,
    // one after the other (an abort ends them), tagging each file once complete; then deletes
    // the recording (the batch's delete rule, once every file made of it is complete) or
    // lists it. `done` gets the first problem to report at the end of the batch, or nothing.
    void encodeRecording(const std::shared_ptr<TwoStepRecording>& run, std::size_t at,
                         std::size_t step, bool allComplete, std::optional<QString> problem,
                         const WindowBatch::StepsDone& done);
    // Converts the recording `wavPath` to `format` (FLAC, Opus) through the conversion pipeline
    // as a batch of one on recordingEncodes_, showing its progress. `done` gets the file made
    // (empty: none kept) and how the conversion ended, from the event loop.
    void convertRecording(const QString& wavPath, pipeline::OutputFormat format,
                          const ConversionSettings& settings,
                          std::function<void(const QString& path, EncodeFileResult how)> done);

    // Opens and walks `request` on a thread of its own (folderPlanning_); then `then` on this
    // thread with the run planned, unless it failed (said) or was cancelled.
    void planFolder(const library::MirrorRequest& request,
                    std::function<void(const std::shared_ptr<library::MirrorRun>&)> then);
    // The planned run's orphans settled and its batch started with the window's reactions.
    void runFolder(const std::shared_ptr<library::MirrorRun>& run);

    static Form1* current_;
    SourceTree* tree_ = nullptr;
    TreeViewEvents* treeEvents_ = nullptr;
    QPointer<frmpopup> popup_;
    QPointer<QWidget> helpWindow_;
    QPointer<QObject> offsetFinder_;    // the running "Find Read Offset..." search
    QObject* folderPlanning_ = nullptr; // child: the walk of "Convert Folder...", while it runs
    // Child: the "Convert Folder" dialog, while it is open.
    QPointer<ConvertFolderDialog> convertFolder_;
    bool unloaded_ = false;
    ConversionService* conversions_ = nullptr; // child
    std::unique_ptr<QThread> verifying_;       // the comparison of mnuVerify_Click, while it runs
    // Child: the MP3 of a recorded track is made here while the recording batch waits.
    ConversionService* recordingEncodes_ = nullptr;
    bool dispatching_ = false;    // inside the job dispatch of CmdSelectAction_Click
    bool jobHeld_ = false;        // see holdJob()
    bool closeRequested_ = false; // the window closes once the job has ended
    BatchReport lastBatch_;
    QString jobTitle_; // the caption the file in progress started with
    std::optional<std::int64_t> destinationFreeMb_;
    QString lowSpaceReason_; // why the guard stopped the job; cleared when one starts
    // The disc listed now, as it was read for the listing, and its key (Disc::infoKey); empty:
    // no disc listed.
    struct ListedDisc : Disc {
        QString key;
    };
    ListedDisc listedDisc_;
    std::map<QString, DiscInfo> discInfos_;     // by disc key, for the run
    musicbrainz::DiscLookup* lookup_ = nullptr; // child
    bool lookingUp_ = false;                    // from the start of a look-up to its answer
    // The front cover of the release chosen for the disc `key`, fetched into covers_.
    void startCoverFetch(const QString& key, const QString& releaseId);
    std::map<QString, DiscCover> covers_;            // by disc key, for the run
    coverarchive::CoverFetch* coverFetch_ = nullptr; // child
    QString coverFetchKey_; // the disc whose cover is being fetched; empty: none is
};
