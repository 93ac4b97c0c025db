// The main window's controls, menus and panel layout.
#include "window/main/form1.h"

#include "window/main/elidedlabel.h"
#include "window/main/treeviewevents.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// The right-hand panel's least width, and the least room the tree keeps beside it, in pixels.
constexpr int rightPanelWidth = 190;
constexpr int leastTreeWidth = 240;
constexpr int leastTreeHeight = 120;
// Space between the tree panel and the right-hand panel.
constexpr int treeGap = 3;

QFrame* makePanel(QWidget* parent, const char* name) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    return panel;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& icon = {}) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    if (!icon.isEmpty())
        button->setIcon(QIcon(icon));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

// A label that names `control`: Alt with its underlined letter moves there, and a screen
// reader reads it as the control's name.
QLabel* makeCaption(QWidget* parent, const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    return label;
}

ElidedLabel* makeElidedLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new ElidedLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setText(caption);
    return label;
}

QComboBox* makeCombo(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo->setAccessibleName(accessibleName);
    return combo;
}

QTimer* makeTimer(QObject* parent, const char* name, int intervalMs, bool singleShot) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(intervalMs);
    timer->setSingleShot(singleShot);
    return timer;
}

QAction* makeAction(QMenu* menu, const char* name, const QString& caption,
                    const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

QMenu* makeMenu(QWidget* parent, const char* name, const QString& caption) {
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name) +
                                      QCoreApplication::translate("Form1", "Action"));
    return menu;
}

// A row of controls, left to right, then room to grow.
QHBoxLayout* makeRow(std::initializer_list<QWidget*> controls) {
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    for (QWidget* control : controls) {
        if (control)
            row->addWidget(control);
        else
            row->addSpacing(12);
    }
    row->addStretch(1);
    return row;
}

QFont boldOf(const QWidget* widget) {
    QFont bold = widget->font();
    bold.setBold(true);
    return bold;
}

} // namespace

void Form1::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    setCentralWidget(client);
    client->installEventFilter(this);
    buildToolBar(client);
    buildCdBar(client);
    buildTreeArea(client);
    buildRightPanel(client);
    buildStatusBars(client);

    Timer1 = makeTimer(this, "Timer1", 1000, true);
    tmrWarning = makeTimer(this, "tmrWarning", 2000, false);
    tmrRecord = makeTimer(this, "tmrRecord", 100, false);

    // Tab goes through the controls in reading order: tool bar, CD bar row by row, the tree,
    // the right-hand panel.
    const std::initializer_list<QWidget*> readingOrder{
        CmdSelectAction, Command8,     C1212,       C777,        C5555555,   Copt,       Cmdhelp,
        Command5,        DriveList,    cmdRefresh,  optWAV,      optMP3,     optFLAC,    optOpus,
        Chk2Stage,       Check3,       cmdStart,    Command6,    Command3,   Command11,  Command12,
        chkAlsoWav,      chkAlsoMp3,   chkAlsoFlac, chkAlsoOpus, cmbBitrate, cmbQuality, chkPrivate,
        chkCRC,          chkCopyright, chkOriginal, TreeView1,   Command1,   Command2,   Command4};
    QWidget* previous = nullptr;
    for (QWidget* control : readingOrder) {
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }

    // A left press on the background of the window or of a panel drags the window; a panel
    // whose contents change size makes the window lay itself out again.
    for (QWidget* panel : {Picture3, Picture4, Picture5, Picture8, Picture2, Picture1})
        panel->installEventFilter(this);
    fitPanels();
}

// Tool bar: the action button and the commands that open other windows.
void Form1::buildToolBar(QWidget* client) {
    auto* toolBar = makePanel(client, "Picture3");
    Picture3 = toolBar;
    auto* toolRow = new QHBoxLayout(toolBar);
    toolRow->setContentsMargins(6, 4, 6, 4);
    toolRow->setSpacing(4);
    CmdSelectAction =
        makeButton(toolBar, "CmdSelectAction", tr("Start"), QStringLiteral(":/icons/im07.png"));
    CmdSelectAction->setToolTip(tr("Convert what is selected in the tree"));
    // Two buttons read "Start": a screen reader names each by what it starts.
    CmdSelectAction->setAccessibleName(tr("Start converting the selection"));
    Command8 = makeButton(toolBar, "Command8", tr("Cancel"), QStringLiteral(":/icons/im08.png"));
    Command8->setToolTip(tr("Stop the conversion"));
    C1212 = makeButton(toolBar, "C1212", tr("Refresh"), QStringLiteral(":/icons/im09.png"));
    C1212->setToolTip(tr("List the CD again and rescan the destination folder (F5)"));
    C777 = makeButton(toolBar, "C777", tr("Search"), QStringLiteral(":/icons/im10.png"));
    C5555555 = makeButton(toolBar, "C5555555", tr("Playlist"), QStringLiteral(":/icons/im11.png"));
    Copt = makeButton(toolBar, "Copt", tr("Preferences"));
    Cmdhelp = makeButton(toolBar, "Cmdhelp", tr("Help"), QStringLiteral(":/icons/im12.png"));
    Cmdhelp->setToolTip(tr("Help (F1)"));
    Command5 = makeButton(toolBar, "Command5", tr("Exit"));
    for (QPushButton* b : {CmdSelectAction, Command8})
        toolRow->addWidget(b);
    toolRow->addSpacing(12);
    for (QPushButton* b : {C1212, C777, C5555555, Copt, Cmdhelp})
        toolRow->addWidget(b);
    toolRow->addStretch(1);
    toolRow->addWidget(Command5);
}

// CD bar, four rows: the drive and its disc; how tracks are extracted; the formats written
// beside the one extracted to; the MP3 encoder's choices.
void Form1::buildCdBar(QWidget* client) {
    auto* cdBar = makePanel(client, "Picture4");
    Picture4 = cdBar;
    DriveList = makeCombo(cdBar, "DriveList", tr("CD Drive"));
    DriveList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DriveList->setMinimumContentsLength(24);
    DriveList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    lblNoDrive =
        makeLabel(cdBar, "lblNoDrive", tr("No CD drive found; use File > Open Disc Image..."));
    lblNoDrive->setVisible(false);
    cmdRefresh = makeButton(cdBar, "cmdRefresh", tr("Reset"));
    cmdRefresh->setToolTip(tr("List the tracks of the disc again"));
    lblCDID = makeLabel(cdBar, "lblCDID", QString());
    lblCDID->setToolTip(tr("Disc identity"));
    lblDiscId = makeLabel(cdBar, "lblDiscId", QString());
    lblDiscId->setToolTip(tr("MusicBrainz disc ID"));
    lblDiscId->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblNumTracks = makeLabel(cdBar, "lblNumTracks", QString());
    lblNumTracks->setToolTip(tr("Number of tracks"));
    cmbBitrate = makeCombo(cdBar, "cmbBitrate", tr("Bitrate"));
    cmbQuality = makeCombo(cdBar, "cmbQuality", tr("Quality"));

    auto makeCheck = [cdBar](const char* name, const QString& caption) {
        auto* box = new QCheckBox(caption, cdBar);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    auto makeOption = [cdBar](const char* name, const QString& caption) {
        auto* option = new QRadioButton(caption, cdBar);
        option->setObjectName(QLatin1String(name));
        return option;
    };
    optWAV = makeOption("optWAV", QStringLiteral("WAV"));
    optMP3 = makeOption("optMP3", QStringLiteral("MP3"));
    optMP3->setChecked(true);
    optFLAC = makeOption("optFLAC", QStringLiteral("FLAC"));
    optFLAC->setToolTip(tr("Lossless and compressed; the level is set in Preferences"));
    optOpus = makeOption("optOpus", QStringLiteral("Opus"));
    optOpus->setToolTip(tr("Small files of good sound; the bitrate is set in Preferences"));
    // The option buttons' texts name the formats; the boxes beside them are told apart by
    // what they do.
    auto makeAlsoWrite = [&makeCheck](const char* name, const QString& format) {
        QCheckBox* box = makeCheck(name, format);
        box->setAccessibleName(tr("Also write %1").arg(format));
        box->setToolTip(tr("Also write each track as %1, from the same reading").arg(format));
        return box;
    };
    chkAlsoWav = makeAlsoWrite("chkAlsoWav", QStringLiteral("WAV"));
    chkAlsoMp3 = makeAlsoWrite("chkAlsoMp3", QStringLiteral("MP3"));
    chkAlsoFlac = makeAlsoWrite("chkAlsoFlac", QStringLiteral("FLAC"));
    chkAlsoOpus = makeAlsoWrite("chkAlsoOpus", QStringLiteral("Opus"));
    chkPrivate = makeCheck("chkPrivate", tr("Private"));
    chkCRC = makeCheck("chkCRC", QStringLiteral("CRC"));
    chkCopyright = makeCheck("chkCopyright", tr("Copyright"));
    chkOriginal = makeCheck("chkOriginal", tr("Original"));
    Chk2Stage = makeCheck("Chk2Stage", tr("1 Step Extraction"));
    Chk2Stage->setChecked(true);
    Chk2Stage->setToolTip(
        tr("Ticked: read the tracks digitally. Clear: record them from the sound card while "
           "the CD plays"));
    Check3 = makeCheck("Check3", tr("All"));
    Check3->setToolTip(tr("Select every track of the disc"));
    cmdStart = makeButton(cdBar, "cmdStart", tr("Start"));
    cmdStart->setToolTip(tr("Extract the selected tracks"));
    cmdStart->setAccessibleName(tr("Start extracting tracks"));
    Command6 = makeButton(cdBar, "Command6", tr("Extract"));
    Command6->setVisible(false);
    Command3 = makeButton(cdBar, "Command3", tr("Extract to MP3"));
    Command3->setVisible(false);
    Command11 = makeButton(cdBar, "Command11", tr("Play"));
    Command11->setToolTip(tr("Play Selected track"));
    Command12 = makeButton(cdBar, "Command12", tr("Stop"));
    Command12->setToolTip(tr("Stop playing CD"));

    auto* cdRows = new QVBoxLayout(cdBar);
    cdRows->setContentsMargins(6, 3, 6, 3);
    cdRows->setSpacing(2);
    QHBoxLayout* driveRow =
        makeRow({makeCaption(cdBar, tr("CD &Drive:"), DriveList), DriveList, lblNoDrive, cmdRefresh,
                 nullptr, new QLabel(tr("Disc:"), cdBar), lblCDID, lblDiscId, nullptr,
                 new QLabel(tr("Tracks:"), cdBar), lblNumTracks});
    // The drive list takes the room the disc's texts leave.
    driveRow->setStretchFactor(DriveList, 1);
    driveRow->setStretch(driveRow->count() - 1, 0);
    cdRows->addLayout(driveRow);
    cdRows->addLayout(
        makeRow({new QLabel(tr("Extract to:"), cdBar), optWAV, optMP3, optFLAC, optOpus, nullptr,
                 Chk2Stage, Check3, cmdStart, Command6, Command3, nullptr, Command11, Command12}));
    cdRows->addLayout(makeRow(
        {new QLabel(tr("Also write:"), cdBar), chkAlsoWav, chkAlsoMp3, chkAlsoFlac, chkAlsoOpus}));
    cdRows->addLayout(makeRow({makeCaption(cdBar, tr("&Bitrate:"), cmbBitrate), cmbBitrate,
                               makeCaption(cdBar, tr("&Quality:"), cmbQuality), cmbQuality, nullptr,
                               chkPrivate, chkCRC, chkCopyright, chkOriginal}));
    // With no drive, a line says where a disc image is opened instead.
    QAbstractItemModel* drives = DriveList->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(drives, signal, this, &Form1::showDriveListOrHint);
    connect(drives, &QAbstractItemModel::dataChanged, this, &Form1::showDriveListOrHint);
    connect(drives, &QAbstractItemModel::modelReset, this, &Form1::showDriveListOrHint);
}

// The strip above the tree with the next-action line, and the tree's panel.
void Form1::buildTreeArea(QWidget* client) {
    auto* strip = makePanel(client, "Picture5");
    Picture5 = strip;
    strip->setFrameShape(QFrame::NoFrame);
    auto* stripRow = new QHBoxLayout(strip);
    stripRow->setContentsMargins(8, 4, 8, 4);
    Label3 = makeElidedLabel(strip, "Label3", tr("Next Action: Make a selection"));
    Label3->setFont(boldOf(Label3));
    stripRow->addWidget(Label3, 1);

    // Tree panel.
    Picture7 = makePanel(client, "Picture7");
    static_cast<QFrame*>(Picture7)->setFrameShape(QFrame::NoFrame);
    TreeView1 = new SourceTreeView(*tree_, Picture7);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setAccessibleName(tr("CD tracks, WAV and MP3 files"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setUniformRowHeights(true);
    TreeView1->setDragEnabled(false);
    TreeView1->setAcceptDrops(false);
    TreeView1->setExpandsOnDoubleClick(false);
    TreeView1->setContextMenuPolicy(Qt::NoContextMenu);
}

// Right-hand panel: the finer stop commands, the player's close command and the low-space
// warning.
void Form1::buildRightPanel(QWidget* client) {
    auto* right = makePanel(client, "Picture8");
    Picture8 = right;
    auto* rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(8, 8, 8, 8);
    rightColumn->setSpacing(6);
    auto* jobTitle = new QLabel(tr("Conversion"), right);
    jobTitle->setFont(boldOf(jobTitle));
    Command1 = makeButton(right, "Command1", tr("Stop after this file"));
    Command1->setToolTip(tr("Finish the file being converted, then stop"));
    Command2 = makeButton(right, "Command2", tr("Abort this file"));
    Command2->setToolTip(tr("Stop at once, leaving the current file unfinished"));
    Label5 = makeLabel(right, "Label5", tr("Low Drive space"));
    Label5->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    Label5->setVisible(false);
    auto* playerTitle = new QLabel(tr("Player"), right);
    playerTitle->setFont(boldOf(playerTitle));
    Command4 = makeButton(right, "Command4", tr("Close Player"));
    auto* hint =
        new QLabel(tr("Double-click a track or file, or press Enter on it, to move it between "
                      "its available and selected groups. Select a group or an item, then "
                      "press Start."),
                   right);
    hint->setWordWrap(true);
    hint->setObjectName(QStringLiteral("hintLabel"));
    hint->setStyleSheet(QStringLiteral("QLabel { color: palette(dark); }"));
    Check9 = new QCheckBox(tr("Stop recording"), right);
    Check9->setObjectName(QStringLiteral("Check9"));
    Check9->setVisible(false);
    Command7 = makeButton(right, "Command7", QString());
    Command7->setVisible(false);
    rightColumn->addWidget(jobTitle);
    rightColumn->addWidget(Command1);
    rightColumn->addWidget(Command2);
    rightColumn->addWidget(Label5);
    rightColumn->addSpacing(10);
    rightColumn->addWidget(playerTitle);
    rightColumn->addWidget(Command4);
    rightColumn->addSpacing(10);
    rightColumn->addWidget(hint);
    rightColumn->addStretch(1);
    rightColumn->addWidget(Check9);
    rightColumn->addWidget(Command7);
}

// Activity bar (progress; the percentage shows while a conversion runs, idle it keeps its
// place hidden) and status bar.
void Form1::buildStatusBars(QWidget* client) {
    auto* activity = makePanel(client, "Picture2");
    Picture2 = activity;
    auto* activityRow = new QHBoxLayout(activity);
    activityRow->setContentsMargins(6, 3, 6, 3);
    ProgressBar1 = new QProgressBar(activity);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(tr("Progress of the current file"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Label33 = makeLabel(activity, "Label33", tr("OFF"));
    Label33->setToolTip(tr("Progress of the current file"));
    // Of fixed size, so that the percentage changing many times a second never makes the
    // window lay itself out again.
    Label33->setFixedSize(Label33->fontMetrics().horizontalAdvance(QStringLiteral("100.00 %")) + 8,
                          Label33->sizeHint().height());
    Label33->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QSizePolicy keepPlace = Label33->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    Label33->setSizePolicy(keepPlace);
    Label33->setVisible(false);
    activityRow->addWidget(ProgressBar1, 1);
    activityRow->addWidget(Label33);

    // Status bar.
    auto* status = makePanel(client, "Picture1");
    Picture1 = status;
    status->setFrameShadow(QFrame::Sunken);
    auto* statusRow = new QHBoxLayout(status);
    statusRow->setContentsMargins(6, 2, 6, 2);
    lblStatus = makeElidedLabel(status, "lblStatus", QString());
    Label2 = makeElidedLabel(status, "Label2", QString());
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    statusRow->addWidget(lblStatus, 1);
    statusRow->addWidget(Label2, 2);
}

void Form1::showDriveListOrHint() {
    bool anyDrive = false;
    for (int i = 0; i < DriveList->count() && !anyDrive; ++i)
        anyDrive = !DriveList->itemText(i).trimmed().isEmpty();
    DriveList->setVisible(anyDrive);
    lblNoDrive->setVisible(!anyDrive);
}

void Form1::fitPanels() {
    layoutPending_ = false;
    for (QWidget* bar : {Picture3, Picture4, Picture5, Picture2, Picture1})
        bar->setFixedHeight(bar->sizeHint().height());
    Picture8->setFixedWidth(std::max(rightPanelWidth, Picture8->minimumSizeHint().width()));

    // The least client area that shows every control whole: the widest bar, the tallest
    // stack of the bars shown with the right-hand panel's contents beside the tree.
    int leastWidth = Picture8->width() + treeGap + leastTreeWidth;
    for (QWidget* bar : {Picture3, Picture4, Picture5, Picture2, Picture1})
        leastWidth = std::max(leastWidth, bar->minimumSizeHint().width());
    int leastHeight = Picture5->height();
    for (QWidget* bar : {Picture3, Picture4, Picture2, Picture1})
        if (!bar->isHidden())
            leastHeight += bar->height();
    const int rightHeight = Picture8->layout()->hasHeightForWidth()
                                ? Picture8->layout()->totalHeightForWidth(Picture8->width())
                                : Picture8->minimumSizeHint().height();
    leastHeight += std::max(leastTreeHeight, rightHeight);
    centralWidget()->setMinimumSize(leastWidth, leastHeight);
    Form_Resize();
}

void Form1::buildMenus() {
    QMenuBar* bar = menuBar();

    mnuFile = makeMenu(this, "mnuFile", tr("&File"));
    mnuOpenfile =
        makeAction(mnuFile, "mnuOpenfile", tr("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuOpenImage = makeAction(mnuFile, "mnuOpenImage", tr("Open &Disc Image..."));
    mnuConvertFolder = makeAction(mnuFile, "mnuConvertFolder", tr("Convert &Folder..."));
    mnuFile->addSeparator();
    mnuExit = makeAction(mnuFile, "mnuExit", tr("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    bar->addMenu(mnuFile);

    // The tree's context menu: declared with the others but never shown in the menu bar.
    // "Remove from List" shows its key; the tree acts on it (TreeViewEvents).
    mnupopup = makeMenu(this, "mnupopup", QStringLiteral("popup"));
    mnuStart2 = makeAction(mnupopup, "mnuStart2", tr("&Start!"));
    mnupopup->addSeparator();
    mnuFileRemove = makeAction(mnupopup, "mnuFileRemove", tr("&Remove from List"),
                               QKeySequence(Qt::Key_Delete));
    mnuFileRemove->setShortcutContext(Qt::WidgetShortcut);
    mnuRemoveDelete = makeAction(mnupopup, "mnuRemoveDelete", tr("Remove and &Delete File"));
    mnuVerify = makeAction(mnupopup, "mnuVerify", tr("&Verify against Disc"));
    mnuLookUp2 = makeAction(mnupopup, "mnuLookUp2", tr("&Look Up Disc Information"));
    mnupopup->addSeparator();
    mnuMinimize = makeAction(mnupopup, "mnuMinimize", tr("&Minimize"));
    mnuExit2 = makeAction(mnupopup, "mnuExit2", tr("E&xit"));
    bar->addMenu(mnupopup)->setVisible(false);

    mnuActiopn = makeMenu(this, "mnuActiopn", tr("&Action"));
    mnuStart = makeAction(mnuActiopn, "mnuStart", tr("&Start "));
    mnuStop = makeAction(mnuActiopn, "mnuStop", tr("S&top"));
    mnuActiopn->addSeparator();
    mnuRefreshlist =
        makeAction(mnuActiopn, "mnuRefreshlist", tr("&Refresh List"), QKeySequence(Qt::Key_F5));
    bar->addMenu(mnuActiopn);

    mnuCD = makeMenu(this, "mnuCD", tr("&CD"));
    mnuLookUp = makeAction(mnuCD, "mnuLookUp", tr("&Look Up Disc Information"));
    mnuDiscInfo = makeAction(mnuCD, "mnuDiscInfo", tr("Disc &Information..."));
    mnuFindOffset = makeAction(mnuCD, "mnuFindOffset", tr("Find Read &Offset..."));
    bar->addMenu(mnuCD);

    mnuPrefs = makeMenu(this, "mnuPrefs", tr("&Preferences"));
    mnuGetMainPrefs = makeAction(mnuPrefs, "mnuGetMainPrefs", tr("&Preferences"));
    mnuToolbars = makeMenu(mnuPrefs, "mnuToolbars", tr("&Toolbars"));
    mnuToolbar = makeAction(mnuToolbars, "mnuToolbar", tr("&ToolBar"));
    mnuCDbar = makeAction(mnuToolbars, "mnuCDbar", tr("&CD Bar"));
    mnuActivityBar = makeAction(mnuToolbars, "mnuActivityBar", tr("&Activity Bar"));
    mnuStatusbar = makeAction(mnuToolbars, "mnuStatusbar", tr("&Status Bar"));
    for (QAction* toggle : {mnuToolbar, mnuCDbar, mnuActivityBar, mnuStatusbar}) {
        toggle->setCheckable(true);
        toggle->setChecked(true);
    }
    mnuPrefs->addMenu(mnuToolbars);
    mnuPrefs->addSeparator();
    mnuSearch =
        makeAction(mnuPrefs, "mnuSearch", tr("&Search"), QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuPlaylist = makeAction(mnuPrefs, "mnuPlaylist", tr("P&laylist"));
    bar->addMenu(mnuPrefs);

    mnuHelp = makeMenu(this, "mnuHelp", tr("&Help"));
    mnuHelpfile = makeAction(mnuHelp, "mnuHelpfile", tr("&Help File"), QKeySequence(Qt::Key_F1));
    bar->addMenu(mnuHelp);

    // F10 opens the first menu, as desktops do.
    auto* firstMenu = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(firstMenu, &QShortcut::activated, this, [this] {
        if (mnuFile->isEnabled())
            menuBar()->setActiveAction(mnuFile->menuAction());
    });
}

// The layout rules, in pixels of the client area. Tool bar, CD bar and strip stack at the
// top in that order; the activity bar sits above the status bar at the bottom. The strip is
// always counted; hidden bars take no room. The tree panel fills what is left beside the
// right-hand panel, and the tree fills its panel.
void Form1::Form_Resize() {
    QWidget* client = centralWidget();
    if (!client)
        return;
    const int innerWidth = client->width();
    const int innerHeight = client->height();
    const bool toolBarShown = !Picture3->isHidden();
    const bool cdBarShown = !Picture4->isHidden();
    const bool statusBarShown = !Picture1->isHidden();
    const bool activityBarShown = !Picture2->isHidden();

    int top = 0;
    if (toolBarShown) {
        Picture3->setGeometry(0, top, innerWidth, Picture3->height());
        top += Picture3->height();
    }
    if (cdBarShown) {
        Picture4->setGeometry(0, top, innerWidth, Picture4->height());
        top += Picture4->height();
    }
    Picture5->setGeometry(0, top, innerWidth, Picture5->height());

    int bottom = innerHeight;
    if (statusBarShown) {
        bottom -= Picture1->height();
        Picture1->setGeometry(0, bottom, innerWidth, Picture1->height());
    }
    if (activityBarShown) {
        bottom -= Picture2->height();
        Picture2->setGeometry(0, bottom, innerWidth, Picture2->height());
    }

    const int treeTop = Picture5->height() + (toolBarShown ? Picture3->height() : 0) +
                        (cdBarShown ? Picture4->height() : 0);
    const int treeHeight = innerHeight - treeTop - (statusBarShown ? Picture1->height() : 0) -
                           (activityBarShown ? Picture2->height() : 0);
    const int treeWidth = innerWidth - Picture8->width() - treeGap;
    Picture8->setGeometry(innerWidth - Picture8->width(), treeTop, Picture8->width(),
                          std::max(0, treeHeight));
    Picture7->setGeometry(0, treeTop, std::max(0, treeWidth), std::max(0, treeHeight));
    TreeView1->setGeometry(0, 0, Picture7->width(), Picture7->height());
}

void Form1::toggleBar(QAction* menu, QWidget* bar) {
    const bool show = !menu->isChecked();
    menu->setChecked(show);
    bar->setVisible(show);
    fitPanels(); // the least size follows the bars shown; lays out the panels
}

void Form1::mnuToolbar_Click() {
    toggleBar(mnuToolbar, Picture3);
}
void Form1::mnuCDbar_Click() {
    toggleBar(mnuCDbar, Picture4);
}
void Form1::mnuStatusbar_Click() {
    toggleBar(mnuStatusbar, Picture1);
}
void Form1::mnuActivityBar_Click() {
    toggleBar(mnuActivityBar, Picture2);
}

void Form1::N1Drag() {
    if (QWindow* window = windowHandle())
        window->startSystemMove();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        Form_Resize();
        return false;
    }
    if (event->type() == QEvent::LayoutRequest && !layoutPending_) {
        // A panel's contents changed size (a longer disc text, the warning shown): its
        // height, the right panel's width and the window's least size follow, once the
        // panel's own layout has run.
        layoutPending_ = true;
        QMetaObject::invokeMethod(this, &Form1::fitPanels, Qt::QueuedConnection);
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            N1Drag();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
