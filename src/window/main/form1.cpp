// The main window: start-up, commands, job dispatch, stop protocol, progress and shutdown.
#include "window/main/form1.h"

#include "engine/core/batchrunner.h"
#include "engine/core/destination.h"
#include "engine/core/jobstate.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/pipeline/source.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/nativepath.h"
#include "engine/prefs/errhandler.h"
#include "engine/prefs/mixer.h"
#include "engine/service/conversionservice.h"
#include "engine/service/windowbatch.h"
#include "window/help/helpwindow.h"
#include "window/main/encodefile.h"
#include "window/main/formatchoices.h"
#include "window/main/frmpopup.h"
#include "window/main/screenfit.h"
#include "window/main/treeviewevents.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMetaMethod>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <array>
#include <cmath>
#include <utility>

// Resources compiled into the static window library must be registered by hand.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

const QString programTitle = QStringLiteral("MP3 Vortan v2.0");

void setMenuEnabled(QMenu* menu, bool enabled) {
    menu->setEnabled(enabled);
    menu->menuAction()->setEnabled(enabled);
}

// The items of the File and Action menus that a running job locks: all but Stop and Exit.
std::array<QAction*, 5> jobLockedItems(const Form1& w) {
    return {w.mnuOpenfile, w.mnuOpenImage, w.mnuStart, w.mnuRefreshlist, w.mnuConvertFolder};
}

QString destinationCaption() {
    return QCoreApplication::translate("Form1", "Destination:  ") + DecodePath + QLatin1Char('/');
}

} // namespace

Form1* Form1::current_ = nullptr;

Form1* Form1::instance() {
    return current_;
}

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    current_ = this;
    initIconResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(programTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/im01.png")));

    tree_ = new SourceTree(this);
    tree_->setObjectName(QStringLiteral("SourceTree"));
    // The audio groups list every other format the conversions read.
    tree_->audioExtensions = pipeline::otherAudioExtensions();
    conversions_ = new ConversionService(this);
    conversions_->setObjectName(QStringLiteral("ConversionService"));
    recordingEncodes_ = new ConversionService(this);

    buildControls();
    buildMenus();
    treeEvents_ = new TreeViewEvents(*this);
    connectCommands();
    connectDiscInformation();

    resize(860, 580);
    fitPanels();
}

Form1::~Form1() {
    // A batch still running ends here (the application has quit), its files properly ended
    // and its end steps run; the window shows and asks nothing more.
    closeRequested_ = false;
    unloaded_ = true;
    // A recording's encode ends first, so that the recording batch waiting for it goes no
    // further.
    conversions_->abort();
    recordingEncodes_->endNow();
    conversions_->endNow();
    delete recordingEncodes_;
    recordingEncodes_ = nullptr;
    if (verifying_)
        verifying_->wait(); // a comparison under way reads the disc to its end
    delete conversions_;
    conversions_ = nullptr;
    if (current_ == this)
        current_ = nullptr;
    delete popup_.data();
    delete helpWindow_.data();
}

void Form1::connectCommands() {
    connect(CmdSelectAction, &QPushButton::clicked, this, &Form1::CmdSelectAction_Click);
    connect(mnuStart, &QAction::triggered, this, &Form1::mnuStart_Click);
    connect(mnuStart2, &QAction::triggered, this, &Form1::mnuStart_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(mnuStop, &QAction::triggered, this, &Form1::Command8_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(C1212, &QPushButton::clicked, this, &Form1::C1212_Click);
    connect(mnuRefreshlist, &QAction::triggered, this, &Form1::C1212_Click);

    auto player = [this] {
        openOtherWindow(&Form1::playerWindowRequested,
                        tr("The play list window is not available yet."));
    };
    auto search = [this] {
        openOtherWindow(&Form1::searchWindowRequested,
                        tr("The file search window is not available yet."));
    };
    auto preferences = [this] {
        openOtherWindow(&Form1::preferencesWindowRequested,
                        tr("The preferences window is not available yet."));
    };
    connect(C5555555, &QPushButton::clicked, this, player);
    connect(mnuPlaylist, &QAction::triggered, this, player);
    connect(C777, &QPushButton::clicked, this, search);
    connect(mnuSearch, &QAction::triggered, this, search);
    connect(Copt, &QPushButton::clicked, this, preferences);
    connect(mnuGetMainPrefs, &QAction::triggered, this, preferences);
    connect(Command4, &QPushButton::clicked, this, &Form1::playerWindowUnloadRequested);

    connect(Cmdhelp, &QPushButton::clicked, this, &Form1::Cmdhelp_Click);
    connect(mnuHelpfile, &QAction::triggered, this, &Form1::Cmdhelp_Click);
    connect(mnuMinimize, &QAction::triggered, this, &Form1::mnuMinimize_Click);
    connect(mnuOpenfile, &QAction::triggered, this, &Form1::OpenFileIntoTree);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(mnuExit, &QAction::triggered, this, &Form1::Command5_Click);
    connect(mnuExit2, &QAction::triggered, this, &Form1::Command5_Click);

    // A checkable menu item flips its own mark before `triggered`; the toggles decide from
    // the mark as it was, so put it back first.
    auto toggle = [this](QAction* menu, void (Form1::*handler)()) {
        connect(menu, &QAction::triggered, this, [this, menu, handler](bool checked) {
            menu->setChecked(!checked);
            (this->*handler)();
        });
    };
    toggle(mnuToolbar, &Form1::mnuToolbar_Click);
    toggle(mnuCDbar, &Form1::mnuCDbar_Click);
    toggle(mnuStatusbar, &Form1::mnuStatusbar_Click);
    toggle(mnuActivityBar, &Form1::mnuActivityBar_Click);

    connect(mnuFileRemove, &QAction::triggered, this, [this] { tree_->RemoveFromList(); });
    connect(mnuRemoveDelete, &QAction::triggered, this, [this] { tree_->RemoveAndDeleteFile(); });
    connect(mnuVerify, &QAction::triggered, this, &Form1::mnuVerify_Click);

    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(tmrWarning, &QTimer::timeout, this, &Form1::tmrWarning_Timer);
    // A choice in the list, the same drive again included, (re)opens that drive and lists
    // its disc.
    connect(DriveList, &QComboBox::activated, this, &Form1::driveChosen);
    connect(mnuOpenImage, &QAction::triggered, this, &Form1::mnuOpenImage_Click);
    connect(mnuConvertFolder, &QAction::triggered, this, &Form1::mnuConvertFolder_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, [this] {
        cmdRefresh_Click();
        tree_->showfiles();
    });
    // The CD bar's start extracts: a track or a track group must be what is selected.
    connect(cmdStart, &QPushButton::clicked, this, [this] {
        if (tree_->startJobFor(tree_->selectedNode()) == SourceTree::StartJob::Extract)
            CmdSelectAction_Click();
        else
            dialogs::msgBox(tr("You must select tracks to record."), dialogs::Buttons::Ok,
                            dialogs::Icon::Information);
    });
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(Check3, &QCheckBox::clicked, this, &Form1::Check3_Click);
    connect(Chk2Stage, &QCheckBox::clicked, this, &Form1::Chk2Stage_Click);
    connect(cmbBitrate, &QComboBox::currentIndexChanged, this, &Form1::cmbBitrate_Click);
    connect(cmbQuality, &QComboBox::currentIndexChanged, this, &Form1::cmbQuality_Click);
    for (const FormatControls& controls : formatControls()) {
        // A choice the user makes is stored; any change (the program's too) moves the
        // disabled "Also write" box.
        connect(controls.extractTo, &QRadioButton::clicked, this, &Form1::optExtractTo_Click);
        connect(controls.extractTo, &QRadioButton::toggled, this, &Form1::enableAlsoWriteBoxes);
        connect(controls.alsoWrite, &QCheckBox::clicked, this, &Form1::chkAlsoWrite_Click);
    }
}

// ---- Start-up ------------------------------------------------------------------------------

void Form1::Form_Load() {
    dialogs::BusyPointer busy; // hourglass until the window is up
    QDir::setCurrent(ProgramFolder());
    TreeView1->move(0, 0);
    centreOnScreen();
    ProgressBar1->setValue(0);
    LoadSettings();

    // The CD: its tracks become the "Available Tracks" items of the tree build below.
    cmdRefresh_Click();
    QDir::setCurrent(ProgramFolder());
    fillDriveList();

    // What the preferences window applies when it loads: the destination folder, the CD
    // line muted when the user chose so, and the tray icon when the user keeps the program
    // in the tray.
    settleDestinationFolder();
    if (MuteButton == 1)
        MuteCdLine();
    if (DesktopIcon == 1)
        loadPopup();

    Label2->setText(destinationCaption());
    tree_->showfiles();
    Form_Resize();

    {
        // Filling the lists must not store the positions the fill passes through.
        const QSignalBlocker blockBitrate(cmbBitrate);
        const QSignalBlocker blockQuality(cmbQuality);
        fillEncoderLists();
    }
    cmbQuality->setCurrentIndex(EncodingQuality);
    cmbBitrate->setCurrentIndex(EncodingBitrate);
    showStoredExtractionFormats();

    modErrHandler::installExceptionFilter();
    show();
    Command7_Click();
}

void Form1::centreOnScreen() {
    fitToScreen(*this);
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = frameGeometry().size();
    move(area.left() + area.width() / 2 - size.width() / 2,
         area.top() + area.height() / 2 - size.height() / 2);
}

void Form1::settleDestinationFolder() {
    const QString path = storedDestinationFolder();
    createDestination(path);
    // The jobs write into the folder settled even when the store keeps the old value.
    DecodePath = path;
}

void Form1::showDestination() {
    Label2->setText(destinationCaption());
}

void Form1::Command7_Click() {}

// ---- Status display --------------------------------------------------------------------------

void Form1::ResetStatus() {
    // The line names what Start will do now, as it does whenever the selection changes.
    Label3->setText(tree_->statusLine());
    Label2->setText(destinationCaption());
    setWindowTitle(programTitle);
    ProgressBar1->setValue(0);
    lblStatus->clear();
    Label33->clear();
    Label33->setVisible(false); // idle: no percentage to show
}

void Form1::Timer1_Timer() {
    Timer1->stop();
    ResetStatus();
}

void Form1::ChangeProgress(const QString& status, float current, float total) {
    (void)status;
    if (!(total > 0.0f))
        return;
    const double percent = static_cast<double>(current) / static_cast<double>(total) * 100.0;
    const QString figure = progressFigure(percent);
    setWindowTitle(tr("Progress ") + figure);
    Label33->setText(figure);
    Label33->setVisible(true);
    ProgressBar1->setValue(static_cast<int>(std::floor(percent)));
}

// ---- Locking -----------------------------------------------------------------------------------

void Form1::Disablem() {
    for (QPushButton* button : {C777, CmdSelectAction, Copt, C5555555, Cmdhelp, Command4})
        button->setEnabled(false);
    mnuStart2->setEnabled(false);
    for (QMenu* menu : {mnuCD, mnuPrefs, mnuHelp, mnupopup})
        setMenuEnabled(menu, false);
    // File and Action stay open to the keyboard (Alt+F, Alt+A) so that Stop and Exit are
    // reachable while the job runs; their other items wait for it.
    for (QAction* item : jobLockedItems(*this))
        item->setEnabled(false);
    mnuRemoveDelete->setEnabled(false);
    mnuFileRemove->setEnabled(false);
    static_cast<SourceTreeView*>(TreeView1)->setAcceptsFiles(false);
    Label33->setVisible(true); // the percentage of the file in progress
    // The drive must stay open and its track lists unchanged while tracks are read.
    setCdControlsEnabled(false);
    // The other windows close when the work starts; a batch that locks again for its next
    // file (or for one more file at once) must not close what its own running files use.
    if (controlsLocked_)
        return;
    controlsLocked_ = true;
    emit decoderWindowUnloadRequested();
    emit playerWindowUnloadRequested();
    emit searchWindowUnloadRequested();
}

void Form1::setCdControlsEnabled(bool enabled) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{DriveList, cmdRefresh, Check3, cmdStart})
        control->setEnabled(enabled);
}

void Form1::Enablem() {
    controlsLocked_ = false;
    setCdControlsEnabled(true);
    for (QPushButton* button : {CmdSelectAction, Command4, C777, Copt, C5555555, Cmdhelp})
        button->setEnabled(true);
    mnuStart2->setEnabled(true);
    for (QMenu* menu : {mnuCD, mnuPrefs, mnuHelp, mnupopup})
        setMenuEnabled(menu, true);
    for (QAction* item : jobLockedItems(*this))
        item->setEnabled(true);
    mnuRemoveDelete->setEnabled(true);
    mnuFileRemove->setEnabled(true);
    static_cast<SourceTreeView*>(TreeView1)->setAcceptsFiles(true);
}

// ---- The action
// ----------------------------------------------------------------------------------

bool Form1::isJobRunning() const {
    return dispatching_ || jobHeld_ || (conversions_ && conversions_->isRunning());
}

void Form1::releaseJob() {
    if (!std::exchange(jobHeld_, false) || dispatching_ || isJobRunning())
        return;
    endJob();
}

void Form1::CmdSelectAction_Click() {
    // A stop unlocks the controls while the stopped job is still winding down. A start then
    // would clear the stop and run a second job over the same lists: it is ignored until the
    // first has ended.
    if (isJobRunning())
        return;
    Label5->setVisible(false);
    lowSpaceReason_.clear();
    if (HDWarning == 1)
        tmrWarning->start();
    if (MinimizeOnStart == 1)
        mnuMinimize_Click();

    dispatching_ = true;
    // The job is chosen by what the selected node is, never by its text.
    switch (tree_->startJobFor(tree_->selectedNode())) {
    case SourceTree::StartJob::Extract:
        cmdStart_Click();
        break;
    case SourceTree::StartJob::Encode:
        cmdEncFile_Click();
        break;
    case SourceTree::StartJob::Decode:
        CmdDecoder_Click();
        break;
    case SourceTree::StartJob::Convert:
        cmdConvertAudio_Click();
        break;
    case SourceTree::StartJob::None:
        break; // nothing selected, or the root: no job
    }
    dispatching_ = false;
    // A batch that started runs on and ends the job when it has ended.
    if (!isJobRunning())
        endJob();
}

void Form1::endJob() {
    // When the window was closed meanwhile, the program is ending: it must not come back.
    if (closeRequested_) {
        Command5_Click();
        return;
    }
    if (unloaded_)
        return;
    Timer1->start();
    tmrWarning->stop();
    unloadPopup();
    Enablem();
    emit jobEnded();
    restoreWindow();
}

void Form1::mnuStart_Click() {
    mnuToolbar->setChecked(true);
    Picture3->show();
    Form_Resize();
    CmdSelectAction_Click();
}

ConversionSettings Form1::conversionSettings() const {
    ConversionSettings settings;
    settings.destination = DecodePath;
    settings.encoder = fileEncoderConfig();
    settings.filesAtOnce = filesAtOnce();
    settings.deleteSource = DeleteWav == 1;
    settings.testAndCopy = TestAndCopy == 1;
    settings.namesFromDisc = NameFromDisc == 1;
    settings.convertTo = formatchoices::audioConversionFormat();
    settings.formats = formatchoices::preferredEncoderSettings();
    settings.formats.mp3 = settings.encoder;
    return settings;
}

bool Form1::startBatch(WindowBatch batch, ConversionBatch work) {
    // A window closed during the batch aborted it on the way out: that is no news to report.
    if (batch.nameCutFiles)
        batch.nameCutFiles = [this, named = std::move(batch.nameCutFiles)] {
            return !closeRequested_ && named();
        };
    batch.ended = [this, ended = std::move(batch.ended)](const BatchReport& report) {
        recordBatch(report);
        if (ended)
            ended(report);
        if (!dispatching_ && !jobHeld_)
            endJob();
    };
    return startWindowBatch(*conversions_, std::move(batch), std::move(work));
}

WindowBatch Form1::fileBatch(const QString& verb, std::function<void(const WorkItem&)> captions) {
    WindowBatch batch;
    batch.verb = verb;
    batch.itemStarted = [this, captions = std::move(captions)](const WorkItem& item) {
        CurrentFile = item.source;
        captions(item);
        jobTitle_ = windowTitle();
        Command2->setVisible(true);
        Disablem();
    };
    // The caption, and with it the tray's tip, shows the progress too.
    batch.progress = [this](const QString& caption, int percent) {
        setWindowTitle(progressTitle(caption, jobTitle_));
        Label33->setText(caption);
        ProgressBar1->setValue(percent);
    };
    batch.mayStart = [this](const WorkItem&, std::int64_t expectedBytes,
                            std::int64_t reservedBytes) {
        return diskGuardAllows(expectedBytes, reservedBytes);
    };
    // The files a guard's stop left unstarted are named at the end, with its reason.
    batch.stopReason = [this] { return lowSpaceReason_; };
    return batch;
}

void Form1::runInParallel(WindowBatch& batch, const QString& action, qsizetype count) {
    batch.runningChanged = [this, action, count](const QList<WorkItem>& running) {
        const RunningCaptions shown = runningCaptions(action, running, count);
        jobTitle_ = shown.title;
        setWindowTitle(shown.title);
        // A stopped batch keeps saying so while its running files end one by one.
        if (!conversions_->isStopped())
            Label3->setText(shown.progress);
        if (running.size() > 1)
            Label2->setText(tr("Destination:  ") + DecodePath);
    };
}

// ---- Stop protocol
// -------------------------------------------------------------------------------

void Form1::Command8_Click() {
    conversions_->stop();
    if (isJobRunning()) {
        // The job winds down, and the window becomes idle once it has ended.
        Label3->setText(tr("Stopping after the current file..."));
    } else {
        Timer1->start();
        Enablem();
    }
    Check9->setChecked(true); // ends a real-time recording
    currentTrackNumber = 0;
    tmrWarning->stop();

    // List the partly written file: a WAV file that the tree does not show yet goes to the
    // end of the WAV list, where Cmaddfile2 then adds its node as the last child. Nothing
    // else is put in the list (an idle stop, a stop while producing an MP3, or a stop while
    // encoding a listed WAV must not leave entries the tree does not mirror).
    const QString partial = CurrentFile;
    if (isWavPath(partial) && nativepath::isFile(partial) && nativepath::fileSize(partial) > 99 &&
        !tree_->List1.contains(partial) && tree_->findByText(partial) == 0 &&
        tree_->findByText(SplitPath(partial)) == 0)
        tree_->List1.add(partial);
    tree_->Cmaddfile2(partial);
}

void Form1::Command1_Click() {
    emit decoderWindowUnloadRequested();
    Command8_Click();
    if (!isJobRunning())
        Enablem();
}

void Form1::Command2_Click() {
    conversions_->abort();
    recordingEncodes_->abort();
    emit decoderWindowUnloadRequested();
    Command8_Click();
    if (!isJobRunning())
        Enablem();
}

// ---- Other commands
// --------------------------------------------------------------------------------

void Form1::C1212_Click() {
    cmdRefresh_Click();
    tree_->showfiles();
}

void Form1::OpenFileIntoTree() {
    tree_->OpenFileIntoTree();
}

void Form1::openOtherWindow(void (Form1::*request)(), const QString& notAvailableText) {
    if (isSignalConnected(QMetaMethod::fromSignal(request)))
        emit(this->*request)();
    else
        showNotAvailable(notAvailableText);
}

void Form1::showNotAvailable(const QString& text) {
    dialogs::msgBox(text, dialogs::Buttons::Ok, dialogs::Icon::Information);
}

QString Form1::helpFilePath() {
    return HelpFolder() + QStringLiteral("/index.html");
}

void Form1::Cmdhelp_Click() {
    QDir::setCurrent(ProgramFolder());
    const QString path = helpFilePath();
    if (!QFileInfo(path).isFile()) {
        dialogs::msgBox(tr("Can't find \"%1\"").arg(path));
        return;
    }
    if (!helpWindow_)
        helpWindow_ = new HelpWindow(this);
    static_cast<HelpWindow*>(helpWindow_.data())->showPage(path);
}

// ---- Tray
// ------------------------------------------------------------------------------------------

frmpopup* Form1::popup() const {
    return popup_.data();
}

void Form1::loadPopup() {
    if (!popup_)
        popup_ = new frmpopup(*this);
}

void Form1::unloadPopup() {
    if (popup_) {
        popup_->unload();
        popup_ = nullptr;
    }
}

void Form1::mnuMinimize_Click() {
    loadPopup();
    // Without a tray the icon cannot bring the window back, so only minimise it.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();
}

void Form1::restoreWindow() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

// ---- Shutdown
// ----------------------------------------------------------------------------------------

void Form1::Command5_Click() {
    if (isJobRunning()) {
        requestCloseAfterJob();
        return;
    }
    closeRequested_ = false;
    close();
    if (!unloaded_)
        unloadWindow(); // a hidden window may not receive the close request
}

void Form1::unloadWindow() {
    if (unloaded_)
        return;
    unloaded_ = true;
    Command8_Click();
    unloadPopup();
    modErrHandler::removeExceptionFilter();
    if (helpWindow_)
        helpWindow_->close();
    // Any close ends the program, even while another of its windows is still open.
    emit programEndRequested();
}

// Abort the file under way as Command2 does (its output is ended properly, its source is
// kept), and close once the job has ended (endJob).
void Form1::requestCloseAfterJob() {
    if (closeRequested_)
        return;
    closeRequested_ = true;
    Command2_Click();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (isJobRunning()) {
        requestCloseAfterJob();
        event->ignore();
        return;
    }
    unloadWindow();
    event->accept();
}
