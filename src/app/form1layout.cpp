// The main window's controls, menus and panel layout.
#include "app/form1.h"

#include "app/treeviewevents.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
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
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// Bar heights and the right panel's width, in pixels.
constexpr int toolBarHeight = 40;
constexpr int cdBarHeight = 62;
constexpr int stripHeight = 26;
constexpr int statusBarHeight = 24;
constexpr int activityBarHeight = 28;
constexpr int rightPanelWidth = 190;
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

QComboBox* makeCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

QTimer* makeTimer(QObject* parent, const char* name, int intervalMs, bool singleShot) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(intervalMs);
    timer->setSingleShot(singleShot);
    return timer;
}

QAction* makeAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu* makeMenu(QWidget* parent, const char* name, const QString& caption) {
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
    return menu;
}

} // namespace

void Form1::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    setCentralWidget(client);
    client->installEventFilter(this);

    // Tool bar: the action button and the commands that open other windows.
    auto* toolBar = makePanel(client, "Picture3");
    Picture3 = toolBar;
    toolBar->setFixedHeight(toolBarHeight);
    auto* toolRow = new QHBoxLayout(toolBar);
    toolRow->setContentsMargins(6, 4, 6, 4);
    toolRow->setSpacing(4);
    CmdSelectAction = makeButton(toolBar, "CmdSelectAction", QStringLiteral("Start"),
                                 QStringLiteral(":/icons/im07.png"));
    CmdSelectAction->setToolTip(QStringLiteral("Convert what is selected in the tree"));
    Command8 = makeButton(toolBar, "Command8", QStringLiteral("Cancel"),
                          QStringLiteral(":/icons/im08.png"));
    Command8->setToolTip(QStringLiteral("Stop the conversion"));
    C1212 =
        makeButton(toolBar, "C1212", QStringLiteral("Refresh"), QStringLiteral(":/icons/im09.png"));
    C1212->setToolTip(QStringLiteral("List the CD again and rescan the destination folder"));
    C777 =
        makeButton(toolBar, "C777", QStringLiteral("Search"), QStringLiteral(":/icons/im10.png"));
    C5555555 = makeButton(toolBar, "C5555555", QStringLiteral("Playlist"),
                          QStringLiteral(":/icons/im11.png"));
    Copt = makeButton(toolBar, "Copt", QStringLiteral("Preferences"));
    Cmdhelp =
        makeButton(toolBar, "Cmdhelp", QStringLiteral("Help"), QStringLiteral(":/icons/im12.png"));
    Command5 = makeButton(toolBar, "Command5", QStringLiteral("Exit"));
    for (QPushButton* b : {CmdSelectAction, Command8})
        toolRow->addWidget(b);
    toolRow->addSpacing(12);
    for (QPushButton* b : {C1212, C777, C5555555, Copt, Cmdhelp})
        toolRow->addWidget(b);
    toolRow->addStretch(1);
    toolRow->addWidget(Command5);

    // CD bar: the drive and its disc, the extraction choices, the encoder choices.
    auto* cdBar = makePanel(client, "Picture4");
    Picture4 = cdBar;
    cdBar->setFixedHeight(cdBarHeight);
    auto* cdRows = new QVBoxLayout(cdBar);
    cdRows->setContentsMargins(6, 3, 6, 3);
    cdRows->setSpacing(2);
    auto* cdRow = new QHBoxLayout;
    cdRow->setSpacing(6);
    auto* extractRow = new QHBoxLayout;
    extractRow->setSpacing(6);
    cdRows->addLayout(cdRow);
    cdRows->addLayout(extractRow);
    DriveList = makeCombo(cdBar, "DriveList");
    DriveList->setMinimumWidth(220);
    DriveList->setAccessibleName(QStringLiteral("CD Drive"));
    cmdRefresh = makeButton(cdBar, "cmdRefresh", QStringLiteral("Reset"));
    cmdRefresh->setToolTip(QStringLiteral("List the tracks of the disc again"));
    lblCDID = makeLabel(cdBar, "lblCDID", QString());
    lblCDID->setToolTip(QStringLiteral("Disc identity"));
    lblDiscId = makeLabel(cdBar, "lblDiscId", QString());
    lblDiscId->setToolTip(QStringLiteral("MusicBrainz disc ID"));
    lblDiscId->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblNumTracks = makeLabel(cdBar, "lblNumTracks", QString());
    lblNumTracks->setToolTip(QStringLiteral("Number of tracks"));
    cmbBitrate = makeCombo(cdBar, "cmbBitrate");
    cmbBitrate->setMinimumWidth(70);
    cmbBitrate->setAccessibleName(QStringLiteral("Bitrate"));
    cmbQuality = makeCombo(cdBar, "cmbQuality");
    cmbQuality->setMinimumWidth(90);
    cmbQuality->setAccessibleName(QStringLiteral("Quality"));
    cdRow->addWidget(new QLabel(QStringLiteral("CD Drive:"), cdBar));
    cdRow->addWidget(DriveList);
    cdRow->addWidget(cmdRefresh);
    cdRow->addWidget(new QLabel(QStringLiteral("Disc:"), cdBar));
    cdRow->addWidget(lblCDID);
    cdRow->addWidget(lblDiscId);
    cdRow->addWidget(new QLabel(QStringLiteral("Tracks:"), cdBar));
    cdRow->addWidget(lblNumTracks);
    cdRow->addSpacing(12);
    cdRow->addWidget(new QLabel(QStringLiteral("Bitrate:"), cdBar));
    cdRow->addWidget(cmbBitrate);
    cdRow->addSpacing(12);
    cdRow->addWidget(new QLabel(QStringLiteral("Quality:"), cdBar));
    cdRow->addWidget(cmbQuality);
    cdRow->addStretch(1);

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
    chkPrivate = makeCheck("chkPrivate", QStringLiteral("Private"));
    chkCRC = makeCheck("chkCRC", QStringLiteral("CRC"));
    chkCopyright = makeCheck("chkCopyright", QStringLiteral("Copyright"));
    chkOriginal = makeCheck("chkOriginal", QStringLiteral("Original"));
    Chk2Stage = makeCheck("Chk2Stage", QStringLiteral("1 Step Extraction"));
    Chk2Stage->setChecked(true);
    Chk2Stage->setToolTip(QStringLiteral(
        "Ticked: read the tracks digitally. Clear: record them from the sound card while "
        "the CD plays"));
    Check3 = makeCheck("Check3", QStringLiteral("All"));
    Check3->setToolTip(QStringLiteral("Select every track of the disc"));
    cmdStart = makeButton(cdBar, "cmdStart", QStringLiteral("Start"));
    cmdStart->setToolTip(QStringLiteral("Extract the selected tracks"));
    Command6 = makeButton(cdBar, "Command6", QStringLiteral("Extract"));
    Command6->setVisible(false);
    Command3 = makeButton(cdBar, "Command3", QStringLiteral("Extract to MP3"));
    Command3->setVisible(false);
    Command11 = makeButton(cdBar, "Command11", QStringLiteral("Play"));
    Command11->setToolTip(QStringLiteral("Play Selected track"));
    Command12 = makeButton(cdBar, "Command12", QStringLiteral("Stop"));
    Command12->setToolTip(QStringLiteral("Stop playing CD"));
    extractRow->addWidget(new QLabel(QStringLiteral("Extract to:"), cdBar));
    extractRow->addWidget(optWAV);
    extractRow->addWidget(optMP3);
    extractRow->addSpacing(12);
    for (QCheckBox* box : {chkPrivate, chkCRC, chkCopyright, chkOriginal})
        extractRow->addWidget(box);
    extractRow->addSpacing(12);
    extractRow->addWidget(Chk2Stage);
    extractRow->addWidget(Check3);
    extractRow->addWidget(cmdStart);
    extractRow->addWidget(Command6);
    extractRow->addWidget(Command3);
    extractRow->addSpacing(12);
    extractRow->addWidget(Command11);
    extractRow->addWidget(Command12);
    extractRow->addStretch(1);

    // Strip above the tree: the next-action line.
    auto* strip = makePanel(client, "Picture5");
    Picture5 = strip;
    strip->setFrameShape(QFrame::NoFrame);
    strip->setFixedHeight(stripHeight);
    auto* stripRow = new QHBoxLayout(strip);
    stripRow->setContentsMargins(8, 2, 8, 2);
    Label3 = makeLabel(strip, "Label3", QStringLiteral("Next Action: Make a selection"));
    QFont bold = Label3->font();
    bold.setBold(true);
    Label3->setFont(bold);
    stripRow->addWidget(Label3, 1);

    // Tree panel.
    Picture7 = makePanel(client, "Picture7");
    static_cast<QFrame*>(Picture7)->setFrameShape(QFrame::NoFrame);
    TreeView1 = new SourceTreeView(*tree_, Picture7);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setUniformRowHeights(true);
    TreeView1->setDragEnabled(false);
    TreeView1->setAcceptDrops(false);
    TreeView1->setExpandsOnDoubleClick(false);
    TreeView1->setContextMenuPolicy(Qt::NoContextMenu);

    // Right-hand panel: the finer stop commands, the player's close command and the
    // low-space warning.
    auto* right = makePanel(client, "Picture8");
    Picture8 = right;
    right->setFixedWidth(rightPanelWidth);
    auto* rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(8, 8, 8, 8);
    rightColumn->setSpacing(6);
    auto* jobTitle = new QLabel(QStringLiteral("Conversion"), right);
    jobTitle->setFont(bold);
    Command1 = makeButton(right, "Command1", QStringLiteral("Stop after this file"));
    Command1->setToolTip(QStringLiteral("Finish the file being converted, then stop"));
    Command2 = makeButton(right, "Command2", QStringLiteral("Abort this file"));
    Command2->setToolTip(QStringLiteral("Stop at once, leaving the current file unfinished"));
    Label5 = makeLabel(right, "Label5", QStringLiteral("Low Drive space"));
    Label5->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    Label5->setVisible(false);
    auto* playerTitle = new QLabel(QStringLiteral("Player"), right);
    playerTitle->setFont(bold);
    Command4 = makeButton(right, "Command4", QStringLiteral("Close Player"));
    auto* hint = new QLabel(
        QStringLiteral("Double-click a track or file, or drag it, to move it between its "
                       "available and selected groups. Select a group or an item, then "
                       "press Start."),
        right);
    hint->setWordWrap(true);
    hint->setObjectName(QStringLiteral("hintLabel"));
    hint->setStyleSheet(QStringLiteral("QLabel { color: palette(dark); }"));
    Check9 = new QCheckBox(QStringLiteral("Stop recording"), right);
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

    // Activity bar: progress.
    auto* activity = makePanel(client, "Picture2");
    Picture2 = activity;
    activity->setFixedHeight(activityBarHeight);
    auto* activityRow = new QHBoxLayout(activity);
    activityRow->setContentsMargins(6, 3, 6, 3);
    ProgressBar1 = new QProgressBar(activity);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Label33 = makeLabel(activity, "Label33", QStringLiteral("OFF"));
    Label33->setMinimumWidth(80);
    Label33->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    activityRow->addWidget(ProgressBar1, 1);
    activityRow->addWidget(Label33);

    // Status bar.
    auto* status = makePanel(client, "Picture1");
    Picture1 = status;
    status->setFrameShadow(QFrame::Sunken);
    status->setFixedHeight(statusBarHeight);
    auto* statusRow = new QHBoxLayout(status);
    statusRow->setContentsMargins(6, 1, 6, 1);
    lblStatus = makeLabel(status, "lblStatus", QString());
    Label2 = makeLabel(status, "Label2", QString());
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusRow->addWidget(lblStatus, 1);
    statusRow->addWidget(Label2, 2);

    Timer1 = makeTimer(this, "Timer1", 1000, true);
    tmrWarning = makeTimer(this, "tmrWarning", 2000, false);
    tmrRecord = makeTimer(this, "tmrRecord", 100, false);

    // A left press on the background of the window or of a panel drags the window.
    for (QWidget* panel : {Picture3, Picture4, Picture5, Picture8, Picture2, Picture1})
        panel->installEventFilter(this);
}

void Form1::buildMenus() {
    QMenuBar* bar = menuBar();

    mnuFile = makeMenu(this, "mnuFile", QStringLiteral("File"));
    mnuOpenfile = makeAction(mnuFile, "mnuOpenfile", QStringLiteral("Open"));
    mnuOpenImage = makeAction(mnuFile, "mnuOpenImage", QStringLiteral("Open Disc Image..."));
    mnuFile->addSeparator();
    mnuExit = makeAction(mnuFile, "mnuExit", QStringLiteral("Exit"));
    bar->addMenu(mnuFile);

    // The tree's context menu: declared with the others but never shown in the menu bar.
    mnupopup = makeMenu(this, "mnupopup", QStringLiteral("popup"));
    mnuStart2 = makeAction(mnupopup, "mnuStart2", QStringLiteral("Start!"));
    mnupopup->addSeparator();
    mnuFileRemove = makeAction(mnupopup, "mnuFileRemove", QStringLiteral("Remove from List"));
    mnuRemoveDelete =
        makeAction(mnupopup, "mnuRemoveDelete", QStringLiteral("Remove and Delete File"));
    mnuVerify = makeAction(mnupopup, "mnuVerify", QStringLiteral("Verify against Disc"));
    mnuLookUp2 = makeAction(mnupopup, "mnuLookUp2", QStringLiteral("Look Up Disc Information"));
    mnupopup->addSeparator();
    mnuMinimize = makeAction(mnupopup, "mnuMinimize", QStringLiteral("Minimize"));
    mnuExit2 = makeAction(mnupopup, "mnuExit2", QStringLiteral("Exit"));
    bar->addMenu(mnupopup)->setVisible(false);

    mnuActiopn = makeMenu(this, "mnuActiopn", QStringLiteral("Action"));
    mnuStart = makeAction(mnuActiopn, "mnuStart", QStringLiteral("Start "));
    mnuStop = makeAction(mnuActiopn, "mnuStop", QStringLiteral("Stop"));
    mnuActiopn->addSeparator();
    mnuRefreshlist = makeAction(mnuActiopn, "mnuRefreshlist", QStringLiteral("Refresh List"));
    bar->addMenu(mnuActiopn);

    mnuCD = makeMenu(this, "mnuCD", QStringLiteral("CD"));
    mnuLookUp = makeAction(mnuCD, "mnuLookUp", QStringLiteral("Look Up Disc Information"));
    mnuDiscInfo = makeAction(mnuCD, "mnuDiscInfo", QStringLiteral("Disc Information..."));
    bar->addMenu(mnuCD);

    mnuPrefs = makeMenu(this, "mnuPrefs", QStringLiteral("Preferences"));
    mnuGetMainPrefs = makeAction(mnuPrefs, "mnuGetMainPrefs", QStringLiteral("Preferences"));
    mnuToolbars = makeMenu(mnuPrefs, "mnuToolbars", QStringLiteral("Toolbars"));
    mnuToolbar = makeAction(mnuToolbars, "mnuToolbar", QStringLiteral("ToolBar"));
    mnuCDbar = makeAction(mnuToolbars, "mnuCDbar", QStringLiteral("CD Bar"));
    mnuActivityBar = makeAction(mnuToolbars, "mnuActivityBar", QStringLiteral("Activity Bar"));
    mnuStatusbar = makeAction(mnuToolbars, "mnuStatusbar", QStringLiteral("Status Bar"));
    for (QAction* toggle : {mnuToolbar, mnuCDbar, mnuActivityBar, mnuStatusbar}) {
        toggle->setCheckable(true);
        toggle->setChecked(true);
    }
    mnuPrefs->addMenu(mnuToolbars);
    mnuPrefs->addSeparator();
    mnuSearch = makeAction(mnuPrefs, "mnuSearch", QStringLiteral("Search"));
    mnuPlaylist = makeAction(mnuPrefs, "mnuPlaylist", QStringLiteral("Playlist"));
    bar->addMenu(mnuPrefs);

    mnuHelp = makeMenu(this, "mnuHelp", QStringLiteral("Help"));
    mnuHelpfile = makeAction(mnuHelp, "mnuHelpfile", QStringLiteral("Help File"));
    bar->addMenu(mnuHelp);
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
    Form_Resize();
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
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            N1Drag();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
