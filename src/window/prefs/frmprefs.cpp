#include "window/prefs/frmprefs.h"
#include "window/prefs/coverartbox.h"
#include "window/prefs/readmodebox.h"

#include "engine/cd/nametemplate.h"
#include "engine/cd/readoffset.h"
#include "engine/core/destination.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/encode/modlame.h"
#include "engine/pipeline/audioformat.h"
#include "engine/pipeline/encoder.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/dialogs.h"
#include "engine/prefs/drivespace.h"
#include "engine/prefs/mixer.h"
#include "engine/prefs/mounttable.h"
#include "window/main/form1.h"
#include "window/main/formatchoices.h"
#include "window/main/namedcontrols.h"
#include "window/main/screenfit.h"
#include "window/prefs/folderlist.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

using namespace namedcontrols;

QLabel* makeLabel(QWidget* parent, const QString& caption) {
    return new QLabel(caption, parent);
}

// A label that names `control` for a screen reader.
QLabel* makeLabelFor(QWidget* parent, const QString& caption, QWidget* control) {
    QLabel* label = makeLabel(parent, caption);
    label->setBuddy(control);
    return label;
}

// Stores a check box's value (1 checked, 0 not) under `key` and in its variable.
void saveBox(const QCheckBox* box, SettingKey key) {
    WriteSetting(key, std::int16_t(box->isChecked() ? 1 : 0));
}

// Whether "Create" can make `name` inside the folder `parentText` names: the parent must be
// an absolute path, and the name a relative path that does not climb out of it.
bool creatable(const QString& parentText, const QString& name) {
    if (!QDir::isAbsolutePath(parentText) || name.contains(QChar(u'\0')))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return !parts.isEmpty() && !parts.contains(QStringLiteral(".")) &&
           !parts.contains(QStringLiteral(".."));
}

QPointer<FrmPrefs> openWindow;

} // namespace

FrmPrefs::FrmPrefs(Form1& main) : QWidget(&main, Qt::Window), main_(main) {
    setObjectName(QStringLiteral("FrmPrefs"));
    setWindowTitle(tr("Preferences"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    connectControls();
}

FrmPrefs* FrmPrefs::open(Form1& main) {
    if (!openWindow) {
        openWindow = new FrmPrefs(main);
        openWindow->Form_Load();
    }
    openWindow->show();
    openWindow->raise();
    openWindow->activateWindow();
    return openWindow;
}

void FrmPrefs::serve(Form1& main) {
    connect(&main, &Form1::preferencesWindowRequested, &main, [&main] { open(main); });
}

// ---- Controls ----------------------------------------------------------------------------

void FrmPrefs::buildControls() {
    auto* column = new QVBoxLayout(this);
    SSTab2 = new QTabWidget(this);
    SSTab2->setObjectName(QStringLiteral("SSTab2"));
    SSTab2->tabBar()->setAccessibleName(tr("Preference pages"));
    SSTab2->addTab(buildDiskSpaceTab(), tr("Disk Space"));
    SSTab2->addTab(buildAudioMiscTab(), tr("Audio, Misc."));
    SSTab2->addTab(buildDestinationTab(), tr(" Destination Path"));
    SSTab2->addTab(buildDriveTab(), tr("Drive"));
    SSTab2->addTab(buildFormatsTab(), tr("Formats"));
    column->addWidget(SSTab2);
    cmdClose = makeButton(this, "cmdClose", tr("Close"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdClose);
    column->addLayout(bottom);
    resize(560, 460);
}

QWidget* FrmPrefs::buildDiskSpaceTab() {
    auto* tab = new QWidget;
    auto* grid = new QGridLayout(tab);
    const QString levelTip = tr("Free space in MB (1 MB = 1,000,000 bytes)");

    Check6 = makeCheck(tab, "Check6", tr("Warn me when hard drive space falls below"));
    Text7 = makeEdit(tab, "Text7", Check6->text());
    Text7->setText(QStringLiteral("100"));
    Text7->setToolTip(levelTip);
    Check7 = makeCheck(tab, "Check7", tr("Stop converting when hard drive space falls below "));
    Text8 = makeEdit(tab, "Text8", Check7->text());
    Text8->setToolTip(levelTip);
    for (QLineEdit* level : {Text7, Text8})
        level->setMaximumWidth(80);
    Command1 = makeButton(tab, "Command1", tr("Set"));
    grid->addWidget(Check6, 0, 0);
    grid->addWidget(Text7, 0, 1);
    grid->addWidget(Check7, 1, 0);
    grid->addWidget(Text8, 1, 1);
    grid->addWidget(Command1, 2, 1);

    auto* listLabel = makeLabel(tab, tr("Available space in hard drive(s):"));
    Text6 = new QPlainTextEdit(tab);
    Text6->setObjectName(QStringLiteral("Text6"));
    Text6->setReadOnly(true);
    Text6->setAccessibleName(listLabel->text());
    listLabel->setBuddy(Text6);
    Command3 = makeButton(tab, "Command3", tr("Refresh data"));
    grid->addWidget(listLabel, 3, 0, 1, 2);
    grid->addWidget(Text6, 4, 0, 1, 2);
    grid->addWidget(Command3, 5, 1);

    // The destination's mount point and free MB, kept for whoever reads them; not shown.
    Label3 = new QLabel(tab);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = new QLabel(QStringLiteral("Label4"), tab);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label3->hide();
    Label4->hide();
    return tab;
}

QWidget* FrmPrefs::buildAudioMiscTab() {
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);

    auto* audio = new QGroupBox(tr("Audio Preferences (2 stage extraction only)"), tab);
    auto* audioGrid = new QGridLayout(audio);
    Check3 =
        makeCheck(audio, "Check3", tr("Delete WAV file after encoding (2 stage extraction only)"));
    cbxFormat = makeCombo(audio, "cbxFormat", tr("Audio Format"));
    Check1 = makeCheck(audio, "Check1", tr("Play"));
    Check1->setAccessibleDescription(tr("Turn off/on CD sound while extracting"));
    audioGrid->addWidget(Check3, 0, 0, 1, 2);
    audioGrid->addWidget(makeLabelFor(audio, tr("Audio Format"), cbxFormat), 1, 0);
    audioGrid->addWidget(cbxFormat, 1, 1);
    audioGrid->addWidget(makeLabelFor(audio, tr("Turn off/on CD sound while extracting"), Check1),
                         2, 0);
    audioGrid->addWidget(Check1, 2, 1);
    column->addWidget(audio);

    auto* misc = new QGroupBox(tr("Misc. Preferences"), tab);
    auto* miscGrid = new QGridLayout(misc);
    Combo1 = makeCombo(misc, "Combo1", tr("Encoding Quality"));
    Combo2 = makeCombo(misc, "Combo2", tr("Encoding Bitsize"));
    Check11 = makeCheck(misc, "Check11", tr("Show File names as Full File Path"));
    Check10 = makeCheck(misc, "Check10", tr("Do not Encode after extracting"));
    Check5 = makeCheck(misc, "Check5", tr("Minimize program during conversion"));
    Check4 = makeCheck(misc, "Check4", QString());
    Check4->setAccessibleName(tr("Minimize program to Desktop Tray Now"));
    miscGrid->addWidget(makeLabelFor(misc, tr("Encoding Quality"), Combo1), 0, 0);
    miscGrid->addWidget(Combo1, 0, 1);
    miscGrid->addWidget(makeLabelFor(misc, tr("Encoding Bitsize"), Combo2), 1, 0);
    miscGrid->addWidget(Combo2, 1, 1);
    miscGrid->addWidget(Check11, 2, 0, 1, 2);
    miscGrid->addWidget(Check10, 3, 0, 1, 2);
    miscGrid->addWidget(Check5, 4, 0);
    miscGrid->addWidget(makeLabelFor(misc, tr("Minimize program to Desktop Tray Now"), Check4), 5,
                        0);
    miscGrid->addWidget(Check4, 5, 1);
    spnFilesAtOnce = new QSpinBox(misc);
    spnFilesAtOnce->setObjectName(QStringLiteral("spnFilesAtOnce"));
    spnFilesAtOnce->setRange(1, maxFilesAtOnce);
    spnFilesAtOnce->setAccessibleName(tr("Files converted at once"));
    spnFilesAtOnce->setToolTip(
        tr("WAV and MP3 files converted at the same time (CD tracks: one at a time)"));
    miscGrid->addWidget(makeLabelFor(misc, tr("Files converted at once"), spnFilesAtOnce), 6, 0);
    miscGrid->addWidget(spnFilesAtOnce, 6, 1);
    chkTestAndCopy = makeCheck(misc, "chkTestAndCopy",
                               tr("Test and copy: read each CD track twice and compare"));
    miscGrid->addWidget(chkTestAndCopy, 7, 0, 1, 2);
    chkNameFromDisc =
        makeCheck(misc, "chkNameFromDisc", tr("Name ripped files from disc information"));
    chkNameFromDisc->setToolTip(
        tr("\"01 - Title.wav\" for each track the disc information titles"));
    miscGrid->addWidget(chkNameFromDisc, 8, 0);
    const QString serverCaption = tr("AccurateRip server");
    txtAccurateRipServer = makeEdit(misc, "txtAccurateRipServer", serverCaption);
    txtAccurateRipServer->setToolTip(
        tr("host:port of the database rips are checked against (port 443: HTTPS)"));
    miscGrid->addWidget(makeLabelFor(misc, serverCaption, txtAccurateRipServer), 9, 0);
    miscGrid->addWidget(txtAccurateRipServer, 9, 1);
    const QString namesCaption = tr("File names");
    txtFileNames = makeEdit(misc, "txtFileNames", namesCaption);
    txtFileNames->setPlaceholderText(tr("File names: NN - Title"));
    txtFileNames->setToolTip(
        tr("How files named from disc information are named, with folders after \"/\". Fields: "
           "{albumartist} {artist} {album} {year} {disc} {discs} {track} {title} {isrc}; a "
           "part in [ ] is left out when a field in it is empty. Example: "
           "{albumartist}/{album}/[{disc}-]{track} - {title}"));
    // Beside the box it names the files for: the tab keeps its height.
    miscGrid->addWidget(txtFileNames, 8, 1);
    lblFileNamesProblem = new QLabel(misc);
    lblFileNamesProblem->setObjectName(QStringLiteral("lblFileNamesProblem"));
    lblFileNamesProblem->setWordWrap(true);
    lblFileNamesProblem->setStyleSheet(QStringLiteral("color: #b00020"));
    lblFileNamesProblem->hide();
    miscGrid->addWidget(lblFileNamesProblem, 10, 0, 1, 2);
    chkNotifications = makeCheck(misc, "chkNotifications", tr("Desktop notifications"));
    chkNotifications->setToolTip(
        tr("Say how a conversion or rip went when it ends while you work elsewhere"));
    // Beside another box about the work in the background: the tab keeps its height.
    miscGrid->addWidget(chkNotifications, 4, 1);
    column->addWidget(misc);
    column->addStretch();

    // The bitrate list is the encoder's table; the quality list is the main window's.
    for (int i = 0; i < modLAME::bitrateCount; ++i)
        Combo2->addItem(QString::number(modLAME::bitrateForIndex(i)));
    Combo2->setCurrentIndex(-1);
    return tab;
}

QWidget* FrmPrefs::buildDestinationTab() {
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);
    auto* frame = new QGroupBox(tr("Drives; Drive Space"), tab);
    auto* frameColumn = new QVBoxLayout(frame);

    const QString pathCaption = tr("Destination Path for converted files (WAV, MP3)");
    Text9 = makeEdit(frame, "Text9", pathCaption);
    frameColumn->addWidget(makeLabelFor(frame, pathCaption, Text9));
    frameColumn->addWidget(Text9);
    Check2 = makeCheck(frame, "Check2", tr("I'll select the destination path and directory"));
    frameColumn->addWidget(Check2);

    Picture6 = new QFrame(frame);
    Picture6->setObjectName(QStringLiteral("Picture6"));
    Picture6->setFrameShape(QFrame::StyledPanel);
    auto* panel = new QGridLayout(Picture6);
    Text10 = makeEdit(Picture6, "Text10", tr("To create a new Destination Directory:"));
    Co111 = makeButton(Picture6, "Co111", tr("Create"));
    Drive2 = makeCombo(Picture6, "Drive2", tr("Drive"));
    Dir2 = new FolderList(Picture6);
    Dir2->setObjectName(QStringLiteral("Dir2"));
    Dir2->setAccessibleName(tr("Folder"));

    auto* steps = new QVBoxLayout;
    steps->addWidget(makeLabel(Picture6, tr("Select a Destination Path ")));
    steps->addWidget(Text10);
    for (const QString& line :
         {tr("To create a new Destination Directory:"), tr("1. Enter a name in the space above"),
          tr("2. Use the file controls on your right to select a parent drive and "
             "directory."),
          tr("3. Click \"Create\"")}) {
        QLabel* label = makeLabel(Picture6, line);
        label->setWordWrap(true);
        steps->addWidget(label);
    }
    steps->addWidget(Co111);
    steps->addStretch();
    // A screen reader names a drop-down list by its current entry ("/") and by the label
    // that names it.
    auto* choosers = new QVBoxLayout;
    choosers->addWidget(makeLabelFor(Picture6, tr("&Drive:"), Drive2));
    choosers->addWidget(Drive2);
    choosers->addWidget(makeLabelFor(Picture6, tr("F&older:"), Dir2));
    choosers->addWidget(Dir2);
    panel->addLayout(steps, 0, 0);
    panel->addLayout(choosers, 0, 1);
    panel->setColumnStretch(1, 1);
    Picture6->hide();
    frameColumn->addWidget(Picture6, 1);
    frameColumn->addStretch();
    column->addWidget(frame);
    return tab;
}

QWidget* FrmPrefs::buildDriveTab() {
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);
    auto* frame = new QGroupBox(tr("Read offset"), tab);
    auto* grid = new QGridLayout(frame);
    lblDriveModel = new QLabel(frame);
    lblDriveModel->setObjectName(QStringLiteral("lblDriveModel"));
    lblDriveModel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    spnReadOffset = new QSpinBox(frame);
    spnReadOffset->setObjectName(QStringLiteral("spnReadOffset"));
    spnReadOffset->setRange(-readoffset::maxSamples, readoffset::maxSamples);
    spnReadOffset->setSuffix(tr(" samples"));
    spnReadOffset->setAccessibleName(tr("Read offset"));
    spnReadOffset->setToolTip(
        tr("How many samples late the drive reads; the rip corrects it (0 for a disc image)"));
    chkOverread = makeCheck(frame, "chkOverread", tr("Overread into lead-in and lead-out"));
    chkOverread->setToolTip(
        tr("Only for a drive that can read past the disc's edges; otherwise zeros stand there"));
    grid->addWidget(makeLabelFor(frame, tr("Drive"), lblDriveModel), 0, 0);
    grid->addWidget(lblDriveModel, 0, 1);
    grid->addWidget(makeLabelFor(frame, tr("Read offset"), spnReadOffset), 1, 0);
    grid->addWidget(spnReadOffset, 1, 1);
    grid->addWidget(chkOverread, 2, 0, 1, 2);
    column->addWidget(frame);
    column->addWidget(new ReadModeBox(tab));
    column->addStretch();
    return tab;
}

// The formats audio files are converted to, and the choices of the formats besides MP3 (whose
// bitrate and quality the main window's lists hold).
QWidget* FrmPrefs::buildFormatsTab() {
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);
    auto* frame = new QGroupBox(tr("Formats"), tab);
    auto* grid = new QGridLayout(frame);
    cmbConvertTo = makeCombo(frame, "cmbConvertTo", tr("Convert audio files to"));
    for (const pipeline::OutputFormat format :
         {pipeline::OutputFormat::Mp3, pipeline::OutputFormat::Flac, pipeline::OutputFormat::Opus,
          pipeline::OutputFormat::Wav})
        cmbConvertTo->addItem(pipeline::displayNameOf(format), pipeline::extensionOf(format));
    cmbConvertTo->setToolTip(tr("The format Start writes the selected audio files (FLAC, Ogg, "
                                "Opus, M4A...) in"));
    spnFlacLevel = new QSpinBox(frame);
    spnFlacLevel->setObjectName(QStringLiteral("spnFlacLevel"));
    spnFlacLevel->setRange(pipeline::minFlacLevel, pipeline::maxFlacLevel);
    spnFlacLevel->setAccessibleName(tr("FLAC compression level"));
    spnFlacLevel->setToolTip(tr("0: fastest, 8: smallest files; the sound is the same"));
    spnOpusBitrate = new QSpinBox(frame);
    spnOpusBitrate->setObjectName(QStringLiteral("spnOpusBitrate"));
    spnOpusBitrate->setRange(pipeline::minOpusBitrateKbps, pipeline::maxOpusBitrateKbps);
    spnOpusBitrate->setSuffix(tr(" kbit/s"));
    spnOpusBitrate->setAccessibleName(tr("Opus bitrate"));
    spnOpusBitrate->setToolTip(tr("Higher is better sound and larger files (128 kbit/s: "
                                  "transparent for most music)"));
    grid->addWidget(makeLabelFor(frame, tr("Con&vert audio files to"), cmbConvertTo), 0, 0);
    grid->addWidget(cmbConvertTo, 0, 1);
    grid->addWidget(makeLabelFor(frame, tr("FLAC compression &level"), spnFlacLevel), 1, 0);
    grid->addWidget(spnFlacLevel, 1, 1);
    grid->addWidget(makeLabelFor(frame, tr("Opus &bitrate"), spnOpusBitrate), 2, 0);
    grid->addWidget(spnOpusBitrate, 2, 1);
    grid->setColumnStretch(2, 1);
    column->addWidget(frame);
    column->addWidget(new CoverArtBox(tab));
    column->addStretch();
    return tab;
}

void FrmPrefs::connectControls() {
    connect(Check6, &QCheckBox::clicked, this, &FrmPrefs::Check6_Click);
    connect(Check7, &QCheckBox::clicked, this, &FrmPrefs::Check7_Click);
    // Every edit of the text counts, typed or pasted.
    connect(Text7, &QLineEdit::textEdited, this, &FrmPrefs::Text7_KeyUp);
    connect(Text8, &QLineEdit::textEdited, this, &FrmPrefs::Text8_KeyUp);
    connect(Command1, &QPushButton::clicked, this, &FrmPrefs::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmPrefs::Command3_Click);
    connect(Check3, &QCheckBox::clicked, this, &FrmPrefs::Check3_Click);
    connect(cbxFormat, &QComboBox::currentIndexChanged, this, &FrmPrefs::cbxFormat_Change);
    connect(Check1, &QCheckBox::clicked, this, &FrmPrefs::Check1_Click);
    connect(Check11, &QCheckBox::clicked, this, &FrmPrefs::Check11_Click);
    connect(Check10, &QCheckBox::clicked, this, &FrmPrefs::Check10_Click);
    connect(Check5, &QCheckBox::clicked, this, &FrmPrefs::Check5_Click);
    connect(Check4, &QCheckBox::clicked, this, &FrmPrefs::Check4_Click);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &FrmPrefs::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &FrmPrefs::Combo2_Click);
    connect(spnFilesAtOnce, &QSpinBox::valueChanged, this, &FrmPrefs::spnFilesAtOnce_Change);
    connect(chkTestAndCopy, &QCheckBox::clicked, this, &FrmPrefs::chkTestAndCopy_Click);
    connect(chkNameFromDisc, &QCheckBox::clicked, this, &FrmPrefs::chkNameFromDisc_Click);
    connect(chkNotifications, &QCheckBox::clicked, this, &FrmPrefs::chkNotifications_Click);
    connect(txtAccurateRipServer, &QLineEdit::editingFinished, this,
            &FrmPrefs::txtAccurateRipServer_Change);
    connect(txtFileNames, &QLineEdit::textEdited, this, &FrmPrefs::txtFileNames_Edit);
    connect(txtFileNames, &QLineEdit::editingFinished, this, &FrmPrefs::txtFileNames_Change);
    connect(Check2, &QCheckBox::clicked, this, &FrmPrefs::Check2_Click);
    connect(Drive2, &QComboBox::currentIndexChanged, this, &FrmPrefs::Drive2_Change);
    connect(Dir2, &FolderList::pathChanged, this, &FrmPrefs::Dir2_Change);
    connect(Co111, &QPushButton::clicked, this, &FrmPrefs::Co111_Click);
    connect(spnReadOffset, &QSpinBox::valueChanged, this, &FrmPrefs::spnReadOffset_Change);
    connect(chkOverread, &QCheckBox::clicked, this, &FrmPrefs::chkOverread_Click);
    connect(cmbConvertTo, &QComboBox::currentIndexChanged, this, &FrmPrefs::cmbConvertTo_Change);
    connect(spnFlacLevel, &QSpinBox::valueChanged, this, &FrmPrefs::spnFlacLevel_Change);
    connect(spnOpusBitrate, &QSpinBox::valueChanged, this, &FrmPrefs::spnOpusBitrate_Change);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    connect(&main_, &Form1::driveSpaceRefreshed, this, &FrmPrefs::showDriveSpace);
    // The program is ending: what only closing saves must not be lost.
    connect(&main_, &Form1::programEndRequested, this, &QWidget::close);
}

// ---- Load and close ----------------------------------------------------------------------

void FrmPrefs::centreOnScreen() {
    fitToScreen(*this);
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - frameGeometry().width()) / 2,
         area.top() + (area.height() - frameGeometry().height()) / 2);
}

void FrmPrefs::Form_Load() {
    centreOnScreen();

    // A box whose value changes runs its click step, as a click would.
    auto setBox = [this](QCheckBox* box, std::int16_t value, void (FrmPrefs::*click)()) {
        const bool checked = value == 1;
        if (box->isChecked() == checked)
            return;
        box->setChecked(checked);
        (this->*click)();
    };
    setBox(Check6, HDWarning, &FrmPrefs::Check6_Click);
    Text7->setText(QString::number(HDWarningNo));
    setBox(Check7, HDStopDecoding, &FrmPrefs::Check7_Click);
    Text8->setText(QString::number(HDStopNo));
    Text9->setText(DecodePath);
    setBox(Check4, DesktopIcon, &FrmPrefs::Check4_Click);
    setBox(Check5, MinimizeOnStart, &FrmPrefs::Check5_Click);
    setBox(Check3, DeleteWav, &FrmPrefs::Check3_Click);
    setBox(Check11, ShowFullPath, &FrmPrefs::Check11_Click);
    setBox(Check10, EncodeAfterExtracting, &FrmPrefs::Check10_Click);
    setBox(Check1, MuteButton, &FrmPrefs::Check1_Click);
    chkTestAndCopy->setChecked(TestAndCopy == 1);
    chkNameFromDisc->setChecked(NameFromDisc == 1);
    chkNotifications->setChecked(DesktopNotifications == 1);
    txtAccurateRipServer->setText(AccurateRipServer);
    txtFileNames->setText(FileNameTemplate);
    txtFileNames_Edit();
    showReadOffset();
    {
        const QSignalBlocker blockFiles(spnFilesAtOnce);
        spnFilesAtOnce->setValue(filesAtOnce());
    }
    {
        // Showing the stored formats' choices stores nothing.
        const QSignalBlocker blockConvert(cmbConvertTo);
        const QSignalBlocker blockFlac(spnFlacLevel);
        const QSignalBlocker blockOpus(spnOpusBitrate);
        cmbConvertTo->setCurrentIndex(
            cmbConvertTo->findData(pipeline::extensionOf(formatchoices::audioConversionFormat())));
        const pipeline::EncoderSettings chosen = formatchoices::preferredEncoderSettings();
        spnFlacLevel->setValue(chosen.flacLevel);
        spnOpusBitrate->setValue(chosen.opusBitrateKbps);
    }

    {
        // Filling and positioning the lists shows the stored choices; it changes none.
        const QSignalBlocker blockFormat(cbxFormat);
        const QSignalBlocker blockQuality(Combo1);
        const QSignalBlocker blockBitrate(Combo2);
        cbxFormat->clear();
        cbxFormat->addItem(tr("44.100Hz, 16bit Mono, 86k/sec"));
        cbxFormat->addItem(tr("44.100Hz, 16bit Stereo, 172k/sec"));
        cbxFormat->setCurrentIndex(AudioFormat);
        Combo1->clear();
        Combo1->addItems(modLAME::qualityNames());
        Combo1->setCurrentIndex(EncodingQuality);
        Combo2->setCurrentIndex(EncodingBitrate);
    }

    Command3_Click();
    Co111_Click();
}

void FrmPrefs::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    txtFileNames_Change(); // a valid template typed last is kept; a refused one is not
    WriteSetting(SettingKey::EncodingQuality, EncodingQuality);
    WriteSetting(SettingKey::EncodingBitrate, EncodingBitrate);
    WriteSetting(SettingKey::AudioFormat, AudioFormat);
    // The main window's lists show the same choices.
    if (EncodingQuality >= 0 && EncodingQuality < main_.cmbQuality->count())
        main_.cmbQuality->setCurrentIndex(EncodingQuality);
    if (EncodingBitrate >= 0 && EncodingBitrate < main_.cmbBitrate->count())
        main_.cmbBitrate->setCurrentIndex(EncodingBitrate);
}

void FrmPrefs::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void FrmPrefs::keyPressEvent(QKeyEvent* event) {
    // Escape closes the window, as Close does; a control that uses Escape itself (an open
    // list) takes it first.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- "Disk Space" ------------------------------------------------------------------------

void FrmPrefs::Check6_Click() {
    saveBox(Check6, SettingKey::HDWarning);
}

void FrmPrefs::Check7_Click() {
    saveBox(Check7, SettingKey::HDStopDecoding);
}

// The text is stored as typed; only a 16-bit number changes the level in use.
void FrmPrefs::Text7_KeyUp() {
    WriteSetting(SettingKey::HDWarningNo, Text7->text());
}

void FrmPrefs::Text8_KeyUp() {
    WriteSetting(SettingKey::HDStopNo, Text8->text());
}

void FrmPrefs::Command1_Click() {
    Check6_Click();
    Check7_Click();
    Text7_KeyUp();
    Text8_KeyUp();
}

void FrmPrefs::Command3_Click() {
    Text6->clear();
    main_.RefreshDriveSpace(); // comes back through showDriveSpace
}

void FrmPrefs::showDriveSpace(const ModSysInfo::DriveSpaceReport& report) {
    Text6->setPlainText(report.driveListText());
    if (!report.destinationRoot.isEmpty() && report.destinationFreeMb) {
        Label3->setText(report.destinationRoot);
        Label4->setText(QString::number(*report.destinationFreeMb));
    }
}

// ---- "Audio, Misc." ----------------------------------------------------------------------

void FrmPrefs::Check3_Click() {
    saveBox(Check3, SettingKey::DeleteWav);
}

void FrmPrefs::cbxFormat_Change() {
    WriteSetting(SettingKey::AudioFormat, std::int16_t(cbxFormat->currentIndex()));
}

void FrmPrefs::Check1_Click() {
    if (Check1->isChecked()) {
        MuteCdLine();
        Check1->setText(tr("Mute"));
    } else {
        UnmuteCdLine();
        Check1->setText(tr("Play"));
    }
    saveBox(Check1, SettingKey::MuteButton);
    Check1->setChecked(MuteButton == 1);
}

void FrmPrefs::Check11_Click() {
    saveBox(Check11, SettingKey::ShowFullPath);
}

void FrmPrefs::Check10_Click() {
    Check10->setText(Check10->isChecked() ? tr("Encode to MP3 after extracting")
                                          : tr("Do not Encode after extracting"));
    saveBox(Check10, SettingKey::EncodeAfterExtracting);
}

void FrmPrefs::Check5_Click() {
    saveBox(Check5, SettingKey::MinimizeOnStart);
}

void FrmPrefs::Check4_Click() {
    saveBox(Check4, SettingKey::DesktopIcon);
    if (Check4->isChecked()) {
        main_.loadPopup();
        hide();
    } else {
        main_.unloadPopup();
        // Without the icon, a main window hidden behind it could not come back.
        if (main_.isHidden())
            main_.restoreWindow();
        show();
    }
}

// The positions are saved when the window closes.
void FrmPrefs::Combo1_Click() {
    EncodingQuality = std::int16_t(Combo1->currentIndex());
}

void FrmPrefs::spnFilesAtOnce_Change() {
    WriteSetting(SettingKey::FilesAtOnce, std::int16_t(spnFilesAtOnce->value()));
}

void FrmPrefs::chkTestAndCopy_Click() {
    saveBox(chkTestAndCopy, SettingKey::TestAndCopy);
}

void FrmPrefs::chkNameFromDisc_Click() {
    saveBox(chkNameFromDisc, SettingKey::NameFromDisc);
}

void FrmPrefs::chkNotifications_Click() {
    saveBox(chkNotifications, SettingKey::DesktopNotifications);
}

void FrmPrefs::txtAccurateRipServer_Change() {
    QString server = txtAccurateRipServer->text().trimmed();
    if (server.isEmpty()) {
        server = settings::defaultText(SettingKey::AccurateRipServer);
        txtAccurateRipServer->setText(server);
    }
    WriteSetting(SettingKey::AccurateRipServer, server);
}

void FrmPrefs::txtFileNames_Edit() {
    const auto parsed = nametemplate::Template::parse(txtFileNames->text());
    lblFileNamesProblem->setText(parsed ? QString()
                                        : tr("Not saved: %1").arg(parsed.error().description()));
    lblFileNamesProblem->setVisible(!parsed);
}

void FrmPrefs::txtFileNames_Change() {
    txtFileNames_Edit();
    const QString text = txtFileNames->text().trimmed();
    if (nametemplate::Template::parse(text) && text != FileNameTemplate)
        WriteSetting(SettingKey::FileNameTemplate, text);
}

void FrmPrefs::Combo2_Click() {
    EncodingBitrate = std::int16_t(Combo2->currentIndex());
}

// ---- "Formats" ----------------------------------------------------------------------------

void FrmPrefs::cmbConvertTo_Change() {
    if (cmbConvertTo->currentIndex() >= 0)
        WriteSetting(SettingKey::ConvertAudioTo, cmbConvertTo->currentData().toString());
}

void FrmPrefs::spnFlacLevel_Change() {
    WriteSetting(SettingKey::FlacLevel, std::int16_t(spnFlacLevel->value()));
}

void FrmPrefs::spnOpusBitrate_Change() {
    WriteSetting(SettingKey::OpusBitrateKbps, std::int16_t(spnOpusBitrate->value()));
}

// ---- "Drive" ------------------------------------------------------------------------------

void FrmPrefs::showReadOffset() {
    driveModel_ = readoffset::modelOf(cddrives::mediaDrive());
    const readoffset::Offset offset =
        readoffset::stored(driveModel_).value_or(readoffset::Offset{});
    lblDriveModel->setText(driveModel_.isEmpty() ? tr("No drive") : driveModel_);
    const QSignalBlocker blockOffset(spnReadOffset);
    spnReadOffset->setValue(offset.samples);
    chkOverread->setChecked(offset.overreads);
    spnReadOffset->setEnabled(!driveModel_.isEmpty());
    chkOverread->setEnabled(!driveModel_.isEmpty());
}

void FrmPrefs::storeReadOffset() {
    const Result<bool> stored =
        readoffset::store(driveModel_, spnReadOffset->value(), chkOverread->isChecked());
    if (!stored)
        dialogs::msgBox(stored.error().description(), dialogs::Buttons::Ok,
                        dialogs::Icon::Critical);
}

void FrmPrefs::spnReadOffset_Change() {
    storeReadOffset();
}

void FrmPrefs::chkOverread_Click() {
    storeReadOffset();
}

// ---- " Destination Path" -----------------------------------------------------------------

void FrmPrefs::Check2_Click() {
    // The chooser opens with an empty name box: "Create" makes only a folder the user names,
    // never one named after the destination in force (which would nest it in the folder
    // opened).
    if (Check2->isChecked() && Picture6->isHidden())
        Text10->clear();
    Picture6->setVisible(Check2->isChecked());
}

void FrmPrefs::Drive2_Change() {
    const QString root = Drive2->currentData().toString();
    if (root.isEmpty())
        return;
    Dir2->setTop(root);
    Dir2->setPath(root); // runs Dir2_Change when that is another folder
}

void FrmPrefs::Dir2_Change() {
    // Browsing only shows the folder, the parent "Create" makes the destination in; the
    // destination itself changes when a folder is chosen with "Create".
    Text9->setText(Dir2->path());
}

void FrmPrefs::Co111_Click() {
    if (!Check2->isChecked()) {
        main_.settleDestinationFolder();
        Text9->setText(DecodePath);
        Text10->setText(FileNameOf(DecodePath));
    } else {
        const QString parentText = Text9->text();
        QString parent = parentText;
        if (parent.endsWith(QLatin1Char('/')))
            parent.chop(1);
        if (Text10->text().isEmpty()) {
            dialogs::msgBox(tr("Enter a name for the Destination directory"));
            return;
        }
        const QString name = Text10->text();
        if (!creatable(parentText, name)) {
            askForDestinationName();
            return;
        }
        const QString path = QDir::cleanPath(parent + QLatin1Char('/') + name);
        Text9->setText(path);
        // A folder that cannot be made leaves the destination as it was.
        if (createDestination(path))
            DecodePath = path;
        else
            Text9->setText(DecodePath);
    }
    Picture6->hide();
    Check2->setChecked(false);
    Check2_Click();
    showFolderInChoosers(DecodePath);
    destinationChanged();
}

void FrmPrefs::askForDestinationName() {
    const std::optional<QString> answer = dialogs::handler().input(
        dialogs::applicationTitle(),
        tr("Error creating a new directory. Enter the name of the File directory "
           "you would like to create "),
        QString());
    // No name given: the destination stays as it was.
    if (!answer || answer->trimmed().isEmpty())
        return;
    Text10->setText(*answer);
    const QString path = QDir::cleanPath(defaultDestinationParent() + QLatin1Char('/') + *answer);
    if (createDestination(path)) {
        Text9->setText(path);
        DecodePath = path;
    }
    Check2->setChecked(false);
    Check2_Click();
    showFolderInChoosers(DecodePath);
    destinationChanged();
}

void FrmPrefs::showFolderInChoosers(const QString& folder) {
    const QSignalBlocker blockDrive(Drive2);
    const QSignalBlocker blockDir(Dir2);
    Drive2->clear();
    // The root first, whatever its kind: every folder can be reached from it, also while the
    // destination lies on a small mount of its own.
    Drive2->addItem(QStringLiteral("/"), QStringLiteral("/"));
    for (const QString& root : ModSysInfo::driveRoots())
        if (root != QLatin1String("/"))
            Drive2->addItem(root, root);
    const auto mount = mounts::mountForPath(folder);
    if (!mount)
        return;
    int index = Drive2->findData(mount->mountPoint);
    if (index < 0) {
        Drive2->addItem(mount->mountPoint, mount->mountPoint);
        index = Drive2->count() - 1;
    }
    Drive2->setCurrentIndex(index);
    Dir2->setTop(mount->mountPoint);
    Dir2->setPath(folder);
}

void FrmPrefs::destinationChanged() {
    if (!main_.isJobRunning())
        main_.showDestination();
}
