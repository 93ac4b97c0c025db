#pragma once

#include "engine/platform/error.h"

#include <QWidget>

#include <array>
#include <optional>

class ActiveMP3;
class Form1;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The play-list window "Playlist Editor": the stored play list with its player, and the tag
// and header panel for the current file (the path in Text5), on which the file buttons act.
//
// One at a time; it lives from its opening to its closing (deleted on close) together with
// its decoder control ActiveMP31, which plays MP3 files. The main window opens it (its
// Playlist button and menu item) and unloads it (Close Player, and when a job starts). GUI
// thread; handlers that let events run stop when the window was unloaded meanwhile.
class frmPlayList : public QWidget {
    Q_OBJECT
  public:
    explicit frmPlayList(QWidget* parent = nullptr);
    ~frmPlayList() override;

    // Opens the window: loads and shows a new one, or brings back the one already open.
    static frmPlayList* open(QWidget* parent);
    // The open window, or null.
    static frmPlayList* instance();
    // Opens the window whenever the main window asks, and closes it when it asks that.
    static void serve(Form1& main);

    // Centres the window on the screen and loads the stored play list into List2.
    void Form_Load();

    // ---- Player --------------------------------------------------------------------------
    // Play: stops everything, then plays the selected entry (.wav, .mid, .mp3).
    void Command11_Click();
    // Stop: the decoder control, then every device.
    void Command12_Click();

    // ---- Tag and header panel -------------------------------------------------------------
    // "...": picks the current file; an MP3 then has its header read.
    void cmdHdr1_Click();
    // "Read header": fills List1 and the boxes from the current file.
    void cmdHdr2_Click();
    // " Write tag": writes the boxes as the current file's ID3v1 tag.
    void cmdTag_Click();
    // A click on an entry makes it the current file (and, with Check11, adds it to the main
    // window's tree).
    void List2_Click();

    // ---- Play list -----------------------------------------------------------------------
    void Command20_Click(); // Add to PlayList
    void Command6_Click();  // Delist
    void Command2_Click();  // Rename File
    void Command10_Click(); // Delete  File: asks, deletes; the rest after the settling wait

    // ---- Controls (objectName = member name) ---------------------------------------------
    QGroupBox* Frame1 = nullptr;
    QListWidget* List2 = nullptr;
    QListWidget* List3 = nullptr; // hidden
    QPushButton* Command20 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command10 = nullptr;
    QPushButton* Command11 = nullptr;
    QPushButton* Command12 = nullptr;
    QCheckBox* Check11 = nullptr;

    QGroupBox* Frame3 = nullptr;
    QLineEdit* Text5 = nullptr;
    QPushButton* cmdHdr1 = nullptr;
    QPushButton* cmdHdr2 = nullptr;
    QPushButton* cmdTag = nullptr;
    QListWidget* List1 = nullptr;
    std::array<QLineEdit*, 9> Text4{}; // 1..8: Artist, Title, Album, Year, Comment, Genre,
    std::array<QLabel*, 9> Label177{}; // HasTag, Length; entry 0 unused

    ActiveMP3* ActiveMP31 = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Delete File's steps after the deletion of `path` has settled.
    void afterDelete(const QString& path, const std::optional<VortanError>& failed);
    // Empties the header lines and the tag boxes (Length stays).
    void clearTagAndHeader();
    void buildControls();
    // Tab follows the reading order rather than the order the controls were made in.
    void orderTabStops();
    void connectControls();
    // The current path without surrounding spaces.
    QString currentPath() const;
    QStringList entries() const;
    void setEntries(const QStringList& entries);
};
