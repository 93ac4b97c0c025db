#pragma once

#include "engine/core/findfilesapi.h"

#include <QWidget>

#include <cstdint>

class Form1;
class FolderList;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QTextBrowser;

// The "File Finder" window: a local search for audio files ("Local Search " tab), whose
// results can be sent to the main window's tree or deleted, and a web search by engine
// ("Internet Search" tab) whose pages open in the user's browser.
//
// GUI thread. The search runs on this thread and lets events run between directory entries,
// so the window and the main window stay live during it; "Stop!" ends it once the folder in
// progress is read. Handlers that let events run keep the window alive until they return: a
// close asked meanwhile stops the search, hides the window and takes effect afterwards.
// One window at a time; deleted on close.
class FrmSearch : public QWidget {
    Q_OBJECT
  public:
    explicit FrmSearch(QWidget* parent = nullptr);
    ~FrmSearch() override;

    // Opens the window: loads and shows a new one, or brings back the one already open. It
    // closes when the main window locks its controls for a job or the program ends.
    static FrmSearch* open(Form1& main);
    // Opens it whenever the main window asks (its Search button and menu item).
    static void serve(Form1& main);

    // Centres the window, fills the engine list and shows the current folder in Drive1/Dir1.
    void Form_Load();
    // Every time the window becomes active: the blank page is written again and shown in Web1.
    void Form_Activate();

    // ---- "Local Search " ----------------------------------------------------------------
    // "Search !" starts a search of Dir1's folder; "Stop!" ends it after the folder in
    // progress.
    void Command1_Click();
    void Drive1_Change();
    void Dir1_Change();
    // Keeps the file type lower-case.
    void zFileExt_Change();
    // Sets lbltime; a caption over 200 characters becomes the folder in progress followed by
    // "..." (cut so that it never exceeds 200 characters itself).
    void setLbltime(const QString& caption);
    // A right button press on the result list pops up mnupopup when the selected entry is a
    // ".wav" or ".mp3" file (any case).
    void lstfiles_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    // "Select for Conversion": the selected file goes to the main window's tree and its list.
    void mnuSeelectfile_Click();
    void mnuRemoveFile_Click();
    // Asks, then deletes the selected file with p_DestroyFile and removes its entry; a delete
    // that fails leaves the entry.
    void mnuDelete_Click();
    void mnuClose_Click();
    void cmdend_Click();

    // ---- "Internet Search" --------------------------------------------------------------
    // Opens the search page of the engine named in search1 for Text3's keywords; an unknown
    // engine is said so under "Oops".
    void Cmdwebsearch_Click();
    // Enter (13) does the same under "Opps", then empties search1's text; other keys do
    // nothing.
    void Text3_KeyDown(int keyCode);

    // True from the start of a search until its closing steps have run.
    bool searching() const { return search_.running(); }
    // The engine behind the local search (its results, counts and walk state).
    const LocalFileSearch& engine() const { return search_; }

    // ---- Controls (objectName = member name) ---------------------------------------------
    QTabWidget* searchTabs = nullptr;
    QComboBox* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    QLineEdit* zFileExt = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QCheckBox* chkhidelist = nullptr;
    QListWidget* lstdirs = nullptr;  // folders still to search; entry 0 in progress
    QListWidget* List1 = nullptr;    // folders seen
    QListWidget* lstfiles = nullptr; // results: full paths
    QLabel* lbltime = nullptr;
    QLabel* Label1 = nullptr; // counts
    QPushButton* cmdend = nullptr;
    QMenu* mnupopup = nullptr;
    QAction* mnuSeelectfile = nullptr;
    QAction* mnuRemoveFile = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuClose = nullptr;
    QComboBox* search1 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Cmdwebsearch = nullptr;
    QTextBrowser* Web1 = nullptr; // the blank page

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Counts the handlers on the stack that let events run; the last one to leave carries
    // out a close asked meanwhile.
    class BusyScope {
      public:
        explicit BusyScope(FrmSearch& window);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

      private:
        FrmSearch& window_;
    };

    QWidget* buildLocalTab();
    QWidget* buildInternetTab();
    void connectControls();
    void centreOnScreen();
    void startSearch();
    void stopSearch();
    // Runs the search of Dir1's folder and its closing steps.
    void searchDriver();
    // Brings the lists and the progress caption up to date with the walk.
    void showWalk();
    void showCounts(std::int64_t files);
    void setSearchControlsEnabled(bool enabled);
    // The selected result entry's path; empty when none is selected.
    QString selectedResult() const;
    void removeResult(const QString& path);
    void webSearch(const QString& title);

    LocalFileSearch search_;
    qsizetype filesShown_ = 0;   // results already in lstfiles
    qsizetype foldersShown_ = 0; // folders already in List1
    QString folderShown_;        // the folder lbltime shows as in progress
    int busy_ = 0;
    bool closePending_ = false;
};
