#pragma once

#include "engine/prefs/drivespace.h"

#include <QWidget>

class Form1;
class FolderList;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

// The preferences window. Almost every control saves its key and sets its shared variable
// the moment it changes; the encoder's quality and bitrate positions and the audio format
// are saved when the window closes. Its load settles (and creates) the destination folder
// and applies the mute and tray choices. One at a time; it lives from its opening to its
// closing (deleted on close) and never outlives the main window it belongs to. GUI thread.
class FrmPrefs : public QWidget {
    Q_OBJECT
  public:
    explicit FrmPrefs(Form1& main);

    // Opens the window: loads and shows a new one, or brings back the one already open.
    static FrmPrefs* open(Form1& main);
    // Opens it whenever the main window asks (its Preferences button and menu item).
    static void serve(Form1& main);

    // Fills the controls from the shared variables (a box whose value changes runs its
    // click step), then refreshes the drive data and settles the destination folder.
    void Form_Load();
    // Saves "Encoding quality", "Encoding bitrate" and "Audio format" from their variables.
    void Form_Unload();

    // ---- "Disk Space" -------------------------------------------------------------------
    void Check6_Click();
    void Check7_Click();
    void Text7_KeyUp();
    void Text8_KeyUp();
    // Saves the four disk-space settings, as their own handlers do.
    void Command1_Click();
    // Empties Text6 and measures the drives again.
    void Command3_Click();

    // ---- "Audio, Misc." -----------------------------------------------------------------
    void Check3_Click();
    void cbxFormat_Change();
    // Mutes or unmutes the CD line and stores the choice.
    void Check1_Click();
    void Check11_Click();
    void Check10_Click();
    void Check5_Click();
    // Keeps the program as a tray icon (and hides this window), or removes the icon.
    void Check4_Click();
    void Combo1_Click();
    void Combo2_Click();
    // Stores "Files converted at once" the moment it changes.
    void spnFilesAtOnce_Change();
    // Stores "Test and copy" the moment it changes.
    void chkTestAndCopy_Click();
    // Stores "Name from disc information" the moment it changes.
    void chkNameFromDisc_Click();
    // Stores "Desktop notifications" the moment it changes.
    void chkNotifications_Click();
    // Stores "AccurateRip server" once edited; emptied, it is the public service again.
    void txtAccurateRipServer_Change();
    // The file-name template: said at once when it is no template; saved only when it is one.
    void txtFileNames_Edit();
    void txtFileNames_Change();

    // ---- "Formats" -----------------------------------------------------------------------
    // Each stores its choice the moment it changes: the format Start converts audio files
    // to, the FLAC compression level, the Opus bitrate.
    void cmbConvertTo_Change();
    void spnFlacLevel_Change();
    void spnOpusBitrate_Change();

    // ---- "Drive" -------------------------------------------------------------------------
    // Shows the read offset stored for the model of the main window's drive (a disc image
    // counts as the model "Disc image").
    void showReadOffset();
    // Store the offset and the overread choice for that model the moment either changes; a
    // store that fails is said.
    void spnReadOffset_Change();
    void chkOverread_Click();

    // ---- " Destination Path" ------------------------------------------------------------
    // Shows or hides the chooser; opening it empties the name box.
    void Check2_Click();
    // Dir2 browses the drive chosen. Nothing is stored.
    void Drive2_Change();
    // Browsing in Dir2: Text9 shows the folder, the parent "Create" makes the destination in.
    // Nothing is stored and the destination stays until a folder is chosen with "Create".
    void Dir2_Change();
    // Settles the destination folder: the stored one (Check2 unchecked), or Text10 inside
    // Text9 (Check2 checked); creates it and stores it.
    void Co111_Click();

    // ---- Controls (objectName = member name) ---------------------------------------------
    QTabWidget* SSTab2 = nullptr;
    QCheckBox* Check6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QCheckBox* Check7 = nullptr;
    QLineEdit* Text8 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command3 = nullptr;
    QPlainTextEdit* Text6 = nullptr;
    QLabel* Label3 = nullptr; // hidden: the destination's mount point
    QLabel* Label4 = nullptr; // hidden: the destination's free MB
    QCheckBox* Check3 = nullptr;
    QComboBox* cbxFormat = nullptr;
    QCheckBox* Check1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QSpinBox* spnFilesAtOnce = nullptr;
    QCheckBox* chkTestAndCopy = nullptr;
    QCheckBox* chkNameFromDisc = nullptr;
    QCheckBox* chkNotifications = nullptr;
    QLineEdit* txtAccurateRipServer = nullptr;
    QLineEdit* txtFileNames = nullptr;
    QLabel* lblFileNamesProblem = nullptr; // why the template is refused; hidden when it is not
    QCheckBox* Check11 = nullptr;
    QCheckBox* Check10 = nullptr;
    QCheckBox* Check5 = nullptr;
    QCheckBox* Check4 = nullptr;
    QLineEdit* Text9 = nullptr;
    QCheckBox* Check2 = nullptr;
    QFrame* Picture6 = nullptr;
    QComboBox* Drive2 = nullptr;
    FolderList* Dir2 = nullptr;
    QLineEdit* Text10 = nullptr;
    QPushButton* Co111 = nullptr;
    QLabel* lblDriveModel = nullptr;
    QSpinBox* spnReadOffset = nullptr;
    QCheckBox* chkOverread = nullptr;
    QComboBox* cmbConvertTo = nullptr; // entries "MP3", "FLAC", "Opus", "WAV"
    QSpinBox* spnFlacLevel = nullptr;
    QSpinBox* spnOpusBitrate = nullptr;
    QPushButton* cmdClose = nullptr; // "Close"; Escape does the same

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildControls();
    QWidget* buildDiskSpaceTab();
    QWidget* buildAudioMiscTab();
    QWidget* buildDestinationTab();
    QWidget* buildDriveTab();
    QWidget* buildFormatsTab();
    void storeReadOffset();
    void connectControls();
    void centreOnScreen();
    void showDriveSpace(const ModSysInfo::DriveSpaceReport& report);
    // Fills Drive2 with the mounted drives and shows `folder` in Drive2 and Dir2, without
    // running their change steps.
    void showFolderInChoosers(const QString& folder);
    // The failure branch of Co111: asks for a name and makes that folder the destination.
    void askForDestinationName();
    // DecodePath has changed: the main window shows it when it is idle.
    void destinationChanged();

    Form1& main_;
    bool unloaded_ = false;
    QString driveModel_; // the model the Drive tab shows; empty: no drive
};
